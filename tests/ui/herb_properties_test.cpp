// The nature, flavour and meridian window on the shipped formulas: the formula window's menu
// opens it, its grids hold every category, its radar charts are polar charts with one spoke per
// flavour or meridian.
#include "herb/herb_properties.h"

#include <QTabWidget>
#include <QTemporaryDir>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChartView>
#include <QtCharts/QPolarChart>
#include <QtTest>
#include <filesystem>

#include "analysis/herb_properties/herb_properties_window.h"
#include "analysis/herb_properties/ui/frm_herb_properties.h"
#include "app/ui/views.h"
#include "catalog/catalog.h"
#include "formula/fangji_analysis.h"
#include "support/fake_ports.h"
#include "support/view_world.h"

using namespace lindora;
using namespace lindora::ui;

class HerbPropertiesWindowTest : public test::ViewWorld {
  Q_OBJECT

 private slots:
  void initTestCase() {
    OpenProgramFolder({"Fangji.DB", "Herb_Name.DB", "Herb_Property.DB"},
                      /*formulas_as_result=*/true);
  }

  void formulaMenuShowsTablesAndCharts() {
    FangjiAnalysis& fangji = session->Window<FangjiAnalysis>();
    fangji.InitializeGrid();
    fangji.LoadResults();
    host->ViewOf(fangji)->findChild<QAction*>("Menu_HerbProperties")->trigger();
    QVERIFY(dialogs.shown.empty());
    HerbPropertiesWindow& model = session->Window<HerbPropertiesWindow>();
    auto* view = qobject_cast<Frm_HerbProperties*>(host->ViewOf(model));
    QVERIFY(view && view->isVisible());
    QCOMPARE(view->windowTitle(), QString("性味归经分析"));
    QCOMPARE(view->findChild<QTabWidget*>("Tab_Properties")->count(), 4);
    // Every category and the row of herbs without data, below the header.
    QCOMPARE(model.FlexGridMeridians().Rows(), static_cast<int>(kMeridians.size()) + 2);
    QCOMPARE(model.FlexGridNatures().Rows(), static_cast<int>(kNatures.size()) + 2);
    QVERIFY(model.FlexGridToxic().Rows() > 1);
    QVERIFY(std::filesystem::file_size(root / "Result" / "性味归经.csv") > 0);

    const std::pair<const char*, std::size_t> radars[] = {
        {"Chart_FlavourRadar", kFlavours.size()}, {"Chart_MeridianRadar", kMeridians.size()}};
    for (const auto& [name, spokes] : radars) {
      auto* chart = qobject_cast<QPolarChart*>(view->findChild<QChartView*>(name)->chart());
      QVERIFY2(chart, name);
      auto axes = chart->axes(QPolarChart::PolarOrientationAngular);
      QCOMPARE(axes.size(), 1);
      QCOMPARE(static_cast<std::size_t>(qobject_cast<QCategoryAxis*>(axes[0])->count()), spokes);
    }
    const QString shots = qEnvironmentVariable("LINDORA_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
      auto* tabs = view->findChild<QTabWidget*>("Tab_Properties");
      for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        view->grab().save(shots + QString("/herb_properties_%1.png").arg(i));
      }
    }
  }
};

QTEST_MAIN(HerbPropertiesWindowTest)
#include "herb_properties_test.moc"
