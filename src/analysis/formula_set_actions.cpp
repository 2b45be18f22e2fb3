#include "analysis/formula_set_actions.h"

#include <array>
#include <string>

#include "analysis/herb_groups.h"
#include "analysis/herb_table.h"
#include "analysis/standardize.h"
#include "analysis/symptom_analysis_window.h"
#include "analysis/symptom_table.h"
#include "analysis/yaodui_analysis_window.h"
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

std::string GroupFile(int n, std::string_view suffix) {
  return "\\Result\\Yaodui_Analysis" + std::to_string(n) + std::string(suffix);
}

void FillGroupGrid(YaoduiAnalysisWindow& window, int n, const GroupStore& store,
                   const std::vector<std::string>& CM) {
  window.InitializeGroupGrid(n);
  ResultTable all{"", "", {window.FlexGrid(n - 1).TextMatrix(0, 0), "频数"}, {}};
  for (std::size_t i = 0; i < store.NumYaodui(); ++i) {
    std::string herbs = ReplaceAll(Yaodui_S2Yaodui(store.Yaodui_S[i], CM, n), ",", "、");
    if (i < kShownGroups) window.AddGroupRow(n, herbs, store.CountYaodui[i]);
    all.rows.push_back({TableCell::Text(std::move(herbs)),
                        TableCell::Number(static_cast<double>(store.CountYaodui[i]))});
  }
  window.SetFullGroupTable(n, std::move(all));
}

}  // namespace

Outcome RunDanweiyaoAnalysis(Session& session) {
  return Guard(session, [&] {
    StandardResult(session);
    HerbTable table = BuildCMTable(session);
    WriteHerbListFile(table, session.Path("\\Result\\Yaodui_Analysis1.txt"));

    DantiAnalysis& danti = session.Window<DantiAnalysis>();
    danti.InitializeHerbGrid(danti.FlexGrid().Width() - kCountColumnWidth, kCountColumnWidth);
    ResultTable all{"", "单味药频数", {"中药名", "频数"}, {}};
    for (std::size_t k = 0; k < table.NumCM(); ++k) {
      if (k < kShownHerbs) danti.AddHerbRow(table.CM[k], std::to_string(table.CountCM[k]));
      all.rows.push_back(
          {TableCell::Text(table.CM[k]), TableCell::Number(static_cast<double>(table.CountCM[k]))});
    }
    danti.SetFullHerbTable(std::move(all));
    danti.Show();
    session.Message("找到" + std::to_string(table.NumCM()) + "味中药单体，默认显示前100项");
  });
}

Outcome RunYaoduiAnalysis(Session& session) {
  return Guard(session, [&] {
    StandardResult(session);
    HerbTable table = BuildCMTable(session);
    WriteHerbListFile(table, session.Path("\\Result\\Yaodui_Analysis1.txt"));
    // The table is used as written; reading the file back would give the same names and
    // (widened) counts.
    const std::int64_t threshold = GroupThreshold(table);
    std::vector<std::vector<int>> formulas =
        QualifyingFormulas(session.Path("\\Result\\Result.DB.stand"), table, threshold);

    // All three sizes are counted and written before any grid changes, so a failed write
    // leaves the window as it was.
    std::array<GroupStore, 3> stores;
    for (int n = 2; n <= 4; ++n) {
      GroupStore& store = stores[n - 2];
      store = CountGroups(formulas, n);
      WriteGroupKeyFile(store, session.Path(GroupFile(n, ".txt")));
      WriteGroupNameFile(store, table.CM, n, session.Path(GroupFile(n, "_Name.csv")));
    }
    YaoduiAnalysisWindow& window = session.Window<YaoduiAnalysisWindow>();
    for (int n = 2; n <= 4; ++n) FillGroupGrid(window, n, stores[n - 2], table.CM);
    session.SearchHistory.clear();
    window.Show();
  });
}

Outcome RunSymptomAnalysis(Session& session) {
  return Guard(session, [&] {
    SymptomTable table = CountSymptoms(session.Path("\\Result\\Result.DB"));
    SymptomAnalysisWindow& window = session.Window<SymptomAnalysisWindow>();
    window.InitializeGrid();
    for (std::size_t j = 0; j < table.NumSymptom(); ++j)
      window.AddSymptomRow(table.Symptom[j], table.CountSymptom[j]);
    window.Show();
  });
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
