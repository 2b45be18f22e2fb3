#include "common/ui/flex_grid_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include "app/msg.h"
#include "app/ui/frm_msg.h"
#include "app/ui/views.h"
#include "common/ui/fonts.h"
#include "support/fake_ports.h"

using namespace lindora;
using namespace lindora::ui;

class FlexGridViewTest : public QObject {
  Q_OBJECT
 private slots:
  void leftClickMovesCurrentCellAndRowSelBeforeClicked() {
    Grid grid(4, 3);
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 3; ++c) grid.SetTextMatrix(r, c, std::to_string(r * 10 + c));
    FlexGridView view(&grid);
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    int row_at_click = -1, col_at_click = -1;
    connect(&view, &FlexGridView::Clicked, [&] {
      row_at_click = grid.RowSel();
      col_at_click = grid.Col();
    });
    QRect cell = view.visualRect(view.model()->index(1, 2));  // grid row 2
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(row_at_click, 2);
    QCOMPARE(col_at_click, 2);
    QCOMPARE(grid.Row(), 2);

    QSignalSpy downs(&view, &FlexGridView::MouseDown);
    QRect other = view.visualRect(view.model()->index(2, 0));  // grid row 3
    QTest::mousePress(view.viewport(), Qt::RightButton, {}, other.center());
    QCOMPARE(downs.count(), 1);
    QCOMPARE(downs.at(0).at(0).value<Qt::MouseButton>(), Qt::RightButton);
    QCOMPARE(grid.Row(), 2);
    QCOMPARE(grid.Col(), 2);
    QCOMPARE(grid.RowSel(), 2);
  }

  void showsHeaderRowAndHidesOneTwipColumns() {
    Grid grid(3, 3);
    SetGridCell(grid, "中药名", 0, 0, 1500);
    SetGridCell(grid, "频数", 1, 0, 1);
    FlexGridView view(&grid);
    QCOMPARE(view.model()->rowCount(), 2);
    QCOMPARE(view.model()->headerData(0, Qt::Horizontal).toString(), QString("中药名"));
    QVERIFY(view.isColumnHidden(1));
    QCOMPARE(view.columnWidth(0), 100);
  }

  void aRefreshReloadsOnlyAGridThatWasWritten() {
    Grid grid(200, 2);
    for (int r = 1; r < 200; ++r) grid.SetTextMatrix(r, 0, std::to_string(r));
    FlexGridView view(&grid);
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    const int scrolled = view.verticalScrollBar()->value();
    QVERIFY(scrolled > 0);
    // Reading the grid is no write: the list stays where it was.
    const Grid& read = grid;
    QCOMPARE(read.TextMatrix(199, 0), std::string("199"));
    view.Refresh();
    QCOMPARE(view.verticalScrollBar()->value(), scrolled);
    // Any write is shown by the next refresh.
    grid.SetTextMatrix(199, 1, "新");
    view.Refresh();
    QCOMPARE(view.model()->data(view.model()->index(198, 1), Qt::DisplayRole).toString(),
             QString("新"));
  }

  void noticeWindowShowsTheModelAndIsReusedUntilClosed() {
    test::FakeDialogs dialogs;
    test::FakeUrlOpener urls;
    test::FakeClipboard clipboard;
    Session session(std::filesystem::temp_directory_path(), {&dialogs, &urls, &clipboard, nullptr});
    ViewHost host(session);
    RegisterViews(host);
    Msg& msg = session.Window<Msg>();
    msg.ShowNotice("数据说明", "第一行\r\n第二行");
    auto* view = host.ViewOf(msg);
    QVERIFY(view);
    QCOMPARE(view->objectName(), QString("Frm_Msg"));
    QCOMPARE(view->windowTitle(), QString("数据说明"));
    auto* label = view->findChild<QLabel*>("Label1");
    QVERIFY(label);
    QCOMPARE(label->text(), QString("第一行\n第二行"));
    QVERIFY(view->isVisible());
    QCOMPARE(view->minimumSize(), view->maximumSize());
    QPointer<FormView> guard(view);
    view->close();
    QTRY_VERIFY(guard.isNull());
    QCOMPARE(session.FindWindow<Msg>(), nullptr);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstallFontSubstitutions();
  FlexGridViewTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "flex_grid_view_test.moc"
