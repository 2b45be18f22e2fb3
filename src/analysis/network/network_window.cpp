#include "analysis/network/network_window.h"

#include <algorithm>

#include "analysis/formula_set_actions.h"
#include "analysis/network/network_analysis.h"
#include "analysis/result_sets.h"
#include "common/csv.h"
#include "common/picture_save.h"
#include "common/pictures.h"
#include "common/safe_write.h"
#include "common/session.h"
#include "common/table_export.h"
#include "common/text.h"
#include "formula/fangji_analysis.h"

namespace lindora {
namespace {

constexpr std::string_view kHeaders[] = {"药物", "频数", "社区", "度", "加权度", "介数", "接近度"};
constexpr int kColWidths[] = {1200, 800, 700, 700, 900, 1100, 1000};

// A whole number from 1 to `max`, or nothing.
std::optional<std::int64_t> PositiveNumber(std::string_view text, std::int64_t max) {
  std::optional<std::int64_t> value = ReadWholeNumber(text);
  if (!value || *value < 1 || *value > max) return std::nullopt;
  return value;
}

}  // namespace

HerbNetworkWindow::HerbNetworkWindow(Session& session)
    : WindowModel(session), node_grid_(1, static_cast<int>(std::size(kHeaders))) {
  SetCaption(kCaption);
  for (int c = 0; c < node_grid_.Cols(); ++c) {
    node_grid_.SetTextMatrix(0, c, kHeaders[c]);
    node_grid_.SetColWidth(c, kColWidths[c]);
  }
}

Outcome HerbNetworkWindow::Draw() {
  const std::string max_nodes = std::to_string(kMaxNetworkNodes);
  const std::string max_threshold = std::to_string(kMaxNetworkThreshold);
  const bool by_top = node_rule_ == NodeRule::kTop;
  auto node_value = PositiveNumber(
      node_value_, by_top ? static_cast<std::int64_t>(kMaxNetworkNodes) : kMaxNetworkThreshold);
  if (by_top && !node_value)
    return Refuse(session_, "节点数应为 1 到 " + max_nodes + " 之间的整数：" + node_value_);
  if (!node_value)
    return Refuse(session_,
                  "节点频数阈值应为 1 到 " + max_threshold + " 之间的整数：" + node_value_);
  auto edge_value = PositiveNumber(edge_value_, kMaxNetworkThreshold);
  if (!edge_value)
    return Refuse(session_, "边阈值应为 1 到 " + max_threshold + " 之间的整数：" + edge_value_);
  NetworkThresholds thresholds;
  thresholds.min_edge = *edge_value;
  if (node_rule_ == NodeRule::kTop)
    thresholds.top = static_cast<int>(*node_value);
  else
    thresholds.min_frequency = *node_value;

  NetworkResult result = RunHerbNetwork(session_, NetworkOptions{thresholds});
  if (result.outcome != Outcome::kDone) return result.outcome;
  if (result.network.edges.empty())
    return Refuse(session_, "没有共同出现 " + std::to_string(*edge_value) +
                                " 次以上的药对，无法绘制药物网络；请降低边阈值或增加节点。");
  tables_ = NetworkOutput(result, NetworkOptions{thresholds}).tables;
  network_ = std::move(result.network);
  described_.Take(session_, HerbNetworkOfResults);
  // The title names the result set the picture describes.
  SetCaption(std::string(kCaption) + " - " + described_.Caption(result.formulas));
  FillNodeGrid();
  NewPicture();
  Show();
  Changed();
  return Outcome::kDone;
}

const std::vector<MenuEntry>& HerbNetworkWindow::MenuBar() {
  static const std::vector<MenuEntry> menus = {
      {"Menu_File", "文件(&F)", "", true},
      {"Menu_SavePng", "保存为PNG图片(&P)…", "Menu_File", true, true,
       On(&HerbNetworkWindow::Menu_SavePng_Click)},
      {"Menu_SaveSvg", "保存为SVG图片(&S)…", "Menu_File", true, true,
       On(&HerbNetworkWindow::Menu_SaveSvg_Click)},
      {"Menu_ExportExcel", kExportExcelCaption, "Menu_File", true, true,
       On(&HerbNetworkWindow::Menu_ExportExcel_Click)},
  };
  return menus;
}

Outcome HerbNetworkWindow::AskAndSavePicture(std::string_view filter, std::string_view suffix) {
  return lindora::AskAndSavePicture(
      session_, "保存图片", kCaption, suffix, filter,
      [this](const std::filesystem::path& path) { return SavePicture(path); });
}

Outcome HerbNetworkWindow::SavePicture(const std::filesystem::path& path) {
  if (!HasNetwork()) return Refuse(session_, "尚未绘制药物网络。");
  return WritePicture(path, {".png", ".svg"}, [&](PictureWriter& writer, const std::string& ext) {
    NetworkPicture picture = PictureOf(network_);
    if (ext == ".png")
      writer.WriteNetworkPng(picture, path, kNetworkPictureWidth, kNetworkPictureHeight);
    else
      writer.WriteNetworkSvg(picture, path, kNetworkPictureWidth, kNetworkPictureHeight);
  });
}

std::vector<WorkbookSheet> HerbNetworkWindow::ExcelSheets() const {
  std::vector<WorkbookSheet> sheets = SheetsOfTables(tables_);
  // No chart type of Excel's draws a network: the window's picture stands beside the nodes.
  PictureWriter* writer = InstalledPictureWriter();
  if (writer && HasNetwork() && !sheets.empty())
    sheets.front().picture_png =
        writer->NetworkPng(PictureOf(network_), kNetworkPictureWidth, kNetworkPictureHeight);
  return sheets;
}

Outcome HerbNetworkWindow::Menu_ExportExcel_Click() {
  if (!HasNetwork()) return Refuse(session_, kNothingToExportMessage);
  return ExportWorkbook(session_, "药物网络", ExcelSheets(), described_.Name());
}

void HerbNetworkWindow::FillNodeGrid() {
  node_grid_.SetRows(1);
  for (std::size_t v : NodesByStrength(network_)) {
    const NetworkNode& n = network_.nodes[v];
    node_grid_.AddRow();
    const int r = node_grid_.Rows() - 1;
    node_grid_.SetTextMatrix(r, 0, n.name);
    node_grid_.SetTextMatrix(r, 1, std::to_string(n.frequency));
    node_grid_.SetTextMatrix(r, 2, std::to_string(n.community));
    node_grid_.SetTextMatrix(r, 3, std::to_string(n.degree));
    node_grid_.SetTextMatrix(r, 4, FixedDecimals(n.strength, 0));
    node_grid_.SetTextMatrix(r, 5, FixedDecimals(n.betweenness, 2));
    node_grid_.SetTextMatrix(r, 6, FixedDecimals(n.closeness, 4));
  }
}

Outcome HerbNetworkOfResults(Session& session) {
  // As the other analyses of the formula window: no data row, no network.
  if (session.Window<FangjiAnalysis>().FlexGrid().Rows() <= 1)
    return Refuse(session, kNoDataMessage);
  return OpenHerbNetwork(session);
}

Outcome OpenHerbNetwork(Session& session) {
  // Draw shows the window only when there is a network to show.
  return session.Window<HerbNetworkWindow>().Draw();
}

}  // namespace lindora
