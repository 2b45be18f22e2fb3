#include "herb/ui/frm_danti_analysis.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMenuBar>

#include "common/outcome.h"
#include "common/ui/bar_chart.h"
#include "common/ui/twips.h"
#include "herb/herb_charts.h"

namespace lindora::ui {

Frm_DantiAnalysis::Frm_DantiAnalysis(DantiAnalysis& model)
    : FormView(model, "Frm_DantiAnalysis"),
      danti_(model),
      focus_requests_seen_(model.TextInputFocusRequests()) {
  auto* central = new QWidget(this);
  setCentralWidget(central);

  text_input_ = new QLineEdit(central);
  text_input_->setObjectName("Text_Input");
  text_input_->setFont(UiFont());
  text_input_->setToolTip(Q(DantiAnalysis::kTextInputToolTip));
  text_input_->setGeometry(Px(120), Px(120), Px(2055), Px(390));
  text_input_->installEventFilter(this);
  connect(text_input_, &QLineEdit::textEdited, this,
          [this](const QString& text) { danti_.SetText_Input(S(text)); });

  cmd_search_text_ = new QPushButton(QStringLiteral("搜索"), central);
  cmd_search_text_->setObjectName("Cmd_Search_Text");
  cmd_search_text_->setFont(UiFont());
  cmd_search_text_->setGeometry(Px(2280), Px(120), Px(975), Px(375));
  connect(cmd_search_text_, &QPushButton::clicked, this,
          [this] { danti_.Cmd_Search_Text_Click(); });

  flex_grid_ = new FlexGridView(&danti_.FlexGrid(), central);
  flex_grid_->setObjectName("FlexGrid");
  flex_grid_->setFont(UiFont());
  flex_grid_->setGeometry(Px(120), Px(720), Px(DantiAnalysis::kGridWidth),
                          Px(DantiAnalysis::kGridHeight));

  QMenuBar* bar = menuBar();
  QMenu* analysis = AddMenu(nullptr, "Menu_Analysis", QStringLiteral("分析(&A)"));
  AddItem(analysis, "Menu_Export_Danti_Chem", QStringLiteral("导出单味药-化学成分表进行关联分析"),
          &DantiAnalysis::Menu_Export_Danti_Chem_Click);
  AddItem(analysis, "Menu_HerbTypeAnalysis", QStringLiteral("单味药中药类型分析"),
          &DantiAnalysis::Menu_HerbTypeAnalysis_Click);
  ShowChartOnRequest(
      AddItem(analysis, "Menu_HerbFrequencyChart", QStringLiteral("单味药频数图（前30）"), nullptr),
      "Chart_HerbFrequency", HerbFrequencyChart);
  ShowChartOnRequest(
      AddItem(analysis, "Menu_HerbTypeChart", QStringLiteral("中药类型分布图"), nullptr),
      "Chart_HerbType", HerbTypeChart);

  QMenu* file = AddMenu(nullptr, "Menu_File", QStringLiteral("文件"));
  AddItem(file, "Menu_LoadDanweiyaoList", QStringLiteral("导入单味药列表"), nullptr);
  AddItem(file, "Menu_ExportDanweiyaoList", QStringLiteral("导出单味药列表"), nullptr);
  file->menuAction()->setVisible(false);

  popup_ = AddMenu(nullptr, "Menu_PopupMenu", QStringLiteral("PopupMenu"));
  popup_->menuAction()->setVisible(false);
  AddItem(popup_, "Menu_Copy_CMC1", QStringLiteral("复制"), nullptr)->setVisible(false);
  AddItem(popup_, "Menu_IngredientAnalysis", QStringLiteral("分析化学成分"),
          &DantiAnalysis::Menu_IngredientAnalysis_Click);
  AddItem(popup_, "Menu_GetHerbType", QStringLiteral("显示中药类型"),
          &DantiAnalysis::Menu_GetHerbType_Click);
  AddItem(popup_, "Menu_FindFangjiByHerb", QStringLiteral("显示相关方剂"),
          &DantiAnalysis::Menu_FindFangjiByHerb_Click);
  AddItem(popup_, "Menu_SymptomAnalysis", QStringLiteral("相关病症"),
          &DantiAnalysis::Menu_SymptomAnalysis_Click)
      ->setVisible(false);
  QMenu* online = AddMenu(popup_, "Menu_SearchOnline", QStringLiteral("网络搜索"));
  AddItem(online, "Menu_Search_ZYBK", QStringLiteral("中医百科"),
          &DantiAnalysis::Menu_Search_ZYBK_Click);
  AddItem(online, "Menu_SearchTCMSearch", QStringLiteral("中医药搜索"),
          &DantiAnalysis::Menu_SearchTCMSearch_Click);
  AddItem(online, "Menu_SearchBaidu", QStringLiteral("百度"),
          &DantiAnalysis::Menu_SearchBaidu_Click);
  AddItem(online, "Menu_SearchBaiduXueshu", QStringLiteral("百度学术"),
          &DantiAnalysis::Menu_SearchBaiduXueshu_Click);
  online->addSeparator()->setObjectName("Menu_Split");
  AddItem(online, "Menu_SearchTC_MC", QStringLiteral("TC-MC"),
          &DantiAnalysis::Menu_SearchTC_MC_Click);
  AddItem(online, "Menu_SearchTCSMP", QStringLiteral("TCMSP"),
          &DantiAnalysis::Menu_SearchTCSMP_Click);
  bar->setFont(UiFont());

  connect(flex_grid_, &FlexGridView::MouseDown, this, [this](Qt::MouseButton button) {
    MouseButton b = button == Qt::RightButton    ? MouseButton::kRight
                    : button == Qt::MiddleButton ? MouseButton::kMiddle
                                                 : MouseButton::kLeft;
    if (danti_.FlexGrid_MouseDown(b)) popup_->popup(QCursor::pos());
  });

  SetFixedClientTwips(DantiAnalysis::kClientWidth, DantiAnalysis::kClientHeight);
}

QMenu* Frm_DantiAnalysis::AddMenu(QMenu* parent, const char* name, const QString& caption) {
  QMenu* menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
  menu->setObjectName(name);
  menu->menuAction()->setObjectName(name);
  menu->setFont(UiFont());
  return menu;
}

QAction* Frm_DantiAnalysis::AddItem(QMenu* menu, const char* name, const QString& caption,
                                    void (DantiAnalysis::*handler)()) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  if (handler) {
    DantiAnalysis* danti = &danti_;
    connect(action, &QAction::triggered, this, [danti, handler] { (danti->*handler)(); });
  }
  return action;
}

void Frm_DantiAnalysis::ShowChartOnRequest(QAction* action, const char* name,
                                           std::optional<BarChart> (*chart)(DantiAnalysis&)) {
  connect(action, &QAction::triggered, this, [this, name, chart] {
    std::optional<BarChart> data;
    // The type chart reads the herb file; a file that cannot be read is one message.
    Guard(danti_.session(), [&] { data = chart(danti_); });
    if (data) (new ChartWindow(*data, name, danti_.session().dialogs(), this))->show();
  });
}

bool Frm_DantiAnalysis::eventFilter(QObject* watched, QEvent* event) {
  if (watched == text_input_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      danti_.SetText_Input(S(text_input_->text()));
      danti_.Text_Input_KeyPress(13);
      return true;
    }
  }
  return FormView::eventFilter(watched, event);
}

void Frm_DantiAnalysis::Refresh() {
  FormView::Refresh();
  QString text = Q(danti_.Text_Input());
  if (text_input_->text() != text) text_input_->setText(text);
  flex_grid_->Refresh();
  if (danti_.TextInputFocusRequests() != focus_requests_seen_) {
    focus_requests_seen_ = danti_.TextInputFocusRequests();
    text_input_->setFocus();
  }
}

}  // namespace lindora::ui
