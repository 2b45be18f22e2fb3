// The herb network of a generated database of 100,000 formulas: the 100 most frequent herbs as
// nodes, built (pair counts), partitioned, measured and laid out; and the whole window operation
// (standardisation, reading, the network, the four files).
#include <benchmark/benchmark.h>

#include <memory>

#include "analysis/herb_network.h"
#include "analysis/herb_network_window.h"
#include "analysis/transactions.h"
#include "formula_db_generator.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

constexpr std::uint64_t kFormulas = 100000;

struct World {
  World() {
    bench::WriteFormulaDb(folder / "Result/Result.DB", kFormulas);
    world = std::make_unique<test::FakeWorld>(folder.root());
    transactions = HerbTransactionsOfResultSet(world->session);
  }
  test::TestFolder folder;
  std::unique_ptr<test::FakeWorld> world;
  Transactions transactions;
};

World& Shared() {
  static World w;
  return w;
}

const NetworkThresholds kTop100{.top = 100, .min_frequency = 0, .min_edge = 2};

// Building (the pair counts over every formula), layout and partition.
void BM_NetworkTop100(benchmark::State& state) {
  World& w = Shared();
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
  World& w = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(BuildHerbNetwork(w.transactions, kTop100));
}

void BM_AnalyseTop100(benchmark::State& state) {
  World& w = Shared();
  HerbNetwork built = BuildHerbNetwork(w.transactions, kTop100);
  for (auto _ : state) {
    HerbNetwork network = built;
    AnalyseHerbNetwork(network);
    benchmark::DoNotOptimize(network);
  }
}

// What the window does on a redraw: standardise, read, build, analyse, write the files.
void BM_WindowDrawTop100(benchmark::State& state) {
  World& w = Shared();
  HerbNetworkWindow& window = w.world->session.Window<HerbNetworkWindow>();
  window.SetNodeValue("100");
  for (auto _ : state) benchmark::DoNotOptimize(window.Draw());
}

BENCHMARK(BM_NetworkTop100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildTop100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalyseTop100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowDrawTop100)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lindora

BENCHMARK_MAIN();
