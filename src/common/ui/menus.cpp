#include "common/ui/menus.h"

#include <set>
#include <stdexcept>

#include "common/ui/qt_text.h"

namespace lindora::ui {

Menus BuildMenus(QWidget* owner, QMenuBar* bar, const std::vector<MenuEntry>& entries,
                 WindowModel& model, std::function<void(const MenuEntry&)> before) {
  std::set<std::string_view> parents;
  for (const MenuEntry& e : entries)
    if (!e.parent.empty()) parents.insert(e.parent);
  Menus menus;
  for (const MenuEntry& e : entries) {
    QMenu* parent = nullptr;
    if (!e.parent.empty()) {
      auto it = menus.find(e.parent);
      if (it == menus.end())
        throw std::logic_error("menu entry " + std::string(e.name) + ": parent " +
                               std::string(e.parent) + " is not declared before it");
      parent = it->second;
    }
    if (parents.count(e.name) || e.parent.empty()) {
      auto* menu = new QMenu(Q(e.caption), owner);
      menu->setObjectName(Q(e.name));
      menu->menuAction()->setObjectName(Q(e.name));
      if (parent)
        parent->addMenu(menu);
      else if (bar)
        bar->addMenu(menu);
      menu->menuAction()->setVisible(e.visible);
      menu->menuAction()->setEnabled(e.enabled);
      menus.emplace(std::string(e.name), menu);
      continue;
    }
    if (e.caption == "-") {
      parent->addSeparator()->setObjectName(Q(e.name));
      continue;
    }
    if (!e.handler)
      throw std::logic_error("menu action " + std::string(e.name) + " has no handler");
    QAction* action = parent->addAction(Q(e.caption));
    action->setObjectName(Q(e.name));
    action->setVisible(e.visible);
    action->setEnabled(e.enabled);
    // The entry lives in the model's static list; the handler and hook are copied.
    QObject::connect(action, &QAction::triggered, owner, [&model, entry = e, before] {
      if (before) before(entry);
      entry.handler(model);
    });
  }
  return menus;
}

}  // namespace lindora::ui
