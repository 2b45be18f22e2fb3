// The herb network: nodes, edge weights, thresholds, communities, and the window's refusals.
#include "analysis/network/herb_network.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "analysis/formula_set_actions.h"
#include "analysis/network/network_window.h"
#include "formula/fangji_analysis.h"
#include "support/cli_runner.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

using Weights = std::map<std::pair<std::string, std::string>, std::int64_t>;

Weights EdgesByName(const HerbNetwork& n) {
  Weights w;
  for (const NetworkEdge& e : n.edges) {
    EXPECT_LT(e.source, e.target);
    w[{n.nodes[e.source].name, n.nodes[e.target].name}] = e.weight;
  }
  return w;
}

std::vector<std::string> NodeNames(const HerbNetwork& n) {
  std::vector<std::string> names;
  for (const NetworkNode& node : n.nodes) names.push_back(node.name);
  return names;
}

Transactions Read(const test::TestFolder& folder, const std::vector<std::string>& lines) {
  folder.WriteLines("Result/Result.DB.stand", lines);
  return ReadHerbTransactions(folder / "Result/Result.DB.stand");
}

TEST(HerbNetworkTest, NodesEdgesAndThresholds) {
  test::TestFolder folder;
  // 甲 is listed twice in the first formula and counts once there.
  Transactions t = Read(folder, {"a\t甲、乙、丙、甲\t\t", "b\t甲、乙\t\t", "c\t甲、乙、丁\t\t",
                                 "d\t丙、丁\t\t", "e\t戊\t\t"});
  // Frequencies 甲 3, 乙 3, 丙 2, 丁 2, 戊 1.
  HerbNetwork top2 = BuildHerbNetwork(t, {.top = 2, .min_frequency = 0, .min_edge = 2});
  EXPECT_EQ(NodeNames(top2), (std::vector<std::string>{"乙", "甲"}));
  EXPECT_EQ(EdgesByName(top2), (Weights{{{"乙", "甲"}, 3}}));

  // A cut at three falls between 丁 and 丙, which are equally frequent: both are taken.
  HerbNetwork top3 = BuildHerbNetwork(t, {.top = 3, .min_frequency = 0, .min_edge = 2});
  EXPECT_EQ(NodeNames(top3), (std::vector<std::string>{"乙", "甲", "丁", "丙"}));
  EXPECT_EQ(top3.edges.size(), 1u);

  HerbNetwork all = BuildHerbNetwork(t, {.top = 30, .min_frequency = 2, .min_edge = 1});
  EXPECT_EQ(NodeNames(all), NodeNames(top3));
  EXPECT_EQ(EdgesByName(all), (Weights{{{"乙", "甲"}, 3},
                                       {{"乙", "丙"}, 1},
                                       {{"甲", "丙"}, 1},
                                       {{"乙", "丁"}, 1},
                                       {{"甲", "丁"}, 1},
                                       {{"丁", "丙"}, 1}}));
  // Heaviest edge first.
  EXPECT_EQ(all.edges.front().weight, 3);
}

// Random formulas, counted pair by pair by brute force, over a small and a large item set.
TEST(HerbNetworkTest, EdgeWeightsMatchABruteForceCount) {
  std::mt19937 rng(7);
  for (int items : {12, 400}) {
    test::TestFolder folder;
    std::vector<std::string> lines;
    std::vector<std::set<std::string>> formulas;
    const bool large = items > 100;
    for (int f = 0; f < (large ? 1500 : 400); ++f) {
      std::string herbs;
      std::set<std::string> distinct;
      const int size = 1 + static_cast<int>(rng() % 8);
      for (int k = 0; k < size; ++k) {
        // Skewed towards low numbers so that frequencies differ.
        int id = static_cast<int>(large ? rng() % items : std::min(rng() % items, rng() % items));
        std::string name = "药" + std::to_string(id);
        herbs += (k ? "、" : "") + name;
        distinct.insert(name);
      }
      lines.push_back("f\t" + herbs + "\t\t");
      formulas.push_back(distinct);
    }
    Transactions t = Read(folder, lines);
    NetworkThresholds th{.top = 30, .min_frequency = large ? 1 : 0, .min_edge = large ? 1 : 2};
    HerbNetwork n = BuildHerbNetwork(t, th);
    const std::vector<std::string> names = NodeNames(n);
    const std::set<std::string> nodes(names.begin(), names.end());
    Weights expected;
    for (const auto& f : formulas)
      for (auto a = f.begin(); a != f.end(); ++a)
        for (auto b = std::next(a); b != f.end(); ++b)
          if (nodes.contains(*a) && nodes.contains(*b)) ++expected[{*a, *b}];
    std::erase_if(expected, [&](const auto& kv) { return kv.second < th.min_edge; });
    Weights got;
    for (auto [pair, w] : EdgesByName(n))
      got[pair.first < pair.second ? pair : std::pair{pair.second, pair.first}] = w;
    EXPECT_EQ(got, expected) << items << " items";
  }
}

TEST(HerbNetworkTest, TwoGroupsJoinedByOneHerbAreTwoStableCommunities) {
  test::TestFolder folder;
  std::vector<std::string> lines;
  for (int i = 0; i < 5; ++i) {
    lines.push_back("x\t甲、乙、丙、丁\t\t");
    lines.push_back("y\t子、丑、寅、卯\t\t");
  }
  lines.push_back("z\t丁、子\t\t");
  lines.push_back("z\t丁、子\t\t");
  Transactions t = Read(folder, lines);
  HerbNetwork a = BuildHerbNetwork(t, {});
  AnalyseHerbNetwork(a);
  HerbNetwork b = BuildHerbNetwork(t, {});
  AnalyseHerbNetwork(b);
  EXPECT_EQ(a.communities, 2);
  std::map<std::string, const NetworkNode*> by_name;
  for (const NetworkNode& node : a.nodes) by_name[node.name] = &node;
  for (const char* name : {"甲", "乙", "丙"})
    EXPECT_EQ(by_name[name]->community, by_name["丁"]->community);
  for (const char* name : {"丑", "寅", "卯"})
    EXPECT_EQ(by_name[name]->community, by_name["子"]->community);
  EXPECT_NE(by_name["丁"]->community, by_name["子"]->community);
  // The two herbs of the bridge carry every shortest path between the groups.
  EXPECT_EQ(by_name["丁"]->betweenness, 12);
  EXPECT_EQ(by_name["甲"]->betweenness, 0);
  EXPECT_EQ(by_name["丁"]->degree, 4);
  EXPECT_EQ(by_name["丁"]->strength, 5 * 3 + 2);
  EXPECT_GT(by_name["丁"]->closeness, by_name["甲"]->closeness);
  for (std::size_t i = 0; i < a.nodes.size(); ++i) {
    EXPECT_EQ(a.nodes[i].community, b.nodes[i].community);
    EXPECT_EQ(a.nodes[i].x, b.nodes[i].x);
    EXPECT_EQ(a.nodes[i].y, b.nodes[i].y);
  }
  std::vector<std::size_t> order = NodesByStrength(a);
  EXPECT_EQ(a.nodes[order[0]].strength, 17);
}

class HerbNetworkWindowTest : public ::testing::Test {
 protected:
  std::string Bytes(const char* name) { return folder.ReadBytes(std::string("Result/") + name); }
  test::TestFolder folder;
  test::FakeWorld world{folder.root()};
};

TEST_F(HerbNetworkWindowTest, DrawsFillsTheTableAndWritesTheFiles) {
  folder.WriteLines("Result/Result.DB", {"甲方\t桂枝、芍药、甘草\t头痛", "乙方\t桂枝、芍药\t发热",
                                         "丙方\t桂枝、甘草\t恶寒"});
  HerbNetworkWindow& w = world.session.Window<HerbNetworkWindow>();
  EXPECT_EQ(w.Draw(), Outcome::kDone);
  EXPECT_TRUE(w.Visible());
  EXPECT_EQ(w.NodeGrid().Rows(), 4);
  EXPECT_EQ(w.NodeGrid().TextMatrix(1, 0), "桂枝");  // weighted degree 4
  EXPECT_EQ(w.NodeGrid().TextMatrix(1, 4), "4");
  EXPECT_EQ(Bytes(kNetworkEdgeCsv),
            "Source,Target,Weight,Type\r\n桂枝,甘草,2,Undirected\r\n桂枝,芍药,2,Undirected\r\n");
  EXPECT_TRUE(Bytes(kNetworkNodeCsv)
                  .starts_with("Id,Label,Frequency,Community,Degree,WeightedDegree,Betweenness,"
                               "Closeness\r\n桂枝,桂枝,3,1,2,4,"));
}

TEST_F(HerbNetworkWindowTest, RefusalsReplaceNoFile) {
  HerbNetworkWindow& w = world.session.Window<HerbNetworkWindow>();
  folder.WriteLines("Result/Result.DB", {"甲方\t桂枝、芍药\t头痛", "乙方\t桂枝、芍药\t发热"});
  ASSERT_EQ(w.Draw(), Outcome::kDone);
  const std::string before = Bytes(kNetworkGexf);

  w.SetEdgeValue("3");  // the only pair occurs twice
  EXPECT_EQ(w.Draw(), Outcome::kRefused);
  w.SetEdgeValue("二");
  EXPECT_EQ(w.Draw(), Outcome::kRefused);
  w.SetEdgeValue("2");
  w.SetNodeValue("-5");
  EXPECT_EQ(w.Draw(), Outcome::kRefused);
  w.SetNodeValue("30");
  folder.WriteLines("Result/Result.DB", {});
  EXPECT_EQ(w.Draw(), Outcome::kRefused);
  EXPECT_EQ(world.dialogs.Messages(),
            (std::vector<std::string>{
                "没有共同出现 3 次以上的药对，无法绘制药物网络；请降低边阈值或增加节点。",
                "边阈值应为 1 到 999999999 之间的整数：二", "节点数应为 1 到 500 之间的整数：-5",
                kNoDataMessage}));
  EXPECT_EQ(Bytes(kNetworkGexf), before);
  EXPECT_EQ(w.NodeGrid().Rows(), 3);  // the last network stays on show
}

TEST_F(HerbNetworkWindowTest, FormulaMenuNeedsAResultRow) {
  folder.WriteLines("Result/Result.DB", {"甲方\t桂枝、芍药\t头痛", "乙方\t桂枝、芍药\t发热"});
  FangjiAnalysis& fangji = world.session.Window<FangjiAnalysis>();
  EXPECT_EQ(fangji.Menu_HerbNetwork_Click(), Outcome::kRefused);
  EXPECT_EQ(world.session.FindWindow<HerbNetworkWindow>(), nullptr);
  fangji.FlexGrid().SetRows(2);
  EXPECT_EQ(fangji.Menu_HerbNetwork_Click(), Outcome::kDone);
  EXPECT_TRUE(world.session.Window<HerbNetworkWindow>().Visible());
}

// The command-line tool end to end: files, the node table, and (when it is built with the Qt
// renderer) the pictures it draws offscreen.
TEST(HerbNetworkCliTest, WritesFilesAndPictures) {
  test::TestFolder folder;
  folder.WriteLines("Result/Result.DB", {"甲方\t桂枝、芍药、甘草\t头痛，发热",
                                         "乙方\t桂枝、芍药\t发热", "丙方\t桂枝、甘草\t恶寒"});
  const std::string root = folder.root().string();
  test::CliRun run = test::RunCli({"--root", root, "network", "--min-edge", "2"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find(" — FlexGrid_Nodes\n药物\t频数\t社区"), std::string::npos);
  for (const char* name : {kNetworkGexf, kNetworkGraphml, kNetworkEdgeCsv, kNetworkNodeCsv})
    EXPECT_TRUE(std::filesystem::exists(folder / (std::string("Result/") + name))) << name;
  EXPECT_EQ(test::RunCli({"--root", root, "network", "--top", "x"}).status, 1);
  EXPECT_EQ(test::RunCli({"--root", root, "network", "--top", "3", "--min-frequency", "2"}).status,
            1);
#ifdef LINDORA_CLI_PICTURES
  for (const char* name : {kNetworkPng, kNetworkSvg})
    EXPECT_TRUE(std::filesystem::exists(folder / (std::string("Result/") + name))) << name;
  const std::string png = (folder / "net.png").string();
  ASSERT_EQ(test::RunCli({"--root", root, "network", "--png", png}).status, 0);
  EXPECT_EQ(folder.ReadBytes("net.png").substr(0, 8), "\x89PNG\r\n\x1a\n");

  const std::string chart = (folder / "chart.png").string();
  run = test::RunCli({"--root", root, "chart", "symptoms", chart});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("发热\t2"), std::string::npos);
  EXPECT_EQ(folder.ReadBytes("chart.png").substr(0, 8), "\x89PNG\r\n\x1a\n");

  // A copy of the tool without its picture module beside it: the picture fails with a message
  // naming the module, the network's files stay as they were, a command without pictures runs.
  const std::filesystem::path alone = folder / "alone";
  std::filesystem::create_directories(alone);
  std::filesystem::copy_file(std::string(LINDORA_BIN_DIR) + "/lindora-cli", alone / "lindora-cli");
  const std::string gexf = folder.ReadBytes(std::string("Result/") + kNetworkGexf);
  run = test::RunCli({"--root", root, "network", "--min-edge", "1"}, {},
                     (alone / "lindora-cli").string());
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("lindora_cli_pictures.so"), std::string::npos) << run.err;
  EXPECT_EQ(folder.ReadBytes(std::string("Result/") + kNetworkGexf), gexf);
  EXPECT_EQ(test::RunCli({"--root", root, "symptoms"}, {}, (alone / "lindora-cli").string()).status,
            0);
#endif
}

}  // namespace
}  // namespace lindora
