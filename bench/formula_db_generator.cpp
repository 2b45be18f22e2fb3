#include "formula_db_generator.h"

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string_view>

#include "common/gbk.h"
#include "common/text.h"

namespace lindora::bench {

namespace {

// splitmix64: small, fast and the same on every platform.
struct Rng {
  std::uint64_t state;
  std::uint64_t Next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
  template <class T, std::size_t N>
  const T& Pick(const std::array<T, N>& items) {
    return items[Below(N)];
  }
};

constexpr std::array<std::string_view, 60> kHerbs = {
    "麻黄",   "桂枝",   "甘草",   "芍药", "生姜", "大枣",   "杏仁", "石膏", "知母",   "粳米",
    "人参",   "白术",   "茯苓",   "干姜", "附子", "半夏",   "黄芩", "黄连", "柴胡",   "大黄",
    "芒硝",   "厚朴",   "枳实",   "葛根", "细辛", "五味子", "当归", "川芎", "熟地黄", "生地黄",
    "阿胶",   "麦门冬", "天门冬", "桔梗", "陈皮", "苍术",   "防风", "荆芥", "薄荷",   "连翘",
    "金银花", "板蓝根", "黄芪",   "党参", "山药", "泽泻",   "猪苓", "滑石", "栀子",   "豆豉",
    "牡蛎",   "龙骨",   "吴茱萸", "川乌", "蜀椒", "乌梅",   "赤芍", "丹参", "桃仁",   "红花"};
constexpr std::array<std::string_view, 12> kNotes = {
    "（去节）",   "（去皮）", "（炙）",       "（切）",
    "（擘）",     "（洗）",   "（碎，绵裹）", "（炮，去皮，破八片）",
    "（去皮尖）", "（酒洗）", "（熬）",       "（去心）"};
constexpr std::array<std::string_view, 14> kDoses = {"3两",     "2两",  "1两",   "4两", "0.5斤",
                                                     "1斤",     "12枚", "0.5升", "6铢", "18铢",
                                                     "1两16铢", "3钱",  "10g",   "15g"};
constexpr std::array<std::string_view, 40> kSymptoms = {
    "发热",   "恶寒",     "头痛",     "身疼",     "无汗",     "汗出",     "恶风",     "咳嗽",
    "气喘",   "口渴",     "心烦",     "呕吐",     "下利",     "腹满",     "腹痛",     "小便不利",
    "脉浮紧", "脉沉细",   "脉微欲绝", "手足厥冷", "胸胁苦满", "往来寒热", "心下痞",   "不欲饮食",
    "身重",   "骨节疼痛", "咽痛",     "鼻塞",     "失眠",     "心悸",     "头眩",     "口苦",
    "咽干",   "目眩",     "舌苔黄腻", "大便秘结", "盗汗",     "自汗",     "四肢拘急", "面色萎黄"};
constexpr std::array<std::string_view, 12> kEffects = {
    "发汗解表", "宣肺平喘", "调和营卫", "清热生津", "温中散寒", "和解少阳",
    "回阳救逆", "益气健脾", "活血化瘀", "疏肝理气", "清热解毒", "利水渗湿"};
constexpr std::array<std::string_view, 6> kKinds = {"汤", "散", "丸", "饮", "加减方", "膏"};

}  // namespace

std::string GeneratedFormulaRecord(std::uint64_t index, std::uint64_t seed) {
  // Hash (seed, index) into the start state so that neighbouring records are unrelated.
  Rng seeder{seed ^ (index * 0xD1342543DE82EF95ull)};
  Rng rng{seeder.Next()};
  std::string line;
  line += rng.Pick(kHerbs);
  line += rng.Pick(kHerbs);
  line += rng.Pick(kKinds);
  line += std::to_string(index);
  line += '\t';
  const std::size_t herbs = 8 + rng.Below(8);
  for (std::size_t h = 0; h < herbs; ++h) {
    if (h) line += "，";
    line += rng.Pick(kHerbs);
    if (rng.Below(3) == 0) line += rng.Pick(kNotes);
    line += rng.Pick(kDoses);
  }
  line += "。\t";
  const std::size_t target = 30 + rng.Below(51);  // characters of indications
  std::string indications;
  while (CharLength(indications) < target) {
    if (!indications.empty()) indications += "，";
    indications += rng.Pick(kSymptoms);
  }
  line += indications + "。";
  if (rng.Below(2) == 0) {
    line += '\t';
    line += rng.Pick(kEffects);
  }
  return line;
}

std::uintmax_t WriteFormulaDb(const std::filesystem::path& path, std::uint64_t records,
                              std::uint64_t seed) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path.string());
  std::uintmax_t bytes = 0;
  std::string gbk;
  for (std::uint64_t i = 0; i < records; ++i) {
    EncodeGbkInto(GeneratedFormulaRecord(i, seed), gbk);
    gbk += "\r\n";
    bytes += std::fwrite(gbk.data(), 1, gbk.size(), f);
  }
  if (std::fclose(f) != 0) throw std::runtime_error("cannot write " + path.string());
  return bytes;
}

}  // namespace lindora::bench
