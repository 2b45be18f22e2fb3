// The herbs with ingredients similar to a compound, on a made-up library whose "SMILES" are the
// fingerprints themselves: a stand-in converter writes each one back as its FP2 record, so the
// ranking can be checked against a brute-force reckoning of our own. Also the fingerprint cache
// (no second library run, a new one after the compound file changes) and the window's menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <map>
#include <random>
#include <set>

#include "chem/chem_analysis.h"
#include "chem/similar_herbs.h"
#include "common/process.h"
#include "common/text.h"
#include "herb/danti_analysis.h"
#include "support/chem_standins.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

std::string Hex(std::uint32_t w) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", w);
  return text;
}

// Writes every line "SMILES title" back as ">title" and the SMILES, and counts its runs.
constexpr const char* kEchoConverter =
    "echo run >> \"$(dirname \"$0\")/runs.log\"\n"
    "awk '{ sub(/\\r$/, \"\"); print \">\" $2; print $1 }' \"$1\" > \"$3\"";

struct Library {
  std::uint32_t query = 0;
  std::map<int, std::string> smiles;  // compound id -> fingerprint text (or junk)
  std::map<int, std::vector<int>> links;
};

struct Expected {
  int herb;
  double best;
  int best_id, count;
};

std::vector<Expected> Reckon(const Library& lib, double threshold) {
  std::vector<Expected> out;
  for (const auto& [herb, ids] : lib.links) {
    Expected e{herb, -1, 0, 0};
    for (int id : std::set<int>(ids.begin(), ids.end())) {
      auto it = lib.smiles.find(id);
      if (it == lib.smiles.end() || it->second.size() != 8 || it->second == "zzzzzzzz") continue;
      const std::uint32_t w = static_cast<std::uint32_t>(std::stoul(it->second, nullptr, 16));
      const int either = std::popcount(w | lib.query);
      const double t = either == 0 ? 0 : double(std::popcount(w & lib.query)) / either;
      if (t >= threshold) ++e.count;
      if (t > e.best) e.best = t, e.best_id = id;
    }
    if (e.count > 0) out.push_back(e);
  }
  std::sort(out.begin(), out.end(), [](const Expected& a, const Expected& b) {
    if (a.best != b.best) return a.best > b.best;
    if (a.count != b.count) return a.count > b.count;
    return a.herb < b.herb;
  });
  return out;
}

class SimilarHerbsTest : public ::testing::Test {
 protected:
  void Write(const Library& lib) {
    std::vector<std::string> compounds;
    for (const auto& [id, s] : lib.smiles)
      compounds.push_back(std::to_string(id) + "\tcompound" + std::to_string(id) + "\t" + s +
                          "\tKEY" + std::to_string(id));
    f.WriteLines("DB/Compound.DB", compounds);
    std::vector<std::string> links, names = {"编号\t类型\t中药名\t拼音"};
    for (const auto& [herb, ids] : lib.links) {
      for (int id : ids) links.push_back(std::to_string(herb) + "\t" + std::to_string(id));
      names.push_back(std::to_string(herb) + "\t1\t药" + std::to_string(herb) + "\tYao");
    }
    f.WriteLines("DB/Herb_Compound.DB", links);
    f.WriteLines("DB/Herb_Name.DB", names);
  }
  int Runs() const { return static_cast<int>(f.ReadLines("exe/babel/runs.log").size()); }

  test::TestFolder f;
  BlockingConverter converter{std::chrono::seconds(30)};
  test::FakeWorld w{f.root(), &converter};
};

TEST_F(SimilarHerbsTest, RankingAgreesWithABruteForceReckoningAndTheCacheIsReused) {
  test::PlaceConverterStandIn(f, kEchoConverter);
  std::mt19937 rng(24);
  Library lib;
  lib.query = rng();
  // Neighbours of the query (a few bits flipped) and strangers; more than one converter batch.
  const int n = static_cast<int>(kFingerprintBatch) + 300;
  for (int id = 1; id <= n; ++id) {
    std::uint32_t bits = lib.query;
    for (int flips = rng() % (id % 3 == 0 ? 20 : 5); flips > 0; --flips) bits ^= 1u << (rng() % 32);
    lib.smiles[id] = Hex(bits);
  }
  lib.smiles[7] = "zzzzzzzz";  // the converter gives no fingerprint
  lib.smiles[8] = "";          // no structure at all
  for (int herb = 1; herb <= 40; ++herb)
    for (int k = 0; k < 6; ++k) lib.links[herb].push_back(1 + rng() % (n + 20));  // some missing
  lib.links[3] = {7, 8, 7};
  lib.links[5].push_back(lib.links[5].front());  // a link listed twice counts once
  Write(lib);

  for (double threshold : {0.8, 0.0, 1.0}) {
    SimilarHerbsResult r = RunSimilarHerbs(w.session, {{"", "q", Hex(lib.query), ""}, threshold});
    ASSERT_TRUE(r.refusal.empty()) << r.refusal;
    const std::vector<Expected> expected = Reckon(lib, threshold);
    ASSERT_EQ(r.herbs.size(), expected.size()) << threshold;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(r.herbs[i].herb, "药" + std::to_string(expected[i].herb));
      EXPECT_DOUBLE_EQ(r.herbs[i].similarity, expected[i].best);
      EXPECT_EQ(r.herbs[i].best_id, std::to_string(expected[i].best_id));
      EXPECT_EQ(r.herbs[i].best_name, "compound" + std::to_string(expected[i].best_id));
      EXPECT_EQ(r.herbs[i].similar_ingredients, expected[i].count);
    }
    // UTF-8 with byte-order mark, CR LF, the header first.
    const std::vector<std::string> file = Split(f.ReadBytes("Result/相似成分中药.csv"), "\r\n");
    ASSERT_EQ(file.size(), expected.size() + 2);  // and the empty piece after the last line
    EXPECT_TRUE(StartsWith(file[0], "\xEF\xBB\xBF中药,最高相似度,最相似成分编号"));
    if (!expected.empty()) {
      EXPECT_TRUE(StartsWith(file[1], "药" + std::to_string(expected[0].herb) + ",")) << file[1];
    }
  }
  // Two library batches the first time, then only the query's run: the cache answered.
  EXPECT_EQ(Runs(), 3 + 1 + 1);

  // A changed compound file is fingerprinted again: the new best match is found.
  lib.smiles[n] = Hex(lib.query);
  lib.smiles[n + 1] = Hex(lib.query);
  lib.links[40] = {n + 1};
  Write(lib);
  SimilarHerbsResult r = RunSimilarHerbs(w.session, {{"", "q", Hex(lib.query), ""}, 0.9});
  EXPECT_EQ(Runs(), 5 + 1 + 2);
  const std::vector<Expected> expected = Reckon(lib, 0.9);
  ASSERT_EQ(r.herbs.size(), expected.size());
  auto herb40 = std::find_if(r.herbs.begin(), r.herbs.end(),
                             [](const SimilarHerb& h) { return h.herb == "药40"; });
  ASSERT_NE(herb40, r.herbs.end());
  EXPECT_DOUBLE_EQ(herb40->similarity, 1.0);
  EXPECT_EQ(herb40->best_id, std::to_string(n + 1));

  // A query without a fingerprint is refused and the file stays as it was.
  const std::string before = f.ReadBytes("Result/相似成分中药.csv");
  EXPECT_FALSE(RunSimilarHerbs(w.session, {{"", "q", "zzzzzzzz", ""}, 0.5}).refusal.empty());
  EXPECT_FALSE(RunSimilarHerbs(w.session, {{"", "q", "C C", ""}, 0.5}).refusal.empty());
  EXPECT_EQ(f.ReadBytes("Result/相似成分中药.csv"), before);
}

TEST_F(SimilarHerbsTest, TheMenuFillsTheHerbGridWithTheBestIngredient) {
  test::PlaceConverterStandIn(f, kEchoConverter);
  Library lib;
  lib.query = 0xff;
  lib.smiles = {{1, Hex(0xff)}, {2, Hex(0x7f)}, {3, Hex(0x0f)}, {4, Hex(0xff00)}};
  lib.links = {{1, {3, 2}}, {2, {4}}, {3, {1, 3}}};
  Write(lib);
  ChemAnalysis& chem = w.session.Window<ChemAnalysis>();
  chem.InitializeGrid();
  chem.AddCompoundRow("1\tcompound1\t" + Hex(0xff) + "\tKEY1");

  // Nothing selected, then a threshold that is no number: refused, the herb grid untouched.
  chem.FlexGrid().SetRowSel(0);
  EXPECT_EQ(chem.Menu_FindSimilarTCM_Click(), Outcome::kRefused);
  chem.FlexGrid().SetRowSel(1);
  w.dialogs.inputs = {"七成"};
  EXPECT_EQ(chem.Menu_FindSimilarTCM_Click(), Outcome::kRefused);
  DantiAnalysis& danti = w.session.Window<DantiAnalysis>();
  EXPECT_LE(danti.FlexGrid().Rows(), 1);

  w.dialogs.inputs = {"0.5"};
  ASSERT_EQ(chem.Menu_FindSimilarTCM_Click(), Outcome::kDone) << w.dialogs.Messages().back();
  const Grid& g = danti.FlexGrid();
  ASSERT_EQ(g.Rows(), 3);  // herb 2 holds nothing similar
  ASSERT_EQ(g.Cols(), 4);
  EXPECT_EQ(g.TextMatrix(0, 1), "相似成分数");
  EXPECT_EQ(g.TextMatrix(1, 0), "药3");  // the compound itself: 1.0
  EXPECT_EQ(g.TextMatrix(1, 1), "2");    // 0x0f is half of 0xff: at the threshold, counted
  EXPECT_EQ(g.TextMatrix(1, 2), "1.0000");
  EXPECT_EQ(g.TextMatrix(1, 3), "compound1（1）");
  EXPECT_EQ(g.TextMatrix(2, 0), "药1");
  EXPECT_EQ(g.TextMatrix(2, 1), "2");
  EXPECT_EQ(g.TextMatrix(2, 2), "0.8750");
  EXPECT_EQ(g.TextMatrix(2, 3), "compound2（2）");
  EXPECT_TRUE(danti.Visible());
}

}  // namespace
}  // namespace lindora
