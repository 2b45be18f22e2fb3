// The clustering window on the shipped formulas: opened from the formula window's menu and the
// grid's pop-up, its three tabs filled through their controls, the dendrogram saved.
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "analysis/herb_clustering/herb_clustering_window.h"
#include "analysis/herb_clustering/ui/frm_herb_clustering.h"
#include "app/ui/views.h"
#include "catalog/catalog.h"
#include "formula/fangji_analysis.h"
#include "support/fake_ports.h"
#include "support/view_world.h"

using namespace lindora;
using namespace lindora::ui;

class HerbClusteringTest : public test::ViewWorld {
  Q_OBJECT

  QString shots = qEnvironmentVariable("LINDORA_SCREENSHOT_DIR");

  template <class T>
  T* Child(QWidget* parent, const char* name) {
    T* found = parent->findChild<T*>(name);
    if (!found) qWarning("missing %s", name);
    return found;
  }
  Frm_HerbClustering* View() {
    return qobject_cast<Frm_HerbClustering*>(host->ViewOf(session->Window<HerbClusteringWindow>()));
  }
  void Shot(const char* name) {
    if (!shots.isEmpty()) QVERIFY(View()->grab().save(shots + "/" + name));
  }

 private slots:
  void initTestCase() {
    OpenProgramFolder({"Fangji.DB", "Herb_Name.DB"}, /*formulas_as_result=*/true);
  }

  void menuOpensTheHerbTree() {
    FangjiAnalysis& fangji = session->Window<FangjiAnalysis>();
    fangji.InitializeGrid();
    fangji.LoadResults();
    host->ViewOf(fangji)->findChild<QAction*>("Menu_HerbClustering")->trigger();
    QVERIFY2(dialogs.shown.empty(), dialogs.shown.empty() ? "" : dialogs.shown[0].text.c_str());
    Frm_HerbClustering* view = View();
    QVERIFY(view && view->isVisible());
    QCOMPARE(view->windowTitle(), QString("聚类分析"));
    QCOMPARE(view->Tabs()->count(), 3);
    const HerbClustering& c = session->Window<HerbClusteringWindow>().Herbs();
    QVERIFY(c.herbs.size() >= 30);
    QCOMPARE(view->Tree()->Picture().labels.size(), c.herbs.size());
    QCOMPARE(view->Tree()->Picture().links.size(), c.herbs.size() - 1);
    QCOMPARE(Child<FlexGridView>(view, "FlexGrid_Herbs")->model()->rowCount(),
             static_cast<int>(c.herbs.size()));
    QCOMPARE(QImage(QString::fromStdString((root / "Result" / kHerbTreePng).string())).width(),
             kDendrogramWidth);
    view->resize(1360, 760);
    Shot("clustering_herbs.png");

    // Ward with the Jaccard distance is refused and the tree stays.
    Child<QComboBox>(view, "Combo_Linkage")->setCurrentIndex(3);
    Child<QPushButton>(view, "Cmd_ClusterHerbs")->click();
    QCOMPARE(dialogs.Messages(),
             std::vector<std::string>{"Ward 法只能与平方欧氏距离（euclidean）一起使用。"});
    dialogs.shown.clear();
    QCOMPARE(view->Tree()->Picture().labels.size(), c.herbs.size());
    Child<QComboBox>(view, "Combo_Distance")->setCurrentIndex(1);
    Child<QPushButton>(view, "Cmd_ClusterHerbs")->click();
    QVERIFY(dialogs.shown.empty());
    QCOMPARE(session->Window<HerbClusteringWindow>().Herbs().options.linkage, Linkage::kWard);
    Child<QComboBox>(view, "Combo_Distance")->setCurrentIndex(0);
    Child<QComboBox>(view, "Combo_Linkage")->setCurrentIndex(0);
    Child<QPushButton>(view, "Cmd_ClusterHerbs")->click();
  }

  void popupFindsSimilarFormulasAndTheClustersFollow() {
    FangjiAnalysis& fangji = session->Window<FangjiAnalysis>();
    fangji.FlexGrid().SetRowSel(1);  // 桂枝汤, the first record
    host->ViewOf(fangji)->findChild<QAction*>("Menu_SimilarFormulas")->trigger();
    QVERIFY(dialogs.shown.empty());
    Frm_HerbClustering* view = View();
    QCOMPARE(view->Tabs()->currentIndex(), 1);
    Grid& similar = session->Window<HerbClusteringWindow>().SimilarGrid();
    QVERIFY(similar.Rows() == 21);
    QCOMPARE(similar.TextMatrix(0, 1), std::string("方剂"));
    QCOMPARE(similar.TextMatrix(1, 2), std::string("1.0000"));  // 桂枝加桂汤: the same herbs
    Child<QPushButton>(view, "Cmd_ClusterFormulas")->click();
    QVERIFY(dialogs.shown.empty());
    QVERIFY(session->Window<HerbClusteringWindow>().FormulaClusterGrid().Rows() > 100);
    Shot("clustering_formulas.png");
  }

  void coreCombinationsTab() {
    Frm_HerbClustering* view = View();
    Child<QComboBox>(view, "Combo_Size")->setCurrentIndex(0);
    Child<QPushButton>(view, "Cmd_CoreCombinations")->click();
    QVERIFY(dialogs.shown.empty());
    HerbClusteringWindow& model = session->Window<HerbClusteringWindow>();
    QCOMPARE(view->Tabs()->currentIndex(), 2);
    QVERIFY(model.CoreGrid().Rows() > 2);
    QVERIFY(model.CandidateGrid().Rows() > 1);
    QVERIFY(model.InformationGrid().Rows() > model.CoreGrid().Rows());
    Shot("clustering_core.png");
    Child<QLineEdit>(view, "Text_MinAssociation")->setText("1.5");
    Child<QPushButton>(view, "Cmd_CoreCombinations")->click();
    QCOMPARE(dialogs.Messages().size(), std::size_t{1});
    dialogs.shown.clear();
  }
};

QTEST_MAIN(HerbClusteringTest)
#include "herb_clustering_test.moc"
