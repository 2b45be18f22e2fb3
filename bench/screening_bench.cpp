// Screening all ingredients of 人参 (482 compounds in the shipped data) with the real converter:
// one batch run for all of them against one run per compound doing the same work. Wall-clock
// time, since the work happens in the converter's process.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "chem/chem_analysis.h"
#include "chem/herb_chem_actions.h"
#include "chem/ingredient_screening.h"
#include "common/process.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace fs = std::filesystem;
using namespace lindora;

namespace {

struct Herb {
  Herb() {
    fs::copy(fs::path(LINDORA_BIN_DIR) / "DB", f / "DB",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    if (ShowHerbIngredients(w.session, "人参") != lindora::Outcome::kDone) return;
    const Grid& grid = w.session.Window<ChemAnalysis>().FlexGrid();
    for (int r = 1; r < grid.Rows(); ++r)
      compounds.push_back({grid.TextMatrix(r, 0), grid.TextMatrix(r, 1), grid.TextMatrix(r, 2),
                           grid.TextMatrix(r, 3)});
  }
  lindora::test::TestFolder f;
  BlockingConverter converter{std::chrono::seconds(120)};
  lindora::test::FakeWorld w{f.root(), &converter};
  std::vector<ScreeningCompound> compounds;
};

Herb& Shared() {
  static Herb herb;
  return herb;
}

void BM_ScreenHerbInOneRun(benchmark::State& state) {
  Herb& h = Shared();
  if (h.compounds.empty()) return state.SkipWithError("人参 has no ingredients");
  std::size_t with_values = 0;
  for (auto _ : state) {
    with_values = 0;
    for (const ScreeningResult& r : ScreenCompounds(h.w.session, h.compounds))
      with_values += r.texts.has_value();
  }
  state.counters["compounds"] = static_cast<double>(h.compounds.size());
  state.counters["with_values"] = static_cast<double>(with_values);
}
BENCHMARK(BM_ScreenHerbInOneRun)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_ScreenHerbOneRunPerCompound(benchmark::State& state) {
  Herb& h = Shared();
  if (h.compounds.empty()) return state.SkipWithError("人参 has no ingredients");
  std::size_t with_values = 0;
  for (auto _ : state) {
    with_values = 0;
    for (const ScreeningCompound& c : h.compounds)
      with_values += ScreenCompounds(h.w.session, {c})[0].texts.has_value();
  }
  state.counters["compounds"] = static_cast<double>(h.compounds.size());
  state.counters["with_values"] = static_cast<double>(with_values);
}
BENCHMARK(BM_ScreenHerbOneRunPerCompound)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
