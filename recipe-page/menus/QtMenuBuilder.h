#pragma once

#include "MenuModel.h"

#include <functional>

class QMenu;
class QWidget;

// The one place where menu data becomes Qt menus: titles (an "&" stays an "&"), enabling,
// check marks, fonts, key equivalents and submenus. A chosen item is handed to `perform`.
namespace QtMenuBuilder
{
using Perform = std::function<void(const MenuItemModel& item)>;

// A new menu, owned by the caller (or by `parent`).
QMenu* menuFromModel(const MenuModel& model, const Perform& perform, QWidget* parent = nullptr);
// Replaces the menu's actions with the model's items.
void fillMenu(QMenu* menu, const MenuModel& model, const Perform& perform);
} // namespace QtMenuBuilder
