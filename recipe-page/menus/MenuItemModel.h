#pragma once

#include <QString>
#include <QVariant>
#include <Qt>
#include <memory>

class MenuModel;

// One item of a menu as data: what it shows, whom its action goes to and with what, whether it is
// enabled and checked, and its submenu. QtMenuBuilder turns it into a QAction; tests read it as is.
struct MenuItemModel {
    // Who receives the item's action.
    enum class Target {
        Engine, // the contextual menu engine
        BlogController,
        MailController,
        ApplicationController,
        GroceryListController,
        GroceryList, // the grocery list at targetIndex among the arranged lists
    };

    QString title;
    bool separator = false;
    // The action's name as the menus know it ("changeRecipeAmount:"); empty: no action.
    QString action;
    Target target = Target::Engine;
    int targetIndex = -1;
    // A ManagedObject*, a string or an online user identifier; invalid: none.
    QVariant representedObject;
    bool checked = false;
    // Read only when the menu does not enable its items by itself.
    bool enabled = true;
    QString keyEquivalent;
    Qt::KeyboardModifiers keyEquivalentModifiers = Qt::ControlModifier;
    // Drawn in the small font of contextual menus (else the standard menu font).
    bool contextualFont = false;
    int tag = 0;
    std::shared_ptr<MenuModel> submenu;

    bool hasAction() const { return !action.isEmpty(); }
    static MenuItemModel separatorItem()
    {
        MenuItemModel item;
        item.separator = true;
        return item;
    }
};
