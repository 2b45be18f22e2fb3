// Association rules: a table worked out by hand, the refusals, sorting, and the miner against
// an enumeration of every itemset on random sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>

#include "analysis/formula_set_actions.h"
#include "analysis/rules/rules_analysis.h"
#include "analysis/rules/rules_window.h"
#include "formula/fangji_analysis.h"
#include "formula/keyword_query.h"
#include "support/cli_runner.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

// 甘草 6, 桂枝 5, 大枣 = 芍药 4 (always together); 甘草 listed twice in one formula; two
// formulas without herbs count in N = 10.
const std::vector<std::string> kRecords = {"一\t甘草、桂枝、芍药、大枣\t证",
                                           "二\t甘草、桂枝、芍药、大枣\t证",
                                           "三\t甘草、桂枝、甘草\t证",
                                           "四\t甘草、芍药、大枣\t证",
                                           "五\t甘草\t证",
                                           "六\t甘草\t证",
                                           "七\t桂枝、芍药、大枣\t证",
                                           "八\t桂枝\t证",
                                           "九\t\t证",
                                           "十\t\t证"};

std::string CsvText(const std::vector<std::string>& lines) {
  std::string s = "\xEF\xBB\xBF";
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

class RulesTest : public ::testing::Test {
 protected:
  AssociationRulesWindow& Run(std::string_view support, std::string_view confidence,
                              std::string_view lift, std::string_view size,
                              Outcome expected = Outcome::kDone) {
    AssociationRulesWindow& w = world.session.Window<AssociationRulesWindow>();
    w.SetTextMinSupport(support);
    w.SetTextMinConfidence(confidence);
    w.SetTextMinLift(lift);
    w.SetTextMaxSize(size);
    EXPECT_EQ(w.Cmd_Run_Click(), expected) << support << " " << confidence << " " << lift;
    return w;
  }
  std::vector<std::string> Column(int col) {
    const Grid& g = world.session.Window<AssociationRulesWindow>().FlexGrid();
    std::vector<std::string> cells;
    for (int r = 1; r < g.Rows(); ++r) cells.push_back(g.TextMatrix(r, col));
    return cells;
  }
  test::TestFolder folder;
  test::FakeWorld world{folder.root()};
};

TEST_F(RulesTest, HandComputedTableWithTiesInEveryKey) {
  folder.WriteLines("Result/Result.DB", kRecords);
  // Confidence 0.6 and lift 1 are met exactly by 桂枝 → 甘草 (3/5; 0.6 / (6/10)).
  AssociationRulesWindow& w = Run("2", "0.6", "1", "4");
  EXPECT_TRUE(world.dialogs.Messages().empty());
  EXPECT_EQ(w.LabelCount(),
            "事务数：10　最小支持度计数：2　频繁项集：15　关联规则：25"
            "　全部写入 Result/关联规则.csv、Result/频繁项集.csv");
  EXPECT_EQ(folder.ReadBytes("Result/关联规则.csv"),
            CsvText({"前项,后项,支持度计数,支持度(%),置信度,提升度",
                     "大枣,芍药,4,40.00,1.0000,2.5000",
                     "芍药,大枣,4,40.00,1.0000,2.5000",
                     "桂枝、大枣,芍药,3,30.00,1.0000,2.5000",
                     "桂枝、芍药,大枣,3,30.00,1.0000,2.5000",
                     "甘草、大枣,芍药,3,30.00,1.0000,2.5000",
                     "甘草、芍药,大枣,3,30.00,1.0000,2.5000",
                     "甘草、桂枝、大枣,芍药,2,20.00,1.0000,2.5000",
                     "甘草、桂枝、芍药,大枣,2,20.00,1.0000,2.5000",
                     "大枣,桂枝,3,30.00,0.7500,1.5000",
                     "大枣、芍药,桂枝,3,30.00,0.7500,1.5000",
                     "芍药,桂枝,3,30.00,0.7500,1.5000",
                     "大枣,甘草,3,30.00,0.7500,1.2500",
                     "大枣、芍药,甘草,3,30.00,0.7500,1.2500",
                     "芍药,甘草,3,30.00,0.7500,1.2500",
                     "甘草、桂枝,大枣,2,20.00,0.6667,1.6667",
                     "甘草、桂枝,芍药,2,20.00,0.6667,1.6667",
                     "甘草、大枣,桂枝,2,20.00,0.6667,1.3333",
                     "甘草、大枣、芍药,桂枝,2,20.00,0.6667,1.3333",
                     "甘草、芍药,桂枝,2,20.00,0.6667,1.3333",
                     "桂枝、大枣,甘草,2,20.00,0.6667,1.1111",
                     "桂枝、大枣、芍药,甘草,2,20.00,0.6667,1.1111",
                     "桂枝、芍药,甘草,2,20.00,0.6667,1.1111",
                     "桂枝,大枣,3,30.00,0.6000,1.5000",
                     "桂枝,芍药,3,30.00,0.6000,1.5000",
                     "桂枝,甘草,3,30.00,0.6000,1.0000"}));
  EXPECT_EQ(folder.ReadBytes("Result/频繁项集.csv"),
            CsvText({"项集,项数,支持度计数,支持度(%)", "甘草,1,6,60.00", "桂枝,1,5,50.00",
                     "大枣,1,4,40.00", "芍药,1,4,40.00", "大枣、芍药,2,4,40.00",
                     "桂枝、大枣,2,3,30.00", "桂枝、芍药,2,3,30.00", "甘草、大枣,2,3,30.00",
                     "甘草、桂枝,2,3,30.00", "甘草、芍药,2,3,30.00", "桂枝、大枣、芍药,3,3,30.00",
                     "甘草、大枣、芍药,3,3,30.00", "甘草、桂枝、大枣,3,2,20.00",
                     "甘草、桂枝、芍药,3,2,20.00", "甘草、桂枝、大枣、芍药,4,2,20.00"}));
  const Grid& g = w.FlexGrid();
  ASSERT_EQ(g.Rows(), 26);
  EXPECT_EQ(g.RowCells(0), (std::vector<std::string>{"前项", "后项", "支持度计数", "支持度(%)",
                                                     "置信度", "提升度"}));
  EXPECT_EQ(g.RowCells(25),
            (std::vector<std::string>{"桂枝", "甘草", "3", "30.00", "0.6000", "1.0000"}));

  // The default 10% of 10 formulas is one formula, raised to two; size 2 keeps the pairs.
  Run("10%", "0.6", "0", "2");
  EXPECT_EQ(Column(0), (std::vector<std::string>{"大枣", "芍药", "大枣", "芍药", "大枣", "芍药",
                                                 "桂枝", "桂枝", "桂枝"}));
}

// The window names the result set it describes, and a new query makes it say the table is
// stale until it runs again.
TEST_F(RulesTest, NamesItsResultSetAndNoticesANewQuery) {
  folder.WriteLines("DB/Fangji.DB", kRecords);
  ASSERT_EQ(RunQuery(world.session, "甘草", false, false).status, QueryOutcome::Status::kCompleted);
  AssociationRulesWindow& w = Run("2", "0", "0", "4");
  EXPECT_EQ(w.Caption(), "关联规则分析 - 结果集 甘草（6 首方剂，方剂库 伤寒论）");
  EXPECT_FALSE(w.Stale());
  ASSERT_EQ(RunQuery(world.session, "桂枝", false, false).status, QueryOutcome::Status::kCompleted);
  EXPECT_TRUE(w.Stale());
  Run("2", "0", "0", "4");
  EXPECT_FALSE(w.Stale());
  EXPECT_EQ(w.Caption(), "关联规则分析 - 结果集 桂枝（5 首方剂，方剂库 伤寒论）");
  EXPECT_NE(w.LabelCount().find("关联规则.csv"), std::string::npos);
}

TEST_F(RulesTest, HeaderClickSortsAndClickingAgainReverses) {
  folder.WriteLines("Result/Result.DB", kRecords);
  AssociationRulesWindow& w = Run("2", "0", "0", "4");
  Grid& g = w.FlexGrid();
  auto click_header = [&](int col) {
    g.SetRow(0);
    g.SetCol(col);
    w.FlexGrid_Click();
  };
  click_header(AssociationRulesWindow::kLift);
  std::vector<std::string> lift = Column(AssociationRulesWindow::kLift);
  EXPECT_TRUE(std::is_sorted(lift.rbegin(), lift.rend()));
  EXPECT_EQ(lift.front(), "2.5000");
  // Ties keep the default order: the first of the 2.5 rules has the higher confidence.
  EXPECT_EQ(g.RowCells(1)[0], "大枣");
  click_header(AssociationRulesWindow::kLift);
  lift = Column(AssociationRulesWindow::kLift);
  EXPECT_TRUE(std::is_sorted(lift.begin(), lift.end()));
  EXPECT_EQ(lift.front(), "1.0000");
  click_header(AssociationRulesWindow::kAntecedent);
  std::vector<std::string> antecedents = Column(AssociationRulesWindow::kAntecedent);
  EXPECT_TRUE(std::is_sorted(antecedents.begin(), antecedents.end()));
  // A click on a data row does not sort.
  g.SetRow(3);
  w.FlexGrid_Click();
  EXPECT_EQ(Column(AssociationRulesWindow::kAntecedent), antecedents);
}

TEST_F(RulesTest, BadInputAndFailedWritesChangeNothing) {
  // The menu item without a result grid.
  folder.WriteLines("Result/Result.DB", kRecords);
  EXPECT_EQ(world.session.Window<FangjiAnalysis>().Menu_AssociationRules_Click(),
            Outcome::kRefused);
  EXPECT_EQ(world.dialogs.Messages(), std::vector<std::string>{kNoDataMessage});
  EXPECT_EQ(world.session.FindWindow<AssociationRulesWindow>(), nullptr);
  world.dialogs.shown.clear();

  Run("2", "0.6", "0", "3");
  const std::string rules = folder.ReadBytes("Result/关联规则.csv");
  const std::string itemsets = folder.ReadBytes("Result/频繁项集.csv");
  const std::vector<std::string> shown = Column(0);
  const std::string label = world.session.Window<AssociationRulesWindow>().LabelCount();
  auto unchanged = [&] {
    EXPECT_EQ(folder.ReadBytes("Result/关联规则.csv"), rules);
    EXPECT_EQ(folder.ReadBytes("Result/频繁项集.csv"), itemsets);
    EXPECT_EQ(Column(0), shown);
    EXPECT_EQ(world.session.Window<AssociationRulesWindow>().LabelCount(), label);
    EXPECT_EQ(world.dialogs.Messages().size(), 1u);
    world.dialogs.shown.clear();
  };
  for (auto [support, confidence, lift, size] : std::vector<std::array<const char*, 4>>{
           {"", "0.6", "0", "4"},
           {"abc", "0.6", "0", "4"},
           {"0%", "0.6", "0", "4"},
           {"100.5%", "0.6", "0", "4"},
           {"1", "0.6", "0", "4"},
           {"2.5", "0.6", "0", "4"},
           {"-2", "0.6", "0", "4"},
           {"1e1", "0.6", "0", "4"},
           {"2", "1.01", "0", "4"},
           {"2", "-0.1", "0", "4"},
           {"2", "0.6", "x", "4"},
           {"2", "0.6", "-1", "4"},
           {"2", "0.6", "0", "1"},
           {"2", "0.6", "0", "5"},
           {"11", "0.6", "0", "4"},  // more than the 10 formulas
       }) {
    Run(support, confidence, lift, size, Outcome::kRefused);
    unchanged();
  }
  EXPECT_EQ(MinSupportCount({true, *ParseDecimal("12.5")}, 20), 3);  // 2.5 rounded up
  EXPECT_EQ(MinSupportCount({true, *ParseDecimal("100")}, 10), 10);

  // The itemset file cannot replace its old copy: the rule file stays as it was too.
  std::filesystem::remove(folder / "Result/频繁项集.csv");
  std::filesystem::create_directories(folder / "Result/频繁项集.csv/x");
  Run("2", "0", "0", "4", Outcome::kFailed);
  EXPECT_EQ(folder.ReadBytes("Result/关联规则.csv"), rules);
  EXPECT_EQ(Column(0), shown);
  EXPECT_EQ(world.dialogs.Messages().size(), 1u);
  world.dialogs.shown.clear();
  std::filesystem::remove_all(folder / "Result/频繁项集.csv");

  // An empty result set (a name alone is no formula) is refused; a missing one is a read
  // failure naming the file, as in every analysis.
  folder.WriteLines("Result/Result.DB", {"", "只有名称"});
  Run("2", "0.6", "0", "4", Outcome::kRefused);
  EXPECT_EQ(world.dialogs.Messages(), std::vector<std::string>{kNoDataMessage});
  world.dialogs.shown.clear();
  std::filesystem::remove(folder / "Result/Result.DB");
  Run("2", "0.6", "0", "4", Outcome::kFailed);
  ASSERT_EQ(world.dialogs.Messages().size(), 1u);
  EXPECT_NE(world.dialogs.Messages()[0].find("Result.DB"), std::string::npos);
  EXPECT_EQ(folder.ReadBytes("Result/关联规则.csv"), rules);
  EXPECT_EQ(Column(0), shown);
}

// The files are written straight from the names where the CSV field would leave them as they
// are; any name it changes (quoting, formula characters, control characters) must still come out
// as the field writes it. Random sets over such names, compared with the rows written field by
// field; and the fractions, also beyond 64 bits, against the plain reckoning.
TEST_F(RulesTest, FilesEqualTheFieldByFieldRowsWhateverTheNames) {
  const std::vector<std::string> pool = {"甘草", "甘",  "桂,枝",    "\"大\"枣", "=芍药", "-1",
                                         "+2",   "@药", "生\x01姜", "黄芩",     "黄"};
  std::mt19937 rng(38);
  for (int round = 0; round < 40; ++round) {
    Transactions t{{}, {}, {}, {0}};
    // A random subset of the pool, so that some rounds have plain names only.
    for (const std::string& name : pool)
      if (rng() % 3 != 0 || round % 4 == 0) t.names.push_back(name);
    if (round % 4 == 1) t.names.resize(std::min<std::size_t>(t.names.size(), 3));
    t.frequency.assign(t.names.size(), 0);
    const int n = 5 + static_cast<int>(rng() % 60);
    for (int i = 0; i < n; ++i) {
      for (ItemId id = 0; id < t.names.size(); ++id)
        if (rng() % 5 < 2) {
          t.items.push_back(id);
          ++t.frequency[id];
        }
      t.offsets.push_back(t.items.size());
    }
    const RuleMining m = MineRules(t, 2, 4, {1, 2}, {0, 1});
    WriteRuleFiles(world.session, t, m);
    std::vector<CsvRow> rules = {RuleHeader()},
                        sets = {{"项集", "项数", "支持度计数", "支持度(%)"}};
    for (const Rule& r : m.rules) rules.push_back(RuleRow(t, m, r));
    for (const Itemset& s : m.itemsets)
      sets.push_back({ItemsetText(t, s), std::to_string(s.size), std::to_string(s.count),
                      SupportPercentText(s.count, m.n)});
    ASSERT_EQ(folder.ReadBytes("Result/关联规则.csv"), lindora::CsvText(rules)) << round;
    ASSERT_EQ(folder.ReadBytes("Result/频繁项集.csv"), lindora::CsvText(sets)) << round;
  }

  for (int round = 0; round < 2000; ++round) {
    const int decimals = static_cast<int>(rng() % 6);
    unsigned __int128 num = rng(), den = 1 + rng() % 1000;
    if (round % 2) num = num * rng() * rng();  // beyond 64 bits
    if (round % 3 == 0) den = den * rng();
    unsigned __int128 scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const unsigned __int128 q = (2 * num * scale + den) / (2 * den);
    auto text = [](unsigned __int128 v) {
      std::string s;
      do s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
      while ((v /= 10) != 0);
      return s;
    };
    std::string expected = text(q / scale);
    if (decimals) {
      const std::string f = text(q % scale);
      expected += "." + std::string(static_cast<std::size_t>(decimals) - f.size(), '0') + f;
    }
    ASSERT_EQ(FormatFraction(num, den, decimals), expected) << round;
  }
}

// ---- the miner against enumeration ------------------------------------------------------

struct Case {
  std::vector<std::string> pool;
  std::vector<unsigned> masks;  // the herbs of each transaction as a bit set over the pool
};

// Every subset of the pool counted by a scan; rules from the definitions.
struct BruteForce {
  std::vector<std::string> itemsets;  // "text|size|count", in file order
  std::vector<std::string> rules;     // "antecedent|consequent|count|count X|count y", in order
};

BruteForce Enumerate(const Case& c, std::int64_t min_count, int max_size, Decimal conf,
                     Decimal lift) {
  const int k = static_cast<int>(c.pool.size());
  const auto n = static_cast<std::int64_t>(c.masks.size());
  std::vector<std::int64_t> count(1u << k, 0);
  for (unsigned s = 1; s < (1u << k); ++s)
    for (unsigned m : c.masks) count[s] += (m & s) == s;
  std::vector<int> order(k);
  for (int i = 0; i < k; ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](int a, int b) {
    if (count[1u << a] != count[1u << b]) return count[1u << a] > count[1u << b];
    return c.pool[a] < c.pool[b];
  });
  auto text = [&](unsigned s) {
    std::string t;
    for (int i : order)
      if (s >> i & 1) t += (t.empty() ? "" : "、") + c.pool[i];
    return t;
  };
  struct Item {
    int size;
    std::int64_t count;
    std::string text;
  };
  std::vector<Item> sets;
  struct R {
    std::int64_t xy, x, y;
    std::string ante, cons;
  };
  std::vector<R> rules;
  for (unsigned s = 1; s < (1u << k); ++s) {
    int size = std::popcount(s);
    if (size > max_size || count[s] < min_count) continue;
    sets.push_back({size, count[s], text(s)});
    for (int y = 0; y < k && size > 1; ++y) {
      if (!(s >> y & 1)) continue;
      unsigned x = s & ~(1u << y);
      R r{count[s], count[x], count[1u << y], text(x), c.pool[y]};
      if (static_cast<__int128>(r.xy) * conf.denominator <
          static_cast<__int128>(conf.numerator) * r.x)
        continue;
      if (static_cast<__int128>(r.xy) * n * lift.denominator <
          static_cast<__int128>(lift.numerator) * r.x * r.y)
        continue;
      rules.push_back(r);
    }
  }
  std::sort(sets.begin(), sets.end(), [](const Item& a, const Item& b) {
    return std::tie(a.size, b.count, a.text) < std::tie(b.size, a.count, b.text);
  });
  std::sort(rules.begin(), rules.end(), [](const R& a, const R& b) {
    __int128 ca = static_cast<__int128>(a.xy) * b.x, cb = static_cast<__int128>(b.xy) * a.x;
    if (ca != cb) return ca > cb;
    if (a.xy != b.xy) return a.xy > b.xy;
    __int128 la = static_cast<__int128>(a.xy) * b.x * b.y,
             lb = static_cast<__int128>(b.xy) * a.x * a.y;
    if (la != lb) return la > lb;
    return std::tie(a.ante, a.cons) < std::tie(b.ante, b.cons);
  });
  BruteForce out;
  for (const Item& i : sets)
    out.itemsets.push_back(i.text + "|" + std::to_string(i.size) + "|" + std::to_string(i.count));
  for (const R& r : rules)
    out.rules.push_back(r.ante + "|" + r.cons + "|" + std::to_string(r.xy) + "|" +
                        std::to_string(r.x) + "|" + std::to_string(r.y));
  return out;
}

TEST(RulesMinerTest, MatchesEnumerationOfAllItemsetsOnRandomSets) {
  test::TestFolder folder;
  // Names that are prefixes of others test the joined-text order.
  const std::vector<std::string> pool = {"甘草", "甘", "草", "桂枝", "大枣", "大", "芍药"};
  const std::vector<std::string> confidences = {"0", "0.5", "0.6", "0.6667", "0.75", "1"};
  const std::vector<std::string> lifts = {"0", "1", "1.25", "2"};
  std::mt19937 rng(14);
  for (int round = 0; round < 150; ++round) {
    Case c{pool, {}};
    // Large sets with rare herbs keep some transaction sets as lists, small ones as bits.
    const int n =
        round % 3 == 0 ? 200 + static_cast<int>(rng() % 300) : 1 + static_cast<int>(rng() % 40);
    std::vector<std::string> lines;
    std::vector<double> weight = {0.5, 0.05, 0.3, 0.4, 0.02, 0.35, 0.2};
    for (int t = 0; t < n; ++t) {
      std::vector<std::string> herbs;
      unsigned mask = 0;
      const int len = static_cast<int>(rng() % 7);
      for (int h = 0; h < len; ++h) {
        int i = static_cast<int>(rng() % pool.size());
        if (std::uniform_real_distribution<double>(0, 1)(rng) > weight[i] * 2) continue;
        herbs.push_back(pool[i]);  // may repeat
        mask |= 1u << i;
      }
      c.masks.push_back(mask);
      std::string comp;
      for (const auto& h : herbs) comp += (comp.empty() ? "" : "、") + h;
      lines.push_back("方" + std::to_string(t) + "\t" + comp + "\t证\t");
    }
    folder.WriteLines("Result/case.stand", lines);
    Transactions items = ReadHerbTransactions(folder / "Result/case.stand");
    ASSERT_EQ(items.N(), static_cast<std::size_t>(n));

    const std::int64_t min_count = 1 + static_cast<std::int64_t>(rng() % 4);
    const int max_size = 2 + static_cast<int>(rng() % 3);
    const Decimal conf = *ParseDecimal(confidences[rng() % confidences.size()]);
    const Decimal lift = *ParseDecimal(lifts[rng() % lifts.size()]);
    RuleMining mined = MineRules(items, min_count, max_size, conf, lift);
    BruteForce expected = Enumerate(c, min_count, max_size, conf, lift);

    std::vector<std::string> sets, rules;
    for (const Itemset& s : mined.itemsets)
      sets.push_back(ItemsetText(items, s) + "|" + std::to_string(s.size) + "|" +
                     std::to_string(s.count));
    for (const Rule& r : mined.rules)
      rules.push_back(AntecedentText(items, r) + "|" + items.names[r.consequent] + "|" +
                      std::to_string(r.count) + "|" + std::to_string(r.antecedent_count) + "|" +
                      std::to_string(r.consequent_count));
    ASSERT_EQ(sets, expected.itemsets) << "round " << round;
    ASSERT_EQ(rules, expected.rules) << "round " << round;
  }
}

TEST(RulesCliTest, PrintsTheTableAndMapsOutcomesToExitCodes) {
  test::TestFolder folder;
  folder.WriteLines("Result/Result.DB", kRecords);
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", folder.root().string(), "rules"});
    return test::RunCli(args);
  };
  test::CliRun ok = run({"--min-support", "40%", "--min-confidence", "0.9", "--max-size", "2"});
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_EQ(ok.out,
            "事务数：10　最小支持度计数：4　频繁项集：5　关联规则：2"
            "　全部写入 Result/关联规则.csv、Result/频繁项集.csv\n"
            "# 关联规则分析 - 结果集 （来源未记录）（10 首方剂，方剂库 伤寒论） — FlexGrid\n"
            "前项\t后项\t支持度计数\t支持度(%)\t置信度\t提升度\n"
            "大枣\t芍药\t4\t40.00\t1.0000\t2.5000\n"
            "芍药\t大枣\t4\t40.00\t1.0000\t2.5000\n");
  EXPECT_EQ(run({"--min-lift", "high"}).status, 1);
  EXPECT_EQ(run({"--min-lift"}).status, 1);
  EXPECT_EQ(run({"--top", "3"}).status, 1);
}

}  // namespace
}  // namespace lindora
