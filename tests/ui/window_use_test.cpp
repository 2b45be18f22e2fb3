// What a user meets with keyboard and mouse: grids that follow the keyboard, windows that hold
// their own content, a notice that can be read to its end, logos that answer the left button.
// LINDORA_SHOTS=DIR keeps pictures of the windows (the user guide's come from here).
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPaintEngine>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChartView>
#include <QtTest>

#include "analysis/compare_sets/compare_sets_window.h"
#include "analysis/doses/doses_window.h"
#include "analysis/herb_frequency/herb_frequency_window.h"
#include "analysis/herb_properties/herb_properties_window.h"
#include "analysis/result_sets.h"
#include "analysis/symptoms/symptoms_window.h"
#include "app/input.h"
#include "app/main_window.h"
#include "app/msg.h"
#include "app/ui/views.h"
#include "chem/active_component.h"
#include "chem/chem_analysis.h"
#include "chem/herb_chem_actions.h"
#include "chem/ui/picture_file.h"
#include "chem/ui/qt_converter.h"
#include "common/analysis_list.h"
#include "common/files.h"
#include "common/text.h"
#include "common/ui/chart_window_view.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/fonts.h"
#include "common/ui/menu_style.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"
#include "formula/fangji_analysis.h"
#include "herb/danti_analysis.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

using namespace lindora;
using namespace lindora::ui;
namespace fs = std::filesystem;

namespace {

void Shot(QWidget* view, const QString& name) {
  if (const char* dir = std::getenv("LINDORA_SHOTS")) {
    QTest::qWait(100);
    view->grab().save(QString(dir) + "/" + name);
  }
}

// The texts a widget draws, as its paint engine is handed them (a label elided to "…" is drawn
// as such; an underlined mnemonic splits the text where it stands, joined again here).
class TextRecorder : public QPaintDevice {
 public:
  QStringList Texts() const {
    QStringList texts;
    for (const QStringList& line : engine_.lines) texts << line.join("");
    return texts;
  }

 protected:
  QPaintEngine* paintEngine() const override { return &engine_; }
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth:
      case PdmHeight: return 4000;
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY: return 96;
      case PdmDepth: return 32;
      case PdmDevicePixelRatio: return 1;
      case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
      default: return 0;
    }
  }

 private:
  struct Engine : QPaintEngine {
    Engine() : QPaintEngine(AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPath(const QPainterPath&) override {}
    Type type() const override { return User; }
    // Pieces on one baseline belong to one text.
    void drawTextItem(const QPointF& at, const QTextItem& item) override {
      if (lines.isEmpty() || at.y() != last_y) lines.append(QStringList());
      lines.last() << item.text();
      last_y = at.y();
    }
    QList<QStringList> lines;
    qreal last_y = -1;
  };
  mutable Engine engine_;
};

QStringList TextsDrawn(QWidget* widget) {
  TextRecorder recorder;
  widget->render(&recorder);
  return recorder.Texts();
}

// A session with its views on a scratch folder, if asked on a copy of the shipped data; the
// views are deleted while the session still lives.
struct Desk {
  explicit Desk(bool shipped_data = false) {
    RegisterViews(host);
    if (shipped_data)
      for (const char* folder : {"DB", "docs"})  // the data and the guide
        fs::copy(fs::path(LINDORA_BIN_DIR) / folder, f / folder, fs::copy_options::recursive);
    fs::create_directories(f / "exe");
  }
  ~Desk() {
    QList<QPointer<FormView>> views;
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* v = qobject_cast<FormView*>(top)) views << v;
    qDeleteAll(views);
  }
  FormView* View(const WindowModel& m) const { return host.ViewOf(m); }
  QAction* Find(const WindowModel& m, const char* name) const {
    return View(m)->findChild<QAction*>(name);
  }
  test::TestFolder f;
  QtConverter converter;
  test::FakeWorld w{f.root(), &converter};
  ViewHost host{w.session};
};

// Shows the window, clicks the grid's first cell, then presses each key and checks after
// each one that the model's current cell and selected row are the highlighted cell.
void DriveKeys(FormView* view, const Grid& grid, const QList<Qt::Key>& keys, bool click = true) {
  view->show();
  QVERIFY(QTest::qWaitForWindowExposed(view));
  auto* grid_view = view->findChild<FlexGridView*>("FlexGrid");
  grid_view->setFocus();
  if (click) {
    QRect first = grid_view->visualRect(grid_view->model()->index(0, 0));
    QTest::mouseClick(grid_view->viewport(), Qt::LeftButton, {}, first.center());
  }
  for (Qt::Key key : keys) {
    QTest::keyClick(grid_view, key);
    const QModelIndex shown = grid_view->currentIndex();
    QCOMPARE(grid.Row(), shown.row() + 1);
    QCOMPARE(grid.RowSel(), shown.row() + 1);
    QCOMPARE(grid.Col(), shown.column());
  }
}

}  // namespace

class WindowUseTest : public QObject {
  Q_OBJECT
 private slots:
  void keyboardInFormulaAndHerbGridsMovesWhatThePopUpActsOn() {
    Desk d;
    d.f.WriteLines("DB/Fangji.DB", {"甲方\t麻黄3两\t发热", "乙方\t麻黄1两，桂枝2两\t恶寒",
                                    "丙方\t麻黄2两，甘草1两\t咳喘", "丁方\t石膏\t大渴"});
    d.f.WriteLines("DB/Herb_Name.DB", {"0\t0\t中药名\tpinyin\t", "1\t1\t麻黄\tMahuang\t",
                                       "2\t2\t桂枝\tGuizhi\t", "3\t3\t甘草\tGancao\t"});
    FangjiAnalysis& fangji = d.w.session.Window<FangjiAnalysis>();
    fangji.SetTextInput("麻黄");
    fangji.Cmd_Search_Text_Click();
    DriveKeys(d.View(fangji), fangji.FlexGrid(),
              {Qt::Key_Down, Qt::Key_Tab, Qt::Key_End, Qt::Key_Home, Qt::Key_PageDown, Qt::Key_Up,
               Qt::Key_Right});
    QCOMPARE(fangji.FlexGrid().TextMatrix(fangji.FlexGrid().Row(), 0), std::string("乙方"));
    const std::string composition = fangji.FlexGrid().TextMatrix(2, 1);
    d.Find(fangji, "Menu_CopyIngredient")->trigger();
    QCOMPARE(d.w.clipboard.text, composition);
    d.Find(fangji, "Menu_SearchBaidu")->trigger();
    QVERIFY(EndsWith(d.w.urls.opened.at(0), composition));

    DantiAnalysis& danti = d.w.session.Window<DantiAnalysis>();
    danti.SetTextInput("麻黄 桂枝 甘草");
    danti.Cmd_Search_Text_Click();
    DriveKeys(d.View(danti), danti.FlexGrid(), {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up});
    d.Find(danti, "Menu_GetHerbType")->trigger();
    QVERIFY(StartsWith(d.w.dialogs.Messages().at(0), "“桂枝”的中药类型"));
  }

  // With the real converter: the highlighted compound is always the one drawn, whole.
  void keyboardInTheCompoundGridDrawsTheHighlightedRow() {
    Desk d(true);
    QCOMPARE(ShowHerbIngredients(d.w.session, "甘草"), Outcome::kDone);
    ChemAnalysis& chem = d.w.session.Window<ChemAnalysis>();
    auto drawn = [&] { return ReadLines(d.f / "exe/temp.smiles").at(0); };
    auto smiles = [&](int row) {
      return chem.FlexGrid().TextMatrix(row, ChemAnalysis::kSmilesCol);
    };
    // After the list the highlighted row is the one whose structure is drawn.
    QCOMPARE(d.View(chem)->findChild<FlexGridView*>("FlexGrid")->currentIndex().row(), 0);
    QCOMPARE(drawn(), smiles(1));
    const int serial = chem.PicMol().serial;
    DriveKeys(d.View(chem), chem.FlexGrid(), {Qt::Key_Down, Qt::Key_Down}, false);
    QCOMPARE(drawn(), smiles(3));
    QCOMPARE(chem.PicMol().serial, serial + 2);
    auto* pic = d.View(chem)->findChild<PictureBox*>("Pic_Mol");
    QCOMPARE(pic->pixmap().size(), pic->size());
    Shot(d.View(chem), "structure.png");
    d.Find(chem, "Menu_SearchPubChem")->trigger();
    QVERIFY(EndsWith(d.w.urls.opened.at(0), smiles(3)));
    QCOMPARE(d.w.dialogs.Messages().size(), std::size_t{1});  // the count of the list only
  }

  void everyWindowHoldsItsGridsAndControlsWhole() {
    Desk d;
    Session& s = d.w.session;
    for (WindowModel* m : std::initializer_list<WindowModel*>{
             &s.Window<Main>(), &s.Window<Msg>(), &s.Window<Input>(), &s.Window<FangjiAnalysis>(),
             &s.Window<YaoduiAnalysisWindow>(), &s.Window<SymptomAnalysisWindow>(),
             &s.Window<DantiAnalysis>(), &s.Window<ChemAnalysis>(), &s.Window<ActiveComponent>()}) {
      FormView* view = d.View(*m);
      view->show();
      QVERIFY(QTest::qWaitForWindowExposed(view));
      QWidget* central = view->centralWidget();
      QVERIFY(view->rect().contains(central->geometry()));
      for (QWidget* child : central->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QVERIFY2(!child->isVisibleTo(central) || central->rect().contains(child->geometry()),
                 qPrintable(view->objectName() + " " + child->objectName()));
      }
    }
  }

  // Every window a user can open on the shipped data, opened the way the menus open it and
  // after the actions that fill or grow it: on the screen whole (frame included, on whatever
  // screen the platform has), every menu entry drawn whole, every name of a chart's category
  // axis drawn whole (maximised too). LINDORA_SCREEN_SHOTS=DIR keeps a picture of the whole
  // screen with each window on top (run it under Xvfb at 1366×768 with a window manager to see
  // the frames).
  void everyWindowFitsTheScreen() {
    Desk d(true);
    Session& s = d.w.session;
    const QString shots = qEnvironmentVariable("LINDORA_SCREEN_SHOTS");
    int taken = 0;
    QStringList faults;  // all of them, in the order met
    auto expect = [&](bool ok, const QString& fault) {
      if (!ok) faults << fault;
    };
    auto check = [&](const QString& what) {
      QTest::qWait(50);  // the charts lay out their axes
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<QMainWindow*>(w);
        if (!window || !window->isVisible()) continue;
        // On a screen smaller than a 1366×768 laptop less its task bar (the offscreen
        // platform's), the window need only be small enough for the laptop.
        const QRect free = window->screen()->availableGeometry(), frame = window->frameGeometry();
        const QString where = QStringLiteral("%1: %2 at %3,%4 %5×%6 on %7×%8")
                                  .arg(what, window->objectName())
                                  .arg(frame.x())
                                  .arg(frame.y())
                                  .arg(frame.width())
                                  .arg(frame.height())
                                  .arg(free.width())
                                  .arg(free.height());
        // Each way: within the screen where it is at least the laptop's, else no larger than it
        // (a maximised window is the screen's, its border maybe just past the edges).
        const bool maximised = window->isMaximized();
        if (free.width() >= 1366)
          expect(maximised || (frame.left() >= free.left() && frame.right() <= free.right()),
                 where);
        else
          expect(frame.width() <= 1366, where);
        if (free.height() >= 728)
          expect(maximised || (frame.top() >= free.top() && frame.bottom() <= free.bottom()),
                 where);
        else
          expect(frame.height() <= 728, where);
        for (QMenu* menu : window->findChildren<QMenu*>()) {
          menu->resize(menu->sizeHint());
          const QStringList drawn = TextsDrawn(menu);
          for (QAction* a : menu->actions()) {
            if (a->isSeparator() || !a->isVisible()) continue;
            const QString text = QString(a->text()).remove('&');
            expect(drawn.contains(text), where + " draws " + drawn.join(" / ") + " for " + text);
          }
        }
        for (QChartView* view : window->findChildren<QChartView*>()) {
          if (!view->isVisible() || !view->chart()) continue;
          QStringList shown;
          for (QGraphicsItem* item : view->scene()->items())
            if (auto* label = dynamic_cast<QGraphicsTextItem*>(item); label && label->isVisible())
              shown << label->toPlainText();
          for (QAbstractAxis* axis : view->chart()->axes()) {
            QStringList names;
            if (auto* bars = qobject_cast<QBarCategoryAxis*>(axis)) names = bars->categories();
            if (auto* boxes = qobject_cast<QCategoryAxis*>(axis)) names = boxes->categoriesLabels();
            if (!axis->isVisible() || !axis->labelsVisible()) names.clear();
            for (const QString& name : names)
              expect(shown.contains(name), where + " " + view->objectName() + " lacks " + name);
          }
        }
      }
      if (!shots.isEmpty()) {
        QTest::qWait(300);
        QApplication::primaryScreen()->grabWindow(0).save(
            QStringLiteral("%1/%2_%3.png").arg(shots).arg(++taken, 2, 10, QChar('0')).arg(what));
      }
    };
    Main& main = s.Window<Main>();
    main.Show();
    check("main");
    main.Menu_DataSource_Click();
    check("notice");
    s.FindWindow<Msg>()->Hide();
    FangjiAnalysis& fangji = s.Window<FangjiAnalysis>();
    fangji.Show();
    fangji.SetTextInput("桂枝 甘草");
    QCOMPARE(fangji.Cmd_Search_Text_Click(), Outcome::kDone);
    QCOMPARE(SaveResultSet(s, "桂枝甘草"), Outcome::kDone);
    fangji.SetTextInput("麻黄 OR 附子");
    QCOMPARE(fangji.Cmd_Search_Text_Click(), Outcome::kDone);
    check("formula");
    for (const AnalysisDescriptor& a : s.Analyses()) {
      if (!a.open) continue;
      a.open(s);
      check(QString::fromStdString(a.key));
    }
    // The actions that fill a window further: a comparison with its doses, the box plot of
    // the 20 most used herbs, the meridians' tab.
    CompareSetsWindow& compare = s.Window<CompareSetsWindow>();
    compare.SetSetB("桂枝甘草");
    compare.SetCompareDoses(true);
    QCOMPARE(compare.Cmd_Compare_Click(), Outcome::kDone);
    check("compared");
    DosesWindow& doses = s.Window<DosesWindow>();
    doses.SetTopText("20");
    QCOMPARE(doses.Analyse(), Outcome::kDone);
    QCOMPARE(doses.Result().box_plot.boxes.size(), std::size_t{20});
    check("box-plot");
    d.View(s.Window<HerbPropertiesWindow>())->findChild<QTabWidget*>()->setCurrentIndex(2);
    d.View(s.Window<HerbPropertiesWindow>())->showMaximized();
    check("meridians");
    fangji.Menu_AnalysisReport_Click();
    check("report");
    DantiAnalysis& danti = s.Window<DantiAnalysis>();
    fangji.Menu_DanweiyaoAnalysis_Click();
    danti.Menu_HerbFrequencyChart_Click();
    check("chart");
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<ChartWindow*>(w) && w->isVisible()) w->showMaximized();
    check("chart-maximised");
    s.Window<SymptomAnalysisWindow>().Menu_SymptomChart_Click();
    check("symptom-chart");
    danti.FlexGrid().SetRow(1);
    danti.FlexGrid().SetCol(0);
    danti.Menu_IngredientAnalysis_Click();
    check("chem");
    ChemAnalysis& chem = s.Window<ChemAnalysis>();
    chem.Menu_FindAnticancer_Click();
    check("active");
    chem.Menu_IngredientScreening_Click();
    check("screening");
    QCOMPARE(main.Menu_Tutorials_Click(), Outcome::kDone);
    check("help");
    main.Menu_AboutAuthor_Click();
    check("about");
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join("\n")));
  }

  void theWholeNoticeCanBeRead() {
    Desk d;
    d.w.session.Window<Main>().Menu_DataSource_Click();
    FormView* view = d.View(*d.w.session.FindWindow<Msg>());
    QVERIFY(QTest::qWaitForWindowExposed(view));
    auto* label = view->findChild<QLabel*>("Label1");
    auto* area = view->findChild<QScrollArea*>();
    QCOMPARE(label->font(), UiFont());
    QCOMPARE(area->geometry(), QRect(Px(240), Px(240), Px(7095), Px(2775)));
    // The label is as tall as its wrapped text; what the area cannot show, it scrolls to.
    QVERIFY(label->height() >= label->heightForWidth(label->width()));
    QVERIFY(label->width() <= area->viewport()->width());
    QCOMPARE(area->verticalScrollBar()->maximum(),
             std::max(0, label->height() - area->viewport()->height()));
    Shot(view, "notice.png");
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    Shot(view, "notice_end.png");
  }

  void logosOpenTheirSiteOnTheLeftButtonOnly() {
    Desk d;
    FormView* view = d.View(d.w.session.Window<Main>());
    auto* logo = view->findChild<QLabel*>("Image_gjkj");
    QTest::mouseClick(logo, Qt::RightButton);
    QTest::mouseClick(logo, Qt::MiddleButton);
    QVERIFY(d.w.urls.opened.empty());
    QTest::mouseClick(logo, Qt::LeftButton);
    QCOMPARE(d.w.urls.opened.size(), std::size_t{1});
  }

  // The user guide's worked example, window by window, on the shipped data.
  void workedExampleOfTheGuide() {
    Desk d(true);
    Session& s = d.w.session;
    auto shown = [&](WindowModel& m, const char* shot, int rows) {
      QVERIFY(QTest::qWaitForWindowExposed(d.View(m)));
      QVERIFY(rows > 1);
      Shot(d.View(m), QString("guide_") + shot + ".png");
    };
    Main& main = s.Window<Main>();
    main.Show();
    shown(main, "main", 2);
    main.Menu_DataSource_Click();
    shown(*s.FindWindow<Msg>(), "notice", 2);
    main.Menu_LoadFangjiList_Click();
    shown(*s.FindWindow<Input>(), "input", 2);
    FangjiAnalysis& fangji = s.Window<FangjiAnalysis>();
    fangji.Show();
    fangji.SetTextInput("桂枝 甘草");
    fangji.Cmd_Search_Text_Click();
    shown(fangji, "formula", fangji.FlexGrid().Rows());
    fangji.Menu_DanweiyaoAnalysis_Click();
    DantiAnalysis& danti = *s.FindWindow<DantiAnalysis>();
    shown(danti, "herbs", danti.FlexGrid().Rows());
    fangji.Menu_YaoduiAnalysis_Click();
    shown(*s.FindWindow<YaoduiAnalysisWindow>(), "pairs",
          s.FindWindow<YaoduiAnalysisWindow>()->FlexGrid(1).Rows());
    fangji.Menu_SympotomAnalysis_Click();
    shown(*s.FindWindow<SymptomAnalysisWindow>(), "symptoms",
          s.FindWindow<SymptomAnalysisWindow>()->FlexGridSymptom().Rows());
    danti.FlexGrid().SetRow(1);  // the most frequent herb's name, as a click selects it
    danti.FlexGrid().SetCol(0);
    danti.Menu_IngredientAnalysis_Click();
    ChemAnalysis& chem = *s.FindWindow<ChemAnalysis>();
    shown(chem, "chem", chem.FlexGrid().Rows());
    chem.Menu_FindAnticancer_Click();
    shown(*s.FindWindow<ActiveComponent>(), "active",
          s.FindWindow<ActiveComponent>()->FlexGrid().Rows());
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstallFontSubstitutions();
  InstallMenuStyle();
  WindowUseTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "window_use_test.moc"
