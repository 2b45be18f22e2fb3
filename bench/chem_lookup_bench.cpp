// The ingredient list of a herb with 1000 compounds against the shipped compound file, and the
// matching of 1000 compounds against the shipped reference sets. The converter is left out: a
// stand-in port answers at once without drawing, so only the reading and filling is measured.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "chem/active_matching.h"
#include "chem/chem_analysis.h"
#include "chem/herb_chem_actions.h"
#include "common/files.h"
#include "common/gbk.h"
#include "common/text.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace fs = std::filesystem;
using namespace lindora;

namespace {

class InstantConverter : public Converter {
 public:
  ConverterResult Run(const fs::path&, const std::vector<std::string>&) override { return {}; }
};

// A folder with the shipped data and one extra herb (number 1) linked to 1000 shipped compounds
// spread over the whole compound file.
struct Folder {
  Folder() {
    fs::path db = fs::path(LINDORA_BIN_DIR) / "DB";
    fs::copy(db, f / "DB", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    std::vector<std::string> ids;
    ForEachLine(db / "Compound.DB", [&](const std::string& line) {
      ids.push_back(line.substr(0, line.find('\t')));
      return true;
    });
    std::vector<std::string> links;
    for (int k = 0; k < 1000; ++k)
      links.push_back("1\t" + ids[ids.size() - 1 - k * (ids.size() / 1000)]);
    f.WriteLines("DB/Herb_Compound.DB", links);
  }
  lindora::test::TestFolder f;
};

Folder& Shared() {
  static Folder folder;
  return folder;
}

void BM_IngredientListOf1000Compounds(benchmark::State& state) {
  InstantConverter converter;
  lindora::test::FakeWorld w(Shared().f.root(), &converter);
  std::string herb = Split(ReadLines(Shared().f / "DB/Herb_Name.DB")[1], "\t")[2];
  for (auto _ : state) {
    ShowHerbIngredients(w.session, herb);
    w.dialogs.shown.clear();
  }
  if (w.session.Window<ChemAnalysis>().FlexGrid().Rows() != 1001)
    state.SkipWithError("not 1000 rows");
}
BENCHMARK(BM_IngredientListOf1000Compounds)->Unit(benchmark::kMillisecond);

void BM_Matching1000Compounds(benchmark::State& state) {
  InstantConverter converter;
  lindora::test::FakeWorld w(Shared().f.root(), &converter);
  std::string herb = Split(ReadLines(Shared().f / "DB/Herb_Name.DB")[1], "\t")[2];
  ShowHerbIngredients(w.session, herb);
  ChemAnalysis& chem = w.session.Window<ChemAnalysis>();
  const ActivityKind kind =
      state.range(0) ? ActivityKind::kAnticancer : ActivityKind::kAntiinfluenza;
  for (auto _ : state) {
    FindActiveComponents(chem, kind);
    w.dialogs.shown.clear();
  }
}
BENCHMARK(BM_Matching1000Compounds)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
