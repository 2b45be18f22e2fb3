// Comparing two result sets of 50,000 generated formulas each, all herbs: the whole button
// (standardising both sets, reading their herbs, the tests, the file and the grid) and the
// statistics alone.
#include <benchmark/benchmark.h>

#include <memory>

#include "analysis/compare_sets/compare_sets_window.h"
#include "analysis/result_sets.h"
#include "formula_db_generator.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

constexpr std::uint64_t kFormulas = 50000;

struct World {
  World() {
    std::filesystem::create_directories(folder / "Result/Sets");
    bench::WriteFormulaDb(folder / "Result/Sets/A.DB", kFormulas, 1);
    bench::WriteFormulaDb(folder / "Result/Sets/B.DB", kFormulas, 2);
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

void BM_CompareSetsButton(benchmark::State& state) {
  World& w = Shared();
  CompareSetsWindow& window = w.session().Window<CompareSetsWindow>();
  window.SetSetA("A");
  window.SetSetB("B");
  window.SetMinCountText("0");
  for (auto _ : state)
    if (window.Cmd_Compare_Click() != Outcome::kDone) state.SkipWithError("comparison refused");
  state.counters["herbs"] = static_cast<double>(window.Comparison().items.size());
}

void BM_CompareTransactions(benchmark::State& state) {
  World& w = Shared();
  Transactions a = SetTransactions(w.session(), "A", ItemKind::kHerbs);
  Transactions b = SetTransactions(w.session(), "B", ItemKind::kHerbs);
  std::size_t tested = 0;
  for (auto _ : state) tested = CompareTransactions(a, b, 0).items.size();
  state.counters["herbs"] = static_cast<double>(tested);
}

BENCHMARK(BM_CompareSetsButton)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareTransactions)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lindora

BENCHMARK_MAIN();
