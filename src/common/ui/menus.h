// The one builder of Qt menus: makes a window's menus from the list its model declares.
#pragma once

#include <QMenu>
#include <QMenuBar>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/menu.h"

namespace lindora::ui {

using Menus = std::map<std::string, QMenu*, std::less<>>;

// Top-level entries go on `bar` (or, with a null bar, become stand-alone menus such as a
// pop-up); an entry that is some other entry's parent becomes a submenu, a "-" caption a
// separator, the rest are actions that run their handler on `model`. `before`, when given, runs
// first on every triggered action (a view's own step, e.g. repainting before a long analysis).
// Throws std::logic_error for an action without a handler or an entry whose parent is not
// listed before it: a misspelt declaration fails the first test that opens the window.
Menus BuildMenus(QWidget* owner, QMenuBar* bar, const std::vector<MenuEntry>& entries,
                 WindowModel& model, std::function<void(const MenuEntry&)> before = {});

}  // namespace lindora::ui
