#include "common/window_model.h"

#include "common/session.h"

namespace lindora {

void WindowModel::SetCaption(std::string_view caption) {
  caption_.assign(caption);
  Changed();
}

void WindowModel::Show() {
  visible_ = true;
  state_ = WindowState::kNormal;
  session_.NotifyShown(*this);
  Changed();
}

void WindowModel::Hide() {
  visible_ = false;
  Changed();
}

void WindowModel::SetState(WindowState state) {
  state_ = state;
  Changed();
}

}  // namespace lindora
