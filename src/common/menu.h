// A window's menus as data: each model declares its menu bar and pop-up menus with the handler
// of every action; one builder in common/ui makes the Qt menus; tests read the lists.
#pragma once

#include <functional>
#include <string_view>

#include "common/outcome.h"
#include "common/window_model.h"

namespace lindora {

// What a menu action does, given the model that declared it.
using MenuHandler = std::function<Outcome(WindowModel&)>;

struct MenuEntry {
  std::string_view name;     // Menu_… object name
  std::string_view caption;  // with & marking the access key; "-" is a separator
  std::string_view parent;   // empty for a menu on the menu bar (or a pop-up's root)
  bool visible = true;
  bool enabled = true;
  // Every action has one (NoEffect for entries that are there but do nothing yet); menus,
  // submenus and separators have none. The builder refuses an action without a handler.
  MenuHandler handler = {};
};

// The handler of an action: a model's member function returning an Outcome.
template <class Model>
MenuHandler On(Outcome (Model::*handler)()) {
  return [handler](WindowModel& model) { return (static_cast<Model&>(model).*handler)(); };
}

// The handler of an entry that is present and does nothing yet.
inline Outcome NoEffect(WindowModel&) {
  return Outcome::kDone;
}

}  // namespace lindora
