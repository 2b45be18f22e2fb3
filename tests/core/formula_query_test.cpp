// The keyword query around four small formulas and a blank line.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/files.h"
#include "common/gbk.h"
#include "common/text.h"
#include "formula/formula_db.h"
#include "formula/keyword_query.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

using namespace lindora;
using lindora::test::FakeWorld;
using lindora::test::TestFolder;

namespace {

const std::vector<std::string> kRecords = {
    "A方\t麻黄（去节）3两，桂枝2两\t发热恶寒，无汗\t发汗解表",
    "B方\t麻黄3两，甘草（炙）1两\t咳喘",
    "C方\t桂枝3两，甘草2两\t汗出恶风\t调和营卫",
    "D方\t石膏1斤\t大热大渴",
    "",
};

class QueryTest : public ::testing::Test {
 protected:
  QueryTest() : world(folder.root()) { folder.WriteLines("DB/Fangji.DB", kRecords); }

  // Names (field 0) of the records a query selects, in file order.
  std::vector<std::string> Select(std::string_view typed, bool in_results = false,
                                  bool exclude = false) {
    last = RunQuery(world.session, typed, in_results, exclude);
    EXPECT_EQ(last.status, QueryOutcome::Status::kCompleted) << last.message;
    std::vector<std::string> names;
    for (const std::string& line : folder.ReadLines("Result/Result.DB"))
      names.push_back(Split(line, "\t")[0]);
    EXPECT_EQ(static_cast<std::int64_t>(names.size()), last.count);
    return names;
  }

  TestFolder folder;
  FakeWorld world;
  QueryOutcome last;
};

using Names = std::vector<std::string>;

TEST(NormalizeQueryTest, BlanksBecomeAndAndMinusOrNotBecomesAndNot) {
  const std::pair<const char*, const char*> cases[] = {
      {"麻黄 桂枝", "麻黄 AND 桂枝"},
      {"麻黄  桂枝", "麻黄 AND 桂枝"},
      {"麻黄 AND 桂枝", "麻黄 AND 桂枝"},
      {"麻黄    桂枝", "麻黄 AND  AND 桂枝"},
      {"麻黄 -桂枝", "麻黄 AND NOT 桂枝"},
      {"麻黄 - 桂枝", "麻黄 AND NOT 桂枝"},
      {"麻黄 NOT 桂枝", "麻黄 AND NOT 桂枝"},
      {"麻黄-桂枝", "麻黄 AND NOT 桂枝"},
      {"-麻黄", "AND NOT 麻黄"},
      {"麻黄-", "麻黄 AND NOT"},
      {"a not b", "A AND NOT AND B"},
      {"  ｍａhuang ", "ＭＡHUANG"},
  };
  for (const auto& [typed, expected] : cases) EXPECT_EQ(NormalizeQuery(typed), expected) << typed;
}

TEST(MatchRecordTest, OrIsSplitOffEvenInsideAKeyword) {
  QueryProgram sandal("SANDAL");
  ASSERT_FALSE(sandal.SingleTerm());
  ASSERT_EQ(sandal.Terms().size(), 2u);
  EXPECT_EQ(sandal.Terms()[0].keyword, "S");
  EXPECT_EQ(sandal.Terms()[1].keyword, "AL");
  EXPECT_EQ(MatchRecord("SANDAL", "SXAL", false), MatchResult::kComparisonLine);
  EXPECT_EQ(MatchRecord("SANDAL", "SANDXL", false), MatchResult::kNotSelected);
  // 「CORN」 becomes C AND OR N, that is C or N.
  EXPECT_EQ(MatchRecord("CORN", "XN", false), MatchResult::kComparisonLine);
  EXPECT_EQ(MatchRecord("CORN", "CX", false), MatchResult::kComparisonLine);
  EXPECT_EQ(MatchRecord("CORN", "XX", false), MatchResult::kNotSelected);
  // a left fold without precedence: (A and B) or C, then and D
  EXPECT_EQ(MatchRecord("A AND BORC AND D", "CD", false), MatchResult::kComparisonLine);
  EXPECT_EQ(MatchRecord("A AND BORC AND D", "AB", false), MatchResult::kNotSelected);
  EXPECT_EQ(MatchRecord("A AND BORC AND D", "ABD", false), MatchResult::kComparisonLine);
  EXPECT_EQ(MatchRecord("A AND BORC AND D", "AD", false), MatchResult::kNotSelected);
}

TEST(MatchRecordTest, EmptyKeywordHoldsOnNonEmptyLinesOnly) {
  EXPECT_EQ(MatchRecord("AND NOT 麻黄", "桂枝", false), MatchResult::kComparisonLine);
  EXPECT_EQ(MatchRecord("AND NOT 麻黄", "", false), MatchResult::kNotSelected);
  EXPECT_EQ(MatchRecord("麻黄", "", true), MatchResult::kCleanedLine);
  // exclusion plays no part in a multi-term query
  EXPECT_EQ(MatchRecord("麻黄 AND 桂枝", "麻黄桂枝", true), MatchResult::kComparisonLine);
}

TEST_F(QueryTest, SingleKeyword) {
  EXPECT_EQ(Select("麻黄"), (Names{"A方", "B方"}));
  EXPECT_EQ(last.count, 2);
}

TEST_F(QueryTest, AndWrittenAsBlanksOrAsWord) {
  for (const char* q : {"麻黄 桂枝", "麻黄  桂枝", "麻黄 AND 桂枝", "麻黄    桂枝"})
    EXPECT_EQ(Select(q), (Names{"A方"})) << q;
}

TEST_F(QueryTest, NotWrittenAsMinusOrWord) {
  for (const char* q : {"麻黄 -桂枝", "麻黄 - 桂枝", "麻黄 NOT 桂枝"})
    EXPECT_EQ(Select(q), (Names{"B方"})) << q;
}

TEST_F(QueryTest, IdeographicBlankTypedBetweenWordsSeparatesThem) {
  EXPECT_EQ(Select("麻黄\u3000桂枝"), (Names{"A方"}));
  EXPECT_EQ(Select("\u3000麻黄\u3000-桂枝\u3000"), (Names{"B方"}));
  EXPECT_EQ(RunQuery(world.session, "\u3000 \u3000", false, false).status,
            QueryOutcome::Status::kEmptyText);
  // Records stay as they are: their own U+3000 is written back untouched.
  folder.WriteLines("DB/Fangji.DB", {"E方\t人参\u3000黄芪"});
  EXPECT_EQ(Select("人参"), (Names{"E方"}));
  EXPECT_EQ(folder.ReadLines("Result/Result.DB"), (Names{"E方\t人参\u3000黄芪"}));
}

TEST_F(QueryTest, LeadingMinusKeepsEveryNonBlankLineWithoutTheKeyword) {
  EXPECT_EQ(Select("-麻黄"), (Names{"C方", "D方"}));
}

TEST_F(QueryTest, OrGluedToAKeywordAndOrAsASeparateWord) {
  EXPECT_EQ(Select("麻黄OR桂枝"), (Names{"A方", "B方", "C方"}));
  EXPECT_EQ(Select("麻黄 OR 桂枝"), (Names{"A方", "B方", "C方"}));
  EXPECT_EQ(world.session.SearchHistory, "麻黄 OR 桂枝");  // shown as typed
  // and read back from the history list it searches the same
  EXPECT_EQ(Select(world.session.SearchHistory), (Names{"A方", "B方", "C方"}));
  // a free-standing OR after an AND chain folds like the fused one
  EXPECT_EQ(Select("甘草 麻黄 OR 石膏"), Select("甘草 麻黄OR石膏"));
  EXPECT_EQ(Select("甘草 麻黄OR石膏"), (Names{"B方", "D方"}));
}

TEST_F(QueryTest, TrailingMinusAndLowerCaseNotSelectNothing) {
  EXPECT_TRUE(Select("麻黄-").empty());
  EXPECT_EQ(last.count, 0);
  EXPECT_EQ(folder.ReadBytes("Result/Result.DB"), "");
  EXPECT_EQ(folder.ReadBytes("Result/Result.DB.bak"), "");
  EXPECT_TRUE(Select("a not b").empty());
  EXPECT_EQ(world.session.SearchHistory, "A AND NOT AND B");
}

TEST_F(QueryTest, ExclusionOnTheWholeDatabaseIncludesTheBlankLine) {
  EXPECT_EQ(Select("麻黄", false, true), (Names{"C方", "D方", ""}));
  EXPECT_EQ(last.count, 3);
  EXPECT_EQ(Select("麻黄 桂枝", false, true), (Names{"A方"}));
}

TEST_F(QueryTest, WrittenFormIsTheSameForAnyNumberOfTerms) {
  folder.WriteLines("DB/Fangji.DB", {"  e方 \tmahuang  3g\tｆａ热", "F方\tguizhi\t汗"});
  // cleaned ("  " to " ", " TAB" to TAB), own letter case, the leading blank kept
  const Names written{" e方\tmahuang 3g\tｆａ热"};
  for (const char* q : {"MAHUANG", "mahuang ｆａ", "ｆａ OR zzz", "热 -guizhi"}) {
    Select(q);
    EXPECT_EQ(folder.ReadLines("Result/Result.DB"), written) << q;
  }
  EXPECT_EQ(Select("ＦＡ"), (Names{" e方"}));  // full-width letters match without case
}

TEST_F(QueryTest, SearchInResultsNarrowsTheBackupAndExtendsTheHistory) {
  Select("甘草");
  EXPECT_EQ(world.session.SearchHistory, "甘草");
  EXPECT_EQ(Select("桂枝", true), (Names{"C方"}));
  EXPECT_EQ(world.session.SearchHistory, "甘草 AND 桂枝");
  EXPECT_EQ(folder.ReadBytes("Result/Result.DB.bak"), folder.ReadBytes("Result/Result.DB"));
  // the same keyword again does not lengthen the history
  Select("桂枝", true);
  EXPECT_EQ(world.session.SearchHistory, "甘草 AND 桂枝");
  // exclusion within the results
  Select("甘草", false);
  EXPECT_EQ(Select("麻黄", true, true), (Names{"C方"}));
  EXPECT_EQ(world.session.SearchHistory, "甘草 AND  NOT 麻黄");
  // a new search restarts the history; exclusion adds no connector to an empty history
  Select("石膏", false, true);
  EXPECT_EQ(world.session.SearchHistory, "石膏");
}

TEST_F(QueryTest, HistoryKeepsAQueryThatIsPartOfAnEarlierKeyword) {
  Select("麻黄3两");
  Select("麻黄", true);
  EXPECT_EQ(world.session.SearchHistory, "麻黄3两");
}

TEST_F(QueryTest, SearchInResultsWithoutBackupIsRefusedAndChangesNothing) {
  Select("麻黄");
  const std::string result = folder.ReadBytes("Result/Result.DB");
  std::filesystem::remove(folder / "Result/Result.DB.bak");
  QueryOutcome missing = RunQuery(world.session, "桂枝", true, false);
  EXPECT_EQ(missing.status, QueryOutcome::Status::kNoPreviousResults);
  EXPECT_EQ(missing.message, kNoPreviousResultsMessage);
  ClearFile(folder / "Result/Result.DB.bak");
  QueryOutcome empty = RunQuery(world.session, "桂枝", true, false);
  EXPECT_EQ(empty.status, QueryOutcome::Status::kNoPreviousResults);
  EXPECT_EQ(folder.ReadBytes("Result/Result.DB"), result);
  EXPECT_EQ(world.session.SearchHistory, "麻黄");
}

// Old character forms match as the name table folds them, either way round, and a record is
// written as it stands.
TEST_F(QueryTest, OldCharacterFormsMatchTheirModernOnes) {
  folder.WriteLines("DB/Fangji.DB", {"E方\t厚樸3两，白術2两", "F方\t厚朴3两", "G方\t白术2两"});
  folder.WriteBytes("DB/药名对照.tsv", "樸\t朴\t异体字\t\n術\t术\t异体字\t\n");
  EXPECT_EQ(Select("厚朴"), (Names{"E方", "F方"}));
  EXPECT_EQ(Select("厚樸 -白术"), (Names{"F方"}));
  EXPECT_EQ(folder.ReadLines("Result/Result.DB")[0], "F方\t厚朴3两");
  EXPECT_EQ(Select("白術"), (Names{"E方", "G方"}));
  EXPECT_EQ(folder.ReadLines("Result/Result.DB")[0], "E方\t厚樸3两，白術2两");
}

TEST_F(QueryTest, BlankTextIsRefused) {
  world.session.SearchHistory = "麻黄";
  QueryOutcome o = RunQuery(world.session, "   ", false, false);
  EXPECT_EQ(o.status, QueryOutcome::Status::kEmptyText);
  EXPECT_EQ(o.message, kEmptyQueryMessage);
  EXPECT_FALSE(std::filesystem::exists(folder / "Result/Result.DB"));
  EXPECT_EQ(world.session.SearchHistory, "麻黄");
}

// --- faults ---

class QueryFaultTest : public QueryTest {
 protected:
  void SetUp() override {
    Select("麻黄");
    result_before = folder.ReadBytes("Result/Result.DB");
    ASSERT_FALSE(result_before.empty());
  }
  void ExpectNothingChanged(const QueryOutcome& o) {
    EXPECT_EQ(o.status, QueryOutcome::Status::kFailed);
    EXPECT_EQ(folder.ReadBytes("Result/Result.DB"), result_before);
    EXPECT_EQ(folder.ReadBytes("Result/Result.DB.bak"), result_before);
    EXPECT_EQ(world.session.SearchHistory, "麻黄");
  }
  std::string result_before;
};

TEST_F(QueryFaultTest, MissingDatabaseKeepsTheResultSet) {
  std::filesystem::remove(folder / "DB/Fangji.DB");
  QueryOutcome o = RunQuery(world.session, "桂枝", false, false);
  ExpectNothingChanged(o);
  EXPECT_NE(o.message.find("Fangji.DB"), std::string::npos) << o.message;
}

TEST_F(QueryFaultTest, UnwritableResultFileKeepsTheBackupAndHistory) {
  // A directory where the result file should be: the new set cannot be put in place.
  std::filesystem::remove(folder / "Result/Result.DB");
  std::filesystem::create_directory(folder / "Result/Result.DB");
  QueryOutcome o = RunQuery(world.session, "桂枝", false, false);
  EXPECT_EQ(o.status, QueryOutcome::Status::kFailed);
  EXPECT_NE(o.message.find("Result.DB"), std::string::npos) << o.message;
  EXPECT_EQ(folder.ReadBytes("Result/Result.DB.bak"), result_before);
  EXPECT_EQ(world.session.SearchHistory, "麻黄");
  // no temporary files are left behind
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder / "Result"))
    ++entries;
  EXPECT_EQ(entries, 4) << "the result set, its backup, recipe and history (no lock file)";
}

TEST_F(QueryFaultTest, MissingResultFolderKeepsTheHistory) {
  std::filesystem::remove_all(folder / "Result");
  QueryOutcome o = RunQuery(world.session, "桂枝", false, false);
  EXPECT_EQ(o.status, QueryOutcome::Status::kFailed);
  EXPECT_EQ(world.session.SearchHistory, "麻黄");
}

TEST_F(QueryTest, UndecodableBytesDoNotHideARecordAndAreKeptWhenWrittenAsItStands) {
  const std::string bad = EncodeGbk("X方\t麻黄") + "\xFF\x81" + "\t" + EncodeGbk("咳") + "\r\n";
  folder.WriteBytes("DB/Fangji.DB", bad + EncodeGbk("Y方\t桂枝\t汗") + "\r\n");
  EXPECT_EQ(Select("麻黄"), (Names{"X方"}));
  EXPECT_EQ(folder.ReadBytes("Result/Result.DB"), bad);
  EXPECT_EQ(Select("桂枝 汗"), (Names{"Y方"}));
  EXPECT_EQ(Select("咳 麻黄"), (Names{"X方"}));
}

TEST_F(QueryTest, CountsBeyondTheSixteenBitRange) {
  std::string bytes;
  const std::string line = EncodeGbk("方\t麻黄1两\t热") + "\r\n";
  for (int i = 0; i < 40000; ++i) bytes += line;
  folder.WriteBytes("DB/Fangji.DB", bytes);
  QueryOutcome o = RunQuery(world.session, "麻黄", false, false);
  EXPECT_EQ(o.count, 40000);
}

}  // namespace

namespace {

TEST_F(QueryFaultTest, UnwritableBackupPutsThePreviousResultFileBack) {
  std::filesystem::remove(folder / "Result/Result.DB.bak");
  std::filesystem::create_directory(folder / "Result/Result.DB.bak");
  QueryOutcome o = RunQuery(world.session, "桂枝", false, false);
  EXPECT_EQ(o.status, QueryOutcome::Status::kFailed);
  EXPECT_EQ(folder.ReadBytes("Result/Result.DB"), result_before);
  EXPECT_EQ(world.session.SearchHistory, "麻黄");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder / "Result"))
    ++entries;
  EXPECT_EQ(entries, 4) << "the result set, its backup, recipe and history (no lock file)";
}

}  // namespace

namespace {

// The query upper-cases every line with a word-at-a-time scan: letters must be found wherever
// they fall relative to the eight-byte words, including full-width ones split across two.
TEST(LineUpperCaseTest, FindsLettersAtEveryOffset) {
  for (int pad = 0; pad < 12; ++pad) {
    for (const char* pad_unit : {"X", "麻"}) {
      std::string prefix;
      for (int i = 0; i < pad; ++i) prefix += pad_unit;
      std::string s = prefix + "ａｚ，a桂z" + prefix + "ｍ";
      UpperCaseInPlace(s);
      EXPECT_EQ(s, prefix + "ＡＺ，A桂Z" + prefix + "Ｍ") << pad << pad_unit;
    }
  }
  std::string untouched = "『｀｛』ＡＢ`{@[";  // neighbours of the letter ranges stay
  std::string copy = untouched;
  UpperCaseInPlace(copy);
  EXPECT_EQ(copy, untouched);
}

}  // namespace
