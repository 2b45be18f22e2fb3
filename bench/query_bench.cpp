// The keyword query on a generated 100,000-record database, in process.
#include <benchmark/benchmark.h>

#include "common/files.h"
#include "formula/formula_db.h"
#include "formula/keyword_query.h"
#include "formula_db_generator.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace {

using namespace lindora;

struct Fixture {
  Fixture() : world(folder.root()) { bench::WriteFormulaDb(folder / "DB/Fangji.DB", 100000); }
  test::TestFolder folder;
  test::FakeWorld world;
};

Fixture& Shared() {
  static Fixture f;
  return f;
}

void RunOne(benchmark::State& state, const char* text) {
  Fixture& f = Shared();
  std::int64_t count = 0;
  for (auto _ : state) {
    QueryOutcome o = RunQuery(f.world.session, text, false, false);
    count = o.count;
    benchmark::DoNotOptimize(count);
  }
  state.counters["selected"] = static_cast<double>(count);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(
                                                   f.folder / "DB/Fangji.DB")));
}

void BM_QueryOneKeyword(benchmark::State& state) {
  RunOne(state, "麻黄");
}
void BM_QueryFourTermsWithNotAndOr(benchmark::State& state) {
  RunOne(state, "麻黄 桂枝 -石膏 发热OR恶寒");
}
void BM_CleanRecordLine(benchmark::State& state) {
  std::string line = bench::GeneratedFormulaRecord(7) + "  \t  x";
  for (auto _ : state) {
    std::string copy = line;
    CleanRecordLineInPlace(copy);
    benchmark::DoNotOptimize(copy);
  }
}

BENCHMARK(BM_QueryOneKeyword)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QueryFourTermsWithNotAndOr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CleanRecordLine);

}  // namespace

BENCHMARK_MAIN();
