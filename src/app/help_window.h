// The user guide in a window of the program: the Markdown file with its pictures, rendered
// without a browser.
#pragma once

#include <filesystem>
#include <string_view>

#include "common/outcome.h"
#include "common/window_model.h"

namespace lindora {

class HelpWindow : public WindowModel {
 public:
  static constexpr std::string_view kCaption = "使用说明";

  explicit HelpWindow(Session& session) : WindowModel(session) { SetCaption(kCaption); }
  std::string_view FormName() const override { return "Frm_Help"; }

  // The guide to show; the view renders it and the pictures beside it.
  const std::filesystem::path& Guide() const { return guide_; }
  // Shows the guide, or refuses with a message naming where it should be.
  Outcome Open(const std::filesystem::path& guide);

 private:
  std::filesystem::path guide_;
};

}  // namespace lindora
