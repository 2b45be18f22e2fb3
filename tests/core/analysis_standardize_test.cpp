#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "analysis/standardize.h"
#include "analysis/transactions.h"
#include "common/files.h"
#include "common/gbk.h"
#include "common/text.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

std::string Ingredients(std::string text) {
  std::string result = StandardIngredients(text);
  EXPECT_EQ(text, result) << "the argument is replaced by the result";
  return result;
}

std::string Symptoms(std::string text) {
  std::string result = StandardSymptoms(text);
  EXPECT_EQ(text, result) << "the argument is replaced by the result";
  return result;
}

TEST(StandardIngredientsTest, ClassicalCompositionBecomesHerbNames) {
  EXPECT_EQ(Ingredients("沉香（锉）半两，青橘皮（去白，焙）半两，京三棱（煨，锉）半两，甘松半两，"
                        "姜黄1分，木香1分，甘遂（炒）1分，芫花（醋炒焦）1分，大戟（炒）1分，"
                        "牵牛子（炒）1两。"),
            "沉香、青橘皮、京三棱、甘松、姜黄、木香、甘遂、芫花、大戟、牵牛子");
  EXPECT_EQ(Ingredients("人参、白术各等分。"), "人参、白术");
  EXPECT_EQ(Ingredients("附子（炮，去皮）1枚"), "附子");
  EXPECT_EQ(Ingredients("石膏1.5两，知母6g，粳米约10g"), "石膏、知母、粳米");
}

TEST(StandardIngredientsTest, UnitsOutsideTheListAndOrderEffectsStay) {
  // 片 is no unit, so it stays; 两半 fires before 一两 and leaves the numeral.
  EXPECT_EQ(Ingredients("生姜3片，大枣（擘）12枚，甘草（炙）2两"), "生姜片、大枣、甘草");
  EXPECT_EQ(Ingredients("黄连一两半"), "黄连一");
  // Latin units in any letter case are units.
  EXPECT_EQ(Ingredients("知母6G，石膏1KG，水5ML"), "知母、石膏、水");
  EXPECT_EQ(Ingredients("人参3-5钱"), "人参");
  EXPECT_EQ(Ingredients("白术（土炒）二两，茯苓半斤"), "白术、茯苓");
}

TEST(StandardIngredientsTest, MarksAndQuotesInTheInputAreRemoved) {
  EXPECT_EQ(Ingredients("人参#$，\"甘草\"，“当归”"), "人参、甘草、当归");
  EXPECT_EQ(Ingredients("当归或川芎"), "当归、川芎");
}

TEST(StandardIngredientsTest, BracketWalk) {
  EXPECT_EQ(Ingredients("麻黄（去节"), "麻黄");
  // Inside a bracket the last character is never examined: a closing bracket there does not
  // close, so the whole comment runs to the end either way.
  EXPECT_EQ(Ingredients("麻黄（去节）"), "麻黄");
  EXPECT_EQ(Ingredients("麻黄（）桂枝"), "麻黄桂枝");
  // No nesting: the first closing bracket ends the comment.
  EXPECT_EQ(Ingredients("甲（乙（丙）丁）戊"), "甲丁）戊");
  EXPECT_EQ(Ingredients("（"), "");
  EXPECT_EQ(Ingredients("人参（"), "人参");
  // ASCII brackets are not comments.
  EXPECT_EQ(Ingredients("人参(去芦)"), "人参(去芦)");
}

TEST(StandardIngredientsTest, EmptyItemsAndEmptyText) {
  EXPECT_EQ(Ingredients(""), "");
  EXPECT_EQ(Ingredients("人参1两，甘草，"), "人参、甘草、");
  EXPECT_EQ(Ingredients("人参，，甘草"), "人参、、甘草");
}

TEST(StandardSymptomsTest, IndicationsBecomePhrases) {
  EXPECT_EQ(Symptoms("伤寒头痛，或发热恶寒，兼有咳嗽者。"), "伤寒头痛，，发热恶寒，，咳嗽");
  EXPECT_EQ(Symptoms("小儿惊风，甚者抽搐不止。"), "惊风，抽搐");
  EXPECT_EQ(Symptoms("妇人崩漏3日不止、腹痛；等病症"), "崩漏，腹痛，");
}

TEST(StandardSymptomsTest, OnlyOneFinalFullStopIsDropped) {
  EXPECT_EQ(Symptoms("头痛。。"), "头痛，");
  EXPECT_EQ(Symptoms("。"), "");
  EXPECT_EQ(Symptoms(""), "");
}

TEST(StandardSymptomsTest, LongerPhrasesGoBeforeTheirParts) {
  EXPECT_EQ(Symptoms("头痛或作呕"), "头痛，呕");
  EXPECT_EQ(Symptoms("一切风疾及小儿惊痫"), "风疾，惊痫");
  EXPECT_EQ(Symptoms("10日以上不可忍"), "");
  EXPECT_EQ(Symptoms("腹痛等病证"), "腹痛");
  EXPECT_EQ(Symptoms("伴2-3日发热"), "发热");
}

// Each case isolates one rule of the composition list: dropping the rule, or moving it
// past the rule it must precede, changes the output.
TEST(StandardIngredientsTest, EveryRuleHasItsEffect) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"人参等。", "人参"},  // before the bare full stop, which would leave 等
      {"人参。甘草", "人参甘草"},
      {"人参各等分", "人参"},
      {"细料方人参", "人参"},
      {"方：人参", "方人参"},
      {"人参或甘草", "人参、甘草"},
      {"生姜少许", "生姜"},
      {"甘草减半", "甘草"},
      {"炙甘草", "甘草"},
      {"炒白术", "白术"},
      {"炮姜", "姜"},
      {"焦山楂", "山楂"},
      {"熟地黄", "地黄"},
      {"净山楂", "山楂"},
      {"人参3-5钱", "人参"},
      {"粳米约10g", "粳米"},
      {"石膏1.5两", "石膏"},
      {"黄连两半", "黄连"},
      {"黄连半两", "黄连"},
      {"黄连一两", "黄连"},
      {"黄连二两", "黄连"},
      {"黄连三两", "黄连三两"},  // only 一 and 二 are read as numbers
      {"黄连半钱", "黄连"},
      {"黄连钱半", "黄连"},
      {"黄连半分", "黄连"},
      {"黄连分半", "黄连"},
      {"黄连半斤", "黄连"},
      {"黄连斤半", "黄连"},
      {"黄连公斤", "黄连"},
      {"黄连3公斤", "黄连"},
      {"黄连一两半", "黄连一"},  // 两半 fires before 一两
      {"人参#", "人参"},
      {"人参$", "人参"},
      {"人参,甘草", "人参、甘草"},
      {"人参，甘草", "人参、甘草"},
      {"\"人参\"", "人参"},
      {"“人参”", "人参"},
      {"人参钱", "人参钱"},  // a unit without a number stays
      {"人参3kg", "人参"},
      {"人参3ml", "人参"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(Ingredients(in), out) << in;
  for (char d = '0'; d <= '9'; ++d)
    EXPECT_EQ(Ingredients(std::string("人参") + d + "钱"), "人参") << d;
  for (const char* unit : {"厘", "钱", "两", "分", "斤", "粒", "g", "kg", "ml", "个", "合", "对",
                           "条", "枚", "张", "铢", "升", "帖"})
    EXPECT_EQ(Ingredients(std::string("甘草12") + unit + "，大枣"), "甘草、大枣") << unit;
  // Latin units in any letter case, as an upper-cased record or modern data writes them.
  for (const char* unit : {"G", "KG", "Kg", "kG", "ML", "mL", "Ml"})
    EXPECT_EQ(Ingredients(std::string("麻黄9") + unit + "，大枣"), "麻黄、大枣") << unit;
  // Units not in the list stay behind the herb name.
  for (const char* unit : {"片", "克", "握", "尺"})
    EXPECT_EQ(Ingredients(std::string("甘草2") + unit), std::string("甘草") + unit) << unit;
}

// The same for the indications list.
TEST(StandardSymptomsTest, EveryRuleHasItsEffect) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"头痛或作呕", "头痛，呕"},
      {"头痛兼有咳嗽", "头痛，咳嗽"},
      {"头痛或呕", "头痛，呕"},
      {"头痛而呕", "头痛，呕"},
      {"头痛及呕", "头痛，呕"},
      {"头痛兼呕", "头痛呕"},
      {"腹痛等病症", "腹痛"},
      {"腹痛等病证", "腹痛"},
      {"有汗", "汗"},
      {"伴呕", "呕"},
      {"甚者抽搐", "抽搐"},
      {"虚者", "虚"},
      {"一切风疾", "风疾"},
      {"卒得心痛", "心痛"},
      {"五十以上", "五十"},
      {"下利不止", "下利"},
      {"疼痛不可忍", "疼痛"},
      {"小儿惊风", "惊风"},
      {"妇人崩漏", "崩漏"},
      {"妇女带下", "带下"},
      {"发热3日", "发热"},
      {"发热3天", "发热天"},
      {"头痛。发热", "头痛，发热"},
      {"头痛、发热", "头痛，发热"},
      {"头痛；发热", "头痛，发热"},
      {"头痛-发热", "头痛发热"},
      {"头痛#", "头痛"},
      {"头痛等", "头痛"},
      {"头痛。", "头痛"},
      {"头痛。。", "头痛，"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(Symptoms(in), out) << in;
  for (char d = '0'; d <= '9'; ++d)
    EXPECT_EQ(Symptoms(std::string("发热") + d + "日"), "发热") << d;
}

class StandardResultTest : public ::testing::Test {
 protected:
  std::vector<std::string> Stand() { return folder.ReadLines("Result/Result.DB.stand"); }
  test::TestFolder folder;
  test::FakeWorld world{folder.root()};
};

TEST_F(StandardResultTest, FieldsOneAndTwoAreCleanedTheRestStays) {
  folder.WriteLines("Result/Result.DB",
                    {"桂枝汤\t桂枝（去皮）3两，芍药3两\t头痛发热。\t解肌",
                     "三物汤\t人参1两，甘草\t腹痛", "   ", "", "五味\t人参\t头痛\t甲\t乙"});
  StandardResultReport report = StandardResult(world.session);
  EXPECT_EQ(Stand(),
            (std::vector<std::string>{"桂枝汤\t桂枝、芍药\t头痛发热\t解肌",
                                      "三物汤\t人参、甘草\t腹痛\t", "五味\t人参\t头痛\t甲\t乙"}));
  EXPECT_EQ(report.written, 3);
  EXPECT_EQ(report.blank, 2);
  EXPECT_EQ(report.too_short, 0);
  // GBK with CR LF on disk.
  std::string bytes = folder.ReadBytes("Result/Result.DB.stand");
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 3);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), 3);
  EXPECT_NE(bytes.find("\t\r\n"), std::string::npos);
}

TEST_F(StandardResultTest, ANameAloneIsSkippedAFormulaWithoutIndicationsCounts) {
  folder.WriteLines("Result/Result.DB", {"只有名称", "名称\t人参3G", "好方\t人参2两\t咳嗽"});
  StandardResultReport report = StandardResult(world.session);
  EXPECT_EQ(Stand(), (std::vector<std::string>{"名称\t人参\t\t", "好方\t人参\t咳嗽\t"}));
  EXPECT_EQ(report.too_short, 1);
  // N and the herb counts of every analysis come from these transactions.
  Transactions herbs = HerbTransactionsOfResultSet(world.session);
  EXPECT_EQ(herbs.N(), 2u);
  ASSERT_EQ(herbs.names, (std::vector<std::string>{"人参"}));
  EXPECT_EQ(herbs.frequency[0], 2);
  Transactions symptoms = ReadSymptomTransactions(folder.root() / "Result/Result.DB");
  EXPECT_EQ(symptoms.N(), 2u);
}

TEST_F(StandardResultTest, MissingResultFileRaisesAndKeepsTheOldCopy) {
  folder.WriteLines("Result/Result.DB.stand", {"旧\t人参\t头痛\t"});
  EXPECT_THROW(StandardResult(world.session), FileError);
  EXPECT_EQ(Stand(), (std::vector<std::string>{"旧\t人参\t头痛\t"}));
  // No temporary file is left beside it.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder / "Result"))
    ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(StandardResultTest, EmptyResultFileGivesAnEmptyCopy) {
  folder.WriteBytes("Result/Result.DB", "");
  folder.WriteLines("Result/Result.DB.stand", {"旧\t人参\t头痛\t"});
  StandardResult(world.session);
  EXPECT_EQ(folder.ReadBytes("Result/Result.DB.stand"), "");
}

}  // namespace
}  // namespace lindora

namespace lindora {
namespace {

// The copy is made once per result set: reused while the result set and the copy are as they
// were, remade when either changed.
TEST_F(StandardResultTest, CopyIsRemadeOnlyWhenTheResultSetOrTheCopyChanged) {
  namespace fs = std::filesystem;
  folder.WriteLines("Result/Result.DB", {"甲方\t人参1两\t头痛", "", "乙方\t甘草\t"});
  const StandardResultReport first = StandardResult(world.session);
  const std::vector<std::string> made = Stand();
  ASSERT_EQ(made, (std::vector<std::string>{"甲方\t人参\t头痛\t", "乙方\t甘草\t\t"}));

  // Reused: a copy of the same size and time is not read or rewritten, and the counts are the
  // first run's.
  const fs::path stand = folder / "Result/Result.DB.stand";
  const auto time = fs::last_write_time(stand);
  std::string same_size(folder.ReadBytes("Result/Result.DB.stand").size(), 'x');
  folder.WriteBytes("Result/Result.DB.stand", same_size);
  fs::last_write_time(stand, time);
  const StandardResultReport again = StandardResult(world.session);
  EXPECT_EQ(folder.ReadBytes("Result/Result.DB.stand"), same_size);
  EXPECT_EQ(again.written, first.written);
  EXPECT_EQ(again.blank, 1);

  // The copy touched: remade.
  folder.WriteBytes("Result/Result.DB.stand", same_size);
  StandardResult(world.session);
  EXPECT_EQ(Stand(), made);

  // The result set changed, with its size and time kept: remade from the new set.
  const fs::path result = folder / "Result/Result.DB";
  const auto result_time = fs::last_write_time(result);
  const auto result_size = fs::file_size(result);
  folder.WriteLines("Result/Result.DB", {"甲方\t党参1两\t头痛", "", "乙方\t甘草\t"});
  ASSERT_EQ(fs::file_size(result), result_size);
  fs::last_write_time(result, result_time);
  StandardResult(world.session);
  EXPECT_EQ(Stand(), (std::vector<std::string>{"甲方\t党参\t头痛\t", "乙方\t甘草\t\t"}));
}

}  // namespace
}  // namespace lindora

namespace lindora {
namespace {

// The herbs read from the bytes of a standardised file equal those of its decoded lines split
// at TAB and "、", whatever the bytes: names of two- and four-byte codes, the pair A1 A2 inside
// a character (B0 A1 A2 A1), broken bytes, two spellings of the euro sign, every line end, lines
// longer than the reader's buffer.
TEST(HerbTransactionsTest, ReadingTheBytesEqualsSplittingTheDecodedLines) {
  const std::vector<std::string> pieces = {"\xC8\xCB\xB2\xCE",
                                           "\xB8\xCA\xB2\xDD",
                                           "\x81\x30\x81\x30",
                                           "\xA1\xA2",
                                           "\xA1\xA2",
                                           "\t",
                                           "\r\n",
                                           "\n",
                                           "\r",
                                           "ab",
                                           "\xB0\xA1\xA2\xA1",
                                           "\xFF",
                                           "\x80",
                                           "\xA2\xE3",
                                           "\xB0"};
  std::mt19937 random(38);
  for (int round = 0; round < 60; ++round) {
    // Most rounds hold clean names only, so the reading from the bytes is taken.
    const std::size_t usable = round % 3 == 0 ? pieces.size() : 11;
    std::string bytes;
    const int length = round == 0 ? 200000 : static_cast<int>(random() % 400);
    for (int i = 0; i < length; ++i) bytes += pieces[random() % usable];
    test::TestFolder folder;
    folder.WriteBytes("case.stand", bytes);

    Transactions expected{{}, {}, {}, {0}};
    std::string line;
    auto end_line = [&] {
      std::vector<std::string> fields = Split(DecodeGbk(line), "\t");
      std::vector<ItemId> row;
      if (fields.size() > 1) {
        for (const std::string& name : Split(fields[1], "、")) {
          if (name.empty()) continue;
          auto at = std::find(expected.names.begin(), expected.names.end(), name);
          if (at == expected.names.end()) {
            expected.names.push_back(name);
            expected.frequency.push_back(0);
            at = expected.names.end() - 1;
          }
          row.push_back(static_cast<ItemId>(at - expected.names.begin()));
        }
      }
      std::sort(row.begin(), row.end());
      row.erase(std::unique(row.begin(), row.end()), row.end());
      for (ItemId id : row) ++expected.frequency[id];
      expected.items.insert(expected.items.end(), row.begin(), row.end());
      expected.offsets.push_back(expected.items.size());
      line.clear();
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\r' || bytes[i] == '\n') {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        end_line();
      } else {
        line += bytes[i];
      }
    }
    if (!line.empty()) end_line();

    const Transactions got = ReadHerbTransactions(folder / "case.stand");
    ASSERT_EQ(got.names, expected.names) << "round " << round;
    ASSERT_EQ(got.frequency, expected.frequency) << "round " << round;
    ASSERT_EQ(got.items, expected.items) << "round " << round;
    ASSERT_EQ(got.offsets, expected.offsets) << "round " << round;
  }
}

}  // namespace
}  // namespace lindora
