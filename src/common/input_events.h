// The one vocabulary of input events the window models take: mouse buttons as a grid's
// MouseDown handler receives them, key codes as a KeyPress handler receives them.
#pragma once

namespace lindora {

inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;

inline constexpr int kEnterKey = 13;

}  // namespace lindora
