#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "analysis/network/network_window.h"
#include "common/redraw_watch.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/network_picture.h"
#include "common/ui/network_view.h"
#include "common/ui/result_set_bar.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

// The network picture beside its node table, the thresholds above them.
class Frm_HerbNetwork : public FormView {
  Q_OBJECT
 public:
  explicit Frm_HerbNetwork(HerbNetworkWindow& model);
  void Refresh() override;
  NetworkView* View() const { return view_; }

 private:
  void Redraw();
  HerbNetworkWindow& window_;
  QComboBox* node_rule_ = nullptr;
  QLineEdit* node_value_ = nullptr;
  QLabel* unit_ = nullptr;
  QLabel* summary_ = nullptr;
  QLineEdit* edge_value_ = nullptr;
  QPushButton* redraw_ = nullptr;
  NetworkView* view_ = nullptr;
  FlexGridView* grid_ = nullptr;
  RedrawWatch picture_watch_;
  ResultSetBar* result_set_bar_ = nullptr;
};

}  // namespace lindora::ui
