// The chemical and active-component windows, the ingredient list and its export, driven as the
// user would, with the real converter.
#include <gtest/gtest.h>

#include "chem/active_component.h"
#include "chem/chem_analysis.h"
#include "chem/herb_chem_actions.h"
#include "common/gbk.h"
#include "common/process.h"
#include "common/text.h"
#include "herb/danti_analysis.h"
#include "support/cli_runner.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

constexpr const char* kKeyA = "AAAAAAAAAAAAAA-BBBBBBBBBB-N";
constexpr const char* kKeyB = "CCCCCCCCCCCCCC-DDDDDDDDDD-N";

class ChemWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.WriteLines("DB/Herb_Name.DB",
                 {"编号\t类型\t中药名\t拼音\t其他", "1\t1\t甘草\tgancao\t", "2\t1\t人参\trenshen\t",
                  "3\t1\t无成分\twuchengfen\t", "4\t1\t黄芩\thuangqin\t"});
    f.WriteLines("DB/Herb_Compound.DB", {"1\t10", "1\t11", "1\t12", "2\t11", "4\t11", "9\t11"});
    f.WriteLines("DB/Compound.DB", {std::string("10\tethanol\tCCO\t") + kKeyA,
                                    std::string("11\taspirin\tCC(=O)Oc1ccccc1C(=O)O\t") + kKeyB,
                                    std::string("12\tsame key\tCO\t") + kKeyA});
    f.WriteLines("DB/Ref/抗流感天然产物.DB",
                 {std::string("CCO\t甘草\t乙醇\tEthanol\t活性\t文献\t[1]https://a.org/1 [2] "
                              "http://b.org/2\t") +
                  kKeyA});
    f.WriteLines("DB/Ref/抗癌天然产物.DB",
                 {std::string("CC(=O)Oc1ccccc1C(=O)O\t123\t") + kKeyB + "\tAspirin\t阿司匹林",
                  std::string("CCO\t\t") + kKeyA});
  }
  ChemAnalysis& Chem() { return w.session.Window<ChemAnalysis>(); }
  ActiveComponent& Active() { return w.session.Window<ActiveComponent>(); }
  std::string LastMessage() const {
    auto m = w.dialogs.Messages();
    return m.empty() ? std::string() : m.back();
  }

  test::TestFolder f;
  BlockingConverter converter{std::chrono::seconds(30)};
  test::FakeWorld w{f.root(), &converter};
};

TEST_F(ChemWindowsTest, IngredientListFillsTheGridDrawsTheFirstAndCountsRows) {
  ASSERT_EQ(ShowHerbIngredients(w.session, "甘草"), Outcome::kDone);
  ChemAnalysis& chem = Chem();
  const Grid& g = chem.FlexGrid();
  ASSERT_EQ(g.Rows(), 4);
  EXPECT_EQ(g.RowCells(0), (std::vector<std::string>{"ID", "Name", "SMILES", "InChIKey"}));
  EXPECT_EQ(g.RowCells(2),
            (std::vector<std::string>{"11", "aspirin", "CC(=O)Oc1ccccc1C(=O)O", kKeyB}));
  EXPECT_EQ(g.ColWidth(0), 1);
  EXPECT_EQ(g.ColWidth(1), 2790);
  EXPECT_EQ(g.ColWidth(2), 2790);
  EXPECT_EQ(g.ColWidth(3), 1);
  EXPECT_EQ(g.ColAlignment(2), Alignment::kCenterCenter);
  EXPECT_EQ(g.RowSel(), 1);
  EXPECT_EQ(chem.PicMol().serial, 1);
  EXPECT_EQ(f.ReadBytes("exe/temp.smiles"), "CCO\r\n");
  EXPECT_EQ(chem.Caption(), "化学成分分析——甘草");
  EXPECT_TRUE(chem.Visible());
  EXPECT_EQ(LastMessage(), "从中药化学成分库找到了“甘草”的3个化学组分");
}

TEST_F(ChemWindowsTest, UnrecordedHerbsAndHerbsWithoutLinksLeaveTheWindowHidden) {
  ASSERT_EQ(ShowHerbIngredients(w.session, "甘草"), Outcome::kDone);
  // Line 0 holds 中药名 as a field, but position 0 is no herb.
  EXPECT_EQ(ShowHerbIngredients(w.session, "中药名"), Outcome::kRefused);
  EXPECT_EQ(LastMessage(), "数据库暂无记录！");
  EXPECT_FALSE(Chem().Visible());
  EXPECT_EQ(ShowHerbIngredients(w.session, "无成分"), Outcome::kRefused);
  EXPECT_EQ(LastMessage(), "不好意思，数据库暂无该单味中药的化学成分信息，以后会完善。");
  EXPECT_FALSE(Chem().Visible());
  EXPECT_EQ(Chem().FlexGrid().Rows(), 4);  // the earlier list stays until the next fill
}

TEST_F(ChemWindowsTest, OnlyTheFirstThousandOf1200LinkedCompoundsAreListed) {
  std::vector<std::string> links, compounds;
  for (int i = 0; i < 1200; ++i) {
    links.push_back("2\t" + std::to_string(5000 + i));
    if (i % 2 == 0) compounds.push_back(std::to_string(5000 + i) + "\tc\tC\tK");
  }
  f.WriteLines("DB/Herb_Compound.DB", links);
  f.WriteLines("DB/Compound.DB", compounds);
  ASSERT_EQ(ShowHerbIngredients(w.session, "人参"), Outcome::kDone);
  const Grid& g = Chem().FlexGrid();
  EXPECT_EQ(g.Rows(), 1001);
  EXPECT_EQ(g.TextMatrix(1, 0), "5000");
  // a compound the compound file lacks keeps its identifier and says so
  EXPECT_EQ(g.RowCells(2), (std::vector<std::string>{"5001", "（化合物库中无此编号）", "", ""}));
  EXPECT_EQ(g.TextMatrix(999, 0), "5998");
  // the cut is stated
  EXPECT_EQ(LastMessage(), "从中药化学成分库找到了“人参”的1200个化学组分，列出前 1000 个");
}

TEST_F(ChemWindowsTest, MissingCompoundFileIsOneMessageNamingIt) {
  fs::remove(f / "DB/Compound.DB");
  EXPECT_EQ(ShowHerbIngredients(w.session, "甘草"), Outcome::kFailed);
  ASSERT_EQ(w.dialogs.Messages().size(), 1u);
  EXPECT_NE(LastMessage().find((f / "DB/Compound.DB").string()), std::string::npos);
}

TEST_F(ChemWindowsTest, UnwritableScratchFileCostsOnlyThePicture) {
  // A folder where the SMILES scratch file belongs cannot be written over.
  fs::create_directories(f / "exe/temp.smiles");
  // The list is shown; the failed picture makes the run a failure the user was told of.
  EXPECT_EQ(ShowHerbIngredients(w.session, "甘草"), Outcome::kFailed);
  ChemAnalysis& chem = Chem();
  EXPECT_EQ(chem.FlexGrid().Rows(), 4);
  EXPECT_EQ(chem.PicMol().serial, 0);
  EXPECT_TRUE(chem.Visible());
  EXPECT_EQ(chem.Caption(), "化学成分分析——甘草");
  auto messages = w.dialogs.Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[0].find("无法画出结构：CCO"), std::string::npos);
  EXPECT_EQ(messages[1], "从中药化学成分库找到了“甘草”的3个化学组分");

  w.dialogs.shown.clear();
  chem.Menu_FindAnticancer_Click();
  ActiveComponent& active = Active();
  EXPECT_TRUE(active.Visible());
  EXPECT_EQ(active.Caption(), "甘草中可能的抗癌活性化学组分分析");
  messages = w.dialogs.Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1], "从该中药的化学成分中找到了3个抗癌活性成分");
}

class HerbExportTest : public ChemWindowsTest {
 protected:
  void Rows(const std::vector<std::pair<std::string, std::string>>& rows) {
    Grid& g = w.session.Window<DantiAnalysis>().FlexGrid();
    g.SetRows(1);
    for (const auto& [name, frequency] : rows) {
      g.AddRow();
      g.SetTextMatrix(g.Rows() - 1, 0, name);
      g.SetTextMatrix(g.Rows() - 1, 1, frequency);
    }
  }
  std::string Table() const { return f.ReadBytes("Result/单味药-化学成分.csv"); }
};

TEST_F(HerbExportTest, ThresholdOfTwoOnSearchRowsWritesAnEmptyFileAndReportsSuccess) {
  f.WriteBytes("Result/单味药-化学成分.csv", "old\r\n");
  Rows({{"甘草", "1"}, {"人参", "1"}});
  w.dialogs.inputs.push_back("2");
  ASSERT_EQ(ExportHerbChemistry(w.session), Outcome::kDone);
  EXPECT_EQ(Table(), "");
  EXPECT_EQ(LastMessage(), "导出成功，请到以下路径下查找：" +
                               (f / "Result/单味药-化学成分.csv").string() + "\r\n");
}

TEST_F(HerbExportTest, DefaultThresholdOneWritesEveryLinkInGridOrderAndListsUnrecorded) {
  Rows({{"人参", "3"},
        {"没有的药", "5"},
        {"甘草", "1"},
        {"无成分", "2"},
        {"人参", "1"},
        {"中药名", "9"}});
  ASSERT_EQ(ExportHerbChemistry(w.session), Outcome::kDone);  // the input box proposes "1"
  EXPECT_EQ(DecodeGbk(Table()), "人参, 11\r\n甘草, 10\r\n甘草, 11\r\n甘草, 12\r\n人参, 11\r\n");
  EXPECT_NE(LastMessage().find("本软件暂时未收录下列中药，未导出这些记录：没有的药，中药名，"),
            std::string::npos);
}

TEST_F(HerbExportTest, EmptyGridAndOutOfRangeNumbersWriteNothing) {
  f.WriteBytes("Result/单味药-化学成分.csv", "old\r\n");
  Rows({});
  EXPECT_EQ(ExportHerbChemistry(w.session), Outcome::kRefused);
  EXPECT_TRUE(StartsWith(LastMessage(), "单味药数据 < 0，无法导出！"));
  EXPECT_EQ(w.session.Window<DantiAnalysis>().TextInputFocusRequests(), 1);
  Rows({{"甘草", "40000"}});
  EXPECT_EQ(ExportHerbChemistry(w.session), Outcome::kRefused);
  w.dialogs.inputs.push_back("70000");
  EXPECT_EQ(ExportHerbChemistry(w.session), Outcome::kRefused);
  EXPECT_EQ(Table(), "old\r\n");
}

class ActiveTest : public ChemWindowsTest {
 protected:
  void SetUp() override {
    ChemWindowsTest::SetUp();
    ASSERT_EQ(ShowHerbIngredients(w.session, "甘草"), Outcome::kDone);
    w.dialogs.shown.clear();
  }
};

TEST_F(ActiveTest, AntiinfluenzaRunFillsNineColumnsAndTwoRowsForOneKey) {
  Chem().Menu_FindAntiinfluenza_Click();
  const Grid& g = Active().FlexGrid();
  ASSERT_EQ(g.Cols(), 9);
  ASSERT_EQ(g.Rows(), 3);  // compounds 10 and 12 share a key
  EXPECT_EQ(g.TextMatrix(1, 8), "10");
  EXPECT_EQ(g.TextMatrix(2, 8), "12");
  EXPECT_EQ(g.TextMatrix(1, 1), "甘草");
  EXPECT_EQ(g.TextMatrix(0, 4), "抗流感活性");
  const int widths[] = {1, 1530, 1530, 1530, 4590, 6120, 1, 1, 1};
  for (int c = 0; c < 9; ++c) EXPECT_EQ(g.ColWidth(c), widths[c]) << c;
  EXPECT_EQ(w.session.ActivityName, "抗流感");
  EXPECT_EQ(w.session.RefSetPath, (f / "DB/Ref/抗流感天然产物.DB").string());
  EXPECT_EQ(Active().Caption(), "甘草中可能的抗流感活性化学组分分析");
  EXPECT_TRUE(Active().Visible());
  EXPECT_EQ(Active().PicMol().serial, 1);
  EXPECT_EQ(LastMessage(), "从该中药的化学成分中找到了2个抗流感 活性成分");
}

TEST_F(ActiveTest, AnticancerAfterAntiinfluenzaMovesTheCheckAndOpensNpactPages) {
  EXPECT_TRUE(Chem().AntiinfluenzaChecked());
  EXPECT_FALSE(Chem().AnticancerChecked());
  Chem().Menu_FindAntiinfluenza_Click();
  Chem().Menu_FindAnticancer_Click();
  EXPECT_TRUE(Chem().AnticancerChecked());
  EXPECT_FALSE(Chem().AntiinfluenzaChecked());
  const Grid& g = Active().FlexGrid();
  ASSERT_EQ(g.Cols(), 4);
  ASSERT_EQ(g.Rows(), 4);
  EXPECT_EQ(g.RowCells(2), (std::vector<std::string>{"CC(=O)Oc1ccccc1C(=O)O", "123", kKeyB, "11"}));
  EXPECT_EQ(g.ColWidth(0), 12240);
  EXPECT_EQ(g.ColWidth(1), 3060);
  EXPECT_EQ(LastMessage(), "从该中药的化学成分中找到了3个抗癌活性成分");

  Active().FlexGrid().SetRowSel(2);
  Active().Menu_OpenRef_Click();
  ASSERT_EQ(w.urls.opened.size(), 1u);
  EXPECT_EQ(w.urls.opened[0], "http://crdd.osdd.net/tavesh/npact/cancer_activity.php?a=NPACT00123");
  // An empty NPACT number opens no page with a dangling query.
  Active().FlexGrid().SetRowSel(1);
  Active().Menu_OpenRef_Click();
  EXPECT_EQ(w.urls.opened.size(), 1u);
  EXPECT_EQ(LastMessage(), "该成分没有 NPACT 编号。");
}

TEST_F(ActiveTest, EmptyKeysAreSkippedShortLinesFillWhatTheyHave) {
  // A compound without a key would match the first line of any set.
  Grid& g = Chem().FlexGrid();
  g.SetTextMatrix(1, 3, "");
  g.SetTextMatrix(3, 3, "");
  f.WriteLines("DB/Ref/抗流感天然产物.DB", {"first line", std::string("CC\t短\t") + kKeyB});
  Chem().Menu_FindAntiinfluenza_Click();
  const Grid& r = Active().FlexGrid();
  ASSERT_EQ(r.Rows(), 2);
  EXPECT_EQ(r.RowCells(1), (std::vector<std::string>{"CC", "短", kKeyB, "", "", "", "", "", "11"}));
}

TEST_F(ActiveTest, NoMatchLeavesTheHeaderAndDoesNotShowTheWindow) {
  f.WriteLines("DB/Ref/抗癌天然产物.DB", {"C\t1\tNOTHING-LIKE-IT"});
  Chem().SetCaption("别的标题");
  Chem().Menu_FindAnticancer_Click();
  EXPECT_EQ(Active().FlexGrid().Rows(), 1);
  EXPECT_EQ(Active().FlexGrid().TextMatrix(0, 1), "NPACT_ID");
  EXPECT_FALSE(Active().Visible());
  EXPECT_EQ(LastMessage(), "该中药的化学成分都没有收录在抗癌活性数据库！");
  // With a match, a caption without the tag is used unchanged.
  f.WriteLines("DB/Ref/抗癌天然产物.DB", {std::string("\t1\t") + kKeyA});
  Chem().Menu_FindAnticancer_Click();
  EXPECT_EQ(Active().Caption(), "别的标题中可能的抗癌活性化学组分分析");
  EXPECT_EQ(Active().PicMol().serial, 0);  // no SMILES, no drawing
}

TEST_F(ActiveTest, MissingReferenceSetIsOneMessageNamingIt) {
  fs::remove(f / "DB/Ref/抗癌天然产物.DB");
  Chem().Menu_FindAnticancer_Click();
  ASSERT_EQ(w.dialogs.Messages().size(), 1u);
  EXPECT_NE(LastMessage().find((f / "DB/Ref/抗癌天然产物.DB").string()), std::string::npos);
}

TEST_F(ActiveTest, ReferenceAddressesOpenInOrderOnlyForTheWeb) {
  Chem().Menu_FindAntiinfluenza_Click();
  Active().FlexGrid().SetRowSel(1);
  Active().Menu_OpenRef_Click();
  EXPECT_EQ(w.urls.opened, (std::vector<std::string>{"https://a.org/1", "http://b.org/2"}));
  w.urls.opened.clear();
  Grid& g = Active().FlexGrid();
  g.SetTextMatrix(1, 6, "https://doi.org/10.1/x");
  Active().Menu_OpenRef_Click();
  EXPECT_EQ(w.urls.opened, (std::vector<std::string>{"https://doi.org/10.1/x"}));
  w.urls.opened.clear();
  g.SetTextMatrix(1, 6, "[1]file:///etc/passwd [2]https://ok.org");
  Active().Menu_OpenRef_Click();
  EXPECT_EQ(w.urls.opened, (std::vector<std::string>{"https://ok.org"}));
  EXPECT_NE(LastMessage().find("file:///etc/passwd"), std::string::npos);
}

TEST(RefAddressTest, BracketsSplitAddressesAndNumbersArePadded) {
  EXPECT_EQ(RefAddresses("[1] http://a.org/x [2]https://b.org "),
            (std::vector<std::string>{"http://a.org/x", "https://b.org"}));
  EXPECT_EQ(RefAddresses(" http://a.org "), (std::vector<std::string>{" http://a.org "}));
  EXPECT_EQ(RefAddresses("[1]a]b[2]c"), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(RefAddresses("no open]http://x"), (std::vector<std::string>{"http://x"}));
  EXPECT_EQ(FormatNpactNumber("123"), "00123");
  EXPECT_EQ(FormatNpactNumber("123456"), "123456");
  EXPECT_EQ(FormatNpactNumber(" 7 "), "00007");
  EXPECT_EQ(FormatNpactNumber("12.5"), "00013");
  EXPECT_EQ(FormatNpactNumber("NPACT1"), "NPACT1");
  EXPECT_EQ(FormatNpactNumber("-3"), "-00003");
  EXPECT_TRUE(IsWebAddress("HTTPS://x.org"));
  EXPECT_FALSE(IsWebAddress("https://"));
  EXPECT_FALSE(IsWebAddress("javascript:alert(1)"));
  EXPECT_FALSE(IsWebAddress("http://a\nb"));
}

TEST_F(ActiveTest, HerbsContainingACompoundFillTheSingleHerbWindow) {
  Chem().Menu_FindAnticancer_Click();
  Active().FlexGrid().SetRowSel(2);  // aspirin, id 11 in column 3
  ASSERT_TRUE(Active().SearchHerbsWithCompound());
  DantiAnalysis& danti = w.session.Window<DantiAnalysis>();
  const Grid& g = danti.FlexGrid();
  ASSERT_EQ(g.Rows(), 5);
  EXPECT_EQ(g.TextMatrix(0, 0), "中药名");
  EXPECT_EQ(g.ColWidth(0), g.Width());
  EXPECT_EQ(g.ColWidth(1), 1);
  EXPECT_EQ(g.RowCells(1), (std::vector<std::string>{"甘草", "1"}));
  EXPECT_EQ(g.RowCells(3), (std::vector<std::string>{"黄芩", "1"}));
  EXPECT_EQ(g.RowCells(4), (std::vector<std::string>{"", "1"}));  // herb 9 is not in the file
  EXPECT_TRUE(danti.Visible());
  EXPECT_EQ(LastMessage(), "从数据库中找到4个包含该化学成分“CC(=O)Oc1ccccc1C(=O)O”的中药单体.");
}

TEST_F(ActiveTest, CompoundInNoHerbEmptiesTheHerbGridWithoutShowingIt) {
  Chem().Menu_FindAntiinfluenza_Click();
  Grid& herbs = w.session.Window<DantiAnalysis>().FlexGrid();
  herbs.SetRows(3);
  herbs.SetTextMatrix(2, 0, "旧");
  Active().FlexGrid().SetTextMatrix(1, 8, "999");  // the id comes from the last column
  Active().FlexGrid().SetRowSel(1);
  EXPECT_FALSE(Active().SearchHerbsWithCompound());
  EXPECT_EQ(herbs.Rows(), 1);
  EXPECT_FALSE(w.session.Window<DantiAnalysis>().Visible());
  EXPECT_EQ(LastMessage(), "从数据库中没有找到包含该化学成分的中药单体");
}

TEST_F(ActiveTest, PubChemGetsTheSmilesUnescapedAndHandlersNeedACompound) {
  Grid& g = Chem().FlexGrid();
  g.SetTextMatrix(1, 2, "C#N.O=C=O");
  g.SetRowSel(1);
  Chem().Menu_SearchPubChem_Click();
  ASSERT_EQ(w.urls.opened.size(), 1u);
  EXPECT_EQ(w.urls.opened[0],
            "https://pubchem.ncbi.nlm.nih.gov/search/#collection=compounds&query_type=structure&"
            "query_subtype=identity&query=C#N.O=C=O");
  g.SetRowSel(0);  // the header
  Chem().Menu_SearchPubChem_Click();
  Chem().Menu_CalProperties_Click();
  EXPECT_EQ(w.urls.opened.size(), 1u);
  EXPECT_EQ(LastMessage(), kNoCompoundSelected);
  w.dialogs.shown.clear();
  EXPECT_EQ(Chem().Menu_FindSimilarTCM_Click(), Outcome::kRefused);
  EXPECT_EQ(LastMessage(), kNoCompoundSelected);
}

TEST_F(ActiveTest, ClickingARowDrawsItsStructure) {
  Chem().FlexGrid().SetRowSel(2);
  Chem().FlexGrid_Click();
  EXPECT_EQ(f.ReadBytes("exe/temp.smiles"), "CC(=O)Oc1ccccc1C(=O)O\r\n");
  EXPECT_EQ(Chem().PicMol().serial, 2);
  EXPECT_TRUE(Chem().FlexGrid_MouseDown(ChemAnalysis::kRightButton));
  EXPECT_FALSE(Chem().FlexGrid_MouseDown(1));
}

}  // namespace
}  // namespace lindora

namespace lindora {
namespace {

TEST(ChemCliTest, ScriptFollowsAHerbToItsActiveComponentsAndBack) {
  test::TestFolder f;
  f.WriteLines("DB/Herb_Name.DB", {"编号\t类型\t中药名\t拼音", "1\t1\t甘草\tgancao\t"});
  f.WriteLines("DB/Herb_Compound.DB", {"1\t10"});
  f.WriteLines("DB/Compound.DB", {"10\tethanol\tCCO\tLFQSCWFLJHTTHZ-UHFFFAOYSA-N"});
  f.WriteLines("DB/Ref/抗癌天然产物.DB", {"CCO\t42\tLFQSCWFLJHTTHZ-UHFFFAOYSA-N"});
  f.WriteBytes("s.txt",
               "ingredients 甘草\nactive anticancer\nopen-ref 1\nherbs-with-compound 1\n"
               "pubchem 1\nopen-ref 5\n");
  auto r = test::RunCli({"--root", f.root().string(), "--script", (f / "s.txt").string()});
  EXPECT_NE(r.out.find("# 化学成分分析——甘草 — FlexGrid\nID\tName\tSMILES\tInChIKey\n10\tethanol"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("CCO\t42\tLFQSCWFLJHTTHZ-UHFFFAOYSA-N\t10"), std::string::npos);
  EXPECT_NE(r.out.find("# open http://crdd.osdd.net/tavesh/npact/cancer_activity.php?a=NPACT00042"),
            std::string::npos);
  EXPECT_NE(r.out.find("中药名\t频数\n甘草\t1\n"), std::string::npos);
  EXPECT_NE(r.out.find("query=CCO\n"), std::string::npos);
  EXPECT_NE(r.err.find("没有第 5 行"), std::string::npos);
  EXPECT_EQ(r.status, 1);  // the last command named a row that does not exist
}

TEST(ChemCliTest, PropertiesAndPictureUseTheRealConverter) {
  test::TestFolder f;
  auto r = test::RunCli({"--root", f.root().string(), "properties", "CC(=O)Oc1ccccc1C(=O)O"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Molecular Weight:\t180.157"), std::string::npos) << r.out;
  std::string out = (f / "mol.png").string();
  r = test::RunCli({"--root", f.root().string(), "picture", "c1ccccc1", out});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(ReadPngSize(out));
  r = test::RunCli({"--root", f.root().string(), "picture", "C1CC(", out});
  EXPECT_EQ(r.status, 2);  // a conversion that fails is a failure, not a refusal
}

}  // namespace
}  // namespace lindora
