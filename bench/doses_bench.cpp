// The dose table of a generated database of 100,000 formulas taken as the current result set:
// the whole run (reading and parsing the compositions, the statistics, the file) and the
// statistics alone.
#include <benchmark/benchmark.h>

#include <memory>

#include "analysis/doses/doses_analysis.h"
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
  }
  Session& session() { return world->session; }
  test::TestFolder folder;
  std::unique_ptr<test::FakeWorld> world;
};

World& Shared() {
  static World w;
  return w;
}

void BM_RunDoses(benchmark::State& state) {
  World& w = Shared();
  DosesOptions options;
  options.table = DoseTable::kHan13_8;
  std::size_t rows = 0;
  for (auto _ : state) {
    DosesResult result = RunDoses(w.session(), options);
    if (result.outcome != Outcome::kDone) state.SkipWithError("dose table refused");
    rows = result.rows.size();
  }
  state.counters["rows"] = static_cast<double>(rows);
}

void BM_DoseStatistics(benchmark::State& state) {
  World& w = Shared();
  std::vector<std::vector<HerbMention>> formulas = ReadCompositions(w.folder / "Result/Result.DB");
  std::size_t rows = 0;
  for (auto _ : state) rows = DoseRows(CollectDoses(formulas, DoseTable::kHan13_8)).size();
  state.counters["rows"] = static_cast<double>(rows);
}

BENCHMARK(BM_RunDoses)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DoseStatistics)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lindora

BENCHMARK_MAIN();
