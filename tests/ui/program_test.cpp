// How the program is put together: menus built from the models' declarations, and ending the
// program with several windows open.
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QtTest>
#include <stdexcept>

#include "analysis/herb_frequency/herb_frequency_window.h"
#include "analysis/symptoms/symptoms_window.h"
#include "app/input.h"
#include "app/main_window.h"
#include "app/msg.h"
#include "app/ui/views.h"
#include "catalog/catalog.h"
#include "chem/active_component.h"
#include "chem/chem_analysis.h"
#include "common/ui/menus.h"
#include "formula/fangji_analysis.h"
#include "herb/danti_analysis.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

using namespace lindora;
using namespace lindora::ui;

class ProgramTest : public QObject {
  Q_OBJECT
 private slots:
  void menuBuilderRefusesAnActionWithoutAHandler() {
    test::TestFolder f;
    test::FakeWorld world(f.root());
    Msg& model = world.session.Window<Msg>();
    auto refusal = [&](const std::vector<MenuEntry>& entries) {
      QMainWindow owner;
      try {
        BuildMenus(&owner, owner.menuBar(), entries, model);
      } catch (const std::logic_error& e) {
        return QString::fromUtf8(e.what());
      }
      return QString();
    };
    QCOMPARE(refusal({{"Menu_File", "文件", "", true},
                      {"Menu_Open", "打开", "Menu_File", true, true, NoEffect},
                      {"Menu_Split", "-", "Menu_File"},
                      {"Menu_Sub", "子菜单", "Menu_File"},
                      {"Menu_Inner", "内", "Menu_Sub", false, false, NoEffect}}),
             QString());
    QVERIFY(refusal({{"Menu_File", "文件", "", true}, {"Menu_Save", "保存", "Menu_File"}})
                .contains("Menu_Save"));
    QVERIFY(refusal({{"Menu_File", "文件", "", true},
                     {"Menu_Save", "保存", "Menu_Flie", true, true, NoEffect}})
                .contains("Menu_Flie"));

    // Every window's declaration builds; the formula window's with the program's analyses.
    const std::vector<MenuEntry> fangji_menus = world.session.Window<FangjiAnalysis>().MenuBar();
    for (const auto* entries :
         {&Main::MenuBar(), &fangji_menus, &FangjiAnalysis::PopupMenu(), &DantiAnalysis::MenuBar(),
          &DantiAnalysis::PopupMenu(), &ChemAnalysis::MenuBar(), &ActiveComponent::PopupMenu(),
          &YaoduiAnalysisWindow::MenuBar(), &SymptomAnalysisWindow::MenuBar(), &Input::MenuBar()})
      QCOMPARE(refusal(*entries), QString());
  }

  void endingWithSeveralWindowsOpenClosesEveryViewBeforeItsModel() {
    test::TestFolder f(LINDORA_BIN_DIR);
    test::FakeDialogs dialogs;
    test::FakeUrlOpener urls;
    test::FakeClipboard clipboard;
    std::vector<QPointer<FormView>> views;
    {
      // Declared in this order in the program too: the host goes first.
      Session session(f.root(), Ports{&dialogs, &urls, &clipboard, nullptr});
      InstallCatalog(session);
      ViewHost host(session);
      RegisterViews(host);
      Main& main = session.Window<Main>();
      QVERIFY(main.Form_Load(false, "Lindora"));
      main.Menu_FangjiAnalysis_Click();
      main.Menu_DantiAnalysis_Click();
      main.Menu_LoadDanweiyaoList_Click();
      main.Menu_DataSource_Click();
      FangjiAnalysis& fangji = session.Window<FangjiAnalysis>();
      fangji.SetTextInput("麻黄");
      QCOMPARE(fangji.Cmd_Search_Text_Click(), Outcome::kDone);
      for (WindowModel* m :
           std::initializer_list<WindowModel*>{&main, &fangji, &session.Window<DantiAnalysis>(),
                                               &session.Window<Input>(), &session.Window<Msg>()}) {
        QVERIFY(host.ViewOf(*m) && host.ViewOf(*m)->isVisible());
        views.emplace_back(host.ViewOf(*m));
      }
      // The keyword box has the focus, so closing the window moves it away.
      FormView* formula_view = host.ViewOf(fangji);
      formula_view->activateWindow();
      formula_view->findChild<QLineEdit*>("Text_Input")->setFocus();
      QApplication::processEvents();
      main.Menu_Exit_Click();
    }
    for (const auto& view : views) QVERIFY(view.isNull());
    QApplication::processEvents();
  }
};

QTEST_MAIN(ProgramTest)
#include "program_test.moc"
