// Dose reading, conversion, the quartile definition, the rank test and the dose table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "analysis/compare_sets/dose_comparison.h"
#include "analysis/doses/doses_analysis.h"
#include "analysis/doses/doses_window.h"
#include "common/csv.h"
#include "common/pictures.h"
#include "common/text.h"
#include "formula/fangji_analysis.h"
#include "herb/related_formulas.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"
#include "support/title_pictures.h"
#include "support/workbook_reader.h"

namespace lindora {
namespace {

HerbMention Mention(std::string name, double amount, std::string unit) {
  HerbMention m;
  m.name = std::move(name);
  m.dose.text = FixedDecimals(amount, 2) + unit;
  m.dose.readable = true;
  m.dose.amount = m.dose.low = m.dose.high = amount;
  m.dose.unit = std::move(unit);
  return m;
}

HerbMention Undosed(std::string name, std::string text = {}) {
  HerbMention m;
  m.name = std::move(name);
  m.dose.text = std::move(text);
  return m;
}

TEST(DoseStatisticsTest, QuartilesInterpolateBetweenOrderStatistics) {
  // 2 4 4 5 7 9: h = 5p. Q1 at h 1.25 → 4; median at 2.5 → 4.5; Q3 at 3.75 → 5 + 0.75·2.
  DoseSummary s = Summarise({9, 4, 2, 7, 4, 5});
  EXPECT_EQ(s.n, 6u);
  EXPECT_DOUBLE_EQ(s.min, 2);
  EXPECT_DOUBLE_EQ(s.q1, 4);
  EXPECT_DOUBLE_EQ(s.median, 4.5);
  EXPECT_DOUBLE_EQ(s.q3, 6.5);
  EXPECT_DOUBLE_EQ(s.max, 9);
  EXPECT_DOUBLE_EQ(s.mean, 31.0 / 6);
  // Σx² = 191 and n·mean² = 961/6.
  EXPECT_NEAR(s.sd, std::sqrt((191 - 961.0 / 6) / 5), 1e-12);
  EXPECT_DOUBLE_EQ(s.mode, 4);
  EXPECT_EQ(s.mode_count, 2u);
  // 1 2 3 4: the quartiles fall between values.
  EXPECT_DOUBLE_EQ(QuantileType7({1, 2, 3, 4}, 0.25), 1.75);
  EXPECT_DOUBLE_EQ(QuantileType7({1, 2, 3, 4}, 0.75), 3.25);
  // One value: every statistic is that value, no spread; equal counts: the smaller mode.
  DoseSummary one = Summarise({3});
  EXPECT_DOUBLE_EQ(one.q1, 3);
  EXPECT_DOUBLE_EQ(one.q3, 3);
  EXPECT_DOUBLE_EQ(one.sd, 0);
  EXPECT_DOUBLE_EQ(Summarise({6, 3, 6, 3, 1}).mode, 3);
}

TEST(DoseUnitsTest, WeightsConvertByTheChosenTableAndCountsDoNot) {
  EXPECT_NEAR(*DoseGrams(3, "两", DoseTable::kHan13_8), 41.4, 1e-9);
  EXPECT_NEAR(*DoseGrams(1, "斤", DoseTable::kHan13_8), 16 * 13.8, 1e-9);
  EXPECT_NEAR(*DoseGrams(24, "铢", DoseTable::kHan13_8), 13.8, 1e-9);
  EXPECT_NEAR(*DoseGrams(1, "分", DoseTable::kHan13_8), 13.8 / 4, 1e-9);
  EXPECT_NEAR(*DoseGrams(1, "斤", DoseTable::kHan15_625), 250, 1e-9);
  EXPECT_NEAR(*DoseGrams(2, "钱", DoseTable::kModern), 6, 1e-9);
  EXPECT_NEAR(*DoseGrams(1, "两", DoseTable::kModern), 30, 1e-9);
  EXPECT_NEAR(*DoseGrams(1, "分", DoseTable::kModern), 0.3, 1e-9);
  // "1两1分": the 分 is ¼两 by the Han tables and 0.3 g by the modern one.
  const DoseReading compound = ReadDose("1两1分");
  EXPECT_NEAR(*DoseGrams(compound, DoseTable::kHan13_8), 1.25 * 13.8, 1e-9);
  EXPECT_NEAR(*DoseGrams(compound, DoseTable::kHan15_625), 1.25 * 15.625, 1e-9);
  EXPECT_NEAR(*DoseGrams(compound, DoseTable::kModern), 30.3, 1e-9);
  EXPECT_FALSE(DoseGrams(ReadDose("12枚"), DoseTable::kHan13_8));
  // Metric units are grams whatever the table.
  for (const DoseTableInfo& t : DoseTables()) {
    EXPECT_NEAR(*DoseGrams(6, "g", t.table), 6, 1e-9);
    EXPECT_NEAR(*DoseGrams(6, "G", t.table), 6, 1e-9);
    EXPECT_NEAR(*DoseGrams(6, "ｇ", t.table), 6, 1e-9);
    EXPECT_NEAR(*DoseGrams(2, "Kg", t.table), 2000, 1e-9);
    EXPECT_NEAR(*DoseGrams(30, "克", t.table), 30, 1e-9);
    EXPECT_NEAR(*DoseGrams(0.5, "kg", t.table), 500, 1e-9);
    EXPECT_NEAR(*DoseGrams(500, "mg", t.table), 0.5, 1e-9);
    for (const char* unit : {"枚", "个", "升", "合", "方寸匕", "鸡子大", "片"})
      EXPECT_FALSE(DoseGrams(12, unit, t.table).has_value()) << unit;
    EXPECT_EQ(DoseTableFromKey(t.key), t.table);
  }
  EXPECT_FALSE(DoseTableFromKey("han").has_value());
}

// The two-sided p of the U test by listing every split of the pooled sample.
double BruteForceP(const std::vector<double>& x, const std::vector<double>& y) {
  std::vector<double> pooled(x);
  pooled.insert(pooled.end(), y.begin(), y.end());
  const std::size_t m = x.size(), n = pooled.size();
  auto u_of = [&](const std::vector<bool>& in_first) {
    double u = 0;
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = 0; j < n; ++j)
        if (in_first[i] && !in_first[j])
          u += pooled[i] > pooled[j] ? 1 : pooled[i] == pooled[j] ? 0.5 : 0;
    return u;
  };
  const double centre = static_cast<double>(m * (n - m)) / 2;
  std::vector<bool> observed(n, false);
  std::fill(observed.begin(), observed.begin() + static_cast<long>(m), true);
  const double d = std::fabs(u_of(observed) - centre);
  std::vector<bool> split(n, false);
  std::fill(split.end() - static_cast<long>(m), split.end(), true);
  double extreme = 0, all = 0;
  do {
    ++all;
    if (std::fabs(u_of(split) - centre) >= d - 1e-9) ++extreme;
  } while (std::next_permutation(split.begin(), split.end()));
  return extreme / all;
}

TEST(MannWhitneyTest, ExactPEqualsFullPermutationWithAndWithoutTies) {
  std::mt19937 rng(27);
  for (int round = 0; round < 60; ++round) {
    std::uniform_int_distribution<int> size(1, 7), value(1, round % 2 ? 4 : 1000);
    std::vector<double> x(size(rng)), y(size(rng));
    for (double& v : x) v = value(rng);
    for (double& v : y) v = value(rng) + (round % 3);
    MannWhitney t = MannWhitneyTest(x, y);
    ASSERT_TRUE(t.exact);
    EXPECT_NEAR(t.p, BruteForceP(x, y), 1e-12) << "round " << round;
    // U counts the pairs directly.
    double u = 0;
    for (double a : x)
      for (double b : y) u += a > b ? 1 : a == b ? 0.5 : 0;
    EXPECT_DOUBLE_EQ(t.u, u);
  }
  EXPECT_DOUBLE_EQ(MannWhitneyTest({}, {1, 2}).p, 1);
}

TEST(MannWhitneyTest, LargeSamplesAgreeWithSampledPermutations) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> value(1, 12);  // many ties
  std::vector<double> x(40), y(35);
  for (double& v : x) v = value(rng);
  for (double& v : y) v = value(rng) + 1;
  MannWhitney t = MannWhitneyTest(x, y);
  ASSERT_FALSE(t.exact);
  std::vector<double> pooled(x);
  pooled.insert(pooled.end(), y.begin(), y.end());
  auto u_of = [&](const std::vector<double>& p) {
    double u = 0;
    for (std::size_t i = 0; i < x.size(); ++i)
      for (std::size_t j = x.size(); j < p.size(); ++j)
        u += p[i] > p[j] ? 1 : p[i] == p[j] ? 0.5 : 0;
    return u;
  };
  const double centre = 40.0 * 35 / 2, d = std::fabs(t.u - centre);
  int extreme = 0;
  const int draws = 20000;
  for (int i = 0; i < draws; ++i) {
    std::shuffle(pooled.begin(), pooled.end(), rng);
    if (std::fabs(u_of(pooled) - centre) >= d - 1e-9) ++extreme;
  }
  EXPECT_NEAR(t.p, static_cast<double>(extreme) / draws, 0.015);
  EXPECT_GT(t.p, 0);
}

TEST(DoseTableTest, FoldsHerbsConvertsWeightsAndKeepsCountsApart) {
  std::vector<std::vector<HerbMention>> formulas = {
      {Mention("桂枝", 3, "两"), Mention("炙甘草", 2, "两"), Mention("大枣", 12, "枚")},
      {Mention("桂枝", 2, "两"), Mention("甘草", 1, "两"), Mention("甘草", 1, "两"),
       Undosed("大枣", "如鸡子大")},
      {Mention("桂枝", 9, "g"), Undosed("甘草")},
      {Undosed("石膏", "如鸡子大")},
  };
  DoseSamples s = CollectDoses(
      formulas, DoseTable::kHan13_8,
      HerbList(NameDictionary::Load(std::filesystem::path(LINDORA_SOURCE_DIR) / "data"), false));
  EXPECT_EQ(s.formulas, 4);
  EXPECT_EQ(s.mentions, 10);
  EXPECT_EQ(s.readable, 7);
  EXPECT_EQ(s.converted, 6);
  EXPECT_EQ(s.unreadable.at("如鸡子大"), 2);
  EXPECT_EQ(s.unreadable.at(""), 1);
  std::vector<DoseRow> rows = DoseRows(s);
  auto row = [&](std::string_view herb, std::string_view unit) -> const DoseRow& {
    auto it = std::find_if(rows.begin(), rows.end(),
                           [&](const DoseRow& r) { return r.herb == herb && r.unit == unit; });
    EXPECT_NE(it, rows.end()) << herb << unit;
    return *it;
  };
  // 炙甘草 is 甘草, as in the herb frequency; two mentions in one formula are one dose of 2两.
  const DoseRow& gancao = row("甘草", "g");
  EXPECT_EQ(gancao.formulas, 3);
  EXPECT_EQ(gancao.without_dose, 1);
  EXPECT_EQ(gancao.summary.n, 2u);
  EXPECT_NEAR(gancao.summary.min, 2 * 13.8, 1e-9);
  EXPECT_NEAR(gancao.summary.max, 2 * 13.8, 1e-9);
  const DoseRow& guizhi = row("桂枝", "g");
  EXPECT_EQ(guizhi.summary.n, 3u);
  EXPECT_NEAR(guizhi.summary.median, 2 * 13.8, 1e-9);
  EXPECT_NEAR(guizhi.summary.min, 9, 1e-9);
  // Counts stay in their unit; a herb never dosed still has its row.
  const DoseRow& dazao = row("大枣", "枚");
  EXPECT_EQ(dazao.summary.n, 1u);
  EXPECT_EQ(dazao.without_dose, 1);
  EXPECT_DOUBLE_EQ(dazao.summary.median, 12);
  const DoseRow& shigao = row("石膏", std::string(kNoDoseUnit));
  EXPECT_EQ(shigao.summary.n, 0u);
  EXPECT_EQ(shigao.without_dose, 1);
  EXPECT_EQ(DoseCells(shigao, s.table).size(), DoseHeader().size());
  EXPECT_EQ(DoseCells(guizhi, s.table).back(), "汉制 13.8 g");
  // In 两 of the table every statistic is the grams' over 13.8.
  std::vector<DoseRow> in_liang = DoseRows(s, true);
  ASSERT_EQ(in_liang.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].unit != "g") {
      EXPECT_EQ(in_liang[i].unit, rows[i].unit);
      continue;
    }
    EXPECT_EQ(in_liang[i].unit, "两");
    EXPECT_NEAR(in_liang[i].summary.q3 * 13.8, rows[i].summary.q3, 1e-9);
    EXPECT_NEAR(in_liang[i].summary.sd * 13.8, rows[i].summary.sd, 1e-9);
  }
  // The herb named by most formulas comes first.
  EXPECT_EQ(rows.front().herb, "桂枝");
  BoxPlot plot = DoseBoxPlot(s, 1);
  ASSERT_EQ(plot.boxes.size(), 1u);
  EXPECT_EQ(plot.boxes[0].label, "桂枝");
  EXPECT_NEAR(plot.boxes[0].median, guizhi.summary.median, 1e-12);
}

TEST(DoseComparisonTest, TestsHerbsDosedInBothSetsAndAdjustsOverThem) {
  std::vector<std::vector<HerbMention>> a, b;
  for (int i = 0; i < 8; ++i) {
    a.push_back({Mention("黄芪", 30 + i, "g"), Mention("当归", 10, "g"), Mention("人参", 9, "g")});
    b.push_back(
        {Mention("黄芪", 10 + i, "g"), Mention("当归", 10 + i % 2, "g"), Mention("大枣", 5, "枚")});
  }
  DoseComparison c =
      CompareDoses(CollectDoses(a, DoseTable::kModern), CollectDoses(b, DoseTable::kModern));
  ASSERT_EQ(c.items.size(), 2u);  // 人参 and 大枣 are in one set only
  EXPECT_EQ(c.items[0].herb, "黄芪");
  EXPECT_DOUBLE_EQ(c.items[0].median_a, 33.5);
  EXPECT_DOUBLE_EQ(c.items[0].median_b, 13.5);
  EXPECT_DOUBLE_EQ(c.items[0].test.u, 64);
  // Two tests: the larger p is its own q, the smaller is doubled but not above it.
  const double p1 = c.items[0].test.p, p2 = c.items[1].test.p;
  ASSERT_LE(p1, p2);
  EXPECT_NEAR(c.items[1].q, p2, 1e-12);
  EXPECT_NEAR(c.items[0].q, std::min(2 * p1, p2), 1e-12);
  EXPECT_EQ(DoseComparisonCells(c.items[0]).size(), DoseComparisonHeader().size());
}

TEST(DoseTableTest, RunReadsTheResultSetWritesItsFileAndRefusesAnEmptySet) {
  test::TestFolder folder;
  test::FakeWorld world(folder.root());
  folder.WriteLines(
      "Result/Result.DB",
      {"桂枝汤\t桂枝（去皮）3两，芍药3两，甘草（炙）2两，生姜（切）3两，大枣（擘）12枚。"
       "\t太阳中风。\t",
       "",
       "无主治方\t桂枝9g",  // no indications: skipped, as the herb frequency does
       "某方\t桂枝6g、炙甘草3g、石膏\t发热。\t"});
  DosesOptions options;
  options.table = DoseTable::kHan15_625;
  DosesResult run = RunDoses(world.session, options);
  ASSERT_EQ(run.outcome, Outcome::kDone);
  EXPECT_EQ(run.samples.formulas, 2);
  const std::string bytes = folder.ReadBytes("Result/剂量分析.csv");
  ASSERT_TRUE(bytes.starts_with("\xEF\xBB\xBF"));
  std::vector<std::string> lines = Split(bytes.substr(3), "\r\n");
  EXPECT_EQ(lines.back(), "");  // every line ends with CR LF
  EXPECT_EQ(lines[0], CsvLine(DoseHeader()));
  EXPECT_EQ(lines.size(), run.rows.size() + 2);
  // 桂枝: 3两 by 15.625 g and 6 g; the median of two is their mean.
  EXPECT_EQ(lines[1], CsvLine(DoseCells(run.rows[0], options.table)));
  EXPECT_EQ(run.rows[0].herb, "桂枝");
  EXPECT_NEAR(run.rows[0].summary.median, (3 * 15.625 + 6) / 2, 1e-9);
  EXPECT_NE(lines[1].find("汉制 15.625 g"), std::string::npos);
  AnalysisOutput out = DosesOutput(run);
  EXPECT_NE(out.methods_zh.find("1斤 = 250 g"), std::string::npos);
  EXPECT_NE(out.methods_en.find("type 7"), std::string::npos);

  // An empty result set is refused and the file of the last run stays.
  folder.WriteLines("Result/Result.DB", {""});
  EXPECT_EQ(RunDoses(world.session, options).outcome, Outcome::kRefused);
  EXPECT_EQ(folder.ReadBytes("Result/剂量分析.csv"), bytes);
  DosesOptions bad;
  bad.top = 0;
  EXPECT_EQ(RunDoses(world.session, bad).outcome, Outcome::kRefused);
}

TEST(DoseTableTest, ReadingAFileInPartsEqualsReadingItWhole) {
  test::TestFolder folder;
  std::mt19937 rng(11);
  const std::vector<std::string> herbs = {"桂枝", "炙甘草", "甘草", "大枣", "人参", "黄芪"};
  const std::vector<std::string> doses = {"3两", "1两16铢", "12枚", "半斤", "10-15g", "", "适量"};
  std::vector<std::string> lines;
  for (int i = 0; i < 9000; ++i) {
    std::string composition;
    for (int k = 0; k < 4; ++k)
      composition += herbs[rng() % herbs.size()] + doses[rng() % doses.size()] + "，";
    lines.push_back("方" + std::to_string(i) + "\t" + composition + "\t主治\t");
  }
  folder.WriteLines("Result/Result.DB", lines);
  const auto path = folder / "Result/Result.DB";
  DoseSamples parts = CollectDosesOfFile(path, DoseTable::kModern);
  DoseSamples whole = CollectDoses(ReadCompositions(path), DoseTable::kModern);
  EXPECT_EQ(parts.formulas, 9000);
  EXPECT_EQ(parts.mentions, whole.mentions);
  EXPECT_EQ(parts.unreadable, whole.unreadable);
  ASSERT_EQ(parts.herbs.size(), whole.herbs.size());
  for (std::size_t i = 0; i < parts.herbs.size(); ++i) {
    EXPECT_EQ(parts.herbs[i].herb, whole.herbs[i].herb);
    EXPECT_EQ(parts.herbs[i].formulas, whole.herbs[i].formulas);
    EXPECT_EQ(parts.herbs[i].without_dose, whole.herbs[i].without_dose);
    EXPECT_EQ(parts.herbs[i].units, whole.herbs[i].units);
  }
}

// The window from the formula window's menu: its grid is the file less the conversion-table
// column, a change of options runs again, a bad number of herbs keeps what was shown, and the
// workbook holds every row.
TEST(DosesWindowTest, ShowsTheFileReRunsWithItsOptionsAndExportsEveryRow) {
  // The shipped herb files: 炙甘草 is 甘草 by the name dictionary.
  test::TestFolder folder(std::filesystem::path(LINDORA_SOURCE_DIR) / "data");
  test::FakeWorld world(folder.root());
  folder.WriteLines(
      "Result/Result.DB",
      {"桂枝汤\t桂枝（去皮）3两，芍药3两，甘草（炙）2两，大枣（擘）12枚。\t太阳中风。\t",
       "麻黄升麻汤\t麻黄（去节）2.5两，升麻1两1分，当归1两1分，甘草（炙）6铢\t咽喉不利。\t",
       "某方\t桂枝9g、炙甘草3g、石膏；杏仁、桃仁各等分\t发热。\t"});
  DosesWindow& w = world.session.Window<DosesWindow>();
  EXPECT_EQ(w.Menu_ExportExcel_Click(), Outcome::kRefused);  // nothing analysed yet
  FangjiAnalysis& fangji = world.session.Window<FangjiAnalysis>();
  EXPECT_EQ(fangji.OpenAnalysis("doses"), Outcome::kRefused);  // the formula grid is empty
  EXPECT_FALSE(w.Visible());
  fangji.InitializeGrid();
  fangji.LoadResults();
  world.dialogs.shown.clear();
  ASSERT_EQ(fangji.OpenAnalysis("doses"), Outcome::kDone);
  EXPECT_TRUE(w.Visible());
  EXPECT_TRUE(world.dialogs.shown.empty());

  const auto grid_matches_file = [&](DoseTable table) {
    const std::string bytes = folder.ReadBytes("Result/剂量分析.csv");
    const std::vector<std::string> file = Split(bytes.substr(3), "\r\n");
    const Grid& g = w.FlexGridDoses();
    ASSERT_EQ(file.size(), static_cast<std::size_t>(g.Rows()) + 1);  // the last CR LF
    for (int r = 0; r < g.Rows(); ++r) {
      std::vector<std::string> cells;
      for (int c = 0; c < g.Cols(); ++c) cells.push_back(g.TextMatrix(r, c));
      cells.push_back(r == 0 ? "换算表" : std::string(DoseTableOf(table).caption));
      EXPECT_EQ(CsvLine(cells), file[r]) << r;
    }
  };
  // The shipped library's doses are classical, so the table is 汉制 13.8 g until one is picked.
  EXPECT_EQ(w.Table(), DoseTable::kHan13_8);
  grid_matches_file(DoseTable::kHan13_8);
  const auto cell = [&](std::string_view herb, int col) {
    const Grid& g = w.FlexGridDoses();
    for (int r = 1; r < g.Rows(); ++r)
      if (g.TextMatrix(r, 0) == herb) return g.TextMatrix(r, col);
    return std::string("?");
  };
  EXPECT_EQ(cell("升麻", 5), "17.25");  // 1两1分: 13.8 g + ¼ of it
  EXPECT_TRUE(Contains(w.LabelSummary(), "\\Result\\剂量分析.csv")) << w.LabelSummary();
  EXPECT_TRUE(Contains(w.LabelSummary(), DoseTableOf(DoseTable::kHan13_8).rules));
  w.SetTable(DoseTable::kModern);
  ASSERT_EQ(w.Analyse(), Outcome::kDone);
  grid_matches_file(DoseTable::kModern);
  EXPECT_EQ(cell("升麻", 5), "30.30");  // 1两1分, modern: 30 g + 0.3 g
  // The doses not read: 等分 twice, 石膏 with none (its group ends before the 各).
  const Grid& unread = w.FlexGridUnread();
  ASSERT_EQ(unread.Rows(), 3);
  EXPECT_EQ(unread.TextMatrix(1, 0) + unread.TextMatrix(1, 1), "等分2");
  EXPECT_EQ(unread.TextMatrix(2, 0) + unread.TextMatrix(2, 1), "（未写剂量）1");

  w.SetTable(DoseTable::kHan13_8);
  w.SetInLiang(true);
  w.SetTopText(" 1 ");
  ASSERT_EQ(w.Analyse(), Outcome::kDone);
  grid_matches_file(DoseTable::kHan13_8);
  EXPECT_EQ(cell("升麻", 1), "两");
  EXPECT_EQ(cell("升麻", 5), "1.25");  // 1两 and ¼两
  ASSERT_EQ(w.Result().box_plot.boxes.size(), 1u);
  EXPECT_EQ(w.Result().box_plot.boxes[0].label, "甘草");
  EXPECT_NEAR(w.Result().box_plot.boxes[0].high, 2, 1e-12);  // in 两, as the table

  const std::string before = folder.ReadBytes("Result/剂量分析.csv");
  const int rows = w.FlexGridDoses().Rows();
  for (const char* bad : {"0", "201", "x", ""}) {
    w.SetTopText(bad);
    w.SetTable(DoseTable::kModern);
    EXPECT_EQ(w.Analyse(), Outcome::kRefused) << bad;
  }
  EXPECT_EQ(folder.ReadBytes("Result/剂量分析.csv"), before);
  EXPECT_EQ(w.FlexGridDoses().Rows(), rows);
  EXPECT_EQ(cell("升麻", 5), "1.25");
  // A refused number never locks the window: after `abc`, Enter (refused) and closing, the menu
  // entry analyses again from the last good number (" 1 "), and so does a menu call on a window
  // left open with refused text.
  w.SetTable(DoseTable::kHan13_8);
  w.SetTopText("abc");
  world.dialogs.shown.clear();
  EXPECT_EQ(w.Analyse(), Outcome::kRefused);
  EXPECT_EQ(world.dialogs.shown.size(), 1u);
  w.SetTopText("20");  // typed, never confirmed
  w.SetTopText("abc");
  w.Close();
  EXPECT_FALSE(w.Visible());
  EXPECT_EQ(w.TopText(), " 1 ");  // the last number analysed, as typed
  ASSERT_EQ(fangji.OpenAnalysis("doses"), Outcome::kDone);
  EXPECT_EQ(w.Result().box_plot.boxes.size(), 1u);
  w.SetTopText("x");
  ASSERT_EQ(fangji.OpenAnalysis("doses"), Outcome::kDone);
  EXPECT_EQ(w.TopText(), " 1 ");  // the last number analysed, as typed
  EXPECT_EQ(folder.ReadBytes("Result/剂量分析.csv"), before);

  world.dialogs.save_files.push_back((folder / "Result/剂量").string());
  ASSERT_EQ(w.Menu_ExportExcel_Click(), Outcome::kDone);
  LINDORA_READ_WORKBOOK_OR_SKIP(sheets, folder / "Result/剂量.xlsx");
  ASSERT_EQ(sheets.size(), 2u);
  int row = 3;  // caption, header
  for (int r = 1; r < rows; ++r, ++row) {
    const test::ReadCell* herb = sheets[0].At(row, 1);
    ASSERT_TRUE(herb) << row;
    EXPECT_EQ(herb->value, w.FlexGridDoses().TextMatrix(r, 0));
  }
  EXPECT_EQ(sheets[0].At(row, 1), nullptr);

  // A picture's file, as in every window: the dialog offers Result/, a bare name gets .png,
  // any letter case of .png is taken, another kind is refused.
  struct Boxes : test::TitlePictures {
    std::vector<std::filesystem::path> paths;
    void WriteBoxPlotPng(const BoxPlot&, const std::filesystem::path& p, int, int) override {
      paths.push_back(p);
    }
  } boxes;
  PictureWriter* before_boxes = InstalledPictureWriter();
  InstallPictureWriter(&boxes);
  for (const char* name : {"箱", "箱.PNG", "箱.jpg"})
    world.dialogs.save_files.push_back((folder / "Result" / name).string());
  EXPECT_EQ(w.Menu_SaveBoxPlot_Click(), Outcome::kDone);
  EXPECT_EQ(w.Menu_SaveBoxPlot_Click(), Outcome::kDone);
  EXPECT_EQ(w.Menu_SaveBoxPlot_Click(), Outcome::kRefused);
  InstallPictureWriter(before_boxes);
  EXPECT_EQ(boxes.paths, (std::vector<std::filesystem::path>{folder / "Result/箱.png",
                                                             folder / "Result/箱.PNG"}));
  std::vector<std::string> offered;
  for (const auto& shown : world.dialogs.shown)
    if (shown.kind == "save" && shown.title == "保存箱线图") offered.push_back(shown.text);
  EXPECT_EQ(offered, std::vector<std::string>(3, (folder / "Result/剂量箱线图.png").string()));
  EXPECT_TRUE(Contains(world.dialogs.Messages().back(), "图片文件名须以 .png 结尾"));
}

TEST(RelatedFormulaDoseTest, ShowsTheDoseOfEveryMentionContainingTheHerb) {
  EXPECT_EQ(HerbDoseInComposition("桂枝（去皮）3两，甘草（炙）2两，大枣12枚", "甘草"), "2两");
  EXPECT_EQ(HerbDoseInComposition("炙甘草6g、生甘草3g、黄芪30g", "甘草"), "6g、3g");
  EXPECT_EQ(HerbDoseInComposition("黄芪、甘草", "甘草"), "未写剂量");
  EXPECT_EQ(HerbDoseInComposition("黄芪30g", "甘草"), "");
}

}  // namespace
}  // namespace lindora
