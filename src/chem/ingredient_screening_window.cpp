#include "chem/ingredient_screening_window.h"

#include <algorithm>
#include <numeric>

#include "chem/active_matching.h"
#include "chem/chem_analysis.h"
#include "chem/screening_analysis.h"
#include "common/collation.h"
#include "common/csv.h"
#include "common/session.h"
#include "common/table_export.h"
#include "common/text.h"

namespace lindora {

namespace {

constexpr std::string_view kBusyMessage = "成分筛选正在计算，请等它结束后再试。";

// Clears the busy mark however the run ends.
class BusyScope {
 public:
  explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
  ~BusyScope() { busy_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& busy_;
};

void WriteHeader(Grid& grid, const std::vector<std::pair<std::string_view, int>>& columns) {
  grid.Clear();
  grid.SetCols(static_cast<int>(columns.size()));
  for (std::size_t c = 0; c < columns.size(); ++c)
    SetGridCell(grid, columns[c].first, static_cast<double>(c), 0, columns[c].second);
  grid.SetRows(1);
}

bool IsNumericColumn(int col) {
  return col == IngredientScreening::kIdCol ||
         (col >= IngredientScreening::kFirstValueCol && col <= IngredientScreening::kViolationsCol);
}

}  // namespace

IngredientScreening::IngredientScreening(Session& session)
    : WindowModel(session), flex_grid_(1, 12), similar_grid_(1, 4) {
  SetCaption(kTag);
  pic_mol_.box = {PixelsOfTwips(kPictureSize), PixelsOfTwips(kPictureSize)};
  flex_grid_.SetWidth(kGridWidth);
  flex_grid_.SetHeight(kGridHeight);
  similar_grid_.SetWidth(kGridWidth);
  similar_grid_.SetHeight(kSimilarHeight);
  FillScreeningGrid();
  FillSimilarGrid();
}

const std::vector<MenuEntry>& IngredientScreening::MenuBar() {
  static const std::vector<MenuEntry> menus = {
      {"Menu_Screening", "筛选(&S)", "", true},
      {"Menu_RunScreening", "重新计算类药性", "Menu_Screening", true, true,
       On(&IngredientScreening::Menu_RunScreening_Click)},
      {"Menu_SimilarActive", "相似活性成分", "Menu_Screening", true},
      {"Menu_SimilarAnticancer", "与抗癌活性成分比较…", "Menu_SimilarActive", true, true,
       On(&IngredientScreening::Menu_SimilarAnticancer_Click)},
      {"Menu_SimilarAntiinfluenza", "与抗流感活性成分比较…", "Menu_SimilarActive", true, true,
       On(&IngredientScreening::Menu_SimilarAntiinfluenza_Click)},
      {"Menu_ExportSplit", "-", "Menu_Screening"},
      {"Menu_ExportExcel", kExportExcelCaption, "Menu_Screening", true, true,
       On(&IngredientScreening::Menu_ExportExcel_Click)},
  };
  return menus;
}

std::vector<WorkbookSheet> IngredientScreening::ExcelSheets() const {
  const std::string herb = herb_.empty() ? "" : herb_ + " ";
  // The screening's own rows, every compound (also those the grid hides as failing), and the
  // similarity rows, as the result files hold them.
  auto table = [](std::string key, std::string caption,
                  std::vector<std::vector<std::string>> rows) {
    std::vector<std::string> header = rows.empty() ? std::vector<std::string>{} : rows.front();
    if (!rows.empty()) rows.erase(rows.begin());
    return TableFromRows(std::move(key), std::move(caption), std::move(header), rows);
  };
  return SheetsOf({table("成分筛选", herb + "成分筛选", ScreeningCsvRows(results_)),
                   table("相似活性成分", herb + "相似活性成分", SimilarActivesCsvRows(similar_))});
}

Outcome IngredientScreening::Menu_ExportExcel_Click() {
  return ExportWorkbook(session_, herb_.empty() ? "成分筛选" : herb_ + "成分筛选", ExcelSheets());
}

Outcome IngredientScreening::RefuseWhileBusy() {
  return Refuse(session_, kBusyMessage);
}

Outcome IngredientScreening::LoadFromChemAnalysis(const ChemAnalysis& chem) {
  if (busy_) return RefuseWhileBusy();
  std::vector<ScreeningCompound> compounds = ListedCompounds(chem);
  if (compounds.empty()) {
    return Refuse(session_,
                  "化学成分列表是空的：请先在单味药分析窗口对一味中药选择“分析化学成分”。");
  }
  herb_ = ReplaceAll(chem.Caption(), std::string(ChemAnalysis::kTag) + "——", "");
  compounds_ = std::move(compounds);
  results_.clear();
  similar_.clear();
  sort_.Reset();
  if (version_.empty()) version_ = ConverterVersion(session_);
  status_ = std::to_string(compounds_.size()) + " 个成分";
  FillScreeningGrid();
  FillSimilarGrid();
  SetCaption(std::string(kTag) + "——" + herb_);
  return Outcome::kDone;
}

Outcome IngredientScreening::Menu_RunScreening_Click() {
  if (busy_) return RefuseWhileBusy();
  // Nothing listed: the engine says so.
  if (compounds_.empty()) return RunIngredientScreening(session_, {}).outcome;
  BusyScope busy(busy_);
  status_ =
      "正在用 Open Babel 计算 " + std::to_string(compounds_.size()) + " 个成分的描述符，请稍候……";
  Changed();
  ScreeningRun run = RunIngredientScreening(session_, {compounds_, strip_salts_});
  if (!run.version.empty()) version_ = run.version;
  if (run.outcome == Outcome::kDone) {
    results_ = std::move(run.results);
    status_ = run.summary;
    FillScreeningGrid();
    // The structure box shows the selected first compound at once, without a click.
    if (!shown_.empty())
      DrawSelectedCompound(session_, *this, results_[shown_.front()].compound.smiles, pic_mol_);
    session_.Message("已筛选“" + herb_ + "”的 " + status_ + "。\r\n结果已写入 " +
                     run.file.string());
  } else if (run.outcome == Outcome::kFailed) {
    status_ = "计算失败，表格和结果文件保持原样。";
    Changed();
  }
  return run.outcome;
}

Outcome IngredientScreening::AskAndFindSimilar(ActivityKind kind) {
  if (busy_) return RefuseWhileBusy();
  std::string answer = session_.dialogs().Input("请输入相似度阈值（0 到 1 之间）",
                                                FixedDecimals(kDefaultMinSimilarity, 1));
  if (Trim(answer).empty()) return Outcome::kDone;  // cancelled: nothing to do
  std::optional<double> threshold = ParseSimilarityThreshold(answer);
  if (!threshold) {
    return Refuse(session_, "相似度阈值“" + answer + "”不是 0 到 1 之间的数（例如 0.7）。");
  }
  return FindSimilar(kind, *threshold);
}

Outcome IngredientScreening::FindSimilar(ActivityKind kind, double min_similarity) {
  if (busy_) return RefuseWhileBusy();
  if (compounds_.empty()) return RunSimilarActives(session_, {}).outcome;
  const ActivityParameters& p = ParametersOf(kind);
  BusyScope busy(busy_);
  const std::string previous_status = status_;
  status_ =
      "正在用 Open Babel 计算指纹并与" + std::string(p.activity_name) + "活性成分比较，请稍候……";
  Changed();
  SimilarActivesRun run = RunSimilarActives(session_, {compounds_, kind, min_similarity});
  status_ = previous_status;
  if (run.outcome == Outcome::kDone) {
    similar_ = std::move(run.similar);
    FillSimilarGrid();
    const std::string threshold = FormatNumber(min_similarity);
    session_.Message("“" + herb_ + "”的成分中有 " + std::to_string(similar_.size()) + " 个与" +
                     std::string(p.activity_name) + "活性成分的相似度不低于 " + threshold + "。" +
                     (run.unusable ? "\r\n参考集中有 " + std::to_string(run.unusable) + " / " +
                                         std::to_string(run.references) +
                                         " 行没有可用的结构（SMILES 无法解析或使转换程序中止，"
                                         "也没有 InChIKey），已跳过。"
                                   : std::string()) +
                     "\r\n结果已写入 " + run.file.string());
  } else if (run.outcome == Outcome::kFailed) {
    status_ = "比较失败，表格和结果文件保持原样。";
  }
  Changed();
  return run.outcome;
}

void IngredientScreening::Check_StripSalts_Click(bool checked) {
  if (busy_) return;  // the running screening keeps what it started with
  strip_salts_ = checked;
  Changed();
}

void IngredientScreening::Check_OnlyPassing_Click(bool checked) {
  only_passing_ = checked;
  FillScreeningGrid();
}

void IngredientScreening::FillScreeningGrid() {
  WriteHeader(flex_grid_, {{"编号", 1000},
                           {"名称", 2100},
                           {"MW (g/mol)", 1350},
                           {"logP", 1000},
                           {"HBD", 650},
                           {"HBA", 650},
                           {"TPSA (Å²)", 1100},
                           {"可旋转键数", 1450},
                           {"Lipinski违例数", 1850},
                           {"Lipinski", 1000},
                           {"Veber", 850},
                           {"备注", 1900}});
  std::vector<std::vector<std::string>> rows = ScreeningCsvRows(results_);
  shown_.clear();
  for (std::size_t i = 0; i < results_.size(); ++i)
    if (!only_passing_ || results_[i].Passes()) shown_.push_back(i);
  const int col = sort_.Column();
  auto cell = [&](std::size_t i) -> const std::string& { return rows[i + 1][col]; };
  sort_.Order(
      shown_,
      [&](std::size_t a, std::size_t b) {
        if (!IsNumericColumn(col)) return CompareText(cell(a), cell(b));
        const double x = Val(cell(a)), y = Val(cell(b));
        return x < y ? -1 : x > y ? 1 : 0;
      },
      [&](std::size_t i) { return cell(i).empty(); });
  for (std::size_t i : shown_) {
    flex_grid_.AddRow();
    const int row = flex_grid_.Rows() - 1;
    for (int c = 0; c < flex_grid_.Cols(); ++c) flex_grid_.SetTextMatrix(row, c, rows[i + 1][c]);
  }
  // The selection starts on the first compound's identifier, not on the last column written.
  flex_grid_.SetRow(flex_grid_.Rows() > 1 ? 1 : 0);
  flex_grid_.SetCol(0);
  flex_grid_.SetRowSel(flex_grid_.Row());
  Changed();
}

void IngredientScreening::FillSimilarGrid() {
  WriteHeader(similar_grid_,
              {{"编号", 1000}, {"名称", 5600}, {"参考成分", 5600}, {"相似度", 1300}});
  std::vector<std::vector<std::string>> rows = SimilarActivesCsvRows(similar_);
  for (std::size_t i = 1; i < rows.size(); ++i) {
    similar_grid_.AddRow();
    for (int c = 0; c < similar_grid_.Cols(); ++c)
      similar_grid_.SetTextMatrix(similar_grid_.Rows() - 1, c, rows[i][c]);
  }
  similar_grid_.SetRowSel(similar_grid_.Rows() > 1 ? 1 : 0);
  Changed();
}

Outcome IngredientScreening::FlexGrid_Click() {
  if (flex_grid_.Row() == 0) {
    if (busy_) return Outcome::kDone;
    sort_.Click(flex_grid_.Col(), IsNumericColumn(flex_grid_.Col()));
    FillScreeningGrid();
    return Outcome::kDone;
  }
  const int row = flex_grid_.RowSel();
  if (row < 1 || row > static_cast<int>(shown_.size())) return Outcome::kDone;
  return DrawSelectedCompound(session_, *this, results_[shown_[row - 1]].compound.smiles, pic_mol_);
}

Outcome IngredientScreening::SimilarGrid_Click() {
  const int row = similar_grid_.RowSel();
  if (row < 1 || row > static_cast<int>(similar_.size())) return Outcome::kDone;
  return DrawSelectedCompound(session_, *this, similar_[row - 1].compound.smiles, pic_mol_);
}

Outcome OpenIngredientScreening(ChemAnalysis& chem) {
  IngredientScreening& screening = chem.session().Window<IngredientScreening>();
  Outcome loaded = screening.LoadFromChemAnalysis(chem);
  if (loaded != Outcome::kDone) return loaded;
  screening.Show();
  return screening.Menu_RunScreening_Click();
}

}  // namespace lindora
