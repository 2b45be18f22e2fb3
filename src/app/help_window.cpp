#include "app/help_window.h"

#include "common/session.h"

namespace lindora {

Outcome HelpWindow::Open(const std::filesystem::path& guide) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(guide, ec))
    return Refuse(session_, "找不到使用说明 " + guide.string() +
                                "。它随源代码一起发布，在源代码的 docs/使用说明.md。");
  guide_ = guide.lexically_normal();
  Changed();
  Show();
  return Outcome::kDone;
}

}  // namespace lindora
