// Record clean-up, formula lookup and the atomic result set.
#include "formula/formula_db.h"

#include <gtest/gtest.h>

#include "common/files.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

using namespace lindora;
using lindora::test::FakeWorld;
using lindora::test::TestFolder;

namespace {

TEST(CleanRecordLineTest, BlanksAroundTabsGoInFivePasses) {
  EXPECT_EQ(CleanRecordLine("A  \tB"), "A\tB");
  EXPECT_EQ(CleanRecordLine("A\t  B"), "A\tB");
  // three blanks after the TAB: the first pass leaves two, "TAB+blank" removes one, and no
  // later replacement sees the one that is left
  EXPECT_EQ(CleanRecordLine("A\t   B"), "A\t B");
  EXPECT_EQ(CleanRecordLine("麻黄    桂枝"), "麻黄  桂枝");    // four blanks keep two
  EXPECT_EQ(CleanRecordLine(" A \t B "), " A\tB ");            // outer blanks stay
  EXPECT_EQ(CleanRecordLine("A\u3000\tB\r"), "A\u3000\tB\r");  // full-width blank, CR stay
  EXPECT_EQ(CleanRecordLine(""), "");
}

TEST(CleanRecordLineTest, InPlaceFormAgreesOnEveryShortBlankTabMix) {
  // Every string of up to six characters from {' ', TAB, 'x'}.
  const char alphabet[] = {' ', '\t', 'x'};
  for (int len = 0; len <= 6; ++len) {
    int total = 1;
    for (int i = 0; i < len; ++i) total *= 3;
    for (int code = 0; code < total; ++code) {
      std::string s;
      for (int i = 0, c = code; i < len; ++i, c /= 3) s.push_back(alphabet[c % 3]);
      std::string expected = s;
      for (auto [from, to] :
           {std::pair{"  ", " "}, {"\t ", "\t"}, {"\t  ", "\t"}, {" \t", "\t"}, {"  \t", "\t"}}) {
        std::string out;
        std::size_t pos = 0, hit;
        const std::string f = from;
        while ((hit = expected.find(f, pos)) != std::string::npos) {
          out += expected.substr(pos, hit - pos) + to;
          pos = hit + f.size();
        }
        expected = out + expected.substr(pos);
      }
      std::string in_place = s;
      CleanRecordLineInPlace(in_place);
      EXPECT_EQ(in_place, expected) << '[' << s << ']';
    }
  }
}

class FindFormulaTest : public ::testing::Test {
 protected:
  FindFormulaTest() : world(folder.root()) {
    folder.WriteLines("DB/Fangji.DB", {
                                          "大青龙汤\t麻黄6两，桂枝2两\t太阳中风",
                                          "小青龙汤加石膏\t麻黄3两，小青龙汤方中加石膏\t心下有水气",
                                          "小青龙汤\t麻黄3两，芍药3两\t伤寒表不解",
                                      });
  }
  TestFolder folder;
  FakeWorld world;
};

TEST_F(FindFormulaTest, AnExactNameWinsOverAnEarlierContainingLine) {
  EXPECT_EQ(FindFormulaRecord(world.session, "小青龙汤"), "小青龙汤\t麻黄3两，芍药3两\t伤寒表不解");
  EXPECT_EQ(FindFormulaRecord(world.session, "  芍药3两 "),
            "小青龙汤\t麻黄3两，芍药3两\t伤寒表不解");
  EXPECT_EQ(FindFormulaRecord(world.session, "白虎汤"), "");
  EXPECT_EQ(FindFormulaRecord(world.session, "  "), "大青龙汤\t麻黄6两，桂枝2两\t太阳中风");
}

TEST_F(FindFormulaTest, ManyNamesInOnePassAnswerInTheirOwnOrder) {
  auto found = FindFormulaRecords(world.session, {"白虎汤", "芍药", "大青龙汤", "芍药"});
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0], "");
  EXPECT_EQ(found[1], "小青龙汤\t麻黄3两，芍药3两\t伤寒表不解");
  EXPECT_EQ(found[2], "大青龙汤\t麻黄6两，桂枝2两\t太阳中风");
  EXPECT_EQ(found[3], found[1]);
}

TEST_F(FindFormulaTest, MissingDatabaseIsAFileErrorNamingIt) {
  std::filesystem::remove(folder / "DB/Fangji.DB");
  try {
    FindFormulaRecord(world.session, "大青龙汤");
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(e.kind(), FileError::Kind::kRead);
    EXPECT_NE(std::string(e.what()).find("Fangji.DB"), std::string::npos);
  }
}

TEST(ResultSetWriterTest, NothingChangesUntilCommit) {
  TestFolder folder;
  FakeWorld world(folder.root());
  folder.WriteLines("Result/Result.DB", {"旧方"});
  folder.WriteLines("Result/Result.DB.bak", {"旧方"});
  {
    ResultSetWriter writer(world.session);
    writer.Add("新方\t麻黄");
    EXPECT_EQ(writer.Count(), 1);
  }  // dropped without Commit
  EXPECT_EQ(folder.ReadLines("Result/Result.DB"), std::vector<std::string>{"旧方"});
  ResultSetWriter writer(world.session);
  writer.Add("新方\t麻黄");
  writer.AddRaw("raw");
  writer.Commit();
  EXPECT_EQ(folder.ReadLines("Result/Result.DB"), (std::vector<std::string>{"新方\t麻黄", "raw"}));
  EXPECT_EQ(folder.ReadBytes("Result/Result.DB.bak"), folder.ReadBytes("Result/Result.DB"));
}

TEST(ResultSetWriterTest, UsesAResultFileWhoseNameDiffersInCase) {
  TestFolder folder;
  FakeWorld world(folder.root());
  folder.WriteLines("Result/result.db", {"旧方"});
  ResultSetWriter writer(world.session);
  writer.Add("新方");
  writer.Commit();
  EXPECT_EQ(folder.ReadLines("Result/result.db"), std::vector<std::string>{"新方"});
  EXPECT_FALSE(std::filesystem::exists(folder / "Result/Result.DB"));
}

}  // namespace
