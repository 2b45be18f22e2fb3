// The herb network window and the charts on the shipped formulas: the files network tools read,
// the pictures, and that the menus open them.
#include <QApplication>
#include <QImage>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtCharts/QAbstractBarSeries>
#include <QtCharts/QBarSet>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "analysis/formula_set_actions.h"
#include "analysis/network/network_window.h"
#include "analysis/network/ui/frm_herb_network.h"
#include "analysis/symptoms/symptoms_window.h"
#include "app/ui/views.h"
#include "catalog/catalog.h"
#include "common/ui/bar_chart.h"
#include "common/ui/chart_window_view.h"
#include "common/ui/network_picture.h"
#include "common/ui/qt_text.h"
#include "formula/fangji_analysis.h"
#include "herb/danti_analysis.h"
#include "support/fake_ports.h"
#include "support/view_world.h"

using namespace lindora;
using namespace lindora::ui;

namespace {

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Elements by local name, and the sum of one attribute (or of the text of <data key=…>).
struct XmlSummary {
  QString root, version, ns;
  std::map<QString, int> count;
  double weight_sum = 0;
  bool ok = false;
};

XmlSummary ReadXml(const std::filesystem::path& path) {
  XmlSummary s;
  QXmlStreamReader xml(QByteArray::fromStdString(FileBytes(path)));
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const QString name = xml.name().toString();
    if (s.root.isEmpty()) {
      s.root = name;
      s.version = xml.attributes().value("version").toString();
      s.ns = xml.namespaceUri().toString();
    }
    ++s.count[name];
    if (name == "edge" && xml.attributes().hasAttribute("weight"))
      s.weight_sum += xml.attributes().value("weight").toDouble();
    if (name == "data" && xml.attributes().value("key") == QLatin1String("weight"))
      s.weight_sum += xml.readElementText().toDouble();
  }
  s.ok = !xml.hasError();
  return s;
}

}  // namespace

class HerbNetworkTest : public test::ViewWorld {
  Q_OBJECT

  QString shots = qEnvironmentVariable("LINDORA_SCREENSHOT_DIR");

  std::filesystem::path Result(const char* name) { return root / "Result" / name; }

  template <class T>
  T* Child(QWidget* parent, const char* name) {
    T* found = parent->findChild<T*>(name);
    if (!found) qWarning("missing %s", name);
    return found;
  }

 private slots:
  void initTestCase() {
    OpenProgramFolder({"Fangji.DB", "Herb_Name.DB"}, /*formulas_as_result=*/true);
  }

  void formulaMenuDrawsTheNetworkAndWritesItsFiles() {
    FangjiAnalysis& fangji = session->Window<FangjiAnalysis>();
    fangji.InitializeGrid();
    fangji.LoadResults();
    host->ViewOf(fangji)->findChild<QAction*>("Menu_HerbNetwork")->trigger();
    QVERIFY(dialogs.shown.empty());
    HerbNetworkWindow& model = session->Window<HerbNetworkWindow>();
    auto* view = qobject_cast<Frm_HerbNetwork*>(host->ViewOf(model));
    QVERIFY(view && view->isVisible());
    QVERIFY(view->windowTitle().startsWith("药物网络 - 结果集 "));
    const HerbNetwork& net = model.Network();
    QVERIFY(net.nodes.size() >= 30);
    QVERIFY(net.communities >= 2);
    // Herbs without an edge are listed in the legend, not drawn.
    std::size_t linked = 0;
    for (const NetworkNode& n : net.nodes) linked += n.degree > 0 ? 1 : 0;
    QCOMPARE(view->View()->Picture().nodes.size(), linked);
    for (const NetworkNode& n : net.nodes) QCOMPARE(n.community == 0, n.degree == 0);
    auto* grid = Child<FlexGridView>(view, "FlexGrid_Nodes");
    QCOMPARE(grid->model()->rowCount(), static_cast<int>(net.nodes.size()));

    double weights = 0;
    for (const NetworkEdge& e : net.edges) weights += static_cast<double>(e.weight);
    XmlSummary gexf = ReadXml(Result(kNetworkGexf));
    QVERIFY(gexf.ok);
    QCOMPARE(gexf.root, QString("gexf"));
    // 1.2 with its own namespace: the one every common reader accepts
    QCOMPARE(gexf.version, QString("1.2"));
    QCOMPARE(gexf.ns, QString("http://www.gexf.net/1.2draft"));
    QCOMPARE(gexf.count["node"], static_cast<int>(net.nodes.size()));
    QCOMPARE(gexf.count["edge"], static_cast<int>(net.edges.size()));
    QCOMPARE(gexf.count["position"], static_cast<int>(net.nodes.size()));
    QCOMPARE(gexf.count["color"], static_cast<int>(net.nodes.size()));
    QCOMPARE(gexf.weight_sum, weights);
    XmlSummary graphml = ReadXml(Result(kNetworkGraphml));
    QVERIFY(graphml.ok);
    QCOMPARE(graphml.root, QString("graphml"));
    QCOMPARE(graphml.count["node"], static_cast<int>(net.nodes.size()));
    QCOMPARE(graphml.count["edge"], static_cast<int>(net.edges.size()));
    QCOMPARE(graphml.weight_sum, weights);

    const std::string edges = FileBytes(Result(kNetworkEdgeCsv));
    QVERIFY(edges.starts_with("Source,Target,Weight,Type\r\n"));  // no byte-order mark
    const std::string nodes = FileBytes(Result(kNetworkNodeCsv));
    QVERIFY(nodes.starts_with(
        "Id,Label,Frequency,Community,Degree,WeightedDegree,Betweenness,Closeness\r\n"));

    QImage png(QString::fromStdString(Result(kNetworkPng).string()));
    QCOMPARE(png.size(), QSize(kNetworkPictureWidth, kNetworkPictureHeight));
    XmlSummary svg = ReadXml(Result(kNetworkSvg));
    QVERIFY(svg.ok);
    QCOMPARE(svg.root, QString("svg"));

    if (!shots.isEmpty()) QVERIFY(view->grab().save(shots + "/network_window.png"));
  }

  void thresholdControlsRedraw() {
    HerbNetworkWindow& model = session->Window<HerbNetworkWindow>();
    auto* view = qobject_cast<Frm_HerbNetwork*>(host->ViewOf(model));
    Child<QLineEdit>(view, "Text_NodeValue")->setText("10");
    Child<QLineEdit>(view, "Text_EdgeValue")->setText("3");
    Child<QPushButton>(view, "Cmd_Redraw")->click();
    QVERIFY(dialogs.shown.empty());
    QVERIFY(model.Network().nodes.size() >= 10 && model.Network().nodes.size() < 30);
    for (const NetworkEdge& e : model.Network().edges) QVERIFY(e.weight >= 3);
    QVERIFY(view->View()->Picture().nodes.size() <= model.Network().nodes.size());
    Child<QLineEdit>(view, "Text_EdgeValue")->setText("3.5");
    Child<QPushButton>(view, "Cmd_Redraw")->click();
    QCOMPARE(dialogs.Messages(),
             std::vector<std::string>{"边阈值应为 1 到 999999999 之间的整数：3.5"});
    dialogs.shown.clear();
    Child<QLineEdit>(view, "Text_NodeValue")->setText("30");
    Child<QLineEdit>(view, "Text_EdgeValue")->setText("2");
    Child<QPushButton>(view, "Cmd_Redraw")->click();
  }

  void chartsOpenFromTheMenusAndSaveAsPng() {
    QVERIFY(RunDanweiyaoAnalysis(*session) == Outcome::kDone);
    QVERIFY(RunSymptomAnalysis(*session) == Outcome::kDone);
    dialogs.shown.clear();  // the herb count the analysis reports
    struct Case {
      WindowModel* model;
      const char* menu;
      const char* window;
    };
    DantiAnalysis& danti = session->Window<DantiAnalysis>();
    SymptomAnalysisWindow& symptoms = session->Window<SymptomAnalysisWindow>();
    for (Case c : {Case{&danti, "Menu_HerbFrequencyChart", "Chart_HerbFrequency"},
                   Case{&danti, "Menu_HerbTypeChart", "Chart_HerbType"},
                   Case{&symptoms, "Menu_SymptomChart", "Chart_Symptom"}}) {
      QWidget* owner = host->ViewOf(*c.model);
      owner->findChild<QAction*>(c.menu)->trigger();
      QVERIFY2(dialogs.shown.empty(),
               dialogs.shown.empty() ? c.menu : dialogs.shown.front().text.c_str());
      auto* chart = owner->findChild<ChartWindow*>(c.window);
      QVERIFY2(chart && chart->isVisible(), c.window);
      auto series = chart->findChild<QChartView*>()->chart()->series();
      QCOMPARE(series.size(), 1);
      QVERIFY(qobject_cast<QAbstractBarSeries*>(series[0])->barSets()[0]->count() > 1);
      const QString file = dir.filePath(QString(c.window) + ".png");
      QVERIFY(chart->SavePng(file));
      QCOMPARE(QImage(file).size(), QSize(ChartWindow::kPictureWidth, ChartWindow::kPictureHeight));
      if (!shots.isEmpty()) {
        QVERIFY(QFile::copy(file, shots + "/" + c.window + ".png"));
        QVERIFY(chart->grab().save(shots + "/" + c.window + "_window.png"));
      }
      chart->close();
    }
  }

  // Two series side by side share the categories and get a legend, as comparisons need.
  void twoSeriesHaveALegend() {
    BarChart data{.title = "对比",
                  .source = "",
                  .category_axis = "中药",
                  .value_axis = "频数",
                  .categories = {"甘草", "桂枝"},
                  .series = {{"甲组", {3, 1}}, {"乙组", {2, 4}}}};
    std::unique_ptr<QChart> chart(MakeBarChart(data));
    auto* series = qobject_cast<QAbstractBarSeries*>(chart->series()[0]);
    QCOMPARE(series->barSets().size(), 2);
    QCOMPARE(series->barSets()[1]->label(), QString("乙组"));
    QCOMPARE(series->barSets()[1]->at(1), 4.0);
    QVERIFY(chart->legend()->isVisible());
    QImage image = BarChartImage(data, QSize(640, 480));
    QCOMPARE(image.size(), QSize(640, 480));
    QVERIFY(image.pixel(0, 0) == qRgb(255, 255, 255));
  }

  // A crowded centre: no two names overlap, none leaves the picture, every node is named in
  // the picture or numbered and listed below it; zoomed in, nodes out of sight are not listed.
  void labelsNeverOverlap() {
    std::mt19937 rng(6);
    std::normal_distribution<double> spread(0, 1);
    NetworkPicture pic;
    pic.title = "药物网络";
    for (int i = 0; i < 60; ++i) {
      const double scale = i < 25 ? 0.15 : 1.0;  // a dense core and a sparse ring
      pic.nodes.push_back({"药名" + std::to_string(i) + (i % 3 ? "" : "长长的名字"), 60.0 - i,
                           1 + i % 5, spread(rng) * scale, spread(rng) * scale});
    }
    for (std::size_t i = 1; i < pic.nodes.size(); ++i) pic.edges.push_back({0, i, 1.0 + i % 4});
    pic.legend = {"社区1", "社区2", "社区3", "社区4", "社区5"};
    for (QSize size : {QSize(1600, 1200), QSize(800, 600)}) {
      QImage image(size, QImage::Format_ARGB32_Premultiplied);
      QPainter painter(&image);
      std::vector<NetworkLabel> labels;
      QString note;
      PaintNetwork(painter, pic, QRectF(QPointF(0, 0), QSizeF(size)), 1, {}, &labels, &note);
      QCOMPARE(labels.size(), pic.nodes.size());
      std::set<std::size_t> nodes;
      for (std::size_t a = 0; a < labels.size(); ++a) {
        nodes.insert(labels[a].node);
        QVERIFY(QRectF(QPointF(0, 0), QSizeF(size)).contains(labels[a].box));
        if (labels[a].numbered) {
          QVERIFY2(note.contains(labels[a].text + " " + Q(pic.nodes[labels[a].node].label)),
                   qPrintable(note));
          continue;
        }
        QCOMPARE(labels[a].text, Q(pic.nodes[labels[a].node].label));
        for (std::size_t b = a + 1; b < labels.size(); ++b)
          if (!labels[b].numbered)
            QVERIFY2(!labels[a].box.intersects(labels[b].box),
                     qPrintable(labels[a].text + " / " + labels[b].text));
      }
      QCOMPARE(nodes.size(), pic.nodes.size());
    }
    QImage image(QSize(800, 600), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    std::vector<NetworkLabel> labels;
    PaintNetwork(painter, pic, QRectF(0, 0, 800, 600), 8, {}, &labels);
    QVERIFY(labels.size() < pic.nodes.size());
  }
};

QTEST_MAIN(HerbNetworkTest)
#include "herb_network_test.moc"
