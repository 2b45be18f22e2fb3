#include <QApplication>
#include <QCursor>
#include <QMenuBar>
#include <QScreen>
#include <QtTest>

#include "app/ui/views.h"
#include "common/ui/fonts.h"
#include "common/ui/twips.h"
#include "herb/danti_analysis.h"
#include "herb/ui/frm_danti_analysis.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

using namespace lindora;
using namespace lindora::ui;

namespace {

QStringList Captions(const QList<QAction*>& actions, bool visible_only) {
  QStringList out;
  for (QAction* a : actions)
    if (!visible_only || a->isVisible()) out << (a->isSeparator() ? "-" : a->text());
  return out;
}

}  // namespace

class HerbDantiTest : public QObject {
  Q_OBJECT

  test::FakeDialogs dialogs;
  test::FakeUrlOpener urls;
  test::FakeClipboard clipboard;
  // A copy of the shipped sample data in a folder of its own.
  test::TestFolder folder{LINDORA_BIN_DIR};
  Session session{folder.root(), {&dialogs, &urls, &clipboard, nullptr}};
  ViewHost host{session};

  Frm_DantiAnalysis* Open() {
    DantiAnalysis& danti = session.Window<DantiAnalysis>();
    danti.Show();
    auto* view = qobject_cast<Frm_DantiAnalysis*>(host.ViewOf(danti));
    return view;
  }

 private slots:
  void initTestCase() { RegisterViews(host); }

  void layoutNamesAndFixedSize() {
    Frm_DantiAnalysis* view = Open();
    QVERIFY(view);
    QCOMPARE(view->objectName(), QString("Frm_DantiAnalysis"));
    QCOMPARE(view->windowTitle(), QString("单味药分析"));
    QCOMPARE(view->minimumSize(), view->maximumSize());
    auto* input = view->findChild<QLineEdit*>("Text_Input");
    auto* button = view->findChild<QPushButton*>("Cmd_Search_Text");
    auto* grid = view->findChild<FlexGridView*>("FlexGrid");
    QVERIFY(input && button && grid);
    QCOMPARE(input->geometry(), QRect(Px(120), Px(120), Px(2055), Px(390)));
    QCOMPARE(button->geometry(), QRect(Px(2280), Px(120), Px(975), Px(375)));
    QCOMPARE(grid->geometry(), QRect(Px(120), Px(720), Px(3180), Px(5220)));
    QCOMPARE(button->text(), QString("搜索"));
    QCOMPARE(input->text(), QString());
    QVERIFY(input->toolTip().startsWith("支持 1. 中药拼音检索"));
    QCOMPARE(input->font().pointSizeF(), 10.5);
    QCOMPARE(grid->font().family(), QString("微软雅黑"));
  }

  void menusInOrderWithTheHiddenOnesPresent() {
    Frm_DantiAnalysis* view = Open();
    QList<QAction*> bar = view->menuBar()->actions();
    QCOMPARE(Captions(bar, false), QStringList({"分析(&A)", "文件", "PopupMenu"}));
    QCOMPARE(Captions(bar, true), QStringList({"分析(&A)"}));
    auto* analysis = view->findChild<QMenu*>("Menu_Analysis");
    QCOMPARE(Captions(analysis->actions(), true),
             QStringList({"导出单味药-化学成分表进行关联分析", "单味药中药类型分析",
                          "单味药频数图（前30）", "中药类型分布图", "导出为 Excel(&X)…"}));
    auto* file = view->findChild<QMenu*>("Menu_File");
    QCOMPARE(Captions(file->actions(), false), QStringList({"导入单味药列表", "导出单味药列表"}));
    QMenu* popup = view->PopupMenu();
    QCOMPARE(popup->objectName(), QString("Menu_PopupMenu"));
    QCOMPARE(Captions(popup->actions(), false),
             QStringList(
                 {"复制", "分析化学成分", "显示中药类型", "显示相关方剂", "相关病症", "网络搜索"}));
    QCOMPARE(Captions(popup->actions(), true),
             QStringList({"分析化学成分", "显示中药类型", "显示相关方剂", "网络搜索"}));
    auto* online = view->findChild<QMenu*>("Menu_SearchOnline");
    QCOMPARE(Captions(online->actions(), true),
             QStringList({"中医百科", "中医药搜索", "百度", "百度学术", "-", "TC-MC", "TCMSP"}));
    QVERIFY(view->findChild<QAction*>("Menu_Split"));
    QVERIFY(view->findChild<QAction*>("Menu_SearchTCSMP"));
  }

  void enterSearchesAndRightPressPopsUpWithoutMovingTheCell() {
    Frm_DantiAnalysis* view = Open();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    auto* input = view->findChild<QLineEdit*>("Text_Input");
    auto* grid = view->findChild<FlexGridView*>("FlexGrid");
    input->setFocus();
    QTest::keyClicks(input, "renshen huangqi");
    QTest::keyClick(input, Qt::Key_Return);
    DantiAnalysis& danti = session.Window<DantiAnalysis>();
    QCOMPARE(danti.FlexGrid().Rows(), 3);
    QCOMPARE(grid->model()->rowCount(), 2);
    QCOMPARE(grid->model()->index(1, 0).data().toString(), QString("黄芪"));
    QVERIFY(grid->isColumnHidden(1));

    QRect first = grid->visualRect(grid->model()->index(0, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, first.center());
    QCOMPARE(danti.FlexGrid().Row(), 1);
    QRect second = grid->visualRect(grid->model()->index(1, 0));
    QCursor::setPos(grid->viewport()->mapToGlobal(second.center()));
    QTest::mousePress(grid->viewport(), Qt::RightButton, {}, second.center());
    QTRY_VERIFY(view->PopupMenu()->isVisible());
    QCOMPARE(danti.FlexGrid().Row(), 1);

    // A pop-up item acts on the current cell (人参), not on the row under the right press.
    view->findChild<QAction*>("Menu_SearchBaidu")->trigger();
    QVERIFY(!urls.opened.empty());
    QVERIFY(urls.opened.back().ends_with("/s?&wd=人参"));

    if (qEnvironmentVariableIsSet("LINDORA_SHOTS")) {
      QTest::qWait(300);
      QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
      shot.save(qEnvironmentVariable("LINDORA_SHOTS") + "/herb_window.png");
    }
    view->PopupMenu()->hide();
  }

  void clickingTheSearchButtonWithAnEmptyBoxShowsTheMessage() {
    Frm_DantiAnalysis* view = Open();
    auto* input = view->findChild<QLineEdit*>("Text_Input");
    input->clear();
    session.Window<DantiAnalysis>().SetTextInput("");
    dialogs.shown.clear();
    QTest::mouseClick(view->findChild<QPushButton*>("Cmd_Search_Text"), Qt::LeftButton);
    QCOMPARE(dialogs.Messages(), std::vector<std::string>{"检索关键字不能为空"});
    QCOMPARE(session.Window<DantiAnalysis>().FlexGrid().Rows(), 3);  // untouched
  }

  void emptyListMessageMovesTheFocusToTheKeywordBox() {
    Frm_DantiAnalysis* view = Open();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    view->activateWindow();
    auto* grid = view->findChild<FlexGridView*>("FlexGrid");
    grid->setFocus();
    DantiAnalysis& danti = session.Window<DantiAnalysis>();
    danti.InitializeHerbGrid(3180, 1);
    view->findChild<QAction*>("Menu_HerbTypeAnalysis")->trigger();
    QTRY_VERIFY(view->findChild<QLineEdit*>("Text_Input")->hasFocus());
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstallFontSubstitutions();
  QApplication::setFont(UiFont());
  HerbDantiTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "herb_danti_test.moc"
