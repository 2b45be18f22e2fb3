// Importing a user's workbook of 100,000 prescriptions (generated: modern doses, processing
// words fused to names, aliases, a few unknown names) into a formula library: reading the
// workbook, parsing, reconciling every herb name and writing the library. The workbook is made
// in a child process, so the peak memory counter is the import's own.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>

#include "common/text.h"
#include "common/workbook.h"
#include "formula/formula_import.h"
#include "formula_db_generator.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

constexpr std::uint64_t kRows = 100000;

// How users write what the generator writes in the classic style.
std::string AsUsersWriteIt(std::string composition, std::uint64_t row) {
  static const std::pair<const char*, const char*> kSpellings[] = {
      {"甘草（炙）", "炙甘草"}, {"当归", "川归"}, {"山药", "淮山"},
      {"芍药", "芍葯"},         {"川芎", "川穹"}, {"熟地黄", "熟地"}};
  const auto& [from, to] = kSpellings[row % std::size(kSpellings)];
  composition = ReplaceAll(composition, from, to);
  composition = ReplaceAll(composition, "，", row % 2 ? "、" : " ");
  if (!composition.empty() && EndsWith(composition, "。"))
    composition.resize(composition.size() - 3);
  return composition;
}

struct World {
  World() {
    if (pid_t child = ::fork(); child == 0) {
      ResultTable table{"处方", "", {"方名", "组成", "主治"}, {}};
      for (std::uint64_t i = 0; i < kRows; ++i) {
        std::vector<std::string> f = Split(bench::GeneratedFormulaRecord(i), "\t");
        f.resize(3);
        table.rows.push_back({TableCell::Text(f[0]), TableCell::Text(AsUsersWriteIt(f[1], i)),
                              TableCell::Text(f[2])});
      }
      WriteWorkbook({WorkbookSheet{"处方", "", {}, table, std::nullopt, {}}}, file);
      ::_exit(0);
    } else {
      int status = 0;
      ::waitpid(child, &status, 0);
    }
    world = std::make_unique<test::FakeWorld>(folder.root());
  }
  test::TestFolder folder{LINDORA_BIN_DIR};
  std::filesystem::path file = folder / "处方.xlsx";
  std::unique_ptr<test::FakeWorld> world;
};

void BM_ImportWorkbook(benchmark::State& state) {
  static World* w = new World;
  ImportOptions options;
  options.library = "大表";
  options.replace = true;
  ImportResult result;
  for (auto _ : state) result = RunImport(w->world->session, w->file, options);
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  state.counters["rows"] = static_cast<double>(result.rows_read);
  state.counters["imported"] = static_cast<double>(result.imported);
  state.counters["resolved_share"] =
      result.mentions ? static_cast<double>(result.resolved) / result.mentions : 0;
  state.counters["peak_rss_mb"] = static_cast<double>(usage.ru_maxrss) / 1024;
}

BENCHMARK(BM_ImportWorkbook)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
}  // namespace lindora

BENCHMARK_MAIN();
