#include "herb/herb_files.h"

#include <gtest/gtest.h>

#include "common/files.h"
#include "support/fake_ports.h"
#include "support/lookup_oracles.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

// Line 0 looks like a herb on purpose: it must never count as a recorded one.
const std::vector<std::string> kHerbNames = {
    "0\t30\t零号\tlinghao\tZero",
    "1\t30\t人参\trenshen\tGinseng",
    "2\t30\t黄芪\thuangqi\tAstragali",
    "3\t5\t金银花\tjinyinhua\tLonicerae",
    "",
    "5\t0\t甘草\tgancao\tGlycyrrhizae",
    "6\t99\t怪药\tguaiyao\tQuaint",
    "7\t3\t尾名",
    "  8\t17\t陈皮\tchenpi\tCitri  ",
};

class HerbFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.WriteLines("DB/Herb_Name.DB", kHerbNames);
    folder.WriteLines("DB/Herb_Compound.DB", {
                                                 "12\t100",
                                                 "112\t200",
                                                 "120\t300",
                                                 "1\t12",
                                                 "",
                                                 "12\t101",
                                                 "5\t 7 7",
                                             });
  }
  test::TestFolder folder;
  test::FakeWorld world{folder.root()};
  const Session& session = world.session;
};

TEST_F(HerbFilesTest, FindHerbRecordMatchesWholeFieldsOnlyAndFoldsLatinCase) {
  EXPECT_EQ(test::FindHerbRecord(session, "人参"), "1\t30\t人参\tRENSHEN\tGINSENG");
  EXPECT_EQ(test::FindHerbRecord(session, "RenShen"), "1\t30\t人参\tRENSHEN\tGINSENG");
  EXPECT_EQ(test::FindHerbRecord(session, "ginseng"), "1\t30\t人参\tRENSHEN\tGINSENG");
  EXPECT_EQ(test::FindHerbRecord(session, "人"), "");
  EXPECT_EQ(test::FindHerbRecord(session, "参"), "");
  EXPECT_EQ(test::FindHerbRecord(session, "不存在"), "");
  // The keyword is not trimmed, so a blank makes it a different field.
  EXPECT_EQ(test::FindHerbRecord(session, " 人参"), "");
  // The record is trimmed of blanks before it is compared and returned.
  EXPECT_EQ(test::FindHerbRecord(session, "citri"), "8\t17\t陈皮\tCHENPI\tCITRI");
}

TEST_F(HerbFilesTest, FindHerbRecordMatchesNameFieldsOnlyNeverANumber) {
  // 5 is the type number of line 3 and the herb number of line 5: neither is a name.
  EXPECT_EQ(test::FindHerbRecord(session, "5"), "");
  EXPECT_EQ(test::FindHerbRecord(session, "30"), "");
  EXPECT_EQ(test::FindHerbRecord(session, "零号"), "0\t30\t零号\tLINGHAO\tZERO");
  EXPECT_EQ(test::FindHerbRecord(session, "zero"), "0\t30\t零号\tLINGHAO\tZERO");
  // No record has an empty field here, so the empty keyword finds nothing.
  EXPECT_EQ(test::FindHerbRecord(session, ""), "");
  // A keyword holding a TAB is found across two name fields, not across a number and a name.
  EXPECT_EQ(test::FindHerbRecord(session, "黄芪\tHUANGQI"), "2\t30\t黄芪\tHUANGQI\tASTRAGALI");
  EXPECT_EQ(test::FindHerbRecord(session, "30\t黄芪"), "");
}

TEST_F(HerbFilesTest, EmptyKeywordFindsARecordWithAnEmptyField) {
  folder.WriteLines("DB/Herb_Name.DB", {"0\t0\t标题\tbiaoti", "1\t30\t人参\trenshen\t"});
  EXPECT_EQ(test::FindHerbRecord(session, ""), "1\t30\t人参\tRENSHEN\t");
}

TEST_F(HerbFilesTest, HerbIdByNameCountsEveryLineAndNeedsATabOnBothSides) {
  EXPECT_EQ(HerbIdByName(session, "人参"), 1);
  EXPECT_EQ(HerbIdByName(session, "甘草"), 5);      // the blank line 4 counts
  EXPECT_EQ(HerbIdByName(session, "零号"), 0);      // line 0: callers treat it as not recorded
  EXPECT_EQ(HerbIdByName(session, "尾名"), -1);     // ends its line
  EXPECT_EQ(HerbIdByName(session, "Ginseng"), -1);  // last field
  EXPECT_EQ(HerbIdByName(session, "renshen"), 1);   // any field between two TABs
  EXPECT_EQ(HerbIdByName(session, "RENSHEN"), -1);  // no case folding
  EXPECT_EQ(HerbIdByName(session, "人"), -1);
  EXPECT_EQ(HerbIdByName(session, "1"), -1);          // field 0 has no TAB before it
  EXPECT_EQ(HerbIdByName(session, "5"), -1);          // a type number is no name
  EXPECT_EQ(HerbIdByName(session, "5\t金银花"), -1);  // nor part of one
  EXPECT_EQ(HerbIdByName(session, " 人参"), -1);      // not trimmed
  EXPECT_EQ(HerbIdByName(session, "人参\trenshen"), 1);
}

TEST_F(HerbFilesTest, BatchedLookupsAnswerInTheOrderAskedLikeSingleOnes) {
  std::vector<std::string> names = {"甘草", "人参", "尾名", "人参", "零号", ""};
  std::vector<int> ids = HerbIdsByName(session, names);
  ASSERT_EQ(ids.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(ids[i], HerbIdByName(session, names[i])) << names[i];
  EXPECT_EQ(ids, (std::vector<int>{5, 1, -1, 1, 0, -1}));

  std::vector<std::string> keywords = {"gancao", "人", "RenShen", "gancao"};
  std::vector<std::string> records = FindHerbRecords(session, keywords);
  for (std::size_t i = 0; i < keywords.size(); ++i)
    EXPECT_EQ(records[i], test::FindHerbRecord(session, keywords[i]));
  EXPECT_TRUE(HerbIdsByName(session, {}).empty());
}

TEST_F(HerbFilesTest, CompoundIdsBelongToTheHerbOfTheFirstFieldOnly) {
  std::vector<std::int32_t> ids;
  ASSERT_TRUE(CompoundIdsOfHerb(session, 12, ids));
  // Not the lines of 112 or 120, nor the line whose compound is 12.
  EXPECT_EQ(ids, (std::vector<std::int32_t>{100, 101}));
  ASSERT_TRUE(CompoundIdsOfHerb(session, 1, ids));
  EXPECT_EQ(ids, (std::vector<std::int32_t>{12}));  // replaced, not appended
  // Blanks inside the identifier are skipped by the numeric reading.
  ASSERT_TRUE(CompoundIdsOfHerb(session, 5, ids));
  EXPECT_EQ(ids, (std::vector<std::int32_t>{77}));
}

TEST_F(HerbFilesTest, HerbWithoutLinksLeavesTheArrayAsItWas) {
  std::vector<std::int32_t> ids = {9, 8, 7};
  EXPECT_FALSE(CompoundIdsOfHerb(session, 2, ids));
  EXPECT_FALSE(CompoundIdsOfHerb(session, 0, ids));
  EXPECT_EQ(ids, (std::vector<std::int32_t>{9, 8, 7}));
}

TEST_F(HerbFilesTest, BatchedCompoundIdsKeepRequestOrderAndRepeats) {
  auto lists = CompoundIdsOfHerbs(session, {120, 12, 2, 12});
  ASSERT_EQ(lists.size(), 4u);
  EXPECT_EQ(lists[0], (std::vector<std::int32_t>{300}));
  EXPECT_EQ(lists[1], (std::vector<std::int32_t>{100, 101}));
  EXPECT_TRUE(lists[2].empty());
  EXPECT_EQ(lists[3], lists[1]);
}

TEST_F(HerbFilesTest, TextAfterTheIdentifierIsReadIntoIt) {
  folder.WriteLines("DB/Herb_Compound.DB", {"3\t10\t5", "3\t2x"});
  std::vector<std::int32_t> ids;
  ASSERT_TRUE(CompoundIdsOfHerb(session, 3, ids));
  EXPECT_EQ(ids, (std::vector<std::int32_t>{105, 2}));
}

TEST_F(HerbFilesTest, IdentifierBeyondThirtyTwoBitsIsReportedWithItsLine) {
  folder.WriteLines("DB/Herb_Compound.DB", {"3\t10", "3\t99999999999"});
  std::vector<std::int32_t> ids = {1};
  try {
    CompoundIdsOfHerb(session, 3, ids);
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("第 2 行"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("Herb_Compound.DB"), std::string::npos);
  }
  EXPECT_EQ(ids, (std::vector<std::int32_t>{1}));
}

TEST_F(HerbFilesTest, HerbNameByIdReadsFieldZeroNotThePosition) {
  EXPECT_EQ(test::HerbNameById(session, 5), "甘草");
  EXPECT_EQ(test::HerbNameById(session, 8), "陈皮");  // "  8" still reads as 8
  EXPECT_EQ(test::HerbNameById(session, 0), "零号");
  EXPECT_EQ(test::HerbNameById(session, 4), "");
  EXPECT_EQ(HerbNamesById(session, {7, 1, 7, 40}),
            (std::vector<std::string>{"尾名", "人参", "尾名", ""}));
}

TEST_F(HerbFilesTest, MissingFilesRaiseAnErrorNamingThem) {
  std::filesystem::remove(folder / "DB/Herb_Name.DB");
  std::filesystem::remove(folder / "DB/Herb_Compound.DB");
  std::vector<std::int32_t> ids;
  EXPECT_THROW(test::FindHerbRecord(session, "人参"), FileError);
  EXPECT_THROW(HerbIdByName(session, "人参"), FileError);
  try {
    CompoundIdsOfHerb(session, 1, ids);
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("Herb_Compound.DB"), std::string::npos);
  }
}

}  // namespace
}  // namespace lindora
