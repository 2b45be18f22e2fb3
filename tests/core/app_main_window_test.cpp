// The main window's model: start-up, closing, menus, notices and links.
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/msg.h"
#include "common/data_source_notice.h"
#include "common/text.h"
#include "common/version.h"
#include "formula/fangji_analysis.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

using namespace lindora;
using lindora::test::FakeWorld;
using lindora::test::TestFolder;

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : world(folder.root()) {
    world.session.ActivityName = "";
    main().SetEndHandler([this] { ++ends; });
  }
  Main& main() { return world.session.Window<Main>(); }
  TestFolder folder;
  FakeWorld world;
  int ends = 0;
};

TEST_F(MainWindowTest, SecondInstanceIsRefusedWithItsExecutableName) {
  EXPECT_FALSE(main().Form_Load(true, "Lindora"));
  ASSERT_EQ(world.dialogs.shown.size(), 1u);
  EXPECT_EQ(world.dialogs.shown[0].kind, "message");
  EXPECT_EQ(world.dialogs.shown[0].text, "Lindora is running!");
  EXPECT_FALSE(main().Visible());
  EXPECT_EQ(ends, 1);
}

TEST_F(MainWindowTest, DecliningTheUsageNoticeEndsAfterTheWindowWasShown) {
  world.dialogs.yes_no.push_back(false);
  EXPECT_FALSE(main().Form_Load(false, "Lindora"));
  EXPECT_TRUE(main().Visible());
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(world.session.ActivityName, "");
  ASSERT_EQ(world.dialogs.shown.size(), 1u);
  EXPECT_EQ(world.dialogs.shown[0].title, "软件使用前须知");
  const auto lines = Split(world.dialogs.shown[0].text, "\r\n");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "1. 由于时间和水平有限，本软件还有很多不完善的地方，欢迎提出意见。");
  EXPECT_TRUE(lines[1].starts_with("2. "));
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3], "点击按钮“是”表示同意以上声明，“否”表示不同意以上声明。");
}

TEST_F(MainWindowTest, AcceptingStartsWithTheAntiInfluenzaSet) {
  EXPECT_TRUE(main().Form_Load(false, "Lindora"));
  EXPECT_EQ(world.session.ActivityName, "抗流感");
  EXPECT_EQ(main().Caption(), "Lindora");
  EXPECT_EQ(ends, 0);
}

TEST_F(MainWindowTest, ClosingAsksButExitDoesNot) {
  world.dialogs.yes_no = {false, true};
  EXPECT_FALSE(main().Form_QueryUnload());
  EXPECT_EQ(ends, 0);
  EXPECT_EQ(world.dialogs.shown.back().text, "确定退出软件么？");
  EXPECT_TRUE(main().Form_QueryUnload());
  EXPECT_EQ(ends, 1);
  const auto asked = world.dialogs.shown.size();
  main().Menu_Exit_Click();
  EXPECT_EQ(ends, 2);
  EXPECT_TRUE(main().Ended());
  EXPECT_EQ(world.dialogs.shown.size(), asked);
}

TEST_F(MainWindowTest, BothNoticesUseOneNoticeWindow) {
  main().Menu_DataSource_Click();
  Msg* msg = world.session.FindWindow<Msg>();
  ASSERT_NE(msg, nullptr);
  EXPECT_EQ(msg->Caption(), "数据说明");
  EXPECT_EQ(msg->Label1(), DataSourceNoticeText());
  main().Menu_AboutAuthor_Click();
  EXPECT_EQ(world.session.FindWindow<Msg>(), msg);
  EXPECT_EQ(msg->Caption(), "关于作者");
  const auto lines = Split(msg->Label1(), "\r\n");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_TRUE(lines[2].starts_with("Email: "));
  EXPECT_TRUE(lines[3].starts_with("QQ: "));
  EXPECT_EQ(lines[4], "Welcome for your comments");
  EXPECT_TRUE(msg->Visible());
}

TEST_F(MainWindowTest, HelpItemsLeadToTheGuideAndTheVersionAndLogosToTheirSites) {
  // Nothing is opened, and no access code is announced, for a guide that is not there.
  main().Menu_Tutorials_Click();
  EXPECT_TRUE(world.urls.opened.empty());
  ASSERT_EQ(world.dialogs.Messages().size(), 1u);
  EXPECT_TRUE(world.dialogs.Messages()[0].starts_with("找不到使用说明 "));
  folder.WriteLines("docs/使用说明.md", {"# Lindora 使用说明"});
  main().Menu_Tutorials_Click();
  ASSERT_EQ(world.urls.opened.size(), 1u);
  EXPECT_EQ(world.urls.opened[0], "file://" + (folder.root() / "docs/使用说明.md").string());
  main().Menu_SoftUpdate_Click();
  EXPECT_EQ(world.urls.opened.size(), 1u);
  ASSERT_EQ(world.dialogs.Messages().size(), 2u);
  EXPECT_NE(world.dialogs.Messages()[1].find("Lindora " + std::string(ProgramVersion())),
            std::string::npos);
  EXPECT_NE(world.dialogs.Messages()[1].find("使用说明"), std::string::npos);
  main().Image_gjkj_Click();
  main().Image_rkjk_Click();
  main().Image_ZRV_Click();
  ASSERT_EQ(world.urls.opened.size(), 4u);
  for (std::size_t i = 1; i < 4; ++i) EXPECT_TRUE(world.urls.opened[i].starts_with("https://"));
  // The author notice promises no address that does not exist.
  for (const std::string& line : Split(Main::AuthorNotice(), "\r\n"))
    EXPECT_EQ(line.find("example"), std::string::npos) << line;
}

TEST_F(MainWindowTest, FormulaMenuShowsTheSameWindowAgain) {
  main().Menu_FangjiAnalysis_Click();
  FangjiAnalysis* w = world.session.FindWindow<FangjiAnalysis>();
  ASSERT_NE(w, nullptr);
  w->AddHistory("麻黄");
  w->Hide();
  main().Menu_FangjiAnalysis_Click();
  EXPECT_EQ(world.session.FindWindow<FangjiAnalysis>(), w);
  EXPECT_TRUE(w->Visible());
  EXPECT_EQ(w->ListHistory().size(), 1u);
}

TEST(MainWindowMenusTest, EveryMenuInOrderWithHiddenOnesPresent) {
  std::vector<std::string> shown, hidden;
  for (const auto& m : Main::MenuBar()) (m.visible ? shown : hidden).emplace_back(m.name);
  EXPECT_EQ(hidden, (std::vector<std::string>{"Menu_LoadChemList", "Menu_DataManagement",
                                              "Menu_AboutThisSoft"}));
  EXPECT_EQ(Main::MenuBar().size(), 21u);
  // The formula-library entries sit in 文件 just before 退出.
  std::vector<std::string> file;
  for (const auto& m : Main::MenuBar())
    if (m.parent == "Menu_File") file.emplace_back(m.name);
  EXPECT_EQ(std::vector<std::string>(file.end() - 4, file.end()),
            (std::vector<std::string>{"Menu_OpenLibrary", "Menu_ImportFormulas",
                                      "Menu_LibraryManagement", "Menu_Exit"}));
  EXPECT_EQ(Main::MenuBar().front().caption, "文件(&F)");
  EXPECT_EQ(Main::MenuBar().back().caption, "软件更新(&U)");
}

}  // namespace
