// What a user meets with keyboard and mouse: grids that follow the keyboard, windows that hold
// their own content, a notice that can be read to its end, logos that answer the left button.
// LINDORA_SHOTS=DIR keeps pictures of the windows (the user guide's come from here).
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include "analysis/herb_frequency/herb_frequency_window.h"
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
#include "common/ui/flex_grid_view.h"
#include "common/ui/fonts.h"
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
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* v = qobject_cast<FormView*>(w)) views << v;
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

  // Every window a user can open on the shipped data, opened the way the menus open it: on the
  // screen whole (frame included, on whatever screen the platform has), every menu entry as
  // wide as its caption. LINDORA_SCREEN_SHOTS=DIR keeps a picture of the whole screen with each
  // window on top (run it under Xvfb at 1366×768 with a window manager to see the frames).
  void everyWindowFitsTheScreen() {
    Desk d(true);
    Session& s = d.w.session;
    const QString shots = qEnvironmentVariable("LINDORA_SCREEN_SHOTS");
    int taken = 0;
    auto check = [&](const QString& what) {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* view = qobject_cast<FormView*>(w);
        if (!view || !view->isVisible()) continue;
        // On a screen smaller than a 1366×768 laptop less its task bar (the offscreen
        // platform's), the window need only be small enough for the laptop.
        const QRect free = view->screen()->availableGeometry(), frame = view->frameGeometry();
        const QString where = QStringLiteral("%1: %2 at %3,%4 %5×%6 on %7×%8")
                                  .arg(what, view->objectName())
                                  .arg(frame.x())
                                  .arg(frame.y())
                                  .arg(frame.width())
                                  .arg(frame.height())
                                  .arg(free.width())
                                  .arg(free.height());
        // Each way: within the screen where it is at least the laptop's, else no larger than it.
        if (free.width() >= 1366)
          QVERIFY2(frame.left() >= free.left() && frame.right() <= free.right(), qPrintable(where));
        else
          QVERIFY2(frame.width() <= 1366, qPrintable(where));
        if (free.height() >= 728)
          QVERIFY2(frame.top() >= free.top() && frame.bottom() <= free.bottom(), qPrintable(where));
        else
          QVERIFY2(frame.height() <= 728, qPrintable(where));
        for (QMenu* menu : view->findChildren<QMenu*>()) {
          const QFontMetrics m(menu->font());
          for (QAction* a : menu->actions()) {
            if (a->isSeparator() || !a->isVisible()) continue;
            const QString text = QString(a->text()).remove('&');
            QVERIFY2(menu->sizeHint().width() > m.horizontalAdvance(text),
                     qPrintable(view->objectName() + " cuts " + text));
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
    check("formula");
    for (const AnalysisDescriptor& a : s.Analyses()) {
      if (!a.open) continue;
      a.open(s);
      check(QString::fromStdString(a.key));
    }
    fangji.Menu_AnalysisReport_Click();
    check("report");
    DantiAnalysis& danti = s.Window<DantiAnalysis>();
    fangji.Menu_DanweiyaoAnalysis_Click();
    danti.Menu_HerbFrequencyChart_Click();
    check("chart");
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
  WindowUseTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "window_use_test.moc"
