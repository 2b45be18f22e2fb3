#include "common/files.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <unistd.h>

#include <cerrno>

#include "common/gbk.h"
#include "common/text.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

using test::TestFolder;

TEST(GbkTest, ChineseTextRoundTrips) {
  std::string text = "麻黄汤\t麻黄（去节）3两，桂枝2两。ＡＢｃ€";
  std::string bytes = EncodeGbk(text);
  EXPECT_EQ(bytes.substr(0, 2), "\xC2\xE9");  // 麻
  std::size_t bad = 99;
  EXPECT_EQ(DecodeGbk(bytes, &bad), text);
  EXPECT_EQ(bad, 0u);
}

TEST(GbkTest, UndecodableBytesBecomeReplacementCharactersWithoutEatingSeparators) {
  std::size_t bad = 0;
  // a lead byte followed by a TAB, a lone 0xFF, and a lead byte at the very end
  std::string decoded = DecodeGbk(
      "a\xC2\tb\xFF"
      "c\xC2",
      &bad);
  EXPECT_EQ(decoded, "a\uFFFD\tb\uFFFDc\uFFFD");
  EXPECT_EQ(bad, 3u);
}

TEST(GbkTest, DecodingWithUpperCasingEqualsUpperCasingTheDecodedText) {
  for (std::string bytes : {EncodeGbk("ma黄 ｍａ汤 Ｂz\t€"), std::string("a\xC2"
                                                                         "b\xFF"
                                                                         "c\xA3\xE1")}) {
    std::string fused;
    DecodeGbkUpperInto(bytes, fused);
    EXPECT_EQ(fused, UpperCase(DecodeGbk(bytes)));
  }
}

std::string Iconv(const char* to, const char* from, std::string_view bytes) {
  iconv_t cd = iconv_open(to, from);
  std::string out(bytes.size() * 4 + 8, '\0');
  char* in = const_cast<char*>(bytes.data());
  char* o = out.data();
  std::size_t in_left = bytes.size(), out_left = out.size();
  const bool ok = iconv(cd, &in, &in_left, &o, &out_left) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  out.resize(ok && in_left == 0 ? out.size() - out_left : 0);
  return out;
}

TEST(GbkTest, GbkStaysByteForByteAndWhatItLacksTakesGb18030Codes) {
  // Every two-byte code of code page 936 reads as the C library reads it and writes back the
  // same: files written before are read and rewritten unchanged.
  std::size_t codes = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead)
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      const std::string two = {static_cast<char>(lead), static_cast<char>(trail)};
      const std::string expected = Iconv("UTF-8", "CP936", two);
      if (expected.empty()) continue;
      ++codes;
      ASSERT_EQ(DecodeGbk(two), expected) << lead << " " << trail;
      ASSERT_EQ(EncodeGbk(expected), two) << expected;
    }
  EXPECT_GT(codes, 21000u);
  // What GBK lacks is written as GB18030 writes it (two bytes for 䓖, four for 䗪 and for
  // characters beyond the plane) and read back.
  const std::string rare = "芎䓖\t大黄䗪虫丸\t𠀀😀";
  std::size_t replaced = 9, bad = 9;
  const std::string bytes = EncodeGbk(rare, &replaced);
  EXPECT_EQ(replaced, 0u);
  EXPECT_EQ(bytes, Iconv("GB18030", "UTF-8", rare));
  EXPECT_EQ(DecodeGbk(bytes, &bad), rare);
  EXPECT_EQ(bad, 0u);
  // Every character outside the private use area goes through unchanged.
  for (char32_t c = 0x80; c < 0x30000; c += c < 0x10000 ? 1 : 97) {
    if ((c >= 0xD800 && c < 0xF900) || c == 0xFFFD) continue;
    std::string one;
    AppendUtf8(one, c);
    ASSERT_EQ(DecodeGbk(EncodeGbk(one, &replaced), &bad), one) << static_cast<unsigned>(c);
    ASSERT_EQ(replaced + bad, 0u) << static_cast<unsigned>(c);
  }
  // Broken text and private-use characters have no code; a cut or malformed four-byte code
  // reads as broken bytes, one at a time.
  EXPECT_EQ(EncodeGbk("a\uE000b\xE9", &replaced), "a?b?");
  EXPECT_EQ(replaced, 2u);
  EXPECT_EQ(DecodeGbk("\x82\x33\xBF", &bad), "\uFFFD3\uFFFD");
  EXPECT_EQ(bad, 2u);
  EXPECT_EQ(DecodeGbk("\xFE\x39\xFE\x39x", &bad), "\uFFFD9\uFFFD9x");  // beyond U+10FFFF
  EXPECT_EQ(bad, 2u);
}

TEST(LineReaderTest, CrLfCrAndLfAllEndALine) {
  TestFolder f;
  f.WriteBytes("t.txt", "a\r\nb\rc\nd");
  EXPECT_EQ(ReadLines(f / "t.txt"), (std::vector<std::string>{"a", "b", "c", "d"}));
  f.WriteBytes("t.txt", "a\r\n\r\n");
  EXPECT_EQ(ReadLines(f / "t.txt"), (std::vector<std::string>{"a", ""}));
  f.WriteBytes("t.txt", "x\r");
  EXPECT_EQ(ReadLines(f / "t.txt"), (std::vector<std::string>{"x"}));
  f.WriteBytes("t.txt", "");
  EXPECT_TRUE(ReadLines(f / "t.txt").empty());
}

TEST(LineReaderTest, CrLfSplitAcrossBufferBoundaryIsOneLineEnd) {
  TestFolder f;
  std::string first(65535, 'x');
  f.WriteBytes("t.txt", first + "\r\nnext\r\n");
  auto lines = ReadLines(f / "t.txt");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), 65535u);
  EXPECT_EQ(lines[1], "next");
  std::string longline(300000, 'y');
  f.WriteBytes("t.txt", longline);
  EXPECT_EQ(ReadLines(f / "t.txt").at(0).size(), 300000u);
}

TEST(LineReaderTest, MissingFileRaisesAnErrorNamingThePath) {
  TestFolder f;
  try {
    ReadLines(f / "DB/none.DB");
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(e.kind(), FileError::Kind::kRead);
    EXPECT_NE(std::string(e.what()).find("none.DB"), std::string::npos);
  }
  EXPECT_THROW(ReadLines(f / "DB"), FileError);  // a folder is no file
}

TEST(FileErrorTest, ReasonsAreChineseAndThePathIsShownPlainly) {
  TestFolder f;
  try {
    ReadLines(f / "DB/./../DB/none.DB");
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()),
              "无法读取文件 " + (f / "DB/none.DB").string() + "：文件不存在");
  }
  // A device is no file to append to: refused before a byte is written.
  if (fs::exists("/dev/full")) {
    try {
      AppendTextFile(std::string(100000, 'x'), "/dev/full");
      FAIL() << "no error";
    } catch (const FileError& e) {
      EXPECT_NE(e.reason().find("不是普通文件"), std::string::npos) << e.reason();
    }
  }
  EXPECT_EQ(SystemErrorText(ENOSPC), "磁盘空间不足");
  EXPECT_EQ(SystemErrorText(EACCES), "没有权限");
  EXPECT_EQ(SystemErrorText(EROFS), "文件系统只读");
  // Anything without a text of its own still names the system's error number.
  EXPECT_EQ(SystemErrorText(EPROTO), "系统错误，错误号 " + std::to_string(EPROTO));
}

TEST(FileOpsTest, WriteClearAndAppendProduceTheExactBytes) {
  TestFolder f;
  WriteTextFile("", f / "Result/a.txt");
  EXPECT_EQ(f.ReadBytes("Result/a.txt"), "\r\n");
  WriteTextFile("甘草", f / "Result/a.txt");
  EXPECT_EQ(f.ReadBytes("Result/a.txt"), "\xB8\xCA\xB2\xDD\r\n");
  ClearFile(f / "Result/a.txt");
  EXPECT_EQ(f.ReadBytes("Result/a.txt"), "");
  AppendTextFile("x", f / "Result/new.txt");
  AppendTextFile("y", f / "Result/new.txt");
  EXPECT_EQ(f.ReadBytes("Result/new.txt"), "x\r\ny\r\n");
  EXPECT_THROW(AppendTextFile("x", f / "nofolder/a.txt"), FileError);
}

TEST(FileOpsTest, FailedAtomicReplaceLeavesTheOldFile) {
  TestFolder f;
  WriteTextFile("old", f / "Result/r.DB");
  {
    AtomicFile out(f / "Result/r.DB");
    out.WriteLine("new");
    // destroyed without Commit: as if the operation failed half-way
  }
  EXPECT_EQ(f.ReadBytes("Result/r.DB"), "old\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(f / "Result"), fs::directory_iterator()), 1);
  if (::geteuid() != 0) {  // root writes anyway
    fs::permissions(f / "Result", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(WriteTextFile("new", f / "Result/r.DB"), FileError);
    EXPECT_EQ(f.ReadBytes("Result/r.DB"), "old\r\n");
  }
}

TEST(FileOpsTest, WriteToAFullDiskIsReported) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  EXPECT_THROW(AppendTextFile(std::string(100000, 'x'), "/dev/full"), FileError);
}

TEST(FileOpsTest, CopyReplacesTheTargetAndMissingSourceKeepsIt) {
  TestFolder f;
  f.WriteBytes("Result/Result.DB", "abc\r\n");
  f.WriteBytes("Result/Result.DB.bak", "old\r\n");
  CopyFileAtomic(f / "Result/Result.DB", f / "Result/Result.DB.bak");
  EXPECT_EQ(f.ReadBytes("Result/Result.DB.bak"), "abc\r\n");
  EXPECT_THROW(CopyFileAtomic(f / "Result/none", f / "Result/Result.DB.bak"), FileError);
  EXPECT_EQ(f.ReadBytes("Result/Result.DB.bak"), "abc\r\n");
}

TEST(FileOpsTest, ProgramPathsIgnoreTheCaseOfExistingNames) {
  TestFolder f;
  f.WriteBytes("Result/Result.DB", "x");
  EXPECT_EQ(ProgramPath(f.root(), "\\Result\\result.db"), f / "Result/Result.DB");
  EXPECT_EQ(ProgramPath(f.root(), "\\result\\New.txt"), f / "Result/New.txt");
  EXPECT_EQ(ProgramPath(f.root(), "\\DB\\Ref\\抗癌天然产物.DB"), f / "DB/Ref/抗癌天然产物.DB");
}

}  // namespace
}  // namespace lindora
