// A window's menus as data: the models list them, the views build them, tests read them.
#pragma once

#include <string_view>

namespace lindora {

struct MenuEntry {
  std::string_view name;     // Menu_… object name
  std::string_view caption;  // with & marking the access key
  std::string_view parent;   // empty for a menu on the menu bar (or a pop-up's root)
  bool visible = true;
};

// Mouse buttons as the grid events report them.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;

}  // namespace lindora
