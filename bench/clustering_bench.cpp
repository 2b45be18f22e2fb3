// Herb clustering (top 100) and core combinations (size 4) on the generated database of
// 100,000 formulas: the computation alone, and the whole engine (standardisation, reading, the
// computation, the result files) as the window and the console run it.
#include <benchmark/benchmark.h>

#include <memory>

#include "analysis/core_combinations/core_combinations_analysis.h"
#include "analysis/herb_clustering/herb_clustering_analysis.h"
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
    bench::WriteFormulaDb(folder / "DB/Fangji.DB", kFormulas);
    world = std::make_unique<test::FakeWorld>(folder.root());
    transactions = HerbTransactionsOfResultSet(world->session);
  }
  test::TestFolder folder;
  std::unique_ptr<test::FakeWorld> world;
  Transactions transactions;
};

World& Shared() {
  static World world;
  return world;
}

HerbClusteringOptions Top100() {
  HerbClusteringOptions o;
  o.top = 100;
  return o;
}

// Argument: the minimum association ×100 (10 = the default 0.1; 0 links every frequent pair).
CoreOptions Size4(const benchmark::State& state) {
  CoreOptions o;
  o.size = 4;
  o.min_association = static_cast<double>(state.range(0)) / 100;
  return o;
}

void BM_ClusterHerbsTop100(benchmark::State& state) {
  World& w = Shared();
  HerbClustering c;
  for (auto _ : state) c = ClusterHerbs(w.transactions, Top100());
  state.counters["herbs"] = static_cast<double>(c.herbs.size());
}

void BM_HerbClusteringEngine(benchmark::State& state) {
  World& w = Shared();
  for (auto _ : state) {
    HerbClustering c;
    AnalysisOutput out;
    benchmark::DoNotOptimize(RunHerbClustering(w.world->session, Top100(), c, out));
  }
}

void BM_CoreCombinationsSize4(benchmark::State& state) {
  World& w = Shared();
  CoreAnalysis r;
  for (auto _ : state) r = FindCoreCombinations(w.transactions, Size4(state));
  state.counters["herbs"] = static_cast<double>(r.herbs.size());
  state.counters["qualifying"] = static_cast<double>(r.qualifying);
}

// With the candidates compared against a library of 100,000 formulas and the three files.
void BM_CoreCombinationsEngine(benchmark::State& state) {
  World& w = Shared();
  for (auto _ : state) {
    CoreAnalysis r;
    AnalysisOutput out;
    benchmark::DoNotOptimize(RunCoreCombinations(w.world->session, Size4(state), r, out));
  }
}

BENCHMARK(BM_ClusterHerbsTop100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HerbClusteringEngine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CoreCombinationsSize4)->Arg(10)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CoreCombinationsEngine)->Arg(10)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lindora

BENCHMARK_MAIN();
