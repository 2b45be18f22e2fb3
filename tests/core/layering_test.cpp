// The subsystem folders of src/ include each other in one direction only, with common/ at the
// bottom: a cross-window operation goes through the session's workflows or the list of analyses,
// never a circle of includes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

TEST(LayeringTest, SubsystemFoldersIncludeEachOtherWithoutCycles) {
  const fs::path src = fs::path(LINDORA_SOURCE_DIR) / "src";
  const std::regex include(R"re(^\s*#\s*include\s*"([A-Za-z_]+)/)re");
  std::map<std::string, std::set<std::string>> uses;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file()) continue;
    const std::string folder = fs::relative(entry.path(), src).begin()->string();
    uses[folder];
    std::ifstream in(entry.path());
    std::string line;
    std::smatch m;
    while (std::getline(in, line))
      if (std::regex_search(line, m, include) && m[1] != folder) uses[folder].insert(m[1]);
  }
  ASSERT_TRUE(uses.count("formula") && uses.count("herb") && uses.count("chem"));
  EXPECT_TRUE(uses["common"].empty()) << "common/ includes " << *uses["common"].begin();

  // Depth-first search; a folder met again while still on the path closes a circle.
  std::map<std::string, int> state;  // 1 on the path, 2 done
  std::vector<std::string> path;
  std::string circle;
  std::function<bool(const std::string&)> visit = [&](const std::string& folder) {
    if (state[folder] == 2) return false;
    path.push_back(folder);
    if (state[folder] == 1) {
      auto start = std::find(path.begin(), path.end(), folder);
      for (auto it = start; it != path.end(); ++it) circle += (it == start ? "" : " -> ") + *it;
      return true;
    }
    state[folder] = 1;
    for (const std::string& used : uses[folder])
      if (visit(used)) return true;
    state[folder] = 2;
    path.pop_back();
    return false;
  };
  for (const auto& [folder, used] : uses)
    if (visit(folder)) break;
  EXPECT_EQ(circle, "") << "subsystem folders include each other in a circle";
}

}  // namespace
