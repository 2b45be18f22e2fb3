#include "formula/herb_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "analysis/core_combinations/core_combinations_analysis.h"
#include "analysis/herb_clustering/herb_clustering_analysis.h"
#include "analysis/standardize.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/formula_import.h"
#include "formula/library.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

namespace fs = std::filesystem;

fs::path ShippedData() {
  return fs::path(LINDORA_SOURCE_DIR) / "data";
}

const NameDictionary& Shipped() {
  static const NameDictionary d = NameDictionary::Load(ShippedData());
  return d;
}

std::string List(std::string_view composition, bool keep = false) {
  return HerbList(Shipped(), keep).Joined(composition);
}

TEST(HerbListTest, DosesNeverGlueOnNamesAndDifferentDrugsStayApart) {
  // Each mend of the classic clean-up: 熟 was deleted (熟地黄 counted as 地黄), 炮 too (炮姜 as
  // 姜), and doses it did not know stayed on the names.
  EXPECT_EQ(List("熟地黄15g、地黄10g、炮姜6g、干姜3g、生姜三片、麦冬各、当归三钱、黄芪五钱、"
                 "甘草一、大枣十二枚"),
            "熟地黄、地黄、炮姜、干姜、生姜、麦冬、当归、黄芪、甘草、大枣");
  EXPECT_EQ(List("地黄克，生姜片，玄参克，麦芽各"), "地黄、生姜、玄参、麦芽");
  // Processing folds into the drug unless the library keeps processed forms apart; a name
  // written twice is one herb.
  EXPECT_EQ(List("炙甘草6g，甘草3g，酸枣仁（炒）15g"), "甘草、酸枣仁");
  EXPECT_EQ(List("炙甘草6g，甘草3g，炒枣仁15g", true), "炙甘草、甘草、炒酸枣仁");
  // Unknown names stay as written, without their dose.
  EXPECT_EQ(List("某某草10g，三七3g"), "某某草、三七");
  // Two names whose blank the text lost are both herbs; a known name is never cut, and neither
  // is a name with a part of one character.
  EXPECT_EQ(List("前胡黄芩，生地黄芩，红花龙胆，某某草黄芩，黄芩芍"),
            "前胡、黄芩、地黄、红花龙胆、某某草黄芩、黄芩芍");
}

TEST(HerbListTest, TheNameTableAndOldCharacterFormsDecide) {
  // A line of the name table wins over a herb-file name (麦门冬 is one).
  ASSERT_TRUE(Shipped().IsStandard("麦门冬"));
  EXPECT_EQ(List("麦门冬、麦冬、天门冬、天冬"), "麦冬、天冬");
  // Old forms fold whatever their share of the text.
  EXPECT_EQ(List("厚樸、白術、神麴、殭蚕、鬱金、製半夏"), "厚朴、白术、神曲、僵蚕、郁金、半夏");
  EXPECT_EQ(List("製半夏", true), "制半夏");
  // A user's decision overrides what the herb files know.
  NameDictionary d = Shipped();
  d.AddEntry({"桂枝", "肉桂", "用户", ""});
  EXPECT_EQ(HerbList(d, false).Joined("桂枝，芍药"), "肉桂、白芍");
}

TEST(HerbListTest, PairsThePharmacopoeiaKeepsApartResolveApart) {
  std::ifstream in(fs::path(LINDORA_SOURCE_DIR) / "tools" / "kept_apart.tsv");
  ASSERT_TRUE(in);
  std::string line;
  std::getline(in, line);  // titles
  int pairs = 0;
  for (; std::getline(in, line); ++pairs) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto f = Split(line, "\t");
    ASSERT_EQ(f.size(), 2u) << line;
    for (const bool keep : {false, true}) {
      const NameResolution a = Shipped().Resolve(f[0], keep), b = Shipped().Resolve(f[1], keep);
      ASSERT_EQ(a.herbs.size(), 1u) << f[0];
      ASSERT_EQ(b.herbs.size(), 1u) << f[1];
      EXPECT_NE(a.herbs[0].name, b.herbs[0].name) << line << (keep ? " kept" : "");
      EXPECT_EQ(Split(HerbList(Shipped(), keep).Joined(f[0] + "10g，" + f[1] + "10g"), "、").size(),
                2u)
          << line;
    }
  }
  EXPECT_GT(pairs, 100);
}

class OpenLibraryTest : public ::testing::Test {
 protected:
  OpenLibraryTest() : folder_(ShippedData()), world_(folder_.root()), session_(world_.session) {}
  void Import(const std::string& library, bool keep) {
    folder_.WriteBytes("mine.csv",
                       "方名,组成,主治\n"
                       "甲方,\"炙甘草6g，熟地黄15g，当归三钱，白術10g\",失眠\n"
                       "乙方,\"甘草6g，熟地黄15g，当归10g，白术10g，远志6g\",心悸\n"
                       "丙方,\"黄连6g，阿胶10g\",虚烦\n");
    ImportOptions options;
    options.library = library;
    options.keep_processed = keep;
    RunImport(session_, folder_ / "mine.csv", options);
    ASSERT_EQ(OpenLibrary(session_, library), "");
    ASSERT_EQ(LibraryKeepsProcessed(FormulaDbFile(session_).parent_path()), keep);
    folder_.WriteBytes("Result/Result.DB", ReadFileBytes(FormulaDbFile(session_)));
  }
  std::vector<std::string> Herbs() {
    StandardResult(session_);
    std::vector<std::string> herbs;
    for (const auto& line : folder_.ReadLines("Result/Result.DB.stand"))
      herbs.push_back(Split(line, "\t").at(1));
    return herbs;
  }
  test::TestFolder folder_;
  test::FakeWorld world_;
  Session& session_;
};

TEST_F(OpenLibraryTest, AnalysesCountTheHerbsOfTheOpenLibraryAsImported) {
  Import("单列", true);
  EXPECT_EQ(Herbs(), (std::vector<std::string>{"炙甘草、熟地黄、当归、白术",
                                               "甘草、熟地黄、当归、白术、远志", "黄连、阿胶"}));
  Import("并入", false);
  EXPECT_EQ(Herbs(), (std::vector<std::string>{"甘草、熟地黄、当归、白术",
                                               "甘草、熟地黄、当归、白术、远志", "黄连、阿胶"}));

  // Similar formulas and the candidates of core combinations rank the open library's formulas.
  AnalysisOutput out;
  ASSERT_EQ(RunSimilarFormulas(session_, "甲方", 5, out), Outcome::kDone);
  ASSERT_FALSE(out.tables.empty());
  ASSERT_EQ(out.tables[0].rows.size(), 2u);
  std::set<std::string> texts;
  for (const auto& cell : out.tables[0].rows[0]) texts.insert(cell.text);
  EXPECT_TRUE(texts.count("乙方"));
  CoreOptions o;
  o.min_support = 2;
  o.min_association = 0;
  CoreAnalysis r;
  AnalysisOutput core;
  ASSERT_EQ(RunCoreCombinations(session_, o, r, core), Outcome::kDone);
  ASSERT_FALSE(r.candidates.empty());
  for (const CandidateFormula& c : r.candidates)
    EXPECT_TRUE(c.closest == "甲方" || c.closest == "乙方") << c.closest;
}

}  // namespace
}  // namespace lindora
