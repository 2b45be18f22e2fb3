#include "formula/composition.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "common/gbk.h"
#include "common/text.h"

namespace lindora {
namespace {

// One mention in a compact form: name[notes]=text:low..high unit, "*" for a shared dose,
// "^" for a dose read from a note, "?" when the dose did not read.
std::string Show(const HerbMention& m) {
  std::string out = m.name;
  for (const auto& note : m.notes) out += "[" + note + "]";
  if (m.dose.text.empty()) return out;
  out += "=" + m.dose.text + ":";
  if (!m.dose.readable) return out + "?" + (m.shared_dose ? "*" : "");
  char amount[64];
  std::snprintf(amount, sizeof amount, m.dose.range ? "%.4g..%.4g" : "%.4g", m.dose.low,
                m.dose.high);
  out += amount;
  out += m.dose.unit;
  if (!m.dose.extra_unit.empty()) {
    std::snprintf(amount, sizeof amount, "+%.4g", m.dose.extra);
    out += amount + m.dose.extra_unit;
  }
  if (m.shared_dose) out += "*";
  if (m.dose_in_note) out += "^";
  return out;
}

std::string ShowAll(std::string_view composition) {
  std::string out;
  for (const auto& m : ParseComposition(composition)) out += (out.empty() ? "" : " | ") + Show(m);
  return out;
}

TEST(CompositionTest, RealWorldSpellings) {
  const struct {
    const char* text;
    const char* parse;
  } kCases[] = {
      // The shipped classical style: notes in brackets, doses after them, 。 at the end.
      {"桂枝（去皮）3两，芍药3两，甘草（炙）2两，大枣（擘）12枚。",
       "桂枝[去皮]=3两:3两 | 芍药=3两:3两 | 甘草[炙]=2两:2两 | 大枣[擘]=12枚:12枚"},
      {"附子（炮，去皮，破八片）1枚，半夏（洗）0.5升",
       "附子[炮，去皮，破八片]=1枚:1枚 | 半夏[洗]=0.5升:0.5升"},
      {"桂枝（去皮）1两16铢，麻黄（去节）16铢",
       "桂枝[去皮]=1两16铢:1.667两 | 麻黄[去节]=16铢:16铢"},
      {"石膏（如鸡子大，碎），甘遂（1钱匕），葱白（4茎）",
       "石膏[如鸡子大，碎]=如鸡子大:1鸡子大^ | 甘遂[1钱匕]=1钱匕:1钱匕^ | 葱白[4茎]=4茎:4茎^"},
      {"干姜（强人可四两）3两", "干姜[强人可四两]=3两:3两"},
      {"芍药，甘草（炙），麻黄（去节，各一两）",
       "芍药=一两:1两* | 甘草[炙]=一两:1两* | 麻黄[去节，各一两]=一两:1两*^"},
      {"（方阙）", ""},
      {"商陆根（熬），海藻（洗去咸），栝蒌根各等分",
       "商陆根[熬]=等分:?* | 海藻[洗去咸]=等分:?* | 栝蒌根=等分:?*"},
      // Chinese numerals, 半, names that begin with numerals.
      {"半夏半升，五味子半升，细辛三两，大枣十二枚",
       "半夏=半升:0.5升 | 五味子=半升:0.5升 | 细辛=三两:3两 | 大枣=十二枚:12枚"},
      {"三七3g、百合二十克、两头尖一钱", "三七=3g:3g | 百合=二十克:20克 | 两头尖=一钱:1钱"},
      {"川芎一两半，当归三钱五分，柴胡半斤，白芍十两",
       "川芎=一两半:1.5两 | 当归=三钱五分:3.5钱 | 柴胡=半斤:0.5斤 | 白芍=十两:10两"},
      {"生姜三片 大枣两枚", "生姜=三片:3片 | 大枣=两枚:2枚"},
      // Compounds: each unit smaller than the one before; a 分 after 两 stays apart, as only
      // the conversion table sizes it.
      {"升麻1两1分，当归一斤二两，知母1两2钱半，黄芩二两六铢，芍药1斤4两",
       "升麻=1两1分:1两+1分 | 当归=一斤二两:1.125斤 | 知母=1两2钱半:1.25两 | "
       "黄芩=二两六铢:2.25两 | 芍药=1斤4两:1.25斤"},
      // Modern lists: ranges, 各, blanks between herb and dose, usage notes.
      {"黄芪30g，党参15-20g，茯苓10～15克，白术12 g",
       "黄芪=30g:30g | 党参=15-20g:15..20g | 茯苓=10～15克:10..15克 | 白术=12 g:12g"},
      {"黄芪 30g 党参 15g 当归 10G", "黄芪=30g:30g | 党参=15g:15g | 当归=10G:10G"},
      {"柴胡、黄芩各10g，白芍15g", "柴胡=10g:10g* | 黄芩=10g:10g* | 白芍=15g:15g"},
      {"桃仁 红花 各6g；枳壳 10g", "桃仁=6g:6g* | 红花=6g:6g* | 枳壳=10g:10g"},
      {"川芎12g，羌活、独活各9g", "川芎=12g:12g | 羌活=9g:9g* | 独活=9g:9g*"},
      {"生石膏30g（先煎），薄荷6g【后下】，砂仁3g后下",
       "生石膏[先煎]=30g:30g | 薄荷[后下]=6g:6g | 砂仁[后下]=3g:3g"},
      {"炙甘草(6g)、炒白术 (10g)", "炙甘草[6g]=6g:6g^ | 炒白术[10g]=10g:10g^"},
      {" 黄连，，  、吴茱萸 ", "黄连 | 吴茱萸"},
      {"黄芪30，防风10", "黄芪=30:? | 防风=10:?"},
      {"人参适量，三七粉少许，冰片0.3克，麝香100mg，鲜芦根1kg，黄酒20ml",
       "人参=适量:? | 三七粉=少许:? | 冰片=0.3克:0.3克 | 麝香=100mg:100mg | 鲜芦根=1kg:1kg | "
       "黄酒=20ml:20ml"},
      {"牡蛎（煅）30g\n龙骨（煅）30g", "牡蛎[煅]=30g:30g | 龙骨[煅]=30g:30g"},
      {"乌梅3～5枚，蜈蚣2条，全蝎5只，地龙3-6克",
       "乌梅=3～5枚:3..5枚 | 蜈蚣=2条:2条 | 全蝎=5只:5只 | 地龙=3-6克:3..6克"},
      {"白芍１５ｇ，赤芍１０－１５ｇ", "白芍=１５ｇ:15ｇ | 赤芍=１０－１５ｇ:10..15ｇ"},
      {"麻黄、杏仁、甘草各等分", "麻黄=等分:?* | 杏仁=等分:?* | 甘草=等分:?*"},
      // Classical text as an import meets it: processing without brackets, the preparation run
      // into the herbs, brackets whose end was lost, "上各等分" for every herb above.
      {"枳壳 麸炒，甜瓜蒂炒黄，杜仲酥炙二两，生石膏30g 先煎，丹皮为君",
       "枳壳[麸炒] | 甜瓜蒂[炒黄] | 杜仲[酥炙]=二两:2两 | 生石膏[先煎]=30g:30g | 丹皮[为君]"},
      {"黄芪30g，当归10g。水煎服，每日一剂", "黄芪=30g:30g | 当归[水煎服][每日一剂]=10g:10g"},
      {"乳香（别研 麝香（研） 桂枝 上各等分",
       "乳香[别研]=等分:?* | 麝香[研]=等分:?* | 桂枝=等分:?*"},
      {"人参 白术 各一 杏仁 十一", "人参=一:?* | 白术=一:?* | 杏仁=十一:?"},
      {"甘草二两，丹皮为君地黄只用臣分两；上为细末，每服三钱",
       "甘草[丹皮为君地黄只用臣分两][上为细末][每服三钱]=二两:2两"},
      // Doses written badly: a unit or 各 with no number, a Chinese numeral cut from its unit.
      {"麦冬各，地黄克，当归 钱，甘草一 钱，大枣十二 枚，黄芪20G",
       "麦冬 | 地黄 | 当归 | 甘草=一 钱:1钱 | 大枣=十二 枚:12枚 | 黄芪=20G:20G"},
  };
  for (const auto& c : kCases) EXPECT_EQ(ShowAll(c.text), c.parse) << c.text;
}

TEST(CompositionTest, DoseReadingKeepsWhatItCannotRead) {
  const DoseReading range = ReadDose("10-15g");
  EXPECT_TRUE(range.readable && range.range);
  EXPECT_DOUBLE_EQ(range.amount, 12.5);
  EXPECT_DOUBLE_EQ(range.low, 10);
  EXPECT_DOUBLE_EQ(range.high, 15);
  for (const char* text : {"三七", "七三两", "5g-3两", "1两3斤", "鸡子黄", "", "百合"}) {
    const DoseReading d = ReadDose(text);
    EXPECT_FALSE(d.readable) << text;
    EXPECT_EQ(d.text, text);
  }
  EXPECT_DOUBLE_EQ(ReadDose("一百二十克").amount, 120);
  EXPECT_DOUBLE_EQ(ReadDose("廿四铢").amount, 24);
  EXPECT_DOUBLE_EQ(ReadDose("1/2两").amount, 0.5);
}

// Every composition shipped with the program parses into herbs whose shipped-style writing
// gives the composition back, so an import of the shipped style changes nothing.
TEST(CompositionTest, ShippedFormulasWriteBackUnchanged) {
  std::ifstream in(std::filesystem::path(LINDORA_SOURCE_DIR) / "data/DB/Fangji.DB",
                   std::ios::binary);
  ASSERT_TRUE(in);
  std::stringstream bytes;
  bytes << in.rdbuf();
  int formulas = 0, doses = 0;
  for (const auto& line : Split(DecodeGbk(bytes.str()), "\r\n")) {
    const auto fields = Split(line, "\t");
    if (fields.size() < 2 || fields[1].empty()) continue;
    std::string composition = fields[1];
    if (EndsWith(composition, "。")) composition.resize(composition.size() - 3);
    const auto herbs = ParseComposition(composition);
    if (herbs.empty()) continue;
    std::vector<std::string> written, shown;
    for (const auto& h : herbs) {
      written.push_back(FormatMention(h));
      shown.push_back(Show(h));
      EXPECT_EQ(h.name.find_first_of("0123456789"), std::string::npos) << h.name;
      doses += h.dose.readable;
    }
    // A shared "各" dose is written out at each herb; everything else comes back as it was.
    const std::string back = Join(written, "，");
    if (!Contains(composition, "各")) {
      EXPECT_EQ(back, composition);
    }
    std::vector<std::string> reread;
    for (const auto& h : ParseComposition(back)) reread.push_back(Show(h));
    for (auto& s : shown) s = ReplaceAll(s, "*", "");
    EXPECT_EQ(reread, shown) << composition;
    ++formulas;
  }
  EXPECT_GT(formulas, 100);
  EXPECT_GT(doses, 500);
}

// No drug's name, nor any name the dictionary knows for one, is taken for processing or for a
// sentence: each reads as a herb, at most with a processing note split off its end.
TEST(CompositionTest, EveryKnownNameReadsAsAHerb) {
  const std::filesystem::path db = std::filesystem::path(LINDORA_SOURCE_DIR) / "data/DB";
  std::ifstream herbs(db / "Herb_Name.DB", std::ios::binary), table(db / "药名对照.tsv");
  ASSERT_TRUE(herbs && table);
  std::stringstream bytes;
  bytes << herbs.rdbuf();
  std::set<std::string> names;
  for (const auto& line : Split(DecodeGbk(bytes.str()), "\r\n")) {
    const auto fields = Split(line, "\t");
    if (fields.size() > 2) names.insert(fields[2]);
  }
  const std::set<std::string> standard = names;
  for (std::string line; std::getline(table, line);)
    if (!StartsWith(line, "#")) names.insert(Split(line, "\t")[0]);
  int split = 0;
  for (const auto& name : names) {
    const auto mentions = ParseComposition(name);
    ASSERT_EQ(mentions.size(), 1u) << name;
    std::string back = mentions[0].name;
    for (const auto& note : mentions[0].notes) back += note;
    EXPECT_EQ(back, name);
    if (mentions[0].name != name) {
      ++split;
      EXPECT_TRUE(names.count(mentions[0].name)) << name;
    }
  }
  EXPECT_GT(standard.size(), 800u);
  EXPECT_LT(split, 10);
}

}  // namespace
}  // namespace lindora
