// The herb network of generated databases of 100,000 formulas: the 100 most frequent herbs as
// nodes, built (pair counts), partitioned, measured and laid out; and the whole window operation
// (standardisation, reading, the network, the four files).
//
// The shared generator draws from 60 herbs uniformly, which gives 60 nodes joined all to all. The
// second database has what a network needs: 400 herbs in 8 families of unequal frequency, each
// formula drawing most of its herbs from one family, so there are more than 100 herbs and real
// communities.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "analysis/network/herb_network.h"
#include "analysis/network/network_window.h"
#include "analysis/transactions.h"
#include "formula_db_generator.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

constexpr std::uint64_t kFormulas = 100000;

// Herb names of two characters, no digits (the composition clean-up removes them).
std::string HerbName(int i) {
  static const std::vector<std::string> kFirst = {"赤", "白", "青", "黄", "紫", "金", "银",
                                                  "玉", "石", "木", "水", "火", "土", "山",
                                                  "川", "云", "天", "地", "海", "龙"};
  static const std::vector<std::string> kSecond = {"参", "芍", "芪", "苓", "术", "草", "花",
                                                   "叶", "根", "子", "皮", "藤", "香", "胶",
                                                   "砂", "连", "归", "芎", "母", "仁"};
  return kFirst[static_cast<std::size_t>(i / 20)] + kSecond[static_cast<std::size_t>(i % 20)];
}

void WriteFamilyDb(const test::TestFolder& folder, std::uint64_t records) {
  constexpr int kFamilies = 8, kPerFamily = 50;
  std::mt19937_64 rng(11);
  auto below = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
  std::vector<std::string> lines;
  lines.reserve(records);
  for (std::uint64_t r = 0; r < records; ++r) {
    // Families and herbs within a family get rarer down the list.
    const int family = std::min(below(kFamilies), below(kFamilies));
    std::string line = "方" + HerbName(static_cast<int>(r % 400)) + "\t";
    const int herbs = 8 + below(8);
    for (int h = 0; h < herbs; ++h) {
      const int pick = std::min(below(kPerFamily), below(kPerFamily));
      const int herb =
          below(10) < 7 ? family * kPerFamily + pick : below(kFamilies) * kPerFamily + pick;
      line += (h ? "，" : "") + HerbName(herb) + "3两";
    }
    lines.push_back(line + "。\t发热，恶寒\t");
  }
  folder.WriteLines("Result/Result.DB", lines);
}

struct World {
  explicit World(bool families) {
    if (families)
      WriteFamilyDb(folder, kFormulas);
    else
      bench::WriteFormulaDb(folder / "Result/Result.DB", kFormulas);
    world = std::make_unique<test::FakeWorld>(folder.root());
    transactions = HerbTransactionsOfResultSet(world->session);
  }
  test::TestFolder folder;
  std::unique_ptr<test::FakeWorld> world;
  Transactions transactions;
};

// Argument 0: the shared generator; 1: the herb families.
World& Shared(const benchmark::State& state) {
  static World uniform(false), families(true);
  return state.range(0) ? families : uniform;
}

const NetworkThresholds kTop100{.top = 100, .min_frequency = 0, .min_edge = 2};

// Building (the pair counts over every formula), layout and partition.
void BM_NetworkTop100(benchmark::State& state) {
  World& w = Shared(state);
  HerbNetwork network;
  for (auto _ : state) {
    network = BuildHerbNetwork(w.transactions, kTop100);
    AnalyseHerbNetwork(network);
  }
  state.counters["nodes"] = static_cast<double>(network.nodes.size());
  state.counters["edges"] = static_cast<double>(network.edges.size());
  state.counters["communities"] = network.communities;
}

void BM_BuildTop100(benchmark::State& state) {
  World& w = Shared(state);
  for (auto _ : state) benchmark::DoNotOptimize(BuildHerbNetwork(w.transactions, kTop100));
}

void BM_AnalyseTop100(benchmark::State& state) {
  World& w = Shared(state);
  HerbNetwork built = BuildHerbNetwork(w.transactions, kTop100);
  for (auto _ : state) {
    HerbNetwork network = built;
    AnalyseHerbNetwork(network);
    benchmark::DoNotOptimize(network);
  }
}

// What the window does on a redraw: standardise, read, build, analyse, write the files.
void BM_WindowDrawTop100(benchmark::State& state) {
  World& w = Shared(state);
  HerbNetworkWindow& window = w.world->session.Window<HerbNetworkWindow>();
  window.SetNodeValue("100");
  for (auto _ : state) benchmark::DoNotOptimize(window.Draw());
}

BENCHMARK(BM_NetworkTop100)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildTop100)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalyseTop100)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowDrawTop100)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lindora

BENCHMARK_MAIN();
