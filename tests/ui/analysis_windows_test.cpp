// The herb-pair, symptom and list import windows: names, layout, menus, and that they show what
// their models computed.
#include <QApplication>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "analysis/formula_set_actions.h"
#include "analysis/herb_frequency/herb_frequency_window.h"
#include "analysis/herb_frequency/ui/frm_yaodui_analysis.h"
#include "analysis/symptoms/symptoms_window.h"
#include "analysis/symptoms/ui/frm_symptom_analysis.h"
#include "app/input.h"
#include "app/list_import_actions.h"
#include "app/ui/frm_input.h"
#include "app/ui/views.h"
#include "catalog/catalog.h"
#include "common/ui/twips.h"
#include "formula/fangji_analysis.h"
#include "herb/danti_analysis.h"
#include "support/fake_ports.h"
#include "support/view_world.h"

using namespace lindora;
using namespace lindora::ui;

namespace {

QStringList Captions(const QList<QAction*>& actions) {
  QStringList out;
  for (QAction* a : actions)
    if (a->isVisible()) out << a->text();
  return out;
}

}  // namespace

class AnalysisWindowsTest : public test::ViewWorld {
  Q_OBJECT

  template <class View, class Model>
  View* ViewOf(Model& model) {
    return qobject_cast<View*>(host->ViewOf(model));
  }

 private slots:
  void initTestCase() { OpenProgramFolder({"Fangji.DB"}, /*formulas_as_result=*/true); }

  void herbPairWindowShowsTheAnalysisOfTheSampleData() {
    FangjiAnalysis& fangji = session->Window<FangjiAnalysis>();
    fangji.InitializeGrid();
    fangji.LoadResults();
    QVERIFY(fangji.FlexGrid().Rows() > 1);
    YaoduiAnalysisOfResults(*session);
    QVERIFY(dialogs.shown.empty());
    YaoduiAnalysisWindow& model = session->Window<YaoduiAnalysisWindow>();
    auto* view = ViewOf<Frm_YaoduiAnalysis>(model);
    QVERIFY(view);
    QVERIFY(view->isVisible());
    QCOMPARE(view->objectName(), QString("Frm_YaoduiAnalysis"));
    QCOMPARE(view->windowTitle(), QString("药对分析"));
    QCOMPARE(view->minimumSize(), view->maximumSize());
    const int left[] = {120, 3600, 7920}, width[] = {3300, 4140, 4140};
    for (int i = 1; i <= 3; ++i) {
      auto* grid = view->findChild<FlexGridView*>(QStringLiteral("FlexGrid(%1)").arg(i));
      QVERIFY(grid);
      QCOMPARE(grid, view->FlexGrid(i));
      QCOMPARE(grid->geometry(), QRect(Px(left[i - 1]), Px(120), Px(width[i - 1]), Px(6540)));
      QCOMPARE(grid->font().family(), QString("微软雅黑"));
      // The view shows what the model holds: header and as many rows.
      QCOMPARE(grid->model()->rowCount(), model.FlexGrid(i).Rows() - 1);
      QCOMPARE(grid->model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
               QStringLiteral("药对（%1）").arg(i + 1));
      QVERIFY(grid->model()->rowCount() > 10);
    }
    // The most frequent pair of the shipped formulas is at the top with its count.
    QCOMPARE(view->FlexGrid(1)->model()->index(0, 0).data().toString(),
             QString::fromStdString(model.FlexGrid(1).TextMatrix(1, 0)));
    QVERIFY(view->FlexGrid(1)->model()->index(0, 0).data().toString().contains("、"));

    QString shots = qEnvironmentVariable("LINDORA_SHOTS");
    if (!shots.isEmpty()) QVERIFY(view->grab().save(shots + "/herb_pairs.png"));
  }

  void exportMenuShowsThePairFileNotice() {
    YaoduiAnalysisWindow& model = session->Window<YaoduiAnalysisWindow>();
    auto* view = ViewOf<Frm_YaoduiAnalysis>(model);
    QCOMPARE(Captions(view->menuBar()->actions()), QStringList({"文件(&F)"}));
    auto* file = view->findChild<QMenu*>("Menu_File");
    QVERIFY(file);
    QCOMPARE(Captions(file->actions()),
             QStringList({"导出药对列表(&D)", "药物网络(&N)", "导出为 Excel(&X)…"}));
    dialogs.shown.clear();
    view->findChild<QAction*>("Menu_ExportYaodui2List")->trigger();
    QCOMPARE(dialogs.Messages().size(), std::size_t{1});
    QVERIFY(
        QString::fromStdString(dialogs.Messages()[0]).endsWith("Result/Yaodui_Analysis2_Name.csv"));
    QVERIFY(std::filesystem::exists(root / "Result" / "Yaodui_Analysis2_Name.csv"));
  }

  void symptomWindowLayoutAndInertMenu() {
    dialogs.shown.clear();
    SymptomAnalysisOfResults(*session);
    SymptomAnalysisWindow& model = session->Window<SymptomAnalysisWindow>();
    auto* view = ViewOf<Frm_SymptomAnalysis>(model);
    QVERIFY(view && view->isVisible());
    QCOMPARE(view->windowTitle(), QString("病症分析"));
    QCOMPARE(view->minimumSize(), view->maximumSize());
    auto* grid = view->findChild<FlexGridView*>("FlexGrid_Symptom");
    QVERIFY(grid);
    QCOMPARE(grid->geometry(), QRect(Px(120), Px(120), Px(3420), Px(3180)));
    QCOMPARE(grid->model()->rowCount(), model.FlexGridSymptom().Rows() - 1);
    QVERIFY(grid->model()->rowCount() > 50);
    auto* file = view->findChild<QMenu*>("Menu_File");
    QCOMPARE(file->title(), QString("文件"));
    QCOMPARE(Captions(file->actions()),
             QStringList({"导入症状列表", "导出症状列表", "导出为 Excel(&X)…"}));
    const int rows = grid->model()->rowCount();
    view->findChild<QAction*>("Menu_LoadSymptomList")->trigger();
    view->findChild<QAction*>("Menu_ExportSymptomList")->trigger();
    QVERIFY(dialogs.shown.empty());
    QCOMPARE(grid->model()->rowCount(), rows);
  }

  void listImportWindowInHerbMode() {
    OpenHerbListImport(*session);
    Input& model = session->Window<Input>();
    auto* view = ViewOf<Frm_Input>(model);
    QVERIFY(view && view->isVisible());
    QCOMPARE(view->windowTitle(), QString("导入单味药"));
    QCOMPARE(view->minimumSize(), view->maximumSize());
    auto* text = view->findChild<QPlainTextEdit*>("Text_Input");
    auto* button = view->findChild<QPushButton*>("Cmd_Input");
    QVERIFY(text && button);
    QCOMPARE(text->geometry(), QRect(Px(120), Px(120), Px(3615), Px(2655)));
    QCOMPARE(button->geometry(), QRect(Px(840), Px(2880), Px(1815), Px(375)));
    QCOMPARE(button->text(), QString("导入列表"));
    QCOMPARE(button->font().pointSizeF(), 12.0);
    QCOMPARE(text->toolTip(), QString("每个记录一行或用逗号隔开"));
    QCOMPARE(Captions(view->menuBar()->actions()), QStringList({"工具(&T)"}));

    // Typed with line breaks, cleaned by the tool menu, then imported.
    text->setPlainText(QStringLiteral("甘草（炙）2两\n 黄芪、人参"));
    QCOMPARE(model.TextInput(), std::string("甘草（炙）2两\r\n 黄芪、人参"));
    view->findChild<QAction*>("Menu_StandardData")->trigger();
    QCOMPARE(text->toPlainText(), QString("甘草， 黄芪，人参"));
    QTest::mouseClick(button, Qt::LeftButton);
    const Grid& herbs = session->Window<DantiAnalysis>().FlexGrid();
    QCOMPARE(herbs.Rows(), 4);
    QCOMPARE(herbs.TextMatrix(2, 0), std::string(" 黄芪"));
  }

  void listImportWindowInFormulaModeHidesTheToolMenu() {
    OpenFormulaListImport(*session);
    auto* view = ViewOf<Frm_Input>(session->Window<Input>());
    QCOMPARE(view->windowTitle(), QString("导入方剂"));
    QVERIFY(Captions(view->menuBar()->actions()).isEmpty());
    auto* text = view->findChild<QPlainTextEdit*>("Text_Input");
    QCOMPARE(text->toPlainText(), QString());  // opening empties the list
    text->setPlainText(QStringLiteral("桂枝汤\n不存在的方名"));
    QTest::mouseClick(view->findChild<QPushButton*>("Cmd_Input"), Qt::LeftButton);
    QCOMPARE(session->Window<FangjiAnalysis>().FlexGrid().Rows(), 2);
  }
};

QTEST_MAIN(AnalysisWindowsTest)
#include "analysis_windows_test.moc"
