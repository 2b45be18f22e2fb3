#include "herb/related_formulas.h"

#include "common/files.h"
#include "common/gbk.h"
#include "common/outcome.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/composition.h"
#include "formula/fangji_analysis.h"
#include "formula/formula_db.h"
#include "formula/library.h"

namespace lindora {

std::string RelatedFormulaCountText(std::int64_t count, const std::string& herb) {
  return "找到 " + std::to_string(count) + "  项包含“" + herb + "”的中药方剂";
}

std::string HerbDoseInComposition(std::string_view composition, std::string_view herb) {
  std::string doses;
  bool named = false;
  for (const HerbMention& m : ParseComposition(composition)) {
    if (!Contains(m.name, herb)) continue;
    named = true;
    if (!m.dose.text.empty()) doses += (doses.empty() ? "" : "、") + m.dose.text;
  }
  return named && doses.empty() ? "未写剂量" : doses;
}

std::int64_t FindRelatedFormulas(Session& session, const std::string& herb) {
  if (herb.empty()) {
    session.Message("搜索关键词为空");
    return 0;
  }
  std::int64_t found = 0;
  Guard(session, [&] {
    // The new result set goes to temporary files first: a search that finds nothing, or fails,
    // leaves the current result set and the formula window as they are.
    ResultSetWriter writer(session);
    writer.SetRecipe({"related-formulas -- " + ScriptWord(herb)});
    // Matched on the decoded text, copied as the bytes stand: a byte that is no GBK character
    // is kept, not turned into '?'.
    LineReader reader(FormulaDbFile(session));
    std::string raw, line;
    while (reader.Next(raw)) {
      CleanRecordLineInPlace(raw);
      DecodeGbkInto(raw, line);
      if (Contains(line, herb)) writer.AddRaw(raw);
    }
    const std::int64_t count = writer.Count();
    if (count == 0) {
      session.Message("没有找到包含“" + herb + "”的中药方剂，当前结果未改变");
      return;
    }
    // Created only now, so that nothing found never opens the window; its load empties the
    // backup, which the commit below then fills.
    FangjiAnalysis& fangji = session.Window<FangjiAnalysis>();
    writer.Commit();
    session.SearchHistory = herb;
    fangji.Hide();
    fangji.SetLabelCount(RelatedFormulaCountText(count, herb));
    fangji.SetCaption(fangji.Tag() + std::string(FangjiAnalysis::kHistoryCaption) +
                      session.SearchHistory);
    fangji.InitializeGrid();
    fangji.SetCheckFilter(0);
    fangji.SetCheckSearchInResult(0);
    fangji.LoadResults();
    std::vector<std::string> doses;
    const Grid& grid = fangji.FlexGrid();
    for (int r = 1; r < grid.Rows(); ++r)
      doses.push_back(HerbDoseInComposition(grid.TextMatrix(r, 1), herb));
    fangji.ShowExtraColumn(herb + "剂量", doses);
    fangji.Show();
    if (!fangji.HasHistory(session.SearchHistory)) fangji.AddHistory(session.SearchHistory);
    found = count;
  });
  return found;
}

}  // namespace lindora
