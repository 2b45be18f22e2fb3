// The screening window on the shipped data: opened from the chemical analysis window's menu,
// filled while the converter runs under the event loop, rows drawn on click.
#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QtTest>
#include <filesystem>

#include "app/ui/views.h"
#include "catalog/catalog.h"
#include "chem/chem_analysis.h"
#include "chem/herb_chem_actions.h"
#include "chem/ingredient_screening_window.h"
#include "chem/ui/frm_ingredient_screening.h"
#include "chem/ui/qt_converter.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/twips.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

using namespace lindora;
using namespace lindora::ui;

class IngredientScreeningTest : public QObject {
  Q_OBJECT
 private slots:
  void shippedHerbIsScreenedFromTheChemicalWindowsMenu() {
    QtConverter converter;
    test::FakeDialogs dialogs;
    test::FakeUrlOpener urls;
    test::FakeClipboard clipboard;
    // A folder of its own with the shipped data: tests running meanwhile share no scratch file.
    test::TestFolder f;
    std::filesystem::copy(std::filesystem::path(LINDORA_BIN_DIR) / "DB", f / "DB",
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    Session session(f.root(), Ports{&dialogs, &urls, &clipboard, &converter});
    InstallCatalog(session);
    ViewHost host(session);
    RegisterViews(host);
    QCOMPARE(ShowHerbIngredients(session, "甘草"), Outcome::kDone);
    ChemAnalysis& chem = session.Window<ChemAnalysis>();
    QWidget* chem_view = host.ViewOf(chem);
    auto* open = chem_view->findChild<QAction*>("Menu_IngredientScreening");
    QVERIFY(open);
    QVERIFY(open->isVisible());
    open->trigger();

    IngredientScreening& screening = session.Window<IngredientScreening>();
    auto* view = qobject_cast<Frm_IngredientScreening*>(host.ViewOf(screening));
    QVERIFY(view);
    QVERIFY(view->isVisible());
    QCOMPARE(view->windowTitle(), QString("成分筛选——甘草"));
    QCOMPARE(screening.FlexGrid().Rows(), chem.FlexGrid().Rows());
    auto* grid = view->findChild<FlexGridView*>("FlexGrid");
    QCOMPARE(grid->model()->rowCount(), chem.FlexGrid().Rows() - 1);
    QVERIFY(view->findChild<QLabel*>("Label_Status")->text().contains("Lipinski"));

    // The filter leaves only rows that pass both rules.
    auto* only = view->findChild<QCheckBox*>("Check_OnlyPassing");
    only->click();
    QVERIFY(grid->model()->rowCount() < chem.FlexGrid().Rows() - 1);
    for (int r = 1; r < screening.FlexGrid().Rows(); ++r)
      QCOMPARE(screening.FlexGrid().TextMatrix(r, 9) + screening.FlexGrid().TextMatrix(r, 10),
               std::string("通过通过"));

    // A click on a row draws its compound.
    QRect cell = grid->visualRect(grid->model()->index(1, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(screening.FlexGrid().RowSel(), 2);
    QVERIFY(!view->findChild<PictureBox*>("Pic_Mol")->pixmap().isNull());

    dialogs.inputs.push_back("0.8");
    view->findChild<QAction*>("Menu_SimilarAnticancer")->trigger();
    QVERIFY(screening.SimilarGrid().Rows() > 1);
    QCOMPARE(screening.SimilarGrid().TextMatrix(1, 3), std::string("1.0000"));

    if (const char* dir = std::getenv("LINDORA_SHOTS")) {
      QTest::qWait(200);
      view->grab().save(QString(dir) + "/ingredient_screening.png");
      chem_view->grab().save(QString(dir) + "/chem_analysis_with_screening_menu.png");
    }
    view->close();
    chem_view->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
};

QTEST_MAIN(IngredientScreeningTest)
#include "ingredient_screening_test.moc"
