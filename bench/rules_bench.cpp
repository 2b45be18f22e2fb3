// Association rules of a generated database taken whole as the current result set: the run
// button of the window (standardisation, mining, both files, the grid) at 10,000, 100,000 and
// 1,000,000 formulas with minimum support 1%, confidence 0.5 and rules of up to four herbs; and
// the mining alone at 100,000; and a low-threshold run with many rules.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "analysis/rules/rules_window.h"
#include "formula_db_generator.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

struct World {
  explicit World(std::uint64_t formulas) {
    bench::WriteFormulaDb(folder / "Result/Result.DB", formulas);
    world = std::make_unique<test::FakeWorld>(folder.root());
    AssociationRulesWindow& w = window();
    w.SetTextMinSupport("1%");
    w.SetTextMinConfidence("0.5");
    w.SetTextMinLift("0");
    w.SetTextMaxSize("4");
  }
  AssociationRulesWindow& window() { return world->session.Window<AssociationRulesWindow>(); }
  test::TestFolder folder;
  std::unique_ptr<test::FakeWorld> world;
};

World& Shared(std::uint64_t formulas) {
  static std::map<std::uint64_t, std::unique_ptr<World>> worlds;
  auto& w = worlds[formulas];
  if (!w) w = std::make_unique<World>(formulas);
  return *w;
}

void Counters(benchmark::State& state, const RuleMining& m) {
  state.counters["formulas"] = static_cast<double>(m.n);
  state.counters["min_count"] = static_cast<double>(m.min_count);
  state.counters["itemsets"] = static_cast<double>(m.itemsets.size());
  state.counters["rules"] = static_cast<double>(m.rules.size());
}

void BM_AssociationRulesRun(benchmark::State& state) {
  World& w = Shared(static_cast<std::uint64_t>(state.range(0)));
  for (auto _ : state) {
    if (w.window().Cmd_Run_Click() != Outcome::kDone) state.SkipWithError("run refused");
  }
  Counters(state, w.window().Mining());
}

// A low threshold on the same data: many triples and quadruples, and tens of thousands of rules
// to sort and write.
void BM_AssociationRulesLowThresholds(benchmark::State& state) {
  World& w = Shared(static_cast<std::uint64_t>(state.range(0)));
  AssociationRulesWindow& window = w.window();
  window.SetTextMinSupport("0.1%");
  window.SetTextMinConfidence("0.1");
  for (auto _ : state) {
    if (window.Cmd_Run_Click() != Outcome::kDone) state.SkipWithError("run refused");
  }
  Counters(state, window.Mining());
  window.SetTextMinSupport("1%");
  window.SetTextMinConfidence("0.5");
}

void BM_MineRulesOnly(benchmark::State& state) {
  World& w = Shared(static_cast<std::uint64_t>(state.range(0)));
  Transactions items = HerbTransactionsOfResultSet(w.world->session);
  const std::int64_t min_count =
      MinSupportCount({true, {1, 1}}, static_cast<std::int64_t>(items.N()));
  RuleMining m;
  for (auto _ : state) m = MineRules(items, min_count, 4, {1, 2}, {0, 1});
  Counters(state, m);
}

BENCHMARK(BM_AssociationRulesRun)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_AssociationRulesRun)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_AssociationRulesLowThresholds)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_MineRulesOnly)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace lindora

BENCHMARK_MAIN();
