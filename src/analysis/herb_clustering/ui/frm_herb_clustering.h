#pragma once

#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "analysis/herb_clustering/herb_clustering_window.h"
#include "common/redraw_watch.h"
#include "common/ui/dendrogram_view.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/result_set_bar.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

// Three tabs: herb clustering (options, dendrogram, cluster table), similar formulas (formula
// chooser, ranked list, formula clusters), core combinations (options, MI table, combinations,
// candidates).
class Frm_HerbClustering : public FormView {
  Q_OBJECT
 public:
  explicit Frm_HerbClustering(HerbClusteringWindow& model);
  void Refresh() override;
  QTabWidget* Tabs() const { return tabs_; }
  DendrogramView* Tree() const { return tree_; }

 private:
  QWidget* HerbTab();
  QWidget* FormulaTab();
  QWidget* CoreTab();
  void TakeHerbOptions();
  void TakeCoreOptions();
  // The chooser's list: the open library's formulas, filled again when another library opens.
  void FillFormulaChoices();
  HerbClusteringWindow& window_;
  QTabWidget* tabs_ = nullptr;
  ResultSetBar* result_set_bar_ = nullptr;
  // Herb tab.
  QLineEdit* top_ = nullptr;
  QComboBox* distance_ = nullptr;
  QComboBox* linkage_ = nullptr;
  QComboBox* cut_rule_ = nullptr;
  QLineEdit* cut_value_ = nullptr;
  DendrogramView* tree_ = nullptr;
  FlexGridView* herb_grid_ = nullptr;
  QLabel* herb_summary_ = nullptr;
  // Formula tab.
  QComboBox* formula_ = nullptr;
  QCompleter* formula_completer_ = nullptr;
  std::string formula_library_;  // the library whose formulas the chooser lists
  QLineEdit* similar_top_ = nullptr;
  QLineEdit* min_similarity_ = nullptr;
  FlexGridView* similar_grid_ = nullptr;
  FlexGridView* cluster_grid_ = nullptr;
  QLabel* formula_summary_ = nullptr;
  // Core tab.
  QLineEdit* min_support_ = nullptr;
  QLineEdit* min_association_ = nullptr;
  QComboBox* size_ = nullptr;
  QLineEdit* keep_ = nullptr;
  QLineEdit* merge_similarity_ = nullptr;
  FlexGridView* information_grid_ = nullptr;
  FlexGridView* core_grid_ = nullptr;
  FlexGridView* candidate_grid_ = nullptr;
  QLabel* core_summary_ = nullptr;
  RedrawWatch picture_watch_;
};

}  // namespace lindora::ui
