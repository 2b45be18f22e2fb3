#include "app/ui/frm_msg.h"

#include <QScrollBar>

#include "common/ui/fonts.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"

namespace lindora::ui {

Frm_Msg::Frm_Msg(Msg& model) : FormView(model, "Frm_Msg"), msg_(model) {
  auto* central = WhiteCentralWidget();
  // The label's place holds a read-only area that scrolls, so a notice longer than the fixed
  // window can be read to its end.
  scroll_ = new QScrollArea(central);
  scroll_->setObjectName("Scroll_Label1");
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  scroll_->setWidgetResizable(false);
  scroll_->setGeometry(Px(240), Px(240), Px(7095), Px(2775));
  scroll_->viewport()->setAutoFillBackground(false);
  label1_ = new QLabel;
  label1_->setObjectName("Label1");
  label1_->setFont(UiFont());
  label1_->setWordWrap(true);
  label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label1_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  label1_->setAutoFillBackground(false);
  scroll_->setWidget(label1_);
  SetFixedClientTwips(Msg::kClientWidth, Msg::kClientHeight);
}

void Frm_Msg::Refresh() {
  FormView::Refresh();
  // CR LF joins the lines of a notice; a label breaks at LF.
  label1_->setText(Q(msg_.Label1()).replace("\r\n", "\n"));
  // Lines wrap at the width left beside the scroll bar; the label is as tall as its text.
  const int width = scroll_->width() - scroll_->verticalScrollBar()->sizeHint().width();
  label1_->resize(width, std::max(label1_->heightForWidth(width), scroll_->height()));
  scroll_->verticalScrollBar()->setValue(0);
}

}  // namespace lindora::ui
