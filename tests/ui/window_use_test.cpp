// What a user meets with keyboard and mouse: grids that follow the keyboard, windows that hold
// their own content, a notice that can be read to its end, logos that answer the left button.
// LINDORA_SHOTS=DIR keeps screenshots of the notice, the symptom window and a structure.
#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include "analysis/symptom_analysis_window.h"
#include "analysis/yaodui_analysis_window.h"
#include "app/input.h"
#include "app/main_window.h"
#include "app/msg.h"
#include "app/ui/views.h"
#include "chem/active_component.h"
#include "chem/chem_analysis.h"
#include "chem/herb_chem_actions.h"
#include "chem/ui/picture_file.h"
#include "chem/ui/qt_converter.h"
#include "common/files.h"
#include "common/text.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/twips.h"
#include "formula/fangji_analysis.h"
#include "herb/danti_analysis.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

using namespace lindora;
using namespace lindora::ui;

namespace {

void Shot(QWidget* view, const char* name) {
  if (const char* dir = std::getenv("LINDORA_SHOTS")) {
    QTest::qWait(100);
    view->grab().save(QString(dir) + "/" + name);
  }
}

// Presses each key on the grid and checks after each one that the model's current cell and
// selected row are the highlighted cell.
void DriveKeys(FlexGridView* view, const Grid& grid, const QList<Qt::Key>& keys) {
  for (Qt::Key key : keys) {
    QTest::keyClick(view, key);
    const QModelIndex shown = view->currentIndex();
    QVERIFY(shown.isValid());
    QCOMPARE(grid.Row(), shown.row() + 1);
    QCOMPARE(grid.RowSel(), shown.row() + 1);
    QCOMPARE(grid.Col(), shown.column());
  }
}

FlexGridView* ShownGrid(FormView* view, const char* name = "FlexGrid") {
  view->show();
  view->activateWindow();
  auto* grid = view->findChild<FlexGridView*>(name);
  if (grid) grid->setFocus();
  return grid;
}

// Deletes the views of every open window while the session still lives.
void DeleteViews(ViewHost& host, Session& s) {
  auto drop = [&](WindowModel* m) {
    if (m) delete host.ViewOf(*m);
  };
  drop(s.FindWindow<Main>());
  drop(s.FindWindow<Msg>());
  drop(s.FindWindow<Input>());
  drop(s.FindWindow<FangjiAnalysis>());
  drop(s.FindWindow<YaoduiAnalysisWindow>());
  drop(s.FindWindow<SymptomAnalysisWindow>());
  drop(s.FindWindow<DantiAnalysis>());
  drop(s.FindWindow<ChemAnalysis>());
  drop(s.FindWindow<ActiveComponent>());
}

}  // namespace

class WindowUseTest : public QObject {
  Q_OBJECT
 private slots:
  void keyboardInFormulaAndHerbGridsMovesWhatThePopUpActsOn() {
    test::TestFolder f;
    f.WriteLines("DB/Fangji.DB", {"甲方\t麻黄3两\t发热", "乙方\t麻黄1两，桂枝2两\t恶寒",
                                  "丙方\t麻黄2两，甘草1两\t咳喘", "丁方\t石膏\t大渴"});
    f.WriteLines("DB/Herb_Name.DB", {"0\t0\t中药名\tpinyin\t", "1\t1\t麻黄\tMahuang\t",
                                     "2\t2\t桂枝\tGuizhi\t", "3\t3\t甘草\tGancao\t"});
    test::FakeWorld w(f.root());
    ViewHost host(w.session);
    RegisterViews(host);

    FangjiAnalysis& fangji = w.session.Window<FangjiAnalysis>();
    fangji.Show();
    fangji.SetTextInput("麻黄");
    fangji.Cmd_Search_Text_Click();
    QCOMPARE(fangji.FlexGrid().Rows(), 4);
    FlexGridView* formulas = ShownGrid(host.ViewOf(fangji));
    QVERIFY(QTest::qWaitForWindowExposed(host.ViewOf(fangji)));
    QTest::mouseClick(formulas->viewport(), Qt::LeftButton, {},
                      formulas->visualRect(formulas->model()->index(0, 0)).center());
    DriveKeys(formulas, fangji.FlexGrid(), {Qt::Key_Down, Qt::Key_Tab, Qt::Key_End, Qt::Key_Home});
    DriveKeys(formulas, fangji.FlexGrid(), {Qt::Key_PageDown, Qt::Key_Up, Qt::Key_Right});
    QCOMPARE(fangji.FlexGrid().Row(), 2);
    QCOMPARE(fangji.FlexGrid().TextMatrix(2, 0), std::string("乙方"));
    const std::string composition = fangji.FlexGrid().TextMatrix(2, 1);
    QVERIFY(composition.find("桂枝") != std::string::npos);
    host.ViewOf(fangji)->findChild<QAction*>("Menu_CopyIngredient")->trigger();
    QCOMPARE(w.clipboard.text, composition);
    host.ViewOf(fangji)->findChild<QAction*>("Menu_SearchBaidu")->trigger();
    QVERIFY(!w.urls.opened.empty());
    QVERIFY(EndsWith(w.urls.opened.back(), composition));

    DantiAnalysis& danti = w.session.Window<DantiAnalysis>();
    danti.Show();
    danti.SetText_Input("麻黄 桂枝 甘草");
    danti.Cmd_Search_Text_Click();
    FlexGridView* herbs = ShownGrid(host.ViewOf(danti));
    QTest::mouseClick(herbs->viewport(), Qt::LeftButton, {},
                      herbs->visualRect(herbs->model()->index(0, 0)).center());
    DriveKeys(herbs, danti.FlexGrid(), {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up});
    host.ViewOf(danti)->findChild<QAction*>("Menu_GetHerbType")->trigger();
    QVERIFY(!w.dialogs.Messages().empty());
    QVERIFY2(StartsWith(w.dialogs.Messages().back(), "“桂枝”"),
             w.dialogs.Messages().back().c_str());
    DeleteViews(host, w.session);
  }

  // The shipped data with the real converter: the highlighted compound is the one drawn.
  void keyboardInTheCompoundGridDrawsTheHighlightedRow() {
    QtConverter converter;
    test::FakeDialogs dialogs;
    test::FakeUrlOpener urls;
    test::FakeClipboard clipboard;
    Session session(LINDORA_BIN_DIR, Ports{&dialogs, &urls, &clipboard, &converter});
    ViewHost host(session);
    RegisterViews(host);
    QVERIFY(ShowHerbIngredients(session, "甘草"));
    ChemAnalysis& chem = session.Window<ChemAnalysis>();
    QVERIFY(chem.FlexGrid().Rows() > 3);
    FlexGridView* compounds = ShownGrid(host.ViewOf(chem));
    auto drawn = [&] { return Trim(ReadLines(session.Path("\\exe\\temp.smiles")).at(0)); };
    // After the list the highlighted row is the one whose structure is drawn.
    QCOMPARE(compounds->currentIndex().row(), 0);
    QCOMPARE(drawn(), chem.FlexGrid().TextMatrix(1, ChemAnalysis::kSmilesCol));
    const int serial = chem.PicMol().serial;
    DriveKeys(compounds, chem.FlexGrid(), {Qt::Key_Down, Qt::Key_Down});
    QCOMPARE(drawn(), chem.FlexGrid().TextMatrix(3, ChemAnalysis::kSmilesCol));
    QCOMPARE(chem.PicMol().serial, serial + 2);
    // The structure fits its box whole.
    auto* pic = host.ViewOf(chem)->findChild<PictureBox*>("Pic_Mol");
    QCOMPARE(pic->pixmap().size(), pic->size());
    Shot(host.ViewOf(chem), "structure.png");
    host.ViewOf(chem)->findChild<QAction*>("Menu_SearchPubChem")->trigger();
    QVERIFY(!urls.opened.empty());
    QVERIFY(EndsWith(urls.opened.back(), chem.FlexGrid().TextMatrix(3, ChemAnalysis::kSmilesCol)));
    QVERIFY(dialogs.Messages().size() == 1);  // only the count of the ingredient list
    DeleteViews(host, session);
  }

  void everyWindowHoldsItsGridsAndControlsWhole() {
    test::TestFolder f;
    test::FakeWorld w(f.root());
    ViewHost host(w.session);
    RegisterViews(host);
    const std::vector<WindowModel*> models = {&w.session.Window<Main>(),
                                              &w.session.Window<Msg>(),
                                              &w.session.Window<Input>(),
                                              &w.session.Window<FangjiAnalysis>(),
                                              &w.session.Window<YaoduiAnalysisWindow>(),
                                              &w.session.Window<SymptomAnalysisWindow>(),
                                              &w.session.Window<DantiAnalysis>(),
                                              &w.session.Window<ChemAnalysis>(),
                                              &w.session.Window<ActiveComponent>()};
    for (WindowModel* model : models) {
      FormView* view = host.ViewOf(*model);
      QVERIFY(view);
      view->show();
      QVERIFY(QTest::qWaitForWindowExposed(view));
      QWidget* central = view->centralWidget();
      const QString name = view->objectName();
      QVERIFY2(view->rect().contains(central->geometry()), qPrintable(name));
      for (QWidget* child : central->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isVisibleTo(central)) continue;
        QVERIFY2(central->rect().contains(child->geometry()),
                 qPrintable(name + " " + child->objectName()));
      }
      if (name == "Frm_SymptomAnalysis") Shot(view, "symptom_window.png");
    }
    DeleteViews(host, w.session);
  }

  void theWholeNoticeCanBeRead() {
    test::TestFolder f;
    test::FakeWorld w(f.root());
    ViewHost host(w.session);
    RegisterViews(host);
    w.session.Window<Main>().Menu_DataSource_Click();
    FormView* view = host.ViewOf(*w.session.FindWindow<Msg>());
    QVERIFY(QTest::qWaitForWindowExposed(view));
    auto* label = view->findChild<QLabel*>("Label1");
    auto* area = view->findChild<QScrollArea*>();
    QVERIFY(label && area);
    QCOMPARE(label->font(), UiFont());
    QCOMPARE(area->geometry(), QRect(Px(240), Px(240), Px(7095), Px(2775)));
    // The label is as tall as its wrapped text; what the area cannot show, it scrolls to.
    QVERIFY(label->height() >= label->heightForWidth(label->width()));
    QVERIFY(label->width() <= area->viewport()->width());
    QCOMPARE(area->verticalScrollBar()->maximum(),
             std::max(0, label->height() - area->viewport()->height()));
    if (label->height() > area->viewport()->height())
      QVERIFY(area->verticalScrollBar()->isVisible());
    Shot(view, "notice.png");
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    Shot(view, "notice_end.png");
    DeleteViews(host, w.session);
  }

  // The user guide's worked example, window by window, on a copy of the shipped data with the
  // real converter: every window it passes through shows what it found.
  void workedExampleOnTheShippedData() {
    test::TestFolder f;
    std::filesystem::copy(std::filesystem::path(LINDORA_BIN_DIR) / "DB", f / "DB",
                          std::filesystem::copy_options::recursive);
    std::filesystem::create_directories(f / "Result");
    std::filesystem::create_directories(f / "exe");
    QtConverter converter;
    test::FakeWorld w(f.root(), &converter);
    ViewHost host(w.session);
    RegisterViews(host);
    auto shown = [&](WindowModel& m, const char* shot) {
      FormView* view = host.ViewOf(m);
      QVERIFY(view && view->isVisible());
      QVERIFY(QTest::qWaitForWindowExposed(view));
      Shot(view, shot);
    };
    Main& main = w.session.Window<Main>();
    main.Show();
    shown(main, "guide_main.png");
    main.Menu_DataSource_Click();
    shown(*w.session.FindWindow<Msg>(), "guide_notice.png");
    main.Menu_LoadFangjiList_Click();
    shown(*w.session.FindWindow<Input>(), "guide_input.png");

    main.Menu_FangjiAnalysis_Click();
    FangjiAnalysis& fangji = w.session.Window<FangjiAnalysis>();
    fangji.SetTextInput("桂枝 甘草");
    fangji.Cmd_Search_Text_Click();
    QVERIFY(fangji.FlexGrid().Rows() > 2);
    shown(fangji, "guide_formula.png");

    fangji.Menu_DanweiyaoAnalysis_Click();
    DantiAnalysis& danti = *w.session.FindWindow<DantiAnalysis>();
    QVERIFY(danti.FlexGrid().Rows() > 2);
    shown(danti, "guide_herbs.png");
    fangji.Menu_YaoduiAnalysis_Click();
    YaoduiAnalysisWindow& pairs = *w.session.FindWindow<YaoduiAnalysisWindow>();
    QVERIFY(pairs.FlexGrid(1).Rows() > 2);
    shown(pairs, "guide_pairs.png");
    fangji.Menu_SympotomAnalysis_Click();
    SymptomAnalysisWindow& symptoms = *w.session.FindWindow<SymptomAnalysisWindow>();
    QVERIFY(symptoms.FlexGrid_Symptom().Rows() > 2);
    shown(symptoms, "guide_symptoms.png");

    // The most frequent herb, as a click on its name in the herb grid selects it.
    danti.FlexGrid().SetRow(1);
    danti.FlexGrid().SetCol(0);
    danti.Menu_IngredientAnalysis_Click();
    ChemAnalysis& chem = *w.session.FindWindow<ChemAnalysis>();
    QVERIFY(chem.FlexGrid().Rows() > 2);
    shown(chem, "guide_chem.png");
    chem.Menu_FindAnticancer_Click();
    ActiveComponent* active = w.session.FindWindow<ActiveComponent>();
    QVERIFY(active && active->FlexGrid().Rows() > 1);
    shown(*active, "guide_active.png");
    DeleteViews(host, w.session);
  }

  void logosOpenTheirSiteOnTheLeftButtonOnly() {
    test::TestFolder f;
    test::FakeWorld w(f.root());
    ViewHost host(w.session);
    RegisterViews(host);
    FormView* view = host.ViewOf(w.session.Window<Main>());
    view->show();
    auto* logo = view->findChild<QLabel*>("Image_gjkj");
    QTest::mouseClick(logo, Qt::RightButton);
    QTest::mouseClick(logo, Qt::MiddleButton);
    QVERIFY(w.urls.opened.empty());
    QTest::mouseClick(logo, Qt::LeftButton);
    QCOMPARE(w.urls.opened.size(), std::size_t{1});
    DeleteViews(host, w.session);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstallFontSubstitutions();
  WindowUseTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "window_use_test.moc"
