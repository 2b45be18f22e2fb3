#include "app/ui/frm_msg.h"

#include "common/ui/fonts.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"

namespace lindora::ui {

Frm_Msg::Frm_Msg(Msg& model) : FormView(model, "Frm_Msg"), msg_(model) {
  auto* central = WhiteCentralWidget();
  label1_ = new QLabel(central);
  label1_->setObjectName("Label1");
  label1_->setFont(UiFont());
  label1_->setWordWrap(true);
  label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label1_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label1_->setGeometry(Px(240), Px(240), Px(7095), Px(2775));
  SetFixedTwips(Msg::kWidth, Msg::kHeight);
}

void Frm_Msg::Refresh() {
  FormView::Refresh();
  // CR LF joins the lines of a notice; a label breaks at LF.
  label1_->setText(Q(msg_.Label1()).replace("\r\n", "\n"));
}

}  // namespace lindora::ui
