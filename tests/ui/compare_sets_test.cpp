// Two searches of the shipped formulas saved through the formula window's analysis menu and
// compared in the comparison window: its controls, grid, chart and the chart's PNG.
#include <QApplication>
#include <QBarSet>
#include <QChartView>
#include <QCheckBox>
#include <QHorizontalBarSeries>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "analysis/compare_sets/compare_sets_window.h"
#include "analysis/compare_sets/ui/frm_compare_sets.h"
#include "app/ui/views.h"
#include "catalog/catalog.h"
#include "common/text.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"
#include "formula/fangji_analysis.h"
#include "support/fake_ports.h"
#include "support/view_world.h"

using namespace lindora;
using namespace lindora::ui;

class CompareSetsTest : public test::ViewWorld {
  Q_OBJECT

 private slots:
  void initTestCase() { OpenProgramFolder({"Fangji.DB"}, /*formulas_as_result=*/false); }

  void savedSearchesAreComparedWithGridAndChart() {
    FangjiAnalysis& fangji = session->Window<FangjiAnalysis>();
    FormView* formula_view = host->ViewOf(fangji);
    for (const char* query : {"少阴病", "太阳病"}) {
      fangji.SetTextInput(query);
      fangji.Cmd_Search_Text_Click();
      dialogs.inputs.push_back(query);  // the name typed into the input box
      formula_view->findChild<QAction*>("Menu_SaveResultSet")->trigger();
    }
    // Each save is confirmed with the set's size.
    QCOMPARE(dialogs.Messages().size(), std::size_t{2});
    for (const std::string& m : dialogs.Messages()) QVERIFY(StartsWith(m, "已保存结果集"));
    dialogs.shown.clear();

    formula_view->findChild<QAction*>("Menu_CompareSets")->trigger();
    CompareSetsWindow* model = session->FindWindow<CompareSetsWindow>();
    QVERIFY(model);
    auto* view = qobject_cast<Frm_CompareSets*>(host->ViewOf(*model));
    QCOMPARE(view->windowTitle(), QString("结果集比较"));
    auto* combo_a = view->findChild<QComboBox*>("Combo_SetA");
    auto* combo_b = view->findChild<QComboBox*>("Combo_SetB");
    QCOMPARE(combo_a->count(), 3);
    QCOMPARE(combo_a->currentText(), QString("当前结果集"));
    // The sets are picked as the user would.
    for (auto [box, name] : {std::pair{combo_a, "太阳病"}, std::pair{combo_b, "少阴病"}}) {
      box->setCurrentIndex(box->findData(name));
      emit box->activated(box->currentIndex());
    }
    view->findChild<QPushButton*>("Cmd_Compare")->click();
    QVERIFY(dialogs.Messages().empty());

    auto* grid = view->findChild<FlexGridView*>("FlexGrid_Compare");
    QCOMPARE(grid->model()->rowCount(), static_cast<int>(model->Comparison().items.size()));
    // B holds every record of the saved 少阴病 search.
    const std::vector<SavedSet> saved = ListResultSets(*session);
    QCOMPARE(saved.at(1).name, std::string("少阴病"));
    QVERIFY(view->findChild<QLabel*>("Label_Summary")
                ->text()
                .contains(QString("少阴病（%1 首方剂）").arg(saved.at(1).formulas)));

    // Two bars per item, A's and B's rates; the smallest q is the top category (the last one).
    auto* chart = view->findChild<QChartView*>("Chart_Compare");
    auto* series = qobject_cast<QHorizontalBarSeries*>(chart->chart()->series().at(0));
    QVERIFY(series);
    QCOMPARE(series->count(), 2);
    const BarChart data = model->Chart();
    const int last = static_cast<int>(data.categories.size()) - 1;
    QCOMPARE(last + 1, static_cast<int>(model->ChartItems().size()));
    for (QBarSet* set : series->barSets()) {
      QCOMPARE(set->count(), last + 1);
      const bool a = set->label() == "A：太阳病";
      QVERIFY(a || set->label() == "B：少阴病");
      QCOMPARE(set->at(last), data.series[a ? 0 : 1].values[0]);
    }

    QString shots = qEnvironmentVariable("LINDORA_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
      view->resize(1400, 800);
      QVERIFY(view->grab().save(shots + "/compare_sets.png"));
      QCOMPARE(model->SaveChart(S(shots) + "/compare_sets_chart.png"), Outcome::kDone);
      auto* menu = formula_view->findChild<QMenu*>("Menu_DataAnalysis");
      menu->popup(formula_view->mapToGlobal(QPoint(0, 0)));
      QVERIFY(menu->grab().save(shots + "/formula_window_menu.png"));
      menu->hide();
    }

    // Doses: off at first (no dose grid); on, the herbs dosed in both sets fill it and its file.
    auto* dose_grid = view->findChild<FlexGridView*>("FlexGrid_Doses");
    QVERIFY(dose_grid->isHidden());
    view->findChild<QCheckBox*>("Check_Doses")->click();
    auto* tables = view->findChild<QComboBox*>("Combo_DoseTable");
    tables->setCurrentIndex(tables->findText("汉制 13.8 g"));
    emit tables->activated(tables->currentIndex());
    view->findChild<QPushButton*>("Cmd_Compare")->click();
    QVERIFY(dialogs.Messages().empty());
    QCOMPARE(model->DoseResult().table, DoseTable::kHan13_8);
    QVERIFY(!model->DoseResult().items.empty());
    QVERIFY(!dose_grid->isHidden());
    QCOMPARE(dose_grid->model()->rowCount(), static_cast<int>(model->DoseResult().items.size()));
    QVERIFY(std::filesystem::exists(root / "Result" / "剂量比较.csv"));
    if (!shots.isEmpty()) QVERIFY(view->grab().save(shots + "/compare_sets_doses.png"));

    view->findChild<QRadioButton*>("Option_Symptoms")->click();
    view->findChild<QPushButton*>("Cmd_Compare")->click();
    QVERIFY(view->findChild<QLabel*>("Label_Summary")->text().contains("症状"));
    if (!shots.isEmpty()) QVERIFY(view->grab().save(shots + "/compare_sets_symptoms.png"));

    const QString png = dir.filePath("chart.png");
    QCOMPARE(model->SaveChart(S(png)), Outcome::kDone);
    QCOMPARE(QImage(png).size(),
             QSize(CompareSetsWindow::kChartWidth, CompareSetsWindow::kChartHeight));
  }
};

QTEST_MAIN(CompareSetsTest)
#include "compare_sets_test.moc"
