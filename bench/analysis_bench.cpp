// The formula-set analyses on a generated database of 100,000 formulas taken as the current
// result set: standardisation, herb frequency, the whole herb-pair analysis (pairs, triples and
// quadruples with their files and grids) and the symptom analysis.
#include <benchmark/benchmark.h>

#include <memory>

#include "analysis/formula_set_actions.h"
#include "analysis/herb_frequency/herb_groups.h"
#include "analysis/herb_table.h"
#include "analysis/standardize.h"
#include "analysis/symptoms/symptom_table.h"
#include "common/files.h"
#include "formula_db_generator.h"
#include "stats/sort_by_count.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

constexpr std::uint64_t kFormulas = 100000;

struct World {
  World() {
    bench::WriteFormulaDb(folder / "Result/Result.DB", kFormulas);
    world = std::make_unique<test::FakeWorld>(folder.root());
  }
  Session& session() { return world->session; }
  test::TestFolder folder;
  std::unique_ptr<test::FakeWorld> world;
};

World& Shared() {
  static World w;
  return w;
}

std::int64_t Lines(const std::filesystem::path& path) {
  std::int64_t n = 0;
  ForEachLine(path, [&](const std::string&) { return ++n, true; });
  return n;
}

void BM_StandardResult(benchmark::State& state) {
  World& w = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(StandardResult(w.session()));
  state.counters["formulas"] = static_cast<double>(kFormulas);
}

void BM_HerbFrequency(benchmark::State& state) {
  World& w = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(RunDanweiyaoAnalysis(w.session()));
  state.counters["herbs"] = static_cast<double>(Lines(w.folder / "Result/Yaodui_Analysis1.txt"));
}

// The whole menu item: standardisation, herb table, threshold, groups of 2, 3 and 4 with the
// exact sort, the six group files and the three grids.
void BM_HerbPairAnalysis(benchmark::State& state) {
  World& w = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(RunYaoduiAnalysis(w.session()));
  for (int n = 2; n <= 4; ++n)
    state.counters["groups" + std::to_string(n)] = static_cast<double>(
        Lines(w.folder / ("Result/Yaodui_Analysis" + std::to_string(n) + ".txt")));
}

// Counting and the exact sort of the quadruples alone, on the formulas' qualifying herbs.
void BM_CountQuadruples(benchmark::State& state) {
  World& w = Shared();
  StandardResult(w.session());
  HerbTable table = BuildCMTable(w.session());
  auto formulas =
      QualifyingFormulas(w.folder / "Result/Result.DB.stand", table, GroupThreshold(table));
  std::size_t groups = 0;
  for (auto _ : state) groups = CountGroups(formulas, 4).NumYaodui();
  state.counters["groups4"] = static_cast<double>(groups);
  state.counters["threshold"] = static_cast<double>(GroupThreshold(table));
}

void BM_SymptomAnalysis(benchmark::State& state) {
  World& w = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(RunSymptomAnalysis(w.session()));
  state.counters["symptoms"] =
      static_cast<double>(CountSymptoms(w.folder / "Result/Result.DB").NumSymptom());
}

BENCHMARK(BM_StandardResult)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_HerbFrequency)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_HerbPairAnalysis)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CountQuadruples)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SymptomAnalysis)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace lindora

BENCHMARK_MAIN();
