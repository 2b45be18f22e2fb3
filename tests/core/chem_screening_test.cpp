// Ingredient screening: the rules at their limits, Tanimoto on bit sets of our own, and batch
// runs of the real converter (pairing past an unparsable SMILES, agreement with the
// single-compound properties, similarity), plus a converter that stops reading early.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "chem/chem_analysis.h"
#include "chem/herb_chem_actions.h"
#include "chem/ingredient_screening_window.h"
#include "chem/screening_analysis.h"
#include "common/analysis_list.h"
#include "common/process.h"
#include "common/session.h"
#include "common/text.h"
#include "support/chem_standins.h"
#include "support/cli_runner.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

constexpr const char* kAspirin = "CC(=O)Oc1ccccc1C(=O)O";
constexpr const char* kQuercetin = "Oc1cc(O)c2c(c1)oc(-c1ccc(O)c(O)c1)c(O)c2=O";

TEST(ScreeningRulesTest, LimitsPassAndTheNextStepFails) {
  // Every value exactly at its limit passes both rules.
  RuleVerdict at_limit = ApplyRules({500, 5, 5, 10, 140, 10});
  EXPECT_EQ(at_limit.lipinski_violations, 0);
  EXPECT_TRUE(at_limit.lipinski);
  EXPECT_TRUE(at_limit.veber);
  // One violation is tolerated, two are not.
  RuleVerdict one = ApplyRules({500.01, 5, 5, 10, 140, 10});
  EXPECT_EQ(one.lipinski_violations, 1);
  EXPECT_TRUE(one.lipinski);
  RuleVerdict two = ApplyRules({500.01, 5, 6, 10, 0, 0});
  EXPECT_EQ(two.lipinski_violations, 2);
  EXPECT_FALSE(two.lipinski);
  EXPECT_EQ(ApplyRules({600, 6, 6, 11, 0, 0}).lipinski_violations, 4);
  // Veber: 11 rotatable bonds or a TPSA above 140 fail.
  EXPECT_FALSE(ApplyRules({100, 1, 1, 1, 20, 11}).veber);
  EXPECT_FALSE(ApplyRules({100, 1, 1, 1, 140.01, 3}).veber);
}

TEST(ScreeningTanimotoTest, HandMadeBitSets) {
  Fingerprint a = {0b1011u, 0u}, b = {0b0011u, 1u << 31};
  EXPECT_DOUBLE_EQ(Tanimoto(a, b), 2.0 / 4.0);  // 2 bits in both, 4 in either
  EXPECT_DOUBLE_EQ(Tanimoto(a, a), 1.0);
  EXPECT_DOUBLE_EQ(Tanimoto(a, {0b0100u, 0u}), 0.0);
  EXPECT_DOUBLE_EQ(Tanimoto({0u, 0u}, {0u, 0u}), 0.0);  // nothing in common of nothing
  EXPECT_DOUBLE_EQ(Tanimoto(a, {0b1011u}), 0.0);        // sizes differ
}

TEST(ScreeningTanimotoTest, ThresholdsAreNumbersFromZeroToOne) {
  EXPECT_EQ(ParseSimilarityThreshold("0.7"), 0.7);
  EXPECT_EQ(ParseSimilarityThreshold(" 1 "), 1.0);
  for (const char* bad : {"", "abc", "0.7x", "1.5", "-0.1", "nan", "七"})
    EXPECT_FALSE(ParseSimilarityThreshold(bad)) << bad;
}

class ScreeningConverterTest : public ::testing::Test {
 protected:
  test::TestFolder f;
  BlockingConverter converter{std::chrono::seconds(30)};
  test::FakeWorld w{f.root(), &converter};
};

TEST_F(ScreeningConverterTest, UnparsableSmilesInTheMiddleShiftsNothing) {
  std::vector<ScreeningCompound> compounds = {{"101", "aspirin", kAspirin, ""},
                                              {"102", "broken", "C1CC(bad", ""},
                                              {"103", "ethanol", "CCO", ""},
                                              {"104", "blank", "C C", ""},
                                              {"105", "benzene", "c1ccccc1", ""},
                                              {"106", "empty", "", ""},
                                              {"107", "ethanol again", "OCC", ""},
                                              {"102", "listed twice", "CC", ""},
                                              {"108", std::string(kMissingCompoundNote), "", ""}};
  std::vector<ScreeningResult> r = ScreenCompounds(w.session, compounds);
  ASSERT_EQ(r.size(), compounds.size());
  for (std::size_t k = 0; k < r.size(); ++k) EXPECT_EQ(r[k].compound.id, compounds[k].id);
  ASSERT_TRUE(r[0].texts);
  EXPECT_EQ(r[0].texts->mw, "180.157");
  EXPECT_FALSE(r[1].texts);
  EXPECT_NE(r[1].note.find("无法解析"), std::string::npos);
  ASSERT_TRUE(r[2].texts);
  EXPECT_EQ(r[2].texts->mw, "46.0684");
  EXPECT_EQ(r[2].texts->rotors, "0");
  EXPECT_FALSE(r[3].texts);
  EXPECT_NE(r[3].note.find("空白"), std::string::npos);
  ASSERT_TRUE(r[4].texts);
  EXPECT_EQ(r[4].texts->mw, "78.1118");
  EXPECT_FALSE(r[5].texts);
  EXPECT_FALSE(r[5].note.empty());
  ASSERT_TRUE(r[6].texts);
  EXPECT_EQ(r[6].texts->mw, "46.0684");
  EXPECT_TRUE(r[6].Passes());
  ASSERT_TRUE(r[7].texts);  // the same identifier again, now with a SMILES that parses
  EXPECT_EQ(r[7].texts->mw, "30.069");

  // The file rows: one per compound, values empty where a note says why.
  std::vector<std::vector<std::string>> rows = ScreeningCsvRows(r);
  ASSERT_EQ(rows.size(), 10u);
  // units in the header, fixed decimals in the cells
  EXPECT_EQ(rows[0][2], "MW (g/mol)");
  EXPECT_EQ(rows[0][6], "TPSA (Å²)");
  EXPECT_EQ(Join(rows[1], ","), "101,aspirin,180.16,1.31,1,4,63.60,3,0,通过,通过,");
  EXPECT_EQ(rows[9].back(), "化合物库中无此编号");
  EXPECT_EQ(Join(rows[2], ",").substr(0, 18), "102,broken,,,,,,,,");
}

TEST_F(ScreeningConverterTest, AspirinInTheBatchHasItsSingleCompoundProperties) {
  ASSERT_TRUE(PropertiesOfSmiles(w.session, kAspirin));
  std::map<std::string, std::string> single;
  for (const std::string& line : Split(w.clipboard.text, "\r\n")) {
    std::vector<std::string> kv = Split(line, ":\t");
    if (kv.size() == 2) single[kv[0]] = kv[1];
  }
  std::vector<ScreeningResult> batch =
      ScreenCompounds(w.session, {{"1", "x", "CCO", ""}, {"2", "aspirin", kAspirin, ""}});
  ASSERT_TRUE(batch[1].texts);
  EXPECT_EQ(batch[1].texts->mw, single["Molecular Weight"]);
  EXPECT_EQ(batch[1].texts->logp, single["logP"]);
  EXPECT_EQ(batch[1].texts->hbd, single["HBD"]);
  EXPECT_EQ(batch[1].texts->hba, single["HBA"]);
  EXPECT_EQ(batch[1].texts->tpsa, single["TPSA"]);
}

TEST_F(ScreeningConverterTest, SimilarityToItselfIsOneAndOnlyThoseAboveTheThresholdAreListed) {
  std::vector<ReferenceCompound> refs = {
      {"乙醇", "CCO", "KEY-E"}, {"槲皮素", kQuercetin, "KEY-Q"}, {"无结构", "", "KEY-N"}};
  std::vector<ScreeningCompound> compounds = {
      {"30", "hexane", "CCCCCC", ""},
      {"20", "quercetin", kQuercetin, ""},
      // An identical InChIKey is a match even when the SMILES cannot be read.
      {"10", "by key", "C1CC(bad", "KEY-N"},
      {"5", "aspirin", kAspirin, ""}};
  std::vector<SimilarActive> found = FindSimilarActives(w.session, compounds, refs, 0.7);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].compound.id, "10");  // ties at 1 go by identifier
  EXPECT_EQ(found[0].reference, "无结构");
  EXPECT_EQ(found[1].compound.id, "20");
  EXPECT_EQ(found[1].reference, "槲皮素");
  EXPECT_DOUBLE_EQ(found[1].similarity, 1.0);

  // With no threshold every compound with a fingerprint gets its nearest reference.
  std::vector<SimilarActive> all = FindSimilarActives(w.session, compounds, refs, 0);
  ASSERT_EQ(all.size(), 4u);
  for (std::size_t i = 1; i < all.size(); ++i) EXPECT_GE(all[i - 1].similarity, all[i].similarity);
  EXPECT_LT(all[3].similarity, 0.7);
  EXPECT_EQ(SimilarActivesCsvRows(found)[2],
            (std::vector<std::string>{"20", "quercetin", "槲皮素", "1.0000"}));
}

TEST_F(ScreeningConverterTest, AReferenceThatCrashesTheConverterIsLeftOutAndCounted) {
  // A chain of 200,000 atoms overflows the converter's stack: it dies on that line.
  std::vector<ReferenceCompound> refs = {{"乙醇", "CCO", ""},
                                         {"长链", std::string(200000, 'C'), ""},
                                         {"乱码", "garbage", ""},
                                         {"槲皮素", kQuercetin, "KEY-Q"},
                                         {"只有键", "", "KEY-K"}};
  std::vector<ScreeningCompound> compounds = {{"20", "quercetin", kQuercetin, ""},
                                              {"30", "ethanol", "OCC", ""}};
  std::size_t unusable = 99;
  std::vector<SimilarActive> found = FindSimilarActives(w.session, compounds, refs, 0.9, &unusable);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].reference, "槲皮素");
  EXPECT_EQ(found[1].reference, "乙醇");
  EXPECT_EQ(unusable, 2u);  // the chain and the garbage; the key alone still matches
}

TEST_F(ScreeningConverterTest, OnlyTheMoleculeThatCrashesTheConverterLosesItsValues) {
  std::vector<ScreeningResult> r =
      ScreenCompounds(w.session, {{"1", "ethanol", "CCO", ""},
                                  {"2", "chain", std::string(200000, 'C'), ""},
                                  {"3", "benzene", "c1ccccc1", ""},
                                  {"4", "broken", "C1CC(bad", ""}});
  ASSERT_EQ(r.size(), 4u);
  ASSERT_TRUE(r[0].texts && r[2].texts);
  EXPECT_EQ(r[2].texts->mw, "78.1118");
  EXPECT_FALSE(r[1].texts);
  EXPECT_NE(r[1].note.find("出错退出"), std::string::npos) << r[1].note;
  EXPECT_FALSE(r[3].texts);
  EXPECT_NE(r[3].note.find("无法解析"), std::string::npos) << r[3].note;
}

// A salt counts whole unless stripped; the method line says which, with the converter's version.
TEST_F(ScreeningConverterTest, SaltsAreStrippedOnlyWhenAskedAndTheMethodSaysSo) {
  const std::vector<ScreeningCompound> salt = {{"1", "sodium acetate", "CC(=O)[O-].[Na+]", ""}};
  std::vector<ScreeningResult> whole = ScreenCompounds(w.session, salt);
  std::vector<ScreeningResult> stripped = ScreenCompounds(w.session, salt, true);
  ASSERT_TRUE(whole[0].texts && stripped[0].texts);
  EXPECT_EQ(whole[0].texts->mw.substr(0, 5), "82.03");
  EXPECT_EQ(stripped[0].texts->mw.substr(0, 5), "59.04");

  const std::string version = ConverterVersion(w.session);
  EXPECT_TRUE(StartsWith(version, "Open Babel ")) << version;
  EXPECT_EQ(version.find("--"), std::string::npos) << version;
  const std::string with = ScreeningMethod(true, version), without = ScreeningMethod(false, "");
  EXPECT_NE(with.find(version + "（obabel -r"), std::string::npos) << with;
  EXPECT_NE(with.find("已去盐"), std::string::npos);
  EXPECT_NE(without.find("未去盐"), std::string::npos);
  EXPECT_NE(without.find("版本未知"), std::string::npos);
}

TEST_F(ScreeningConverterTest, AConverterThatStopsEarlyReplacesNoFile) {
  ChemAnalysis& chem = w.session.Window<ChemAnalysis>();
  chem.FlexGrid().SetRows(3);
  chem.FlexGrid().SetCols(4);
  for (int r = 1; r <= 2; ++r) {
    chem.FlexGrid().SetTextMatrix(r, 0, std::to_string(r));
    chem.FlexGrid().SetTextMatrix(r, 2, "CCO");
  }
  chem.SetCaption("化学成分分析——某药");
  f.WriteBytes("Result/成分筛选.csv", "earlier");
  // Answers for the first compound only, as a converter does that stops at a bad line.
  test::PlaceConverterStandIn(f, "printf 'CCO\\t1 46.07 -0.0014 1 1 20.23 0\\n' > \"$3\"");
  EXPECT_EQ(OpenIngredientScreening(chem), Outcome::kFailed);
  ASSERT_EQ(w.dialogs.Messages().size(), 1u);
  EXPECT_NE(w.dialogs.Messages()[0].find("没有读完"), std::string::npos) << w.dialogs.Messages()[0];
  EXPECT_EQ(f.ReadBytes("Result/成分筛选.csv"), "earlier");
  IngredientScreening& screening = w.session.Window<IngredientScreening>();
  EXPECT_EQ(screening.Caption(), "成分筛选——某药");
  EXPECT_EQ(screening.FlexGrid().Rows(), 1);
  EXPECT_FALSE(screening.Busy());

  // With the real converter the same window screens, writes the file and sorts on a header click.
  std::filesystem::remove(f / "exe/babel/obabel");
  chem.FlexGrid().SetTextMatrix(2, 2, kAspirin);
  EXPECT_EQ(OpenIngredientScreening(chem), Outcome::kDone);
  EXPECT_TRUE(StartsWith(f.ReadBytes("Result/成分筛选.csv"), "\xEF\xBB\xBF编号,名称,MW (g/mol),"));
  ASSERT_EQ(screening.FlexGrid().Rows(), 3);
  // The first compound is selected on its identifier and drawn without a click.
  EXPECT_EQ(screening.FlexGrid().Row(), 1);
  EXPECT_EQ(screening.FlexGrid().Col(), 0);
  EXPECT_GT(screening.PicMol().serial, 0);
  for (const char* first : {"2", "1"}) {  // a number largest first, then the other way round
    screening.FlexGrid().SetRow(0);
    screening.FlexGrid().SetCol(2);
    screening.FlexGrid_Click();
    EXPECT_EQ(screening.FlexGrid().TextMatrix(1, 0), first);
  }
}

// One molecule the converter never finishes: it alone is left without values, and named.
TEST(ScreeningTimeoutTest, OnlyTheMoleculeThatTimesOutLosesItsValues) {
  test::TestFolder f;
  BlockingConverter converter{std::chrono::milliseconds(1500)};
  test::FakeWorld w{f.root(), &converter};
  // Descriptor lines, or FP2 records when asked for fingerprints ($5 is -xfFP2).
  test::PlaceConverterStandIn(f, R"(grep -q HANG "$1" && exec sleep 30
if [ "$5" = -xfFP2 ]; then
  awk '{ sub(/\r$/, ""); print ">" $2; print "0000000f" }' "$1" > "$3"
else
  awk '{ sub(/\r$/, ""); print $1 "\t" $2 " 46.07 -0.01 1 1 20.23 0" }' "$1" > "$3"
fi)");
  std::vector<ScreeningResult> r = ScreenCompounds(
      w.session, {{"1", "a", "CCO", ""}, {"2", "bad", "C1HANG", ""}, {"3", "c", "CCC", ""}});
  ASSERT_EQ(r.size(), 3u);
  EXPECT_TRUE(r[0].texts);
  EXPECT_FALSE(r[1].texts);
  EXPECT_NE(r[1].note.find("超时"), std::string::npos) << r[1].note;
  EXPECT_TRUE(r[2].texts);
  std::vector<std::optional<Fingerprint>> fps =
      FingerprintsOf(w.session, {{"1", "CCO", {}}, {"2", "C1HANG", {}}});
  EXPECT_TRUE(fps[0]);
  EXPECT_FALSE(fps[1]);
}

TEST_F(ScreeningConverterTest, TheListedEngineScreensTheChemistryGridAndRefusesAnEmptyOne) {
  const AnalysisDescriptor* analysis = FindAnalysis(w.session.Analyses(), "screen-ingredients");
  ASSERT_NE(analysis, nullptr);
  OptionValues values;
  ASSERT_EQ(CompleteOptions(*analysis, values), "");
  AnalysisOutput output;
  EXPECT_EQ(analysis->run(w.session, values, output), Outcome::kRefused);
  EXPECT_EQ(w.dialogs.Messages(),
            std::vector<std::string>{"没有要筛选的化学成分：请从化学成分分析窗口打开成分筛选。"});
  EXPECT_FALSE(std::filesystem::exists(f / "Result/成分筛选.csv"));

  ChemAnalysis& chem = w.session.Window<ChemAnalysis>();
  chem.InitializeGrid();
  chem.AddCompoundRow(std::string("7\taspirin\t") + kAspirin + "\tKEY-A");
  chem.AddCompoundRow("8\tbroken\tC1CC(bad\t");
  chem.AddCompoundRow("9\tethanol\tCCO\t");
  ASSERT_EQ(analysis->run(w.session, values, output), Outcome::kDone);
  // The table holds the rows of the file (header and method line aside); numbers are numbers.
  std::vector<std::string> file = Split(f.ReadBytes("Result/成分筛选.csv"), "\r\n");
  ASSERT_EQ(output.tables.size(), 1u);
  const ResultTable& table = output.tables[0];
  ASSERT_EQ(table.rows.size(), 3u);
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    std::vector<std::string> cells;
    for (const TableCell& cell : table.rows[r]) cells.push_back(cell.text);
    EXPECT_EQ(Join(cells, ","), file[r + 1]);
  }
  EXPECT_EQ(table.rows[0][2].kind, TableCell::Kind::kNumber);
  EXPECT_DOUBLE_EQ(table.rows[0][2].number, 180.16);
  EXPECT_EQ(table.rows[1][2].kind, TableCell::Kind::kText);  // no value for a broken SMILES
  EXPECT_EQ(
      output.summary,
      "3 个成分：Lipinski 通过 2 个，Veber 通过 2 个，两者都通过 2 个；1 个没有数值（原因见备注）");
}

TEST(ScreeningCliTest, ShippedHerbIsScreenedAndBadThresholdsAreUsageErrors) {
  // A folder of its own with the shipped data: tests running meanwhile share no scratch file.
  test::TestFolder f;
  std::filesystem::copy(
      std::filesystem::path(LINDORA_BIN_DIR) / "DB", f / "DB",
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
  test::CliRun run =
      test::RunCli({"--root", f.root().string(), "screen-ingredients", "甘草", "--only-passing"});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines = Split(run.out, "\n");
  ASSERT_GT(lines.size(), 100u);
  EXPECT_EQ(lines[1],
            "编号\t名称\tMW (g/mol)\tlogP\tHBD\tHBA\tTPSA "
            "(Å²)\t可旋转键数\tLipinski违例数\tLipinski\tVeber\t备注");
  for (std::size_t i = 2; i + 1 < lines.size(); ++i)
    EXPECT_NE(lines[i].find("\t通过\t通过\t"), std::string::npos) << lines[i];
  test::CliRun bad =
      test::RunCli({"similar-actives", "甘草", "anticancer", "--min-similarity", "x"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("不是 0 到 1 之间的数"), std::string::npos);
}

}  // namespace
}  // namespace lindora
