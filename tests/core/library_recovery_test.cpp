// An import killed at any point: the next listing shows the library whole (old or new content)
// and leaves no hidden folder in DB/.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "common/folder_swap.h"
#include "common/session.h"
#include "formula/library.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

namespace fs = std::filesystem;

long EndedProcess() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

TEST(LibraryRecoveryTest, AKillAtAnyPointLeavesOldOrNewLibraryAndNoHiddenFolder) {
  const std::string dead = std::to_string(EndedProcess());
  const std::string importing = ".方剂.importing-" + dead, replaced = ".方剂.replaced-" + dead;
  // Folder → content ("old", "new", "part" = a folder half written or half removed).
  struct Case {
    const char* when;
    std::vector<std::pair<std::string, std::string>> folders;
    std::string expected;  // what the library holds afterwards; empty: no library
  };
  const std::vector<Case> cases = {
      {"writing the new folder", {{"方剂", "old"}, {importing, "part"}}, "old"},
      {"new folder written, not swapped", {{"方剂", "old"}, {importing, "new"}}, "old"},
      {"exchanged, old not yet removed", {{"方剂", "new"}, {importing, "old"}}, "new"},
      {"old removed half", {{"方剂", "new"}, {importing, "part"}}, "new"},
      {"old set aside, new not in place", {{replaced, "old"}, {importing, "new"}}, "old"},
      {"new in place, aside not removed", {{"方剂", "new"}, {replaced, "old"}}, "new"},
      {"aside removed half", {{"方剂", "new"}, {replaced, "part"}}, "new"},
      {"first import, before its rename", {{importing, "new"}}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.when);
    test::TestFolder folder;
    test::FakeWorld world{folder.root()};
    for (const auto& [name, content] : c.folders) {
      if (content == "part")
        folder.WriteBytes("DB/" + name + "/其他列.tsv", "x");
      else
        folder.WriteLines("DB/" + name + "/Fangji.DB", {content + "方\t甘草"});
    }
    const auto libraries = ListLibraries(world.session);
    ASSERT_EQ(libraries.size(), c.expected.empty() ? 1u : 2u);
    if (!c.expected.empty()) {
      EXPECT_EQ(libraries[1].name, "方剂");
      EXPECT_EQ(folder.ReadLines("DB/方剂/Fangji.DB"),
                std::vector<std::string>{c.expected + "方\t甘草"});
    }
    for (const auto& entry : fs::directory_iterator(folder.root() / "DB"))
      EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
  }
}

TEST(LibraryRecoveryTest, FoldersOfALiveProcessAreLeftAloneAndStartMendsToo) {
  test::TestFolder folder;
  const std::string mine = std::to_string(::getpid()), dead = std::to_string(EndedProcess());
  folder.WriteLines("DB/.甲.replaced-" + mine + "/Fangji.DB", {"甲方"});
  folder.WriteLines("DB/.乙.importing-" + mine + "/Fangji.DB", {"乙方"});
  folder.WriteLines("DB/.丙.replaced-" + dead + "/Fangji.DB", {"丙方"});
  PrepareProgramFolder(folder.root());
  EXPECT_TRUE(fs::exists(folder.root() / "DB" / (".甲.replaced-" + mine)));
  EXPECT_TRUE(fs::exists(folder.root() / "DB" / (".乙.importing-" + mine)));
  EXPECT_EQ(folder.ReadLines("DB/丙/Fangji.DB"), std::vector<std::string>{"丙方"});
}

TEST(LibraryRecoveryTest, SwapReplacesAWholeFolderAndLeavesNothingHidden) {
  test::TestFolder folder;
  const fs::path library = folder.root() / "DB" / "库";
  for (const char* content : {"一", "二"}) {
    folder.WriteLines("DB/" + FolderSwapTemporary(library).filename().string() + "/Fangji.DB",
                      {content});
    ASSERT_EQ(SwapFolderIn(FolderSwapTemporary(library), library), 0);
    EXPECT_EQ(folder.ReadLines("DB/库/Fangji.DB"), std::vector<std::string>{content});
  }
  for (const auto& entry : fs::directory_iterator(folder.root() / "DB"))
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
}

}  // namespace
}  // namespace lindora
