// Herb lookups on the shipped data: one pass per batch, whatever the number of questions.
#include <benchmark/benchmark.h>

#include "common/files.h"
#include "common/session.h"
#include "herb/danti_analysis.h"
#include "herb/herb_files.h"
#include "herb/herb_types.h"
#include "support/fake_ports.h"

namespace {

using namespace lindora;

struct World {
  test::FakeWorld world{LINDORA_BIN_DIR};
  std::vector<std::string> names;
  std::vector<std::int32_t> numbers;
  World() {
    // Every herb of the shipped file, so each batch reads the whole file.
    auto lines = ReadLines(world.session.Path(kHerbNameFile));
    for (std::size_t i = 1; i < lines.size(); ++i) numbers.push_back(static_cast<std::int32_t>(i));
    names = HerbNamesById(world.session, numbers);
  }
};

World& Shared() {
  static World w;
  return w;
}

void BM_HerbIdByNameSingle(benchmark::State& state) {
  World& w = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(HerbIdByName(w.world.session, w.names.back()));
}
BENCHMARK(BM_HerbIdByNameSingle);

void BM_HerbIdsByNameAllHerbs(benchmark::State& state) {
  World& w = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(HerbIdsByName(w.world.session, w.names));
  state.SetItemsProcessed(state.iterations() * static_cast<long>(w.names.size()));
}
BENCHMARK(BM_HerbIdsByNameAllHerbs)->Unit(benchmark::kMillisecond);

void BM_CompoundIdsOfAllHerbs(benchmark::State& state) {
  World& w = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(CompoundIdsOfHerbs(w.world.session, w.numbers));
}
BENCHMARK(BM_CompoundIdsOfAllHerbs)->Unit(benchmark::kMillisecond);

void BM_CompoundIdsOfOneHerb(benchmark::State& state) {
  World& w = Shared();
  std::vector<std::int32_t> ids;
  for (auto _ : state) benchmark::DoNotOptimize(CompoundIdsOfHerb(w.world.session, 424, ids));
}
BENCHMARK(BM_CompoundIdsOfOneHerb)->Unit(benchmark::kMillisecond);

void BM_TypeDistributionOfAllHerbs(benchmark::State& state) {
  World& w = Shared();
  DantiAnalysis& danti = w.world.session.Window<DantiAnalysis>();
  danti.InitializeHerbGrid(2000, 1200);
  for (const auto& n : w.names) danti.AddHerbRow(n, "3");
  for (auto _ : state) {
    w.world.dialogs.inputs.push_back("0");
    danti.Menu_HerbTypeAnalysis_Click();
  }
}
BENCHMARK(BM_TypeDistributionOfAllHerbs)->Unit(benchmark::kMillisecond);

void BM_SearchTwentyKeywords(benchmark::State& state) {
  World& w = Shared();
  DantiAnalysis& danti = w.world.session.Window<DantiAnalysis>();
  std::string text;
  for (std::size_t i = 0; i < 20; ++i) text += w.names[i * 30] + " ";
  danti.SetTextInput(text);
  for (auto _ : state) danti.Cmd_Search_Text_Click();
}
BENCHMARK(BM_SearchTwentyKeywords)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
