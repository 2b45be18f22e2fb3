#include "analysis/formula_set_actions.h"

#include <array>
#include <memory>
#include <string>

#include "analysis/herb_frequency/herb_frequency_analysis.h"
#include "analysis/herb_frequency/herb_frequency_window.h"
#include "analysis/herb_frequency/herb_group_analysis.h"
#include "analysis/herb_frequency/herb_groups.h"
#include "analysis/herb_table.h"
#include "analysis/symptoms/symptom_table.h"
#include "analysis/symptoms/symptoms_analysis.h"
#include "analysis/symptoms/symptoms_window.h"
#include "common/files.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/fangji_analysis.h"
#include "herb/danti_analysis.h"

namespace lindora {
namespace {

constexpr std::size_t kShownHerbs = 100;

// The formula window's check: no data row, no analysis.
bool HasResultRows(Session& session) {
  FangjiAnalysis& fangji = session.Window<FangjiAnalysis>();
  if (fangji.FlexGrid().Rows() > 1) return true;
  session.Message(kNoDataMessage);
  fangji.Text_Input_GotFocus();
  return false;
}

void FillGroupGrid(YaoduiAnalysisWindow& window, int n,
                   const std::shared_ptr<const HerbGroupResult>& result) {
  window.InitializeGroupGrid(n);
  const GroupStore& store = result->Groups(n);
  for (std::size_t i = 0; i < store.NumYaodui() && i < kShownGroups; ++i)
    window.AddGroupRow(
        n, ReplaceAll(Yaodui_S2Yaodui(store.Yaodui_S[i], result->table.CM, n), ",", "、"),
        store.CountYaodui[i]);
  window.SetFullGroups(n, result);
}

}  // namespace

Outcome RunDanweiyaoAnalysis(Session& session) {
  HerbFrequencyResult result = RunHerbFrequency(session);
  if (result.outcome != Outcome::kDone) return result.outcome;
  const HerbTable& table = result.table;
  DantiAnalysis& danti = session.Window<DantiAnalysis>();
  danti.InitializeHerbGrid(danti.FlexGrid().Width() - kCountColumnWidth, kCountColumnWidth);
  for (std::size_t k = 0; k < table.NumCM() && k < kShownHerbs; ++k)
    danti.AddHerbRow(table.CM[k], std::to_string(table.CountCM[k]));
  // The workbook takes the engine's table: every herb, typed.
  danti.SetFullHerbTable(std::move(HerbFrequencyOutput(result).tables.front()));
  danti.Described().Take(session, DanweiyaoAnalysis);
  danti.Show();
  session.Message("找到" + std::to_string(table.NumCM()) + "味中药单体，默认显示前100项");
  return Outcome::kDone;
}

Outcome RunYaoduiAnalysis(Session& session) {
  // All three sizes are counted and written before any grid changes, so a failed write leaves
  // the window as it was.
  auto result = std::make_shared<HerbGroupResult>(RunHerbGroups(session));
  if (result->outcome != Outcome::kDone) return result->outcome;
  YaoduiAnalysisWindow& window = session.Window<YaoduiAnalysisWindow>();
  for (int n = 2; n <= 4; ++n) FillGroupGrid(window, n, result);
  window.Described().Take(session, YaoduiAnalysisOfResults);
  session.SearchHistory.clear();
  window.Show();
  return Outcome::kDone;
}

Outcome RunSymptomAnalysis(Session& session) {
  SymptomResult result = RunSymptoms(session);
  if (result.outcome != Outcome::kDone) return result.outcome;
  SymptomAnalysisWindow& window = session.Window<SymptomAnalysisWindow>();
  window.InitializeGrid();
  for (std::size_t j = 0; j < result.table.NumSymptom(); ++j)
    window.AddSymptomRow(result.table.Symptom[j], result.table.CountSymptom[j]);
  window.SetEngineTable(std::move(SymptomOutput(result).tables.front()));
  window.Described().Take(session, SymptomAnalysisOfResults);
  window.Show();
  return Outcome::kDone;
}

Outcome DanweiyaoAnalysis(Session& session) {
  return HasResultRows(session) ? RunDanweiyaoAnalysis(session) : Outcome::kRefused;
}
Outcome YaoduiAnalysisOfResults(Session& session) {
  return HasResultRows(session) ? RunYaoduiAnalysis(session) : Outcome::kRefused;
}
Outcome SymptomAnalysisOfResults(Session& session) {
  return HasResultRows(session) ? RunSymptomAnalysis(session) : Outcome::kRefused;
}

}  // namespace lindora
