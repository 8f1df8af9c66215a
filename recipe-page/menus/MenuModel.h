#pragma once

#include "MenuItemModel.h"

#include <QList>
#include <QString>
#include <memory>

// A menu as data: a title, its items and whether it enables its items by itself (then an item is
// enabled exactly when it has an action or a submenu). Built anew for every request.
class MenuModel
{
public:
    explicit MenuModel(const QString& title = QString())
        : m_title(title)
    {
    }

    const QString& title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    bool autoenablesItems() const { return m_autoenablesItems; }
    void setAutoenablesItems(bool autoenables) { m_autoenablesItems = autoenables; }

    const QList<MenuItemModel>& items() const { return m_items; }
    QList<MenuItemModel>& items() { return m_items; }
    qsizetype numberOfItems() const { return m_items.size(); }
    MenuItemModel& addItem(const MenuItemModel& item);
    void addSeparator() { m_items.append(MenuItemModel::separatorItem()); }
    void removeItemAtIndex(qsizetype index);

    // The first item with the title, or nullptr.
    const MenuItemModel* itemWithTitle(const QString& title) const;
    MenuItemModel* itemWithTitle(const QString& title);
    qsizetype indexOfItemWithTitle(const QString& title) const;
    // Whether the item shows enabled, automatic enabling applied.
    bool isItemEnabled(const MenuItemModel& item) const;

private:
    QString m_title;
    bool m_autoenablesItems = true;
    QList<MenuItemModel> m_items;
};

using MenuModelPtr = std::shared_ptr<MenuModel>;

// Items added the way the contextual menus add them.
namespace NSMenuAdditions
{
// Appends an item with the title, action and key equivalent, titled in the contextual menus' font,
// and returns it.
MenuItemModel& addItemWithTitle(
    MenuModel& menu, const QString& title, const QString& action, const QString& keyEquivalent = QString());
} // namespace NSMenuAdditions
