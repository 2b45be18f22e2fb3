#include "herb/herb_types.h"

#include <gtest/gtest.h>

#include "catalog/catalog.h"
#include "herb/danti_analysis.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

TEST(HerbTypeNameTest, TableEntriesAndOther) {
  EXPECT_EQ(HerbTypeName(1), "辛温解表药");
  EXPECT_EQ(HerbTypeName(30), "补气药");
  EXPECT_EQ(HerbTypeName(37), "拔毒化腐生肌药");
  EXPECT_EQ(HerbTypeName(0), "其他");
  EXPECT_EQ(HerbTypeName(38), "其他");
  EXPECT_EQ(HerbTypeName(-1), "其他");
}

TEST(HerbTypeDistributionTest, LinesFollowTheTableWithOtherLast) {
  std::vector<TypedHerb> herbs = {
      {"甘草", 9, 0},  {"人参", 5, 30}, {"麻黄", 4, 1},
      {"黄芪", 3, 30}, {"怪药", 2, 99}, {"负药", 2, -3},
  };
  EXPECT_EQ(HerbTypeDistribution(herbs, 0),
            "辛温解表药1项：麻黄(4), \r\n"
            "补气药2项：人参(5), 黄芪(3), \r\n"
            "其他3项：甘草(9), 怪药(2), 负药(2), \r\n");
  EXPECT_EQ(HerbTypeDistribution(herbs, 4),
            "辛温解表药1项：麻黄(4), \r\n"
            "补气药1项：人参(5), \r\n"
            "其他1项：甘草(9), \r\n");
  EXPECT_EQ(HerbTypeDistribution(herbs, 10), "");
  EXPECT_EQ(HerbTypeDistribution({}, 0), "");
}

class HerbTypeWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.WriteLines("DB/Herb_Name.DB", {
                                             "0\t30\t零号\tlinghao\t",
                                             "1\t30\t人参\trenshen\t",
                                             "2\t30\t黄芪\thuangqi\t",
                                             "   ",
                                             "4\t1\t麻黄\tmahuang\t",
                                             "5\t70000\t怪药\tguaiyao\t",
                                             "6\t65566\t溢药\tyiyao\t",
                                             "7\t1\t人参\tdupe\t",
                                         });
  }
  DantiAnalysis& Danti() { return world.session.Window<DantiAnalysis>(); }
  void Fill(const std::vector<std::pair<std::string, std::string>>& rows) {
    Danti().InitializeHerbGrid(2000, 1200);
    for (const auto& [name, freq] : rows) Danti().AddHerbRow(name, freq);
  }
  test::TestFolder folder;
  test::FakeWorld world{folder.root()};
};

TEST_F(HerbTypeWindowTest, TypeNumberComesFromTheFirstRecordOfThatName) {
  EXPECT_EQ(HerbTypeNoByName(world.session, "人参"), 30);
  EXPECT_EQ(HerbTypeNoByName(world.session, "零号"), 30);
  EXPECT_EQ(HerbTypeNoByName(world.session, "不存在"), 0);
  EXPECT_EQ(HerbTypeNoByName(world.session, "renshen"), 0);  // field 2 only
  // Never wrapped to 16 bits: 65566 would otherwise become 30.
  EXPECT_EQ(HerbTypeName(HerbTypeNoByName(world.session, "溢药")), "其他");
  EXPECT_EQ(HerbTypeNosByName(world.session, {"麻黄", "不存在", "人参"}),
            (std::vector<int>{1, 0, 30}));
}

TEST_F(HerbTypeWindowTest, DistributionShowsBoxThenSetsClipboard) {
  Fill(
      {{"人参", "5"}, {"麻黄", "4"}, {"黄芪", "3"}, {"不存在", "2"}, {"人参", "1"}, {"零号", "6"}});
  world.dialogs.inputs.push_back("1");
  Danti().Menu_HerbTypeAnalysis_Click();
  ASSERT_EQ(world.dialogs.shown.size(), 2u);
  EXPECT_EQ(world.dialogs.shown[0].kind, "input");
  EXPECT_EQ(world.dialogs.shown[0].text, "请输入频数阈值");
  // The same herb twice counts twice; line 0's herb keeps its type here; unknown is other.
  std::string expected =
      "辛温解表药1项：麻黄(4), \r\n"
      "补气药4项：人参(5), 黄芪(3), 人参(1), 零号(6), \r\n"
      "其他1项：不存在(2), \r\n";
  EXPECT_EQ(world.dialogs.shown[1].text, "分析结果如下（结果已复制到剪贴板）：\r\n" + expected);
  EXPECT_EQ(world.clipboard.text, expected);
  EXPECT_EQ(world.clipboard.clears, 1);
}

TEST_F(HerbTypeWindowTest, ThresholdDefaultsToZeroAndCancelCountsAsZero) {
  Fill({{"人参", "1"}, {"黄芪", "0"}});
  Danti().Menu_HerbTypeAnalysis_Click();  // no scripted answer: the default text
  EXPECT_EQ(world.clipboard.text, "补气药2项：人参(1), 黄芪(0), \r\n");
  world.dialogs.inputs.push_back("");  // Cancel
  Danti().Menu_HerbTypeAnalysis_Click();
  EXPECT_EQ(world.clipboard.text, "补气药2项：人参(1), 黄芪(0), \r\n");
  EXPECT_EQ(world.clipboard.sets, 2);
}

TEST_F(HerbTypeWindowTest, EmptyResultStillClearsAndSetsTheClipboard) {
  Fill({{"人参", "1"}, {"黄芪", "1"}});
  world.clipboard.text = "old";
  world.dialogs.inputs.push_back("2");
  Danti().Menu_HerbTypeAnalysis_Click();
  EXPECT_EQ(world.dialogs.Messages().back(), "分析结果如下（结果已复制到剪贴板）：\r\n");
  EXPECT_EQ(world.clipboard.clears, 1);
  EXPECT_EQ(world.clipboard.sets, 1);
  EXPECT_EQ(world.clipboard.text, "");
}

TEST_F(HerbTypeWindowTest, EmptyGridGivesTheListMessageAndFocusesTheKeywordBox) {
  Fill({});
  int focus = Danti().TextInputFocusRequests();
  Danti().Menu_HerbTypeAnalysis_Click();
  ASSERT_EQ(world.dialogs.shown.size(), 1u);  // no threshold asked
  EXPECT_EQ(world.dialogs.shown[0].text, DantiAnalysis::EmptyListMessage());
  EXPECT_NE(DantiAnalysis::EmptyListMessage().find("\r\n4. 通过化学成分分析界面"),
            std::string::npos);
  EXPECT_EQ(Danti().TextInputFocusRequests(), focus + 1);
  EXPECT_EQ(world.clipboard.sets, 0);
}

TEST_F(HerbTypeWindowTest, NumbersBeyondSixteenBitsAreRefusedNotWrapped) {
  Fill({{"人参", "5"}});
  world.dialogs.inputs.push_back("65537");  // would wrap to 1
  Danti().Menu_HerbTypeAnalysis_Click();
  EXPECT_NE(world.dialogs.Messages().back().find("65537"), std::string::npos);
  EXPECT_EQ(world.clipboard.sets, 0);

  Fill({{"人参", "5"}, {"黄芪", "70000"}});
  world.dialogs.inputs.push_back("0");
  Danti().Menu_HerbTypeAnalysis_Click();
  std::string msg = world.dialogs.Messages().back();
  EXPECT_NE(msg.find("黄芪"), std::string::npos) << msg;
  EXPECT_NE(msg.find("70000"), std::string::npos) << msg;
  EXPECT_EQ(world.clipboard.sets, 0);

  Fill({{"人参", "-32768"}});
  world.dialogs.inputs.push_back("-32768");
  Danti().Menu_HerbTypeAnalysis_Click();
  EXPECT_EQ(world.clipboard.text, "补气药1项：人参(-32768), \r\n");
}

TEST_F(HerbTypeWindowTest, ShowHerbTypeOfTheCurrentCell) {
  Fill({{"人参", "1"}, {"零号", "1"}, {"怪药", "9"}});
  Grid& grid = Danti().FlexGrid();
  grid.SetRow(1);
  grid.SetCol(0);
  Danti().Menu_GetHerbType_Click();
  EXPECT_EQ(world.dialogs.Messages().back(), "“人参”的中药类型为“补气药”");
  grid.SetRow(2);
  Danti().Menu_GetHerbType_Click();  // line 0 is not recorded
  EXPECT_EQ(world.dialogs.Messages().back(), DantiAnalysis::kNotRecordedMessage);
  grid.SetRow(3);
  Danti().Menu_GetHerbType_Click();
  EXPECT_EQ(world.dialogs.Messages().back(), "“怪药”的中药类型为“其他”");
  grid.SetCol(1);  // the frequency text is looked up as a name
  Danti().Menu_GetHerbType_Click();
  EXPECT_EQ(world.dialogs.Messages().back(), DantiAnalysis::kNotRecordedMessage);
}

TEST_F(HerbTypeWindowTest, MissingHerbFileIsOneMessageNamingIt) {
  Fill({{"人参", "1"}});
  std::filesystem::remove(folder / "DB/Herb_Name.DB");
  Danti().Menu_GetHerbType_Click();
  world.dialogs.inputs.push_back("0");
  Danti().Menu_HerbTypeAnalysis_Click();
  auto messages = world.dialogs.Messages();
  ASSERT_EQ(messages.size(), 2u);
  for (const auto& m : messages) EXPECT_NE(m.find("Herb_Name.DB"), std::string::npos) << m;
  EXPECT_EQ(world.clipboard.sets, 0);
}

}  // namespace
}  // namespace lindora

namespace lindora {
namespace {

// Records how much had gone to the clipboard when each message box was shown.
class OrderDialogs : public test::FakeDialogs {
 public:
  explicit OrderDialogs(const test::FakeClipboard& clipboard) : clipboard_(clipboard) {}
  void Message(std::string_view text, std::string_view title = {}) override {
    sets_at_message.push_back(clipboard_.sets + clipboard_.clears);
    FakeDialogs::Message(text, title);
  }
  std::vector<int> sets_at_message;

 private:
  const test::FakeClipboard& clipboard_;
};

TEST(HerbTypeOrderTest, ClipboardIsTouchedOnlyAfterTheResultBoxCloses) {
  test::TestFolder folder;
  folder.WriteLines("DB/Herb_Name.DB", {"0\t0\t标题\tx\t", "1\t30\t人参\trenshen\t"});
  test::FakeClipboard clipboard;
  OrderDialogs dialogs(clipboard);
  test::FakeUrlOpener urls;
  Session session(folder.root(), Ports{&dialogs, &urls, &clipboard, nullptr});
  InstallCatalog(session);
  DantiAnalysis& danti = session.Window<DantiAnalysis>();
  danti.InitializeHerbGrid(2000, 1200);
  danti.AddHerbRow("人参", "3");
  dialogs.inputs.push_back("0");
  danti.Menu_HerbTypeAnalysis_Click();
  EXPECT_EQ(dialogs.sets_at_message, (std::vector<int>{0}));
  EXPECT_EQ(clipboard.clears, 1);
  EXPECT_EQ(clipboard.text, "补气药1项：人参(3), \r\n");
}

}  // namespace
}  // namespace lindora
