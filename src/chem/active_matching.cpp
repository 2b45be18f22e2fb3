#include "chem/active_matching.h"

#include "chem/active_component.h"
#include "chem/chem_analysis.h"
#include "chem/compound_data.h"
#include "common/session.h"
#include "common/text.h"

namespace lindora {

const ActivityParameters& ParametersOf(ActivityKind kind) {
  static const ActivityParameters kAnticancer{
      "抗癌",     kAnticancerRefDb, "SMILES NPACT_ID InChIKey ID", 4, 3, 3,
      "活性成分", {0.8, 0.2, 0, 0}};
  static const ActivityParameters kAntiinfluenza{
      "抗流感",
      kAntiinfluenzaRefDb,
      "SMILES 中药名 成分中文名 成分英文名 抗流感活性 参考文献 参考文献网址 InChIKey ID",
      9,
      8,
      8,
      " 活性成分",
      {0, 0.1, 0.1, 0.1, 0.3, 0.4, 0, 0, 0}};
  return kind == ActivityKind::kAnticancer ? kAnticancer : kAntiinfluenza;
}

bool FindActiveComponents(ChemAnalysis& chem, ActivityKind kind) {
  Session& session = chem.session();
  const ActivityParameters& p = ParametersOf(kind);
  session.RefSetPath = session.Path(p.ref_set).string();
  chem.SetChecks(kind == ActivityKind::kAnticancer);
  session.ActivityName = std::string(p.activity_name);

  ActiveComponent& active = session.Window<ActiveComponent>();
  active.InitializeGrid(p.header, p.widths);
  active.Changed();

  // Every compound row is looked up; the reference set is read once for all of them.
  const Grid& compounds = chem.FlexGrid();
  std::vector<std::string> ids, keys;
  for (int i = 1; i < compounds.Rows(); ++i) {
    ids.push_back(FormatNumber(RoundHalfEven(Val(compounds.TextMatrix(i, 0)))));
    keys.push_back(compounds.TextMatrix(i, 3));
  }
  std::vector<std::optional<std::string>> found = FindRefRecords(session.RefSetPath, keys);
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (!found[i]) continue;
    active.AddMatchRow(Split(*found[i], "\t"), p.fields_copied, p.id_col, ids[i]);
  }
  Grid& grid = active.FlexGrid();

  const int matches = grid.Rows() - 1;
  if (matches < 1) {
    active.Changed();
    session.Message("该中药的化学成分都没有收录在" + session.ActivityName + "活性数据库！");
    return false;
  }
  grid.SetRowSel(1);
  active.Changed();
  const std::string caption =
      ReplaceAll(chem.Caption(), std::string(ChemAnalysis::kTag) + "——", "") + "中可能的" +
      session.ActivityName + "活性化学组分分析";
  const std::string smiles = grid.TextMatrix(1, 0);
  if (!smiles.empty() && ShowStructure(session, smiles, active.PicMol())) active.Changed();
  active.SetCaption(caption);
  active.Show();
  session.Message("从该中药的化学成分中找到了" + std::to_string(matches) + "个" +
                  session.ActivityName + std::string(p.closing));
  return true;
}

}  // namespace lindora
