// Builds a window's menus from the list its model gives: object names, captions, visibility.
#pragma once

#include <QMenu>
#include <QMenuBar>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/menu.h"

namespace lindora::ui {

using MenuHandlers = std::map<std::string, std::function<void()>, std::less<>>;

// Top-level entries go on `bar` (or, with a null bar, become stand-alone menus such as a
// pop-up); an entry that is some other entry's parent becomes a submenu, the rest are actions
// connected to the handler of their name. Returns every menu by name.
std::map<std::string, QMenu*, std::less<>> BuildMenus(QWidget* owner, QMenuBar* bar,
                                                      const std::vector<MenuEntry>& entries,
                                                      const MenuHandlers& handlers);

}  // namespace lindora::ui
