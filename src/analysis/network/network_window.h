// The herb network window: thresholds, the drawing of the co-occurrence network of the current
// result set and its node table; every drawing also writes the network files to \Result\.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "analysis/network/herb_network.h"
#include "common/grid.h"
#include "common/menu.h"
#include "common/outcome.h"
#include "common/window_model.h"
#include "common/workbook.h"
#include "formula/result_set_stamp.h"

namespace lindora {

class HerbNetworkWindow : public WindowModel {
 public:
  static constexpr std::string_view kCaption = "药物网络";
  enum class NodeRule { kTop, kMinFrequency };

  explicit HerbNetworkWindow(Session& session);
  std::string_view FormName() const override { return "Frm_HerbNetwork"; }

  // The thresholds as the user typed them; Draw checks them.
  NodeRule GetNodeRule() const { return node_rule_; }
  void SetNodeRule(NodeRule rule) {
    node_rule_ = rule;
    Changed();
  }
  const std::string& NodeValue() const { return node_value_; }
  void SetNodeValue(std::string_view text) {
    node_value_ = text;
    Changed();
  }
  const std::string& EdgeValue() const { return edge_value_; }
  void SetEdgeValue(std::string_view text) {
    edge_value_ = text;
    Changed();
  }

  // Builds the network of the current result set with the thresholds, fills the node table,
  // writes the files and pictures to \Result\ and shows the window. Refused (nothing replaced)
  // for thresholds that are not positive whole numbers, an empty result set or no edge.
  Outcome Draw();
  // Writes the current picture as PNG or SVG, by the file's extension.
  Outcome SavePicture(const std::filesystem::path& path);

  static const std::vector<MenuEntry>& MenuBar();
  // Ask for a file name (the suffix is added when missing) and save the picture there.
  Outcome Menu_SavePng_Click() { return AskAndSavePicture("PNG (*.png)", ".png"); }
  Outcome Menu_SaveSvg_Click() { return AskAndSavePicture("SVG (*.svg)", ".svg"); }

  // 导出为 Excel: every node of the node table and every edge with its weight.
  std::vector<WorkbookSheet> ExcelSheets() const;
  Outcome Menu_ExportExcel_Click();

  const HerbNetwork& Network() const { return network_; }
  bool HasNetwork() const { return !network_.nodes.empty(); }
  // Herb, frequency, community and centralities, by descending weighted degree.
  const Grid& NodeGrid() const { return node_grid_; }
  Grid& NodeGrid() { return node_grid_; }

  // The result set the window describes.
  DescribedSet& Described() { return described_; }
  const DescribedSet& Described() const { return described_; }

 private:
  DescribedSet described_;
  Outcome AskAndSavePicture(std::string_view filter, std::string_view suffix);
  void FillNodeGrid();
  NodeRule node_rule_ = NodeRule::kTop;
  std::string node_value_ = std::to_string(NetworkThresholds{}.top);
  std::string edge_value_ = std::to_string(NetworkThresholds{}.min_edge);
  HerbNetwork network_;
  std::vector<ResultTable> tables_;  // the engine's node and edge tables of network_
  Grid node_grid_;
};

// The analysis menu item of the herb-pair window: draws and shows the network.
Outcome OpenHerbNetwork(Session& session);
// 药物网络: refuses an empty formula grid, else draws and shows the network.
Outcome HerbNetworkOfResults(Session& session);

}  // namespace lindora
