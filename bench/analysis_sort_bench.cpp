// The exact descending sort on tables shaped like group tables: a long tail of small counts
// with many ties.
#include <benchmark/benchmark.h>

#include <random>

#include "stats/sort_by_count.h"

namespace lindora {
namespace {

void BM_SortByCountOrder(benchmark::State& state) {
  std::mt19937_64 rng(5);
  std::geometric_distribution<int> tail(0.25);
  std::vector<std::int64_t> counts(static_cast<std::size_t>(state.range(0)));
  for (auto& c : counts) c = 1 + tail(rng);
  for (auto _ : state) benchmark::DoNotOptimize(SortByCountOrder(counts));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_SortByCountOrder)
    ->Arg(10000)
    ->Arg(200000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lindora

BENCHMARK_MAIN();
