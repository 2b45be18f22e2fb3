#include "chem/herb_chem_actions.h"

#include <algorithm>

#include "chem/chem_analysis.h"
#include "chem/compound_data.h"
#include "common/files.h"
#include "common/outcome.h"
#include "common/session.h"
#include "common/text.h"
#include "herb/danti_analysis.h"
#include "herb/herb_files.h"

namespace lindora {

Outcome ShowHerbIngredients(Session& session, const std::string& herb_name) {
  ChemAnalysis& chem = session.Window<ChemAnalysis>();
  chem.Hide();
  return Guard(session, [&] {
    const int herb = HerbIdByName(session, herb_name);
    if (herb < 1) return Refuse(session, "数据库暂无记录！");
    std::vector<std::int32_t> ids;
    if (!CompoundIdsOfHerb(session, herb, ids))
      return Refuse(session, "不好意思，数据库暂无该单味中药的化学成分信息，以后会完善。");

    // Only the first compounds are listed (and the message says so); the compound file is read
    // once for all of them.
    const std::size_t linked = ids.size();
    ids.resize(std::min<std::size_t>(ids.size(), kMaxIngredientRows));
    chem.InitializeGrid();
    const std::vector<std::string> records = CompoundRecordsById(session.Path(kCompoundDb), ids);
    for (std::size_t i = 0; i < ids.size(); ++i) {
      // A link to a compound the compound file lacks keeps its identifier and says why the
      // rest is blank.
      chem.AddCompoundRow(i < records.size() && !records[i].empty()
                              ? records[i]
                              : std::to_string(ids[i]) + "\t" + std::string(kMissingCompoundNote));
    }
    Grid& grid = chem.FlexGrid();
    grid.SetRowSel(1);
    chem.Changed();

    const std::string smiles = grid.TextMatrix(1, ChemAnalysis::kSmilesCol);
    if (!smiles.empty() && ShowStructure(session, smiles, chem.PicMol())) chem.Changed();
    chem.SetCaption(std::string(chem.Tag()) + "——" + herb_name);
    chem.Show();
    session.Message(
        "从中药化学成分库找到了“" + herb_name + "”的" + std::to_string(linked) + "个化学组分" +
        (linked > ids.size() ? "，列出前 " + std::to_string(ids.size()) + " 个" : std::string()));
    return Outcome::kDone;
  });
}

Outcome ExportHerbChemistry(Session& session) {
  DantiAnalysis& danti = session.Window<DantiAnalysis>();
  const Grid& herbs = danti.FlexGrid();
  if (herbs.Rows() <= 1) {
    danti.ShowEmptyListMessage();
    return Outcome::kRefused;
  }
  const double answer = Val(session.dialogs().Input(DantiAnalysis::kThresholdPrompt, "1"));
  const auto threshold = ToInt16(answer);
  if (!threshold) return Refuse(session, Int16RangeMessage("频数阈值", answer));

  // Rows that reach the threshold, checked before anything is written.
  std::vector<std::string> names;
  for (int r = 1; r < herbs.Rows(); ++r) {
    const double frequency = Val(herbs.TextMatrix(r, 1));
    const auto value = ToInt16(frequency);
    if (!value)
      return Refuse(session, Int16RangeMessage("第 " + std::to_string(r) + " 行的频数", frequency));
    if (*value >= *threshold) names.push_back(herbs.TextMatrix(r, 0));
  }

  return Guard(session, [&] {
    const fs::path path = session.Path(kHerbChemTable);
    // One pass over each herb file answers every row.
    const std::vector<int> numbers = HerbIdsByName(session, names);
    std::vector<std::int32_t> recorded;
    for (int n : numbers)
      if (n >= 1) recorded.push_back(n);
    const std::vector<std::vector<std::int32_t>> links = CompoundIdsOfHerbs(session, recorded);

    AtomicFile table(path);
    std::string not_found;
    std::size_t k = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (numbers[i] < 1) {
        not_found += names[i] + "，";
        continue;
      }
      for (std::int32_t id : links[k]) table.WriteLine(names[i] + ", " + std::to_string(id));
      ++k;
    }
    table.Commit();
    std::string text = "导出成功，请到以下路径下查找：" + path.string() + "\r\n";
    if (!not_found.empty()) text += "本软件暂时未收录下列中药，未导出这些记录：" + not_found;
    session.Message(text);
  });
}

}  // namespace lindora
