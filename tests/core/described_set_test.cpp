// The analysis windows filled from the result set name it (search history and formula count),
// say when a new query has made them stale, and fill themselves again from the current set with
// one call; a window filled from anything else names no set.
#include <gtest/gtest.h>

#include "analysis/compare_sets/compare_sets_window.h"
#include "analysis/doses/doses_window.h"
#include "analysis/formula_set_actions.h"
#include "analysis/herb_clustering/herb_clustering_window.h"
#include "analysis/herb_frequency/herb_frequency_window.h"
#include "analysis/herb_properties/herb_properties_window.h"
#include "analysis/symptoms/symptoms_window.h"
#include "formula/fangji_analysis.h"
#include "herb/danti_analysis.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

const std::vector<std::string> kFormulas = {"一方\t甘草、桂枝、芍药\t头痛，发热",
                                            "二方\t甘草、麻黄\t咳嗽", "三方\t桂枝、大枣\t发热",
                                            "四方\t甘草、大枣、生姜\t呕吐，头痛"};

TEST(DescribedSetTest, WindowsNameTheirSetNoticeANewQueryAndRunAgain) {
  // The shipped herb data (properties) under a formula library of our own.
  test::TestFolder folder{LINDORA_BIN_DIR};
  test::FakeWorld world{folder.root()};
  folder.WriteLines("DB/Fangji.DB", kFormulas);
  Session& s = world.session;
  FangjiAnalysis& fangji = s.Window<FangjiAnalysis>();
  auto search = [&](std::string_view text) {
    fangji.SetTextInput(text);
    ASSERT_EQ(fangji.Cmd_Search_Text_Click(), Outcome::kDone);
  };

  search("麻黄");
  ASSERT_EQ(SaveResultSet(s, "甲"), Outcome::kDone);
  search("甘草");
  CompareSetsWindow& compare = s.Window<CompareSetsWindow>();
  compare.SetSetB("甲");
  compare.SetMinCountText("1");
  ASSERT_EQ(compare.Cmd_Compare_Click(), Outcome::kDone);
  ASSERT_EQ(DanweiyaoAnalysis(s), Outcome::kDone);
  ASSERT_EQ(SymptomAnalysisOfResults(s), Outcome::kDone);
  ASSERT_EQ(DosesOfResults(s), Outcome::kDone);
  HerbClusteringWindow& clusters = s.Window<HerbClusteringWindow>();
  ASSERT_EQ(clusters.Cmd_ClusterHerbs_Click(), Outcome::kDone);
  ASSERT_EQ(YaoduiAnalysisOfResults(s), Outcome::kDone);
  DantiAnalysis& herbs = s.Window<DantiAnalysis>();
  SymptomAnalysisWindow& symptoms = s.Window<SymptomAnalysisWindow>();
  YaoduiAnalysisWindow& pairs = s.Window<YaoduiAnalysisWindow>();
  const std::vector<const DescribedSet*> all = {
      &herbs.Described(),    &symptoms.Described(),
      &pairs.Described(),    &s.Window<DosesWindow>().Described(),
      &clusters.Described(), &compare.Described()};
  for (const DescribedSet* d : all) {
    EXPECT_FALSE(d->Stale(s));
    EXPECT_EQ(d->Text(s), "分析对象：结果集 甘草（3 首方剂，方剂库 伤寒论）");
  }
  EXPECT_EQ(herbs.FlexGrid().TextMatrix(1, 0), "甘草");

  search("桂枝");
  for (const DescribedSet* d : all) {
    EXPECT_TRUE(d->Stale(s));
    EXPECT_NE(d->Text(s).find("检索结果已更新"), std::string::npos) << d->Text(s);
    EXPECT_NE(d->Text(s).find("甘草（3 首方剂，方剂库 伤寒论）"), std::string::npos) << d->Text(s);
  }
  // One click: the herb window is counted again from the 桂枝 set.
  EXPECT_EQ(herbs.Described().RunAgain(s), Outcome::kDone);
  EXPECT_FALSE(herbs.Described().Stale(s));
  EXPECT_EQ(herbs.Described().Text(s), "分析对象：结果集 桂枝（2 首方剂，方剂库 伤寒论）");
  EXPECT_EQ(herbs.FlexGrid().TextMatrix(1, 0), "桂枝");
  EXPECT_EQ(symptoms.Described().RunAgain(s), Outcome::kDone);
  EXPECT_EQ(symptoms.FlexGridSymptom().TextMatrix(1, 0), "发热");
  EXPECT_EQ(symptoms.FlexGridSymptom().TextMatrix(1, 1), "2");
  EXPECT_TRUE(pairs.Described().Stale(s));  // each window reruns on its own
  EXPECT_EQ(clusters.Described().RunAgain(s), Outcome::kDone);
  EXPECT_EQ(clusters.Described().Text(s), "分析对象：结果集 桂枝（2 首方剂，方剂库 伤寒论）");
  clusters.SetCurrentTab(HerbClusteringWindow::kCoreTab);  // no run there yet: nothing named
  EXPECT_EQ(clusters.Described().Text(s), "");

  ASSERT_EQ(HerbPropertiesOfResults(s), Outcome::kDone);
  EXPECT_EQ(s.Window<HerbPropertiesWindow>().Described().Text(s),
            "分析对象：结果集 桂枝（2 首方剂，方剂库 伤寒论）");
  // The herb-pair analysis empties the search history; the history kept with the set still
  // names it, the same way as before.
  ASSERT_EQ(pairs.Described().RunAgain(s), Outcome::kDone);
  ASSERT_EQ(s.SearchHistory, "");
  EXPECT_EQ(herbs.Described().RunAgain(s), Outcome::kDone);
  EXPECT_EQ(herbs.Described().Text(s), "分析对象：结果集 桂枝（2 首方剂，方剂库 伤寒论）");
  EXPECT_EQ("分析对象：" + CurrentResultSetCaption(s), herbs.Described().Text(s));

  // A list filled from elsewhere describes no result set and has nothing to rerun.
  herbs.InitializeHerbGrid(1000, 500);
  EXPECT_FALSE(herbs.Described().Taken());
  EXPECT_EQ(herbs.Described().Text(s), "");
  EXPECT_EQ(herbs.Described().RunAgain(s), Outcome::kRefused);
}

}  // namespace
}  // namespace lindora
