// Sizes of the program are in twips; the screen has 15 twips per pixel.
#pragma once

namespace lindora::ui {

constexpr int kTwipsPerPixel = 15;
constexpr int Px(int twips) {
  return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}
constexpr int Twips(int pixels) {
  return pixels * kTwipsPerPixel;
}

}  // namespace lindora::ui
