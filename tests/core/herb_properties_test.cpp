// Nature, flavour and meridian data of the herbs and their distribution over a result set.
#include "herb/herb_properties.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "analysis/herb_properties/herb_properties_analysis.h"
#include "herb/danti_analysis.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

constexpr const char* kPharmacopoeia = "中国药典2020年版一部";

// 甲 warm, pungent and slightly bitter (two flavours, one written with 微); 乙 slightly cold
// and toxic; 丙 has no property line; 丁 very hot.
void WriteHerbs(const test::TestFolder& folder) {
  folder.WriteLines("DB/Herb_Name.DB", {"编号\t类型\t中药名\t其他名称", "1\t1\t甲\tJia",
                                        "2\t30\t乙\tYi", "3\t16\t丙\tBing", "4\t16\t丁\tDing"});
  const std::string src = kPharmacopoeia;
  folder.WriteLines("DB/Herb_Property.DB",
                    {"1\t温\t辛、微苦\t肺、膀胱\t\t" + src, "2\t微寒\t苦、甘\t肝\t有毒\t" + src,
                     "4\t大热\t辛\t心、肾、脾\t\t" + src});
}

const PropertyCount& Row(const std::vector<PropertyCount>& table, std::string_view category) {
  for (const PropertyCount& row : table)
    if (row.category == category) return row;
  ADD_FAILURE() << "no row " << category;
  return table.front();
}

TEST(HerbPropertiesTest, CountsOccurrencesFoldsDegreesAndNamesHerbsWithoutData) {
  test::TestFolder folder;
  WriteHerbs(folder);
  // 甲 is in three formulas (listed twice in the first, which counts once), 乙 in two, 丙 and
  // 丁 in one: seven herb occurrences.
  folder.WriteLines("Result/Result.DB",
                    {"一方\t甲3两，乙2两，丙1两，甲1两。\t发热", "二方\t甲2两，乙2两。\t恶寒",
                     "三方\t甲1两，丁1两。\t腹痛"});
  test::FakeWorld world(folder.root());
  HerbPropertiesResult r = RunHerbProperties(world.session);
  ASSERT_EQ(r.outcome, Outcome::kDone) << world.dialogs.Messages().size();
  EXPECT_EQ(r.formulas, 3);
  EXPECT_EQ(r.occurrences, 7);
  EXPECT_EQ(r.herbs, 4);

  // Degrees fold: 微寒 counts as 寒, 大热 as 热; the table as written keeps them apart.
  EXPECT_EQ(Row(r.natures, "温").occurrences, 3);
  EXPECT_EQ(Row(r.natures, "寒").occurrences, 2);
  EXPECT_EQ(Row(r.natures, "热").occurrences, 1);
  EXPECT_EQ(Row(r.natures, "平").occurrences, 0);
  EXPECT_EQ(Row(r.nature_degrees, "微寒").occurrences, 2);
  EXPECT_EQ(Row(r.nature_degrees, "寒").occurrences, 0);
  EXPECT_EQ(Row(r.nature_degrees, "大热").herbs, 1);
  EXPECT_DOUBLE_EQ(Row(r.natures, "温").share, 3.0 / 7);

  // A herb with two flavours counts for each; 微苦 is 苦.
  EXPECT_EQ(Row(r.flavours, "辛").occurrences, 3 + 1);
  EXPECT_EQ(Row(r.flavours, "苦").occurrences, 3 + 2);
  EXPECT_EQ(Row(r.flavours, "苦").herbs, 2);
  EXPECT_EQ(Row(r.flavours, "甘").occurrences, 2);
  EXPECT_EQ(Row(r.meridians, "肺").occurrences, 3);
  EXPECT_EQ(Row(r.meridians, "肝").names, (std::vector<std::string>{"乙"}));

  // The herb without data is a row of every table and is named.
  ASSERT_EQ(r.without_data.size(), 1u);
  EXPECT_EQ(r.without_data[0].name, "丙");
  for (const auto* table : {&r.natures, &r.nature_degrees, &r.flavours, &r.meridians}) {
    EXPECT_EQ(table->back().category, kWithoutDataRow);
    EXPECT_EQ(table->back().occurrences, 1);
    EXPECT_EQ(table->back().names, (std::vector<std::string>{"丙"}));
  }
  EXPECT_NE(HerbPropertiesSummary(r).find("丙(1)"), std::string::npos);

  ASSERT_EQ(r.toxic.size(), 1u);
  EXPECT_EQ(r.toxic[0].name, "乙");
  EXPECT_EQ(r.toxic[0].toxicity, "有毒");
  EXPECT_EQ(r.toxic[0].formulas, (std::vector<std::string>{"一方", "二方"}));

  // The file: UTF-8 with a byte-order mark, CR LF, one row per category.
  const std::string bytes = folder.ReadBytes("Result/性味归经.csv");
  EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(bytes.find('\n'), bytes.find("\r\n") + 1);
  EXPECT_NE(bytes.find("分类,项目,频次,占比(%),药味数,中药\r\n四气,寒,2,28.57,1,乙\r\n"),
            std::string::npos);
  EXPECT_NE(bytes.find("\r\n五味,苦,5,71.43,2,甲、乙\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("\r\n有毒中药,乙,2,66.67,1,有毒：一方、二方\r\n"), std::string::npos);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

// On random result sets every herb occurrence is in exactly one nature row (the row of herbs
// without data included), and a flavour or meridian row never counts more herbs than have data.
TEST(HerbPropertiesTest, NatureRowsAddUpToAllOccurrencesOnRandomSets) {
  test::TestFolder folder;
  WriteHerbs(folder);
  std::mt19937 random(25);
  const char* herbs[] = {"甲", "乙", "丙", "丁", "戊"};  // 戊 is no herb of the file
  for (int round = 0; round < 20; ++round) {
    std::vector<std::string> lines;
    std::map<std::string, int> formulas_with;
    const int formulas = 1 + static_cast<int>(random() % 12);
    for (int f = 0; f < formulas; ++f) {
      std::string composition;
      std::map<std::string, bool> in;
      for (int k = 0; k < 1 + static_cast<int>(random() % 6); ++k) {
        const std::string h = herbs[random() % 5];
        composition += (composition.empty() ? "" : "，") + h + "1两";
        in[h] = true;
      }
      for (const auto& [h, _] : in) ++formulas_with[h];
      lines.push_back("方" + std::to_string(f) + "\t" + composition + "。\t症");
    }
    folder.WriteLines("Result/Result.DB", lines);
    test::FakeWorld world(folder.root());
    HerbPropertiesResult r = RunHerbProperties(world.session);
    ASSERT_EQ(r.outcome, Outcome::kDone);
    std::int64_t all = 0, nature_sum = 0;
    for (const auto& [h, n] : formulas_with) all += n;
    for (const PropertyCount& row : r.natures) nature_sum += row.occurrences;
    EXPECT_EQ(r.occurrences, all);
    EXPECT_EQ(nature_sum, all);
    EXPECT_EQ(Row(r.natures, "温").occurrences, formulas_with["甲"]);
    EXPECT_EQ(Row(r.flavours, "苦").occurrences, formulas_with["甲"] + formulas_with["乙"]);
    EXPECT_EQ(r.natures.back().occurrences, formulas_with["丙"] + formulas_with["戊"]);
  }
}

TEST(HerbPropertiesTest, LinesWithWordsOutsideTheBooksAreRefusedAndReported) {
  EXPECT_TRUE(ParseHerbPropertyLine("7\t微温\t甘、微苦\t脾、肺、心包\t有小毒\t中药学"));
  // A misspelt meridian, 经 written after it, an unknown degree, a doubled flavour, a missing
  // field, a herb number that is no number.
  for (const char* bad :
       {"7\t温\t甘\t脾、膀光\t\t药典", "7\t温\t甘\t脾经\t\t药典", "7\t微热\t甘\t脾\t\t药典",
        "7\t温\t甘、甘\t脾\t\t药典", "7\t温\t甘\t脾\t\t", "7\t温\t甘\t脾\t有些毒\t药典",
        "七\t温\t甘\t脾\t\t药典", "7\t温\t甘\t脾\t药典"})
    EXPECT_FALSE(ParseHerbPropertyLine(bad)) << bad;

  test::TestFolder folder;
  WriteHerbs(folder);
  folder.WriteLines("DB/Herb_Property.DB",
                    {"1\t温\t辛\t肺、膀光\t\t药典", "2\t微寒\t苦\t肝\t有毒\t药典"});
  folder.WriteLines("Result/Result.DB", {"一方\t甲1两，乙1两。\t发热"});
  test::FakeWorld world(folder.root());
  HerbPropertiesResult r = RunHerbProperties(world.session);
  ASSERT_EQ(r.outcome, Outcome::kDone);
  // 甲's line is skipped: it counts as a herb without data, and the user is told.
  EXPECT_EQ(r.without_data.size(), 1u);
  EXPECT_EQ(r.bad_property_lines, 1);
  ASSERT_EQ(world.dialogs.Messages().size(), 1u);
  EXPECT_NE(world.dialogs.Messages()[0].find("膀光"), std::string::npos);
}

TEST(HerbPropertiesTest, EmptyResultSetAndMissingPropertyFileAreRefusedWithAMessage) {
  test::TestFolder folder;
  WriteHerbs(folder);
  folder.WriteLines("Result/Result.DB", {});
  test::FakeWorld world(folder.root());
  EXPECT_EQ(RunHerbProperties(world.session).outcome, Outcome::kRefused);
  folder.WriteLines("Result/Result.DB", {"一方\t甲1两。\t发热"});
  std::filesystem::remove(folder / "DB/Herb_Property.DB");
  EXPECT_EQ(RunHerbProperties(world.session).outcome, Outcome::kFailed);
  EXPECT_NE(world.dialogs.Messages().back().find("Herb_Property.DB"), std::string::npos);
}

TEST(HerbPropertiesTest, TheTypeLookupShowsNatureFlavoursMeridiansAndToxicity) {
  test::TestFolder folder;
  WriteHerbs(folder);
  test::FakeWorld world(folder.root());
  DantiAnalysis& danti = world.session.Window<DantiAnalysis>();
  ASSERT_TRUE(danti.ShowHerbType("乙"));
  EXPECT_EQ(world.dialogs.Messages().back(),
            "“乙”的中药类型为“补气药”\r\n性味：苦、甘，微寒；有毒。归经：肝经。（" +
                std::string(kPharmacopoeia) + "）");
  ASSERT_TRUE(danti.ShowHerbType("丙"));
  EXPECT_EQ(world.dialogs.Messages().back(), "“丙”的中药类型为“温里药”\r\n性味归经：暂未收录");
}

}  // namespace
}  // namespace lindora
