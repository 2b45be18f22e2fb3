#include <gtest/gtest.h>

#include "app/msg.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

TEST(SessionTest, GlobalsStartAsTheProgramExpects) {
  test::TestFolder f;
  test::FakeWorld w(f.root());
  EXPECT_EQ(w.session.ActivityName, "抗流感");
  EXPECT_EQ(w.session.SearchHistory, "");
  EXPECT_EQ(w.session.Path("\\Result\\Result.DB"), f / "Result/Result.DB");
}

TEST(SessionTest, WindowIsCreatedOnceReusedAndCreatedAfreshAfterClosing) {
  test::TestFolder f;
  test::FakeWorld w(f.root());
  int created = 0, shown = 0;
  w.session.SetCreateHandler([&](WindowModel&) { ++created; });
  w.session.SetShowHandler([&](WindowModel&) { ++shown; });
  EXPECT_EQ(w.session.FindWindow<Msg>(), nullptr);

  Msg& first = w.session.Window<Msg>();
  EXPECT_EQ(first.Caption(), "说明");
  first.ShowNotice("数据说明", "a\r\nb");
  Msg& again = w.session.Window<Msg>();
  EXPECT_EQ(&first, &again);
  EXPECT_EQ(again.Label1(), "a\r\nb");
  again.ShowNotice("关于作者", "c");
  EXPECT_EQ(again.Caption(), "关于作者");
  EXPECT_TRUE(again.Visible());
  EXPECT_EQ(again.State(), WindowState::kNormal);
  EXPECT_EQ(created, 1);
  EXPECT_EQ(shown, 2);

  w.session.Unload(again);
  EXPECT_EQ(w.session.FindWindow<Msg>(), nullptr);
  EXPECT_EQ(w.session.Window<Msg>().Caption(), "说明");
  EXPECT_EQ(created, 2);
}

TEST(SessionTest, ModelNotifiesItsListener) {
  test::TestFolder f;
  test::FakeWorld w(f.root());
  int changes = 0;
  Msg& m = w.session.Window<Msg>();
  m.SetListener([&] { ++changes; });
  m.ShowNotice("x", "y");
  EXPECT_GE(changes, 1);
}

}  // namespace
}  // namespace lindora
