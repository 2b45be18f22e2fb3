#include "formula/ui/frm_fangji_analysis.h"

#include <QCoreApplication>
#include <QCursor>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenuBar>

#include "common/ui/menus.h"
#include "common/ui/qt_input_events.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"
#include "formula/ui/library_dialogs.h"

namespace lindora::ui {

namespace {
// What the frame adds to the inner size; the model works with the outer size, as the window's
// resize rule is written for it.
constexpr int kFrameWidthPx = 8;
constexpr int kFrameHeightPx = 30;

void Place(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(Px(left), Px(top), Px(width), Px(height));
}
}  // namespace

Frm_FangjiAnalysis::Frm_FangjiAnalysis(FangjiAnalysis& model)
    : FormView(model, "Frm_FangjiAnalysis"), fangji_(model) {
  auto* central = new QWidget(this);
  setCentralWidget(central);

  text_input_ = new QLineEdit(central);
  text_input_->setObjectName("Text_Input");
  text_input_->setToolTip(Q(FangjiAnalysis::kTextInputToolTip));
  Place(text_input_, 240, 240, 5895, 390);
  text_input_->installEventFilter(this);
  connect(text_input_, &QLineEdit::textEdited, this,
          [this](const QString& text) { fangji_.SetTextInput(S(text)); });

  cmd_search_text_ = new QPushButton("搜索", central);
  cmd_search_text_->setObjectName("Cmd_Search_Text");
  Place(cmd_search_text_, 6240, 240, 975, 375);
  connect(cmd_search_text_, &QPushButton::clicked, this,
          [this] { fangji_.Cmd_Search_Text_Click(); });

  // The whole open library in one step, beside the search it replaces.
  cmd_all_ = new QPushButton("全部方剂", central);
  cmd_all_->setObjectName("Cmd_All");
  cmd_all_->setToolTip("把当前方剂库的全部方剂（含单味药方）作为结果集");
  Place(cmd_all_, 7320, 240, 1215, 375);
  connect(cmd_all_, &QPushButton::clicked, this, [this] { fangji_.Cmd_All_Click(); });

  check_search_in_result_ = new QCheckBox("在结果中筛选", central);
  check_search_in_result_->setObjectName("Check_SearchInResult");
  Place(check_search_in_result_, 240, 720, 1815, 255);
  connect(check_search_in_result_, &QCheckBox::clicked, this,
          [this](bool on) { fangji_.SetCheckSearchInResult(on ? 1 : 0); });

  check_filter_ = new QCheckBox("在结果中排除", central);
  check_filter_->setObjectName("Check_Filter");
  Place(check_filter_, 2040, 720, 1815, 255);
  connect(check_filter_, &QCheckBox::clicked, this, [this](bool on) {
    fangji_.SetCheckFilter(on ? 1 : 0);
    fangji_.Check_Filter_Click();
  });

  label_count_ = new QLabel(central);
  label_count_->setObjectName("Label_Count");
  Place(label_count_, 3960, 705, 5775, 375);

  // Created after the check boxes so that it drops down over them.
  list_history_ = new QListWidget(central);
  list_history_->setObjectName("List_History");
  list_history_->setFocusPolicy(Qt::NoFocus);  // a click must not take the focus from the box
  Place(list_history_, 240, 600, 5895, 930);
  list_history_->hide();
  connect(list_history_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { fangji_.List_History_Click(list_history_->row(item)); });

  flex_grid_ = new FlexGridView(&fangji_.FlexGrid(), central);
  flex_grid_->setObjectName("FlexGrid");
  flex_grid_->setWordWrap(true);
  connect(flex_grid_, &FlexGridView::MouseDown, this, [this](Qt::MouseButton button) {
    if (fangji_.FlexGrid_MouseDown(ButtonCode(button))) popup_->popup(QCursor::pos());
  });

  timer1_ = new QTimer(this);
  timer1_->setObjectName("Timer1");
  timer1_->setInterval(FangjiAnalysis::kTimer1Interval);
  connect(timer1_, &QTimer::timeout, this, [this] { fangji_.Timer1_Timer(); });

  auto before = [](const MenuEntry& entry) {
    // The closed menu is repainted before an analysis (some take a while) starts.
    if (entry.parent == "Menu_DataAnalysis") QCoreApplication::processEvents();
  };
  BuildMenus(this, menuBar(), fangji_.MenuBar(), fangji_, before);
  popup_ = BuildMenus(this, nullptr, FangjiAnalysis::PopupMenu(), fangji_).at("Menu_PopupMenu");

  resize(Px(19470), Px(8325) + menuBar()->sizeHint().height());
  Refresh();
}

bool Frm_FangjiAnalysis::eventFilter(QObject* watched, QEvent* event) {
  if (watched == text_input_) {
    switch (event->type()) {
      case QEvent::FocusIn: fangji_.Text_Input_GotFocus(); break;
      case QEvent::FocusOut: fangji_.Text_Input_LostFocus(); break;
      case QEvent::MouseButtonRelease: fangji_.Text_Input_Click(); break;
      case QEvent::InputMethod: {
        // Text typed through an input method arrives without a key press; its first
        // composition must empty the placeholder as a key would.
        auto* im = static_cast<QInputMethodEvent*>(event);
        if (!im->preeditString().isEmpty() || !im->commitString().isEmpty())
          fangji_.Text_Input_KeyDown();
        break;
      }
      case QEvent::KeyPress: {
        fangji_.Text_Input_KeyDown();
        if (IsEnterKey(*static_cast<QKeyEvent*>(event))) {
          fangji_.Text_Input_KeyPress(kEnterKey);
          return true;
        }
        break;
      }
      default: break;
    }
  }
  return FormView::eventFilter(watched, event);
}

void Frm_FangjiAnalysis::resizeEvent(QResizeEvent* event) {
  FormView::resizeEvent(event);
  fangji_.Form_Resize(Twips(width() + kFrameWidthPx), Twips(height() + kFrameHeightPx));
}

void Frm_FangjiAnalysis::Refresh() {
  FormView::Refresh();
  setWindowTitle(TitleWithLibrary(fangji_.session(), fangji_.Caption()));
  if (!timer1_) return;  // still being built
  if (text_input_->text() != Q(fangji_.TextInput())) text_input_->setText(Q(fangji_.TextInput()));
  QPalette pal = text_input_->palette();
  pal.setColor(QPalette::Text, fangji_.TextInputColor() == FangjiAnalysis::TextColor::kGrey
                                   ? QColor(125, 125, 125)
                                   : QColor(Qt::black));
  text_input_->setPalette(pal);
  check_search_in_result_->setChecked(fangji_.CheckSearchInResult() == 1);
  check_filter_->setChecked(fangji_.CheckFilter() == 1);
  label_count_->setText(Q(fangji_.LabelCount()));

  const auto& history = fangji_.ListHistory();
  bool same = list_history_->count() == static_cast<int>(history.size());
  for (int i = 0; same && i < list_history_->count(); ++i)
    same = list_history_->item(i)->text() == Q(history[i]);
  if (!same) {
    list_history_->clear();
    for (const auto& h : history) list_history_->addItem(Q(h));
  }
  list_history_->setFixedHeight(std::max(1, Px(fangji_.ListHistoryHeight())));
  list_history_->setVisible(fangji_.ListHistoryVisible());
  if (fangji_.ListHistoryVisible()) list_history_->raise();

  if (fangji_.Timer1Enabled() && !timer1_->isActive()) timer1_->start();
  if (!fangji_.Timer1Enabled()) timer1_->stop();

  // The grid view reloads only a grid that was written since; its size follows the window.
  const Grid& grid = fangji_.FlexGrid();
  flex_grid_->setGeometry(Px(FangjiAnalysis::kGridLeft), Px(FangjiAnalysis::kGridTop),
                          Px(grid.Width()), Px(grid.Height()));
  flex_grid_->Refresh();
}

}  // namespace lindora::ui
