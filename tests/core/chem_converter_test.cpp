// The converter bridge with Open Babel's real converter, and with stand-ins for its faults.
#include <gtest/gtest.h>

#include "chem/chem_analysis.h"
#include "chem/open_babel.h"
#include "common/files.h"
#include "common/process.h"
#include "common/text.h"
#include "support/chem_standins.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

constexpr const char* kAspirin = "CC(=O)Oc1ccccc1C(=O)O";

class ConverterTest : public ::testing::Test {
 protected:
  test::TestFolder f;
  BlockingConverter converter{std::chrono::seconds(30)};
  test::FakeWorld w{f.root(), &converter};
};

TEST_F(ConverterTest, ArgumentListsNameInputOutputAndTheDescriptorList) {
  EXPECT_EQ(PictureArgs("/p/exe/temp.smiles", "/p/exe/temp.png"),
            (std::vector<std::string>{"/p/exe/temp.smiles", "-O", "/p/exe/temp.png"}));
  EXPECT_EQ(PropertyArgs("/p/exe/temp1.smi", "/p/exe/temp.smiles"),
            (std::vector<std::string>{"/p/exe/temp1.smi", "-O", "/p/exe/temp.smiles", "--append",
                                      " MW formula InChI InChIKey HBA1 HBD logp TPSA"}));
}

TEST_F(ConverterTest, PictureOfASmilesIsAPngAndTheInputIsOneLine) {
  StructurePicture picture;
  ASSERT_TRUE(ShowStructure(w.session, kAspirin, picture))
      << ::testing::PrintToString(w.dialogs.Messages());
  EXPECT_EQ(f.ReadBytes("exe/temp.smiles"), std::string(kAspirin) + "\r\n");
  EXPECT_EQ(picture.file, f / "exe/temp.png");
  EXPECT_EQ(picture.serial, 1);
  EXPECT_GT(picture.size.width, 0);
  EXPECT_GT(picture.size.height, 0);
  auto size = ReadPngSize(f / "exe/temp.png");
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, picture.size.width);
  EXPECT_TRUE(w.dialogs.Messages().empty());
}

TEST_F(ConverterTest, StructureIsDrawnAtThePictureBoxSize) {
  EXPECT_EQ(PictureArgs("in.smiles", "out.png", {281, 273}),
            (std::vector<std::string>{"in.smiles", "-O", "out.png", "-xw", "281", "-xh", "273"}));
  StructurePicture picture = ChemAnalysis(w.session).PicMol();
  EXPECT_EQ(picture.box.width, 281);
  EXPECT_EQ(picture.box.height, 273);
  ASSERT_TRUE(ShowStructure(w.session, kAspirin, picture));
  EXPECT_EQ(picture.size.width, 281);
  EXPECT_EQ(picture.size.height, 273);
  EXPECT_EQ(picture.file, f / "exe/temp.png");
}

TEST_F(ConverterTest, AspirinGivesNineLabelledLinesShownAndCopied) {
  ASSERT_TRUE(PropertiesOfSmiles(w.session, kAspirin));
  EXPECT_EQ(f.ReadBytes("exe/temp1.smi"), std::string(kAspirin) + "\r\n");
  std::vector<std::string> lines = Split(w.clipboard.text, "\r\n");
  ASSERT_EQ(lines.size(), 10u) << w.clipboard.text;  // nine lines, each ended by CR LF
  EXPECT_EQ(lines[9], "");
  const char* labels[] = {
      "SMILES", "Molecular Weight", "Formula", "InChI", "InChIKey", "HBA", "HBD", "logP", "TPSA"};
  for (int i = 0; i < 9; ++i)
    EXPECT_TRUE(StartsWith(lines[i], std::string(labels[i]) + ":\t")) << lines[i];
  EXPECT_EQ(lines[0], std::string("SMILES:\t") + kAspirin);
  EXPECT_EQ(lines[1], "Molecular Weight:\t180.157");
  EXPECT_EQ(lines[2], "Formula:\tC9H8O4");
  EXPECT_EQ(lines[4], "InChIKey:\tBSYNRYMUTXBXSQ-UHFFFAOYSA-N");
  ASSERT_EQ(w.dialogs.Messages().size(), 1u);
  EXPECT_EQ(w.dialogs.Messages()[0],
            w.clipboard.text + "\r\nThese properties have been sent to clipboard");
  EXPECT_EQ(w.clipboard.clears, 1);
}

TEST(PropertyTextTest, PiecesAreLabelledInOrderAndMoreThanNineAreRefused) {
  PropertyText nine = BuildPropertyText("C\t1 2 3 4 5 6 7 8");
  EXPECT_TRUE(nine.error.empty());
  EXPECT_EQ(Split(nine.text, "\r\n").size(), 10u);
  EXPECT_TRUE(StartsWith(nine.text, "SMILES:\tC\r\nMolecular Weight:\t1\r\n"));
  EXPECT_TRUE(EndsWith(nine.text, "TPSA:\t8\r\n"));
  // Fewer pieces give fewer lines, labels from the first.
  EXPECT_EQ(BuildPropertyText("C\t16.04").text, "SMILES:\tC\r\nMolecular Weight:\t16.04\r\n");
  // A blank inside a value (or a trailing blank) makes a tenth piece: no label would fit.
  PropertyText ten = BuildPropertyText("C\t1 2 3 4 5 6 7 8 ");
  EXPECT_TRUE(ten.text.empty());
  EXPECT_NE(ten.error.find("10"), std::string::npos);
}

TEST_F(ConverterTest, InvalidSmilesIsReportedAndThePreviousResultsAreGone) {
  StructurePicture picture;
  ASSERT_TRUE(ShowStructure(w.session, kAspirin, picture));
  ASSERT_TRUE(PropertiesOfSmiles(w.session, kAspirin));
  w.dialogs.shown.clear();
  w.clipboard.text = "earlier";

  EXPECT_FALSE(ShowStructure(w.session, "C1CC(", picture));
  EXPECT_EQ(picture.serial, 1);  // the box keeps what it showed, nothing new pretends to be it
  EXPECT_FALSE(fs::exists(f / "exe/temp.png") && fs::file_size(f / "exe/temp.png") > 0);
  EXPECT_FALSE(PropertiesOfSmiles(w.session, "C1CC("));
  EXPECT_EQ(w.clipboard.text, "earlier");
  auto messages = w.dialogs.Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[0].find("C1CC("), std::string::npos);
  EXPECT_NE(messages[1].find("无法计算理化性质"), std::string::npos);
  EXPECT_EQ(messages[1].find("These properties"), std::string::npos);
}

TEST_F(ConverterTest, MissingConverterIsReportedWithWhereItWasLookedFor) {
  test::HiddenPath hidden;
  StructurePicture picture;
  EXPECT_FALSE(ShowStructure(w.session, kAspirin, picture));
  ASSERT_EQ(w.dialogs.Messages().size(), 1u);
  EXPECT_NE(w.dialogs.Messages()[0].find("找不到转换程序"), std::string::npos);
  EXPECT_NE(w.dialogs.Messages()[0].find((f / "exe/babel/obabel").string()), std::string::npos);
}

TEST_F(ConverterTest, FailingConverterIsReportedAndItsStaleOutputIsNotShown) {
  StructurePicture picture;
  ASSERT_TRUE(ShowStructure(w.session, kAspirin, picture));
  // Exits with an error after leaving the old picture alone.
  test::PlaceConverterStandIn(f, "echo broken >&2; exit 3");
  EXPECT_FALSE(ShowStructure(w.session, "CCO", picture));
  EXPECT_EQ(picture.serial, 1);
  EXPECT_FALSE(fs::exists(f / "exe/temp.png"));
  ASSERT_EQ(w.dialogs.Messages().size(), 1u);
  EXPECT_NE(w.dialogs.Messages()[0].find("退出码 3"), std::string::npos);
}

TEST_F(ConverterTest, ConverterThatSucceedsWithoutOutputIsReported) {
  test::PlaceConverterStandIn(f, "exit 0");
  f.WriteBytes("exe/temp.smiles", "C\t16.04 CH4 x y 0 0 0.6 0\r\n");  // an earlier result
  EXPECT_FALSE(PropertiesOfSmiles(w.session, kAspirin));
  EXPECT_TRUE(w.clipboard.text.empty());
  ASSERT_EQ(w.dialogs.Messages().size(), 1u);
  EXPECT_NE(w.dialogs.Messages()[0].find("没有生成结果文件"), std::string::npos);
}

TEST_F(ConverterTest, OutputThatIsNoPictureGivesTheLoadingError) {
  // The stand-in writes its last argument (the picture) with text instead of a PNG.
  test::PlaceConverterStandIn(f, "for a; do last=$a; done; echo not a png > \"$last\"");
  StructurePicture picture;
  EXPECT_FALSE(ShowStructure(w.session, kAspirin, picture));
  ASSERT_EQ(w.dialogs.Messages().size(), 1u);
  EXPECT_EQ(w.dialogs.Messages()[0],
            "无法读取结构图片（文件不存在或不是可读的图片）：" + (f / "exe/temp.png").string());
}

TEST_F(ConverterTest, PropertyLineWithMoreThanNinePiecesIsReported) {
  test::PlaceConverterStandIn(
      f, "printf 'C\\t1 2 3 4 5 6 7 8 9\\n' > \"$3\"");  // args: input -O output …
  EXPECT_FALSE(PropertiesOfSmiles(w.session, "C"));
  EXPECT_TRUE(w.clipboard.text.empty());
  ASSERT_EQ(w.dialogs.Messages().size(), 1u);
  EXPECT_NE(w.dialogs.Messages()[0].find("多于 9 个性质标签"), std::string::npos);
}

TEST_F(ConverterTest, HangingConverterIsKilledAfterTheTimeLimit) {
  BlockingConverter quick(std::chrono::milliseconds(500));
  test::FakeWorld impatient(f.root(), &quick);
  test::PlaceConverterStandIn(f, "exec sleep 30");
  auto start = std::chrono::steady_clock::now();
  StructurePicture picture;
  EXPECT_FALSE(ShowStructure(impatient.session, kAspirin, picture));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  ASSERT_EQ(impatient.dialogs.Messages().size(), 1u);
  EXPECT_NE(impatient.dialogs.Messages()[0].find("已被终止"), std::string::npos);
}

TEST(PngSizeTest, ReadsTheHeaderAndRefusesOtherFiles) {
  test::TestFolder f;
  std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x01\x2c\0\0\0\x64", 24);
  f.WriteBytes("a.png", png);
  auto size = ReadPngSize(f / "a.png");
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, 300);
  EXPECT_EQ(size->height, 100);
  f.WriteBytes("short.png", png.substr(0, 20));
  EXPECT_FALSE(ReadPngSize(f / "short.png"));
  EXPECT_FALSE(ReadPngSize(f / "missing.png"));
  f.WriteBytes("text.png", "GIF89a and more bytes than enough");
  EXPECT_FALSE(ReadPngSize(f / "text.png"));
}

}  // namespace
}  // namespace lindora
