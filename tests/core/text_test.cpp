#include "common/text.h"

#include <gtest/gtest.h>

#include <random>

namespace lindora {
namespace {

TEST(TextTest, ReplaceAllIsOneLeftToRightPass) {
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll("a  b", " ", "  "), "a    b");  // replacement text is not rescanned
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("麻黄，桂枝", "，", ","), "麻黄,桂枝");
}

TEST(TextTest, SplitKeepsEmptyItems) {
  EXPECT_EQ(Split("a,,b,", ","), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(Split("", ","), (std::vector<std::string>{""}));
  EXPECT_EQ(Split("x\tAND\ty", "AND"), (std::vector<std::string>{"x\t", "\ty"}));
}

TEST(TextTest, TrimRemovesBlanksOnly) {
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim("\t a \t"), "\t a \t");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("　a"), "　a");  // the ideographic space is no blank
}

TEST(TextTest, UpperCaseMapsAsciiAndFullWidthLatinOnly) {
  EXPECT_EQ(UpperCase("abc xyz"), "ABC XYZ");
  EXPECT_EQ(UpperCase("ａｂｚ"), "ＡＢＺ");
  EXPECT_EQ(UpperCase("ＡＢ麻黄é"), "ＡＢ麻黄é");
  EXPECT_EQ(UpperCase("ｚa｛"),
            "Ｚ"
            "A"
            "｛");  // U+FF5B is no letter
}

TEST(TextTest, CharLengthCountsCharacters) {
  EXPECT_EQ(CharLength("麻黄汤"), 3u);
  EXPECT_EQ(CharLength("a麻b"), 3u);
  EXPECT_EQ(CharLength(""), 0u);
}

TEST(TextTest, ValTakesTheLeadingNumberSkippingBlanksTabsAndLineFeeds) {
  EXPECT_EQ(Val("  12 3abc"), 123);
  EXPECT_EQ(Val("1\t2\n3"), 123);
  EXPECT_EQ(Val("abc"), 0);
  EXPECT_EQ(Val(""), 0);
  EXPECT_EQ(Val("-4.5x"), -4.5);
  EXPECT_EQ(Val("1e3"), 1000);
  EXPECT_EQ(Val("2e"), 2);
  EXPECT_EQ(Val("3.1.4"), 3.1);
  EXPECT_EQ(Val("12两"), 12);
  EXPECT_EQ(Val("1e999999"), 0);  // no infinity leaks out
}

TEST(TextTest, ParseDigitsReadsPlainCountsUpToTheirLengthOnly) {
  // Against the rule each caller used to write for itself: digits only, at most so many, stoll.
  std::mt19937 rng(37);
  const std::string alphabet = "0123456789000 +-.a";
  for (int i = 0; i < 20000; ++i) {
    std::string text(rng() % 21, ' ');
    for (char& c : text) c = alphabet[rng() % alphabet.size()];
    const std::size_t max_digits = 1 + rng() % 18;
    const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    const std::optional<std::int64_t> expected =
        digits && text.size() <= max_digits ? std::optional(std::stoll(text)) : std::nullopt;
    ASSERT_EQ(ParseDigits(text, max_digits), expected) << text << " " << max_digits;
    ASSERT_EQ(AllDigits(text), digits) << text;
  }
  EXPECT_EQ(ParseDigits("999999999999999999", 18), 999999999999999999);
}

TEST(TextTest, Int16ConversionRoundsHalfToEvenAndRefusesOutOfRange) {
  EXPECT_EQ(ToInt16(2.5), 2);
  EXPECT_EQ(ToInt16(3.5), 4);
  EXPECT_EQ(ToInt16(-32768), -32768);
  EXPECT_EQ(ToInt16(32767.4), 32767);
  EXPECT_FALSE(ToInt16(32767.5).has_value());
  EXPECT_FALSE(ToInt16(40000).has_value());
  EXPECT_FALSE(ToInt16(-32769).has_value());
  EXPECT_NE(Int16RangeMessage("阈值", 40000).find("40000"), std::string::npos);
}

TEST(TextTest, Utf32RoundTripAndBrokenUtf8) {
  EXPECT_EQ(ToUtf8(ToU32("麻黄a😀")), "麻黄a😀");
  EXPECT_EQ(ToU32("\xE9\xBA"), (std::u32string{U'\uFFFD', U'\uFFFD'}));
}

TEST(TextTest, FormatNumberPrintsWholeNumbersWithoutFraction) {
  EXPECT_EQ(FormatNumber(400030001), "400030001");
  EXPECT_EQ(FormatNumber(0.5), "0.5");
  EXPECT_EQ(FormatNumber(-0.0), "0");
}

}  // namespace
}  // namespace lindora
