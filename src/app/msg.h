// The notice window: one label of several lines under a caption. One instance serves every
// notice; each use sets caption and text and shows it in the normal state.
#pragma once

#include <string>
#include <string_view>

#include "common/window_model.h"

namespace lindora {

class Msg : public WindowModel {
 public:
  static constexpr std::string_view kDesignCaption = "说明";
  // Twips: the window keeps this size.
  static constexpr int kWidth = 7680;
  static constexpr int kHeight = 3720;
  // Design client area (twips): the outer size less a 16 × 38 px frame and title bar.
  static constexpr int kClientWidth = kWidth - 240;
  static constexpr int kClientHeight = kHeight - 570;

  explicit Msg(Session& session);
  std::string_view FormName() const override { return "Frm_Msg"; }

  void ShowNotice(std::string_view caption, std::string_view text);
  const std::string& Label1() const { return label1_; }

 private:
  std::string label1_;
};

}  // namespace lindora
