// The dose window on the shipped formulas: the formula window's menu opens it, the box plot is a
// box-plot series with one box per herb asked for, and a new table or number of herbs redraws it.
#include "analysis/doses/doses_window.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtCharts/QBoxPlotSeries>
#include <QtCharts/QChartView>
#include <QtTest>
#include <filesystem>

#include "analysis/doses/ui/frm_doses.h"
#include "app/ui/views.h"
#include "catalog/catalog.h"
#include "formula/fangji_analysis.h"
#include "support/fake_ports.h"
#include "support/view_world.h"

using namespace lindora;
using namespace lindora::ui;

class DosesWindowTest : public test::ViewWorld {
  Q_OBJECT

  static QBoxPlotSeries* Boxes(Frm_Doses* view) {
    QChart* chart = view->findChild<QChartView*>("Chart_BoxPlot")->chart();
    for (QAbstractSeries* series : chart->series())
      if (auto* boxes = qobject_cast<QBoxPlotSeries*>(series)) return boxes;
    return nullptr;
  }

 private slots:
  void initTestCase() {
    OpenProgramFolder({"Fangji.DB", "Herb_Name.DB"}, /*formulas_as_result=*/true);
  }

  void formulaMenuShowsTableAndBoxPlot() {
    FangjiAnalysis& fangji = session->Window<FangjiAnalysis>();
    fangji.InitializeGrid();
    fangji.LoadResults();
    host->ViewOf(fangji)->findChild<QAction*>("Menu_Doses")->trigger();
    QVERIFY(dialogs.shown.empty());
    DosesWindow& model = session->Window<DosesWindow>();
    auto* view = qobject_cast<Frm_Doses*>(host->ViewOf(model));
    QVERIFY(view && view->isVisible());
    QVERIFY(model.FlexGridDoses().Rows() > 20);
    // Drawn by the program's own renderer, so its picture is written beside the table.
    QCOMPARE(model.FilesWritten().size(), std::size_t{2});
    QVERIFY(std::filesystem::file_size(root / "Result" / "剂量箱线图.png") > 0);
    QVERIFY(Boxes(view));
    QCOMPARE(Boxes(view)->count(), 20);

    // The options as a user sets them: the Han table and ten herbs, run by Enter.
    auto* table = view->findChild<QComboBox*>("Combo_Table");
    table->setCurrentIndex(table->findText("汉制 13.8 g"));
    auto* top = view->findChild<QLineEdit*>("Text_Top");
    top->setText("10");
    QTest::keyClick(top, Qt::Key_Return);
    QCOMPARE(model.Table(), DoseTable::kHan13_8);
    QCOMPARE(Boxes(view)->count(), 10);
    QVERIFY(view->windowTitle().contains("汉制 13.8 g"));

    const QString shots = qEnvironmentVariable("LINDORA_SCREENSHOT_DIR");
    if (!shots.isEmpty()) view->grab().save(shots + "/doses.png");
  }
};

QTEST_MAIN(DosesWindowTest)
#include "doses_window_test.moc"
