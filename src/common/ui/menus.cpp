#include "common/ui/menus.h"

#include <set>

#include "common/ui/twips.h"

namespace lindora::ui {

std::map<std::string, QMenu*, std::less<>> BuildMenus(QWidget* owner, QMenuBar* bar,
                                                      const std::vector<MenuEntry>& entries,
                                                      const MenuHandlers& handlers) {
  std::set<std::string_view> parents;
  for (const MenuEntry& e : entries)
    if (!e.parent.empty()) parents.insert(e.parent);
  std::map<std::string, QMenu*, std::less<>> menus;
  for (const MenuEntry& e : entries) {
    QMenu* parent = nullptr;
    if (!e.parent.empty()) {
      auto it = menus.find(e.parent);
      if (it == menus.end()) continue;  // a parent is always listed before its entries
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
      menus.emplace(std::string(e.name), menu);
      continue;
    }
    QAction* action = parent->addAction(Q(e.caption));
    action->setObjectName(Q(e.name));
    action->setVisible(e.visible);
    auto h = handlers.find(e.name);
    if (h != handlers.end()) QObject::connect(action, &QAction::triggered, owner, h->second);
  }
  return menus;
}

}  // namespace lindora::ui
