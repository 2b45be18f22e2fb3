#include "app/msg.h"

namespace lindora {

Msg::Msg(Session& session) : WindowModel(session) {
  SetCaption(kDesignCaption);
}

void Msg::ShowNotice(std::string_view caption, std::string_view text) {
  SetCaption(caption);
  label1_.assign(text);
  Show();
}

}  // namespace lindora
