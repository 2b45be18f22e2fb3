#include "herb/ui/frm_danti_analysis.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMenuBar>
#include <algorithm>

#include "common/ui/fonts.h"
#include "common/ui/menus.h"
#include "common/ui/qt_input_events.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"

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
          [this](const QString& text) { danti_.SetTextInput(S(text)); });

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

  Menus menus = BuildMenus(this, menuBar(), DantiAnalysis::MenuBar(), danti_);
  menus.merge(BuildMenus(this, menuBar(), DantiAnalysis::PopupMenu(), danti_));
  for (auto& [name, menu] : menus) menu->setFont(UiFont());
  popup_ = menus.at("Menu_PopupMenu");
  menuBar()->setFont(UiFont());

  connect(flex_grid_, &FlexGridView::MouseDown, this, [this](Qt::MouseButton button) {
    if (danti_.FlexGrid_MouseDown(ButtonCode(button))) popup_->popup(QCursor::pos());
  });

  result_set_bar_ = AddResultSetBar(this, danti_);
  SetFixedClientTwips(DantiAnalysis::kClientWidth, DantiAnalysis::kClientHeight);
}

bool Frm_DantiAnalysis::eventFilter(QObject* watched, QEvent* event) {
  if (watched == text_input_ && event->type() == QEvent::KeyPress) {
    if (IsEnterKey(*static_cast<QKeyEvent*>(event))) {
      danti_.SetTextInput(S(text_input_->text()));
      danti_.Text_Input_KeyPress(kEnterKey);
      return true;
    }
  }
  return FormView::eventFilter(watched, event);
}

void Frm_DantiAnalysis::Refresh() {
  FormView::Refresh();
  if (result_set_bar_) result_set_bar_->Update();
  QString text = Q(danti_.TextInput());
  if (text_input_->text() != text) text_input_->setText(text);
  flex_grid_->Refresh();
  // A list with more columns than name and count (the herbs similar to a compound) widens the
  // window to show them whole; the usual list keeps the usual size.
  const Grid& grid = danti_.FlexGrid();
  int width = DantiAnalysis::kGridWidth;
  if (grid.Cols() > 2) {
    int columns = 0;
    for (int c = 0; c < grid.Cols(); ++c) columns += grid.ColWidth(c);
    width = std::max(width, columns + 360);  // room for the vertical scroll bar
  }
  if (flex_grid_->width() != Px(width)) {
    flex_grid_->resize(Px(width), flex_grid_->height());
    SetFixedClientTwips(DantiAnalysis::kClientWidth - DantiAnalysis::kGridWidth + width,
                        DantiAnalysis::kClientHeight);
  }
  if (danti_.TextInputFocusRequests() != focus_requests_seen_) {
    focus_requests_seen_ = danti_.TextInputFocusRequests();
    text_input_->setFocus();
  }
}

}  // namespace lindora::ui
