#include <gtest/gtest.h>

#include <map>
#include <random>
#include <stdexcept>

#include "analysis/herb_frequency/herb_groups.h"
#include "analysis/herb_table.h"
#include "support/group_oracle.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

HerbTable Table(std::vector<std::pair<std::string, std::int64_t>> herbs) {
  HerbTable t;
  for (auto& [name, count] : herbs) {
    t.CM.push_back(name);
    t.CountCM.push_back(count);
  }
  return t;
}

// The table of the worked example: 白芍 has too few occurrences to take part.
HerbTable Example() {
  return Table({{"人参", 5}, {"甘草", 4}, {"当归", 3}, {"川芎", 3}, {"白芍", 1}});
}

std::map<GroupKey, std::int64_t> Counts(const GroupStore& store) {
  std::map<GroupKey, std::int64_t> m;
  for (std::size_t i = 0; i < store.NumYaodui(); ++i) m[store.Yaodui_S[i]] = store.CountYaodui[i];
  return m;
}

TEST(HerbTableTest, CountsEveryOccurrenceAndSkipsEmptyItems) {
  test::TestFolder folder;
  folder.WriteLines("Result/Result.DB.stand",
                    {"甲方\t甘草、人参、\t\t", "乙方\t人参、甘草、人参\t\t"});
  HerbTable t = BuildCMTable(folder / "Result/Result.DB.stand");
  EXPECT_EQ(t.CM, (std::vector<std::string>{"人参", "甘草"}));
  EXPECT_EQ(t.CountCM, (std::vector<std::int64_t>{3, 2}));

  WriteHerbListFile(t, folder / "Result/Yaodui_Analysis1.txt");
  EXPECT_EQ(folder.ReadBytes("Result/Yaodui_Analysis1.txt"),
            std::string("\xC8\xCB\xB2\xCE\t3\r\n\xB8\xCA\xB2\xDD\t2\r\n"));  // GBK 人参, 甘草
}

TEST(HerbTableTest, TiesComeOutInTheExchangeOrder) {
  test::TestFolder folder;
  folder.WriteLines("Result/Result.DB.stand", {"x\tA、B、C\t\t", "y\tC\t\t"});
  HerbTable t = BuildCMTable(folder / "Result/Result.DB.stand");
  EXPECT_EQ(t.CM, (std::vector<std::string>{"C", "B", "A"}));
}

TEST(HerbTableTest, NamesAreComparedExactly) {
  test::TestFolder folder;
  folder.WriteLines("Result/Result.DB.stand", {"x\t人参、 人参、ab、AB\t\t"});
  HerbTable t = BuildCMTable(folder / "Result/Result.DB.stand");
  EXPECT_EQ(t.NumCM(), 4u);
  HerbPositions pos(t);
  EXPECT_EQ(pos.CM2Int("人参"), 1u);
  EXPECT_EQ(pos.CM2Int(" 人参"), 2u);
  EXPECT_EQ(pos.CM2Int("AB"), 4u);
  EXPECT_EQ(pos.CM2Int("白芍"), 0u);
  EXPECT_EQ(pos.CM2Int(""), 0u);
}

TEST(GroupThresholdTest, FiftyFirstHerbSetsTheThreshold) {
  HerbTable small = Example();
  EXPECT_EQ(GroupThreshold(small), 2);
  HerbTable big;
  for (int i = 0; i < 60; ++i) {
    big.CM.push_back("herb" + std::to_string(i));
    big.CountCM.push_back(i < 50 ? 100 - i : 4);
  }
  EXPECT_EQ(GroupThreshold(big), 4);
  big.CountCM[50] = 1;
  EXPECT_EQ(GroupThreshold(big), 2) << "never below 2";
  // Exactly 50 herbs: the fixed threshold.
  big.CM.resize(50);
  big.CountCM.resize(50);
  EXPECT_EQ(GroupThreshold(big), 2);
}

TEST(Ingredients2IntTest, QualifyingPositionsAscending) {
  HerbTable t = Example();
  HerbPositions pos(t);
  std::vector<int> s;
  ASSERT_TRUE(Ingredients2Int("川芎、人参、当归", s, t, pos, 2));
  EXPECT_EQ(s, (std::vector<int>{1, 3, 4}));
  // 白芍 never qualifies, empty items and unknown names are ignored.
  ASSERT_TRUE(Ingredients2Int("白芍、、甘草、无名、人参、", s, t, pos, 2));
  EXPECT_EQ(s, (std::vector<int>{1, 2}));
  // Fewer than two qualifying occurrences: false, the array stays as it was.
  EXPECT_FALSE(Ingredients2Int("白芍、人参", s, t, pos, 2));
  EXPECT_EQ(s, (std::vector<int>{1, 2}));
  EXPECT_FALSE(Ingredients2Int("", s, t, pos, 2));
  // Strictly greater than the threshold.
  EXPECT_FALSE(Ingredients2Int("当归、川芎", s, t, pos, 3));
  ASSERT_TRUE(Ingredients2Int("人参、人参", s, t, pos, 3));
  EXPECT_EQ(s, (std::vector<int>{1, 1}));
}

TEST(AnalysisYaoduiTest, KeysOfTheWorkedExample) {
  test::GroupCounter pairs, triples, quads;
  std::vector<int> s{1, 3, 4};
  test::AnalysisYaodui(s, pairs, 2);
  test::AnalysisYaodui(s, triples, 3);
  test::AnalysisYaodui(s, quads, 4);
  EXPECT_EQ(pairs.Yaodui_S, (std::vector<GroupKey>{30001, 40001, 40003}));
  EXPECT_EQ(triples.Yaodui_S, (std::vector<GroupKey>{400030001}));
  EXPECT_EQ(quads.NumYaodui(), 0u);
  HerbTable t = Example();
  EXPECT_EQ(Yaodui_S2Yaodui(40003, t.CM, 2), "当归,川芎");
  EXPECT_EQ(Yaodui_S2Yaodui(400030001, t.CM, 3), "人参,当归,川芎");
  // Other sizes add nothing.
  test::GroupCounter other;
  test::AnalysisYaodui(s, other, 1);
  test::AnalysisYaodui(s, other, 5);
  EXPECT_EQ(other.NumYaodui(), 0u);
}

TEST(AnalysisYaoduiTest, HerbListedTwicePairsWithItself) {
  HerbTable t = Example();
  HerbPositions pos(t);
  std::vector<int> s;
  ASSERT_TRUE(Ingredients2Int("人参、甘草、人参", s, t, pos, 2));
  test::GroupCounter pairs;
  test::AnalysisYaodui(s, pairs, 2);
  EXPECT_EQ(Counts(pairs), (std::map<GroupKey, std::int64_t>{{10001, 1}, {20001, 2}}));
  EXPECT_EQ(Yaodui_S2Yaodui(10001, t.CM, 2), "人参,人参");
}

TEST(AnalysisYaoduiTest, QuadrupleKeysAreExactAbove32Bits) {
  test::GroupCounter quads;
  test::AnalysisYaodui({47, 48, 49, 50}, quads, 4);
  ASSERT_EQ(quads.NumYaodui(), 1u);
  EXPECT_EQ(quads.Yaodui_S[0], 50004900480047ull);
  EXPECT_EQ(FormatGroupKey(quads.Yaodui_S[0]), "50004900480047.0");
  EXPECT_EQ(FormatGroupKey(30001), "30001.0");
  // Five positions give five quadruples, enumerated in nested ascending order.
  test::GroupCounter five;
  test::AnalysisYaodui({1, 2, 3, 4, 5}, five, 4);
  EXPECT_EQ(five.Yaodui_S,
            (std::vector<GroupKey>{4000300020001ull, 5000300020001ull, 5000400020001ull,
                                   5000400030001ull, 5000400030002ull}));
}

TEST(GroupStoreTest, KeepsFirstAppearanceOrderAndExactCountsWhileGrowing) {
  std::mt19937_64 rng(11);
  std::uniform_int_distribution<GroupKey> key(1, 5000);
  test::GroupCounter store;
  std::map<GroupKey, std::int64_t> expected;
  std::vector<GroupKey> first_seen;
  for (int i = 0; i < 40000; ++i) {
    GroupKey k = key(rng) * 10001;  // keys that differ only in high digits
    if (expected[k]++ == 0) first_seen.push_back(k);
    test::YaoduiAnalysis(k, store);
  }
  EXPECT_EQ(store.Yaodui_S, first_seen);
  EXPECT_EQ(Counts(store), expected);
  // Counts beyond the 16-bit range do not wrap.
  test::GroupCounter big;
  for (int i = 0; i < 40000; ++i) big.Count(20001);
  EXPECT_EQ(big.CountYaodui[0], 40000);
}

TEST(GroupStoreTest, SortUsesTheExchangeOrder) {
  test::GroupCounter store;
  for (GroupKey k : {GroupKey{10002}, GroupKey{10003}, GroupKey{20003}, GroupKey{20003}})
    store.Count(k);
  store.Sort();
  // Counts 1, 1, 2 in first-seen order: the pair with 2 first, then the second and the first.
  EXPECT_EQ(store.Yaodui_S, (std::vector<GroupKey>{20003, 10003, 10002}));
  EXPECT_EQ(store.CountYaodui, (std::vector<std::int64_t>{2, 1, 1}));
}

TEST(GroupFilesTest, KeyFileHoldsAllGroupsNameFileTheFirst200) {
  test::TestFolder folder;
  HerbTable t;
  for (int i = 1; i <= 30; ++i) {
    t.CM.push_back("药" + std::to_string(i));
    t.CountCM.push_back(3);
  }
  std::vector<int> all;
  for (int i = 1; i <= 30; ++i) all.push_back(i);
  GroupStore pairs = CountGroups({all, all}, 2);
  ASSERT_EQ(pairs.NumYaodui(), 435u);
  WriteGroupKeyFile(pairs, folder / "Result/Yaodui_Analysis2.txt");
  WriteGroupNameFile(pairs, t.CM, 2, folder / "Result/Yaodui_Analysis2_Name.csv");
  auto keys = folder.ReadLines("Result/Yaodui_Analysis2.txt");
  auto names = folder.ReadLines("Result/Yaodui_Analysis2_Name.csv");
  ASSERT_EQ(keys.size(), 435u);
  ASSERT_EQ(names.size(), 200u);
  // All counts tie at 2: the exchange procedure moves nothing, so the first-seen order stays.
  EXPECT_EQ(keys[0], "20001.0\t2");
  EXPECT_EQ(names[0], "药1,药2");
  EXPECT_EQ(keys[434], "300029.0\t2");
  std::string bytes = folder.ReadBytes("Result/Yaodui_Analysis2_Name.csv");
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

}  // namespace
}  // namespace lindora

namespace lindora {
namespace {

// Counting all formulas at once must give the store that one AnalysisYaodui call per formula
// builds, order of first appearance included, before and after sorting.
TEST(CountGroupsTest, AgreesWithCountingFormulaByFormula) {
  std::mt19937_64 rng(17);
  for (int top : {3, 12, 50}) {
    std::uniform_int_distribution<int> position(1, top);
    std::uniform_int_distribution<int> length(0, 9);
    std::vector<std::vector<int>> formulas(300);
    for (auto& f : formulas) {
      for (int i = length(rng); i > 0; --i) f.push_back(position(rng));
      std::sort(f.begin(), f.end());
    }
    for (int n = 2; n <= 4; ++n) {
      test::GroupCounter one_by_one;
      for (const auto& f : formulas) test::AnalysisYaodui(f, one_by_one, n);
      one_by_one.Sort();
      GroupStore all = CountGroups(formulas, n);
      EXPECT_EQ(all.Yaodui_S, one_by_one.Yaodui_S) << "top " << top << " n " << n;
      EXPECT_EQ(all.CountYaodui, one_by_one.CountYaodui) << "top " << top << " n " << n;
    }
  }
  EXPECT_EQ(CountGroups({{1, 2, 3}}, 5).NumYaodui(), 0u);
  // Only the 50 most frequent herbs take part: positions far beyond are a fault of the caller.
  EXPECT_THROW(CountGroups({{1, 200, 300, 400}}, 4), std::logic_error);
  EXPECT_EQ(CountGroups({}, 2).NumYaodui(), 0u);
}

}  // namespace
}  // namespace lindora
