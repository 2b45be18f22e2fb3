#include "analysis/network/ui/frm_herb_network.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QVBoxLayout>

#include "common/ui/menus.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"

namespace lindora::ui {

Frm_HerbNetwork::Frm_HerbNetwork(HerbNetworkWindow& model)
    : FormView(model, "Frm_HerbNetwork"), window_(model) {
  QWidget* central = WhiteCentralWidget();
  auto* layout = new QVBoxLayout(central);
  auto* controls = new QHBoxLayout;
  layout->addLayout(controls);

  node_rule_ = new QComboBox(central);
  node_rule_->setObjectName("Combo_NodeRule");
  node_rule_->addItems({QStringLiteral("节点：频数最高的前"), QStringLiteral("节点：频数至少")});
  node_value_ = new QLineEdit(central);
  node_value_->setObjectName("Text_NodeValue");
  node_value_->setFixedWidth(70);
  unit_ = new QLabel(central);
  auto* edge_label = new QLabel(QStringLiteral("边：共同出现至少"), central);
  edge_value_ = new QLineEdit(central);
  edge_value_->setObjectName("Text_EdgeValue");
  edge_value_->setFixedWidth(70);
  auto* edge_unit = new QLabel(QStringLiteral("次"), central);
  redraw_ = new QPushButton(QStringLiteral("重新绘制"), central);
  redraw_->setObjectName("Cmd_Redraw");
  auto* hint = new QLabel(QStringLiteral("滚轮缩放，拖动平移，双击复原"), central);
  hint->setStyleSheet("color: gray");
  for (QWidget* w : std::initializer_list<QWidget*>{node_rule_, node_value_, unit_, edge_label,
                                                    edge_value_, edge_unit, redraw_})
    controls->addWidget(w);
  controls->addStretch();
  controls->addWidget(hint);

  summary_ = new QLabel(central);
  summary_->setObjectName("Label_Summary");
  summary_->setWordWrap(true);
  layout->addWidget(summary_);

  auto* split = new QSplitter(Qt::Horizontal, central);
  view_ = new NetworkView(split);
  view_->setObjectName("NetworkView");
  grid_ = new FlexGridView(&window_.NodeGrid(), split);
  grid_->setObjectName("FlexGrid_Nodes");
  split->addWidget(view_);
  split->addWidget(grid_);
  split->setStretchFactor(0, 1);
  split->setSizes({960, 490});
  layout->addWidget(split, 1);

  connect(node_rule_, &QComboBox::activated, this, [this](int index) {
    window_.SetNodeRule(index == 0 ? HerbNetworkWindow::NodeRule::kTop
                                   : HerbNetworkWindow::NodeRule::kMinFrequency);
    Refresh();
  });
  connect(redraw_, &QPushButton::clicked, this, [this] { Redraw(); });
  connect(node_value_, &QLineEdit::returnPressed, this, [this] { Redraw(); });
  connect(edge_value_, &QLineEdit::returnPressed, this, [this] { Redraw(); });

  BuildMenus(this, menuBar(), HerbNetworkWindow::MenuBar(), window_);
  result_set_bar_ = AddResultSetBar(this, window_);

  resize(1450, 860);
}

void Frm_HerbNetwork::Redraw() {
  // Read before setting: each setter redraws the fields from the model.
  const std::string nodes = S(node_value_->text()), edges = S(edge_value_->text());
  window_.SetNodeValue(nodes);
  window_.SetEdgeValue(edges);
  window_.Draw();
}

void Frm_HerbNetwork::Refresh() {
  FormView::Refresh();
  if (result_set_bar_) result_set_bar_->Update();
  if (!grid_) return;  // still being built
  const bool top = window_.GetNodeRule() == HerbNetworkWindow::NodeRule::kTop;
  node_rule_->setCurrentIndex(top ? 0 : 1);
  unit_->setText(top ? QStringLiteral("味药") : QStringLiteral("次"));
  if (node_value_->text() != Q(window_.NodeValue())) node_value_->setText(Q(window_.NodeValue()));
  if (edge_value_->text() != Q(window_.EdgeValue())) edge_value_->setText(Q(window_.EdgeValue()));
  if (!picture_watch_.Moved(window_.PictureVersion())) return;
  view_->SetPicture(PictureOf(window_.Network()));
  const HerbNetwork& net = window_.Network();
  int unlinked = 0;
  for (const NetworkNode& n : net.nodes) unlinked += n.degree == 0 ? 1 : 0;
  summary_->setText(
      window_.HasNetwork()
          ? QStringLiteral(
                "节点 %1 个（频数并列者一并纳入，故可多于所设），边 %2 条，社区 %3 个%4。"
                "接近中心性＝到可达节点平均最短距离（距离＝1/边权）的倒数，可大于 1。")
                .arg(net.nodes.size())
                .arg(net.edges.size())
                .arg(net.communities)
                .arg(unlinked
                         ? QStringLiteral("，%1 味药未连边（图中不画，图例列出）").arg(unlinked)
                         : QString())
          : QString());
  view_->ResetView();
  grid_->Refresh();
}

}  // namespace lindora::ui
