// The main window and the formula window as Qt shows them: object names, menus, sizes, events.
#include <QAction>
#include <QCheckBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

#include "app/main_window.h"
#include "app/ui/views.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/twips.h"
#include "formula/fangji_analysis.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

using namespace lindora;
using namespace lindora::ui;

namespace {
// Menu captions of a menu bar or menu in order, hidden ones marked with a leading '-'.
QStringList Captions(const QList<QAction*>& actions) {
  QStringList out;
  for (QAction* a : actions) out << (a->isVisible() ? "" : "-") + a->text();
  return out;
}
}  // namespace

class AppMainWindowTest : public QObject {
  Q_OBJECT
  test::TestFolder folder_{LINDORA_BIN_DIR};
  std::filesystem::path bin_ = folder_.root();
  QString shots_ = qEnvironmentVariable("LINDORA_SHOTS");

 private slots:
  void mainWindowHasItsMenusInOrderAndAFixedSize() {
    test::FakeWorld world(bin_);
    ViewHost host(world.session);
    RegisterViews(host);
    Main& main = world.session.Window<Main>();
    QVERIFY(main.Form_Load(false, "Lindora"));
    FormView* view = host.ViewOf(main);
    QVERIFY(view);
    QCOMPARE(view->objectName(), QString("Frm_Main"));
    QCOMPARE(view->windowTitle(), QString("Lindora"));
    QCOMPARE(view->minimumSize(), view->maximumSize());
    const QSize fixed = view->size();
    view->resize(fixed.width() + 200, fixed.height() + 100);
    QCOMPARE(view->size(), fixed);
    QCOMPARE(Captions(view->menuBar()->actions()),
             (QStringList{"文件(&F)", "-数据管理", "数据分析(&A)", "帮助(&H)"}));
    auto menu = [&](const char* name) {
      auto* m = view->findChild<QMenu*>(name);
      return m ? Captions(m->actions()) : QStringList{"missing"};
    };
    QCOMPARE(menu("Menu_File"),
             (QStringList{"导入中药方剂列表(&J)", "导入单味药列表(&D)", "-导入化学成分列表",
                          "打开方剂库…", "导入处方…", "方剂库管理", "退出(&Q)"}));
    QCOMPARE(menu("Menu_DataManagement"),
             (QStringList{"方剂库管理", "中药库管理", "中药化学组分库管理"}));
    QCOMPARE(menu("Menu_DataAnalysis"), (QStringList{"中药方剂分析(&F)", "中药单体分析(&D)"}));
    QCOMPARE(menu("Menu_Help"), (QStringList{"数据来源说明(&D)", "关于作者(&A)", "-关于软件(&S)",
                                             "使用说明(&T)", "软件更新(&U)"}));
    for (const char* logo : {"Image_gjkj", "Image_rkjk", "Image_ZRV"}) {
      auto* label = view->findChild<QLabel*>(logo);
      QVERIFY2(label && !label->pixmap().isNull(), logo);
    }
    QTest::mouseClick(view->findChild<QLabel*>("Image_rkjk"), Qt::LeftButton);
    QCOMPARE(world.urls.opened.size(), std::size_t{1});

    // the menu item opens the formula window
    view->findChild<QAction*>("Menu_FangjiAnalysis")->trigger();
    auto* fangji = world.session.FindWindow<FangjiAnalysis>();
    QVERIFY(fangji && host.ViewOf(*fangji));
    QVERIFY(QTest::qWaitForWindowExposed(view));
    if (!shots_.isEmpty()) QVERIFY(view->grab().save(shots_ + "/main-window.png"));
    // closing asks; No keeps the window
    world.dialogs.yes_no.push_back(false);
    QVERIFY(!view->close());
    QVERIFY(view->isVisible());
    main.Menu_Exit_Click();
    QVERIFY(main.Ended());
    QPointer<FormView> main_view(view), fangji_view(host.ViewOf(*fangji));
    QVERIFY(view->close());
    fangji_view->close();
    QTRY_VERIFY(main_view.isNull() && fangji_view.isNull());
  }

  void formulaWindowRunsAQueryAndShowsTheResult() {
    test::FakeWorld world(bin_);
    ViewHost host(world.session);
    RegisterViews(host);
    FangjiAnalysis& model = world.session.Window<FangjiAnalysis>();
    FormView* view = host.ViewOf(model);
    QVERIFY(view);
    QVERIFY(QTest::qWaitForWindowExposed(view));
    QCOMPARE(view->objectName(), QString("Frm_FangjiAnalysis"));
    for (const char* name : {"Text_Input", "Cmd_Search_Text", "List_History",
                             "Check_SearchInResult", "Check_Filter", "Label_Count", "FlexGrid"})
      QVERIFY2(view->findChild<QWidget*>(name), name);
    QCOMPARE(Captions(view->menuBar()->actions()), QStringList{"数据分析(&A)"});
    QCOMPARE(Captions(view->findChild<QMenu*>("Menu_DataAnalysis")->actions()),
             (QStringList{"方剂单味药分析", "性味归经分析", "方剂药对分析", "方剂病症分析",
                          "方剂关联规则分析", "药物网络", "聚类分析", "剂量分析", "保存结果集…",
                          "结果集比较…", "生成分析报告"}));
    QCOMPARE(Captions(view->findChild<QMenu*>("Menu_PopupMenu")->actions()),
             (QStringList{"复制方剂成分", "相似方剂", "网络搜索"}));
    QCOMPARE(Captions(view->findChild<QMenu*>("Menu_SearchOnline")->actions()),
             (QStringList{"百度", "百度学术", "中医药搜索", "中药世家", "中医百科"}));

    auto* input = view->findChild<QLineEdit*>("Text_Input");
    QCOMPARE(input->text(), QString(" 请输入关键词"));
    QCOMPARE(input->palette().color(QPalette::Text), QColor(125, 125, 125));
    input->setFocus();
    // typed text as an input method delivers it; the first key empties the placeholder
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, "麻黄");
    QApplication::sendEvent(input, &typed);
    QCOMPARE(input->text(), QString("麻黄"));
    QCOMPARE(input->palette().color(QPalette::Text), QColor(Qt::black));
    QTest::keyClick(input, Qt::Key_Return);
    auto* label = view->findChild<QLabel*>("Label_Count");
    QVERIFY(label->text().startsWith("找到 "));
    QVERIFY(view->windowTitle().startsWith("方剂分析——搜索历史：麻黄"));
    auto* grid = view->findChild<FlexGridView*>("FlexGrid");
    QVERIFY(grid->model()->rowCount() > 0);
    QCOMPARE(grid->model()->rowCount(), model.FlexGrid().Rows() - 1);

    // ticking exclusion ticks search in results
    auto* filter = view->findChild<QCheckBox*>("Check_Filter");
    QTest::mouseClick(filter, Qt::LeftButton);
    QVERIFY(view->findChild<QCheckBox*>("Check_SearchInResult")->isChecked());
    QTest::mouseClick(filter, Qt::LeftButton);

    // the history drops down on a click into the box
    QTest::mouseClick(input, Qt::LeftButton);
    auto* list = view->findChild<QListWidget*>("List_History");
    QVERIFY(list->isVisible());
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->height(), Px(400));
    if (!shots_.isEmpty()) QVERIFY(view->grab().save(shots_ + "/formula-window.png"));

    // an input method's composition over the placeholder starts a new search as a key would
    model.SetTextInput("");
    model.Text_Input_GotFocus();
    model.SetCheckSearchInResult(1);
    QCOMPARE(input->text(), QString(" 请输入关键词"));
    QInputMethodEvent compose("gui", {});
    QApplication::sendEvent(input, &compose);
    QInputMethodEvent commit;
    commit.setCommitString("桂枝");
    QApplication::sendEvent(input, &commit);
    QCOMPARE(input->text(), QString("桂枝"));
    QCOMPARE(model.TextInput(), std::string("桂枝"));
    QCOMPARE(input->palette().color(QPalette::Text), QColor(Qt::black));
    QCOMPARE(model.CheckSearchInResult(), 0);
    QPointer<FormView> guard(view);
    view->close();
    QTRY_VERIFY(guard.isNull());
  }
};

QTEST_MAIN(AppMainWindowTest)
#include "app_main_window_test.moc"
