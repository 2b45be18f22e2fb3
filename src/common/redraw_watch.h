// When a view draws anew: the models count their results (WindowModel::PictureVersion,
// Grid::Version) and a view redraws only when the count it drew has moved, and always the first
// time.
#pragma once

#include <optional>

namespace lindora {

class RedrawWatch {
 public:
  // True when `version` is not the one last drawn (or nothing was drawn yet); it counts as drawn
  // from then on.
  bool Moved(unsigned version) {
    if (drawn_ == version) return false;
    drawn_ = version;
    return true;
  }
  // The next Moved() is true whatever the version (a view shown another model).
  void Forget() { drawn_.reset(); }

 private:
  std::optional<unsigned> drawn_;
};

}  // namespace lindora
