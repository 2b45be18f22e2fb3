#include <gtest/gtest.h>

#include "chem/compound_data.h"
#include "common/files.h"
#include "support/lookup_oracles.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

class CompoundLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.WriteLines("DB/Compound.DB", {
                                       "120\tonetwenty\tCC\tKEY-120",
                                       "512\tfivetwelve\tCCC\tKEY-512",
                                       "7\t12\tfield one holds 12\tKEY-7",
                                       "12 \tblank after\tC\tKEY-x",
                                       "12\t丹参酮\tC1CC1 \tKEY-12 ",
                                       "13\tlast\tCO\t12",
                                       "-4\tnegative\tN\tKEY-m4",
                                   });
  }
  test::TestFolder f;
  fs::path file() const { return f / "DB/Compound.DB"; }
};

TEST_F(CompoundLookupTest, IdentifierMustStandAsAWholeFieldFollowedByATab) {
  // 120 and 512 contain 12; "12 " is not 12; field 1 of line 7 is a whole field before a TAB.
  EXPECT_EQ(test::CompoundRecordById(file(), 12), "7\t12\tfield one holds 12\tKEY-7");
  EXPECT_EQ(test::CompoundRecordById(file(), 120), "120\tonetwenty\tCC\tKEY-120");
  EXPECT_EQ(test::CompoundRecordById(file(), -4), "-4\tnegative\tN\tKEY-m4");
  EXPECT_EQ(test::CompoundRecordById(file(), 1), "");
  EXPECT_EQ(test::CompoundRecordById(file(), 2), "");
}

TEST_F(CompoundLookupTest, BatchedLookupGivesTheSameAnswersInTheAskedOrder) {
  std::vector<std::int32_t> ids = {13, 12, 999, 120, 12, -4, 512, 7, 0, 2147483647};
  std::vector<std::string> batched = CompoundRecordsById(file(), ids);
  ASSERT_EQ(batched.size(), ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i)
    EXPECT_EQ(batched[i], test::CompoundRecordById(file(), ids[i])) << "id " << ids[i];
  EXPECT_TRUE(CompoundRecordsById(file(), {}).empty());
}

TEST_F(CompoundLookupTest, RecordComesBackDecodedAndUntrimmed) {
  f.WriteLines("DB/Compound.DB", {"5\t丹参酮 \t C=O \tKEY "});
  EXPECT_EQ(test::CompoundRecordById(file(), 5), "5\t丹参酮 \t C=O \tKEY ");
  EXPECT_EQ(CompoundRecordsById(file(), {5}).front(), "5\t丹参酮 \t C=O \tKEY ");
}

TEST(CompoundLookupFileTest, MissingFileIsAnErrorNamingIt) {
  test::TestFolder f;
  try {
    CompoundRecordsById(f / "DB/Compound.DB", {1});
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find((f / "DB/Compound.DB").string()), std::string::npos);
  }
  EXPECT_THROW(test::CompoundRecordById(f / "DB/Compound.DB", 1), FileError);
}

TEST(RefLookupTest, KeyIsFoundAnywhereCaseSensitiveFirstLineWins) {
  test::TestFolder f;
  f.WriteLines("DB/Ref/set.DB", {
                                    "SMILES\tNPACT_ID\tInChIKey",
                                    "C\t1\tAAAA-BBBB",
                                    "note mentioning AAAA-BBBB in a comment\t2\tZZ",
                                    "N\t3\taaaa-bbbb",
                                    "O\t4\tXX-AAAA-BBBB-YY",
                                });
  fs::path set = f / "DB/Ref/set.DB";
  EXPECT_EQ(test::FindRefRecord(set, "AAAA-BBBB"), "C\t1\tAAAA-BBBB");
  EXPECT_EQ(test::FindRefRecord(set, "aaaa-bbbb"), "N\t3\taaaa-bbbb");
  EXPECT_EQ(test::FindRefRecord(set, "comment"), "note mentioning AAAA-BBBB in a comment\t2\tZZ");
  EXPECT_EQ(test::FindRefRecord(set, "XX-AAAA"), "O\t4\tXX-AAAA-BBBB-YY");
  EXPECT_EQ(test::FindRefRecord(set, "QQ"), std::nullopt);
  // An empty key would match the header line; it finds nothing.
  EXPECT_EQ(test::FindRefRecord(set, ""), std::nullopt);

  std::vector<std::string> keys = {"aaaa-bbbb", "", "AAAA-BBBB", "QQ", "AAAA-BBBB", "B", "ZZ"};
  auto batched = FindRefRecords(set, keys);
  ASSERT_EQ(batched.size(), keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i)
    EXPECT_EQ(batched[i], test::FindRefRecord(set, keys[i])) << "key " << keys[i];
}

TEST(RefLookupTest, MissingSetIsAnErrorEvenForAnEmptyKey) {
  test::TestFolder f;
  EXPECT_THROW(FindRefRecords(f / "DB/Ref/none.DB", {"K"}), FileError);
  EXPECT_THROW(test::FindRefRecord(f / "DB/Ref/none.DB", ""), FileError);
}

TEST(HerbLinkTest, EveryMatchingLinkLineCountsBlankLinesAreSkipped) {
  test::TestFolder f;
  f.WriteLines("DB/Herb_Compound.DB",
               {"3\t77", "", "   ", "4\t770", "5\t77", "3\t77", "99999999999\t77", "6"});
  auto herbs = HerbsContainingCompound(f / "DB/Herb_Compound.DB", 77);
  ASSERT_EQ(herbs.size(), 4u);
  EXPECT_EQ(herbs[0], 3);
  EXPECT_EQ(herbs[1], 5);
  EXPECT_EQ(herbs[2], 3);
  EXPECT_EQ(herbs[3], std::nullopt);  // beyond 32 bits: no herb, never wrapped
  EXPECT_TRUE(HerbsContainingCompound(f / "DB/Herb_Compound.DB", 1).empty());
}

}  // namespace
}  // namespace lindora
