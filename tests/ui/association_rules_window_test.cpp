// The association-rule window: opened from the formula window's menu, it shows the rules of the
// shipped formulas, and a click on a column header sorts the table.
#include <QCollator>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "analysis/rules/rules_window.h"
#include "analysis/rules/ui/frm_association_rules.h"
#include "app/ui/views.h"
#include "common/collation.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/pinyin_collation.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"
#include "formula/fangji_analysis.h"
#include "support/fake_ports.h"

using namespace lindora;
using namespace lindora::ui;

class AssociationRulesWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void menuEntryOpensTheWindowAndHeaderClickSorts() {
    namespace fs = std::filesystem;
    QTemporaryDir dir;
    fs::path root = dir.path().toStdString();
    fs::create_directories(root / "DB");
    fs::create_directories(root / "Result");
    fs::copy_file(fs::path(LINDORA_BIN_DIR) / "DB" / "Fangji.DB", root / "Result" / "Result.DB");
    test::FakeWorld world(root);
    ViewHost host(world.session);
    RegisterViews(host);
    FangjiAnalysis& fangji = world.session.Window<FangjiAnalysis>();
    fangji.InitializeGrid();
    fangji.LoadResults();

    host.ViewOf(fangji)->findChild<QAction*>("Menu_AssociationRules")->trigger();
    QVERIFY(world.dialogs.shown.empty());
    AssociationRulesWindow* model = world.session.FindWindow<AssociationRulesWindow>();
    QVERIFY(model);
    auto* view = qobject_cast<Frm_AssociationRules*>(host.ViewOf(*model));
    QVERIFY(view);
    QVERIFY(QTest::qWaitForWindowExposed(view));
    QVERIFY(view->windowTitle().startsWith("关联规则分析 - 结果集 "));
    QCOMPARE(view->findChild<QLineEdit*>("Text_MinSupport")->text(), QString("10%"));
    QCOMPARE(view->findChild<QLabel*>("Label_Count")->text(), Q(model->LabelCount()));
    auto* grid = view->findChild<FlexGridView*>("FlexGrid");
    QVERIFY(grid->model()->rowCount() > 10);
    QCOMPARE(grid->model()->rowCount(), model->FlexGrid().Rows() - 1);

    // Lift is the last column: a press on its header sorts the rules by it, largest first.
    QHeaderView* header = grid->horizontalHeader();
    const int lift = AssociationRulesWindow::kLift;
    QPoint at(header->sectionViewportPosition(lift) + header->sectionSize(lift) / 2,
              header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(model->SortColumn(), lift);
    double previous = 1e9;
    for (int r = 0; r < grid->model()->rowCount(); ++r) {
      double value = grid->model()->index(r, lift).data().toString().toDouble();
      QVERIFY(value <= previous);
      previous = value;
    }

    // Trivial rules are hidden by default: no rule at lift 1 or below is listed.
    for (const Rule& r : model->Mining().rules)
      QVERIFY(r.count * model->Mining().n > r.antecedent_count * r.consequent_count);

    // The consequent column sorts by pinyin: 甘 (gān) before 桂 (guì), which code point order
    // reverses, and every neighbouring pair in the collator's order.
    InstallPinyinCollation();
    const int consequent = AssociationRulesWindow::kConsequent;
    model->SortByColumn(consequent);
    QCollator pinyin(QLocale(QLocale::Chinese, QLocale::China));
    QStringList names;
    for (int r = 1; r < model->FlexGrid().Rows(); ++r)
      names << Q(model->FlexGrid().TextMatrix(r, consequent));
    QVERIFY(names.contains("甘草") && names.contains("桂枝"));
    QVERIFY(names.indexOf("甘草") < names.indexOf("桂枝"));
    for (int i = 1; i < names.size(); ++i) QVERIFY(pinyin.compare(names[i - 1], names[i]) <= 0);
    InstallTextComparator({});
    view->close();
  }
};

QTEST_MAIN(AssociationRulesWindowTest)
#include "association_rules_window_test.moc"
