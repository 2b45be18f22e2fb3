#include "app/ui/frm_input.h"

#include <QMenuBar>

#include "common/ui/fonts.h"
#include "common/ui/menus.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"

namespace lindora::ui {

Frm_Input::Frm_Input(Input& model) : FormView(model, "Frm_Input"), input_(model) {
  auto* central = new QWidget(this);
  setCentralWidget(central);

  text_input_ = new QPlainTextEdit(central);
  text_input_->setObjectName("Text_Input");
  text_input_->setFont(UiFont());
  text_input_->setToolTip(Q(Input::kTextInputToolTip));
  text_input_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_input_->setGeometry(Px(120), Px(120), Px(3615), Px(2655));
  connect(text_input_, &QPlainTextEdit::textChanged, this, [this] {
    // The model takes the text with CR LF line breaks, as the list format has them.
    QString text = text_input_->toPlainText();
    std::string s = S(text.replace('\n', QStringLiteral("\r\n")));
    if (s != input_.TextInput()) input_.SetTextInput(s);
  });

  cmd_input_ = new QPushButton(Q(Input::kCmdInputCaption), central);
  cmd_input_->setObjectName("Cmd_Input");
  cmd_input_->setFont(UiFont("宋体", 12));
  cmd_input_->setToolTip(Q(Input::kCmdInputToolTip));
  cmd_input_->setGeometry(Px(840), Px(2880), Px(1815), Px(375));
  connect(cmd_input_, &QPushButton::clicked, this, [this] { input_.Cmd_Input_Click(); });

  menu_tools_ = BuildMenus(this, menuBar(), Input::MenuBar(), input_).at("Menu_Tools");
  menu_tools_->setFont(UiFont());
  menuBar()->setFont(UiFont());

  SetFixedClientTwips(Input::kClientWidth, Input::kClientHeight);
}

void Frm_Input::Refresh() {
  FormView::Refresh();
  QString text = Q(input_.TextInput()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (text_input_->toPlainText() != text) text_input_->setPlainText(text);
  menu_tools_->menuAction()->setVisible(input_.MenuToolsVisible());
}

}  // namespace lindora::ui
