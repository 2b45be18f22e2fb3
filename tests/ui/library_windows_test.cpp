// The formula-library windows as a user goes through them: import the example workbook, decide
// the names that did not resolve, open the new library and search it.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "app/main_window.h"
#include "app/ui/views.h"
#include "common/files.h"
#include "common/text.h"
#include "formula/fangji_analysis.h"
#include "formula/library.h"
#include "formula/ui/library_dialogs.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

using namespace lindora;
using namespace lindora::ui;

namespace {
QWidget* TopLevel(const char* name) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == name && w->isVisible()) return w;
  return nullptr;
}
}  // namespace

class LibraryWindowsTest : public QObject {
  Q_OBJECT
  test::TestFolder folder_{LINDORA_BIN_DIR};
  QString shots_ = qEnvironmentVariable("LINDORA_SHOTS");

  void Shot(QWidget* w, const char* file) {
    if (!shots_.isEmpty()) QVERIFY(w->grab().save(shots_ + "/" + file));
  }

 private slots:
  void importReviewOpenAndSearch() {
    test::FakeWorld world(folder_.root());
    ViewHost host(world.session);
    RegisterViews(host);
    Main& main = world.session.Window<Main>();
    QVERIFY(main.Form_Load(false, "Lindora"));
    FormView* main_view = host.ViewOf(main);

    // The menu entry opens the dialog; the example workbook is read at once when given.
    main_view->findChild<QAction*>("Menu_ImportFormulas")->trigger();
    QWidget* empty = TopLevel("Frm_ImportFormulas");
    QVERIFY(empty);
    empty->close();
    const QString example = QString::fromStdString(std::string(LINDORA_SOURCE_DIR) +
                                                   "/data/examples/失眠处方示例.xlsx");
    ShowImportDialog(main_view, world.session, {}, example);
    QWidget* dialog = TopLevel("Frm_ImportFormulas");
    QVERIFY(dialog);
    dialog->resize(1300, 700);
    QCOMPARE(dialog->findChild<QComboBox*>("Combo_Sheet")->currentText(), QString("处方"));
    QCOMPARE(dialog->findChild<QLineEdit*>("Text_Composition")->text(), QString("C"));
    QVERIFY(dialog->findChild<QComboBox*>("Combo_Name")->currentText().endsWith("方名"));
    QCOMPARE(dialog->findChild<QTableWidget*>("Grid_Preview")->rowCount(), 20);
    dialog->findChild<QLineEdit*>("Text_Library")->setText("失眠示例");
    Shot(dialog, "import_dialog.png");

    QTest::mouseClick(dialog->findChild<QPushButton*>("Cmd_Import"), Qt::LeftButton);
    const QString status = dialog->findChild<QLabel*>("Label_Status")->text();
    // The row named like row 2 with another composition is kept under a name of its own.
    QVERIFY2(status.contains("导入方剂：23") && status.contains("拒收行数：2") &&
                 status.contains("同名改名：1 首"),
             qPrintable(status));
    QWidget* review = TopLevel("Frm_NameReview");
    QVERIFY(review);
    auto* grid = review->findChild<QTableWidget*>("Grid_Unresolved");
    // The shipped vocabulary knows every name of the example but the misspelt 川穹. A typed
    // name that is no known herb is not taken; a suggestion shows its herb type.
    QCOMPARE(grid->rowCount(), 1);
    QCOMPARE(grid->item(0, 0)->text(), QString("川穹"));
    auto* choice = static_cast<QComboBox*>(grid->cellWidget(0, 3));
    choice->setCurrentText("石头米");
    QTest::mouseClick(review->findChild<QPushButton*>("Cmd_SaveDecisions"), Qt::LeftButton);
    QCOMPARE(grid->rowCount(), 1);
    QVERIFY(!world.dialogs.Messages().empty() &&
            Contains(world.dialogs.Messages().back(), "“石头米”不是药名库"));
    QVERIFY(!Contains(folder_.ReadBytes("DB/药名对照.tsv"), "川穹\t川芎\t用户"));
    choice->setCurrentIndex(choice->findData("川芎"));
    QCOMPARE(choice->currentText(), QString("川芎（同音，活血祛瘀药）"));
    review->resize(900, 360);
    Shot(review, "name_review.png");
    QTest::mouseClick(review->findChild<QPushButton*>("Cmd_SaveDecisions"), Qt::LeftButton);
    QCOMPARE(grid->rowCount(), 0);
    QVERIFY(Contains(folder_.ReadBytes("DB/药名对照.tsv"), "川穹\t川芎\t用户\t导入时的决定\n"));
    QVERIFY(Contains(Join(ReadLines(folder_ / "DB/失眠示例/Fangji.DB"), "\n"),
                     "自拟安眠方\t川芎10g，"));
    review->close();
    dialog->close();

    // Names no vocabulary knows: one becomes a new herb, the other is left as written.
    folder_.WriteBytes("mine.csv", "方名,组成\n甲方,某某草10g，某某根6g\n");
    ShowImportDialog(main_view, world.session, {},
                     QString::fromStdString((folder_ / "mine.csv").string()));
    dialog = TopLevel("Frm_ImportFormulas");
    QVERIFY(dialog);
    dialog->findChild<QLineEdit*>("Text_Library")->setText("自拟");
    QTest::mouseClick(dialog->findChild<QPushButton*>("Cmd_Import"), Qt::LeftButton);
    review = TopLevel("Frm_NameReview");
    QVERIFY(review);
    grid = review->findChild<QTableWidget*>("Grid_Unresolved");
    QCOMPARE(grid->rowCount(), 2);
    for (int row = 0; row < grid->rowCount(); ++row)
      if (grid->item(row, 0)->text() == "某某草")
        static_cast<QComboBox*>(grid->cellWidget(row, 3))->setCurrentText("（新药）");
    QTest::mouseClick(review->findChild<QPushButton*>("Cmd_SaveDecisions"), Qt::LeftButton);
    QCOMPARE(grid->rowCount(), 1);
    QCOMPARE(grid->item(0, 0)->text(), QString("某某根"));
    QVERIFY(Contains(folder_.ReadBytes("DB/药名对照.tsv"), "某某草\t某某草\t新药\t导入时的决定\n"));
    review->close();
    dialog->close();

    // The manager opens the library; the windows name it and the search reads it.
    main_view->findChild<QAction*>("Menu_LibraryManagement")->trigger();
    QWidget* manager = TopLevel("Frm_Libraries");
    QVERIFY(manager);
    auto* list = manager->findChild<QListWidget*>("List_Libraries");
    QCOMPARE(list->count(), 3);
    for (int row = 0; row < list->count(); ++row)
      if (list->item(row)->text().startsWith("失眠示例")) list->setCurrentRow(row);
    QTest::mouseClick(manager->findChild<QPushButton*>("Cmd_Open"), Qt::LeftButton);
    QCOMPARE(OpenLibraryName(world.session), std::string("失眠示例"));
    QVERIFY(main_view->windowTitle().contains("方剂库：失眠示例（23 首）"));
    FangjiAnalysis& formulas = world.session.Window<FangjiAnalysis>();
    formulas.Show();
    formulas.SetTextInput("酸枣仁");
    formulas.Cmd_Search_Text_Click();
    FormView* formula_view = host.ViewOf(formulas);
    QVERIFY(formula_view->windowTitle().contains("失眠示例"));
    QVERIFY(formulas.FlexGrid().Rows() > 5);
    Shot(formula_view, "imported_library.png");
    // 全部方剂 beside the search: every formula of the open library, and the title says so
    QTest::mouseClick(formula_view->findChild<QPushButton*>("Cmd_All"), Qt::LeftButton);
    QCOMPARE(formulas.LabelCount(), std::string("找到 23  项结果"));
    QCOMPARE(formulas.FlexGrid().Rows(), 24);
    QVERIFY(formula_view->windowTitle().contains("搜索历史：全部方剂"));
  }

  // A table without titles whose two columns both hold herbs: the dialog asks for the columns
  // and imports only once they are chosen.
  void unsureColumnsAreAskedFor() {
    while (QWidget* earlier = TopLevel("Frm_ImportFormulas")) earlier->close();
    test::FakeWorld world(folder_.root());
    folder_.WriteBytes("two.csv", "黄芪 当归,人参 白术\n甘草 大枣,生姜 桂枝\n");
    ShowImportDialog(nullptr, world.session, {},
                     QString::fromStdString((folder_ / "two.csv").string()));
    QWidget* dialog = TopLevel("Frm_ImportFormulas");
    QVERIFY(dialog);
    auto* status = dialog->findChild<QLabel*>("Label_Status");
    QVERIFY2(status->text().contains("请在“方名列”和“组成列”中选好"), qPrintable(status->text()));
    auto* name = dialog->findChild<QComboBox*>("Combo_Name");
    QCOMPARE(name->currentIndex(), 0);
    QTest::mouseClick(dialog->findChild<QPushButton*>("Cmd_Import"), Qt::LeftButton);
    QCOMPARE(status->text(), QString("请先选择方名列和组成列。"));
    QVERIFY(!std::filesystem::exists(folder_ / "DB/two"));
    name->setCurrentIndex(name->findData(1));
    dialog->findChild<QLineEdit*>("Text_Composition")->setText("A");
    QTest::mouseClick(dialog->findChild<QPushButton*>("Cmd_Import"), Qt::LeftButton);
    QVERIFY2(status->text().contains("导入方剂：2"), qPrintable(status->text()));
    QCOMPARE(ReadLines(folder_ / "DB/two/Fangji.DB").front(),
             std::string("人参 白术\t黄芪，当归。\t"));
    dialog->close();
  }
};

QTEST_MAIN(LibraryWindowsTest)
#include "library_windows_test.moc"
