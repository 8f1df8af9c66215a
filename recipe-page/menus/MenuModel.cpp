#include "MenuModel.h"

MenuItemModel& MenuModel::addItem(const MenuItemModel& item)
{
    m_items.append(item);
    return m_items.last();
}

void MenuModel::removeItemAtIndex(qsizetype index)
{
    if (index >= 0 && index < m_items.size())
        m_items.removeAt(index);
}

const MenuItemModel* MenuModel::itemWithTitle(const QString& title) const
{
    const qsizetype index = indexOfItemWithTitle(title);
    return index < 0 ? nullptr : &m_items.at(index);
}

MenuItemModel* MenuModel::itemWithTitle(const QString& title)
{
    const qsizetype index = indexOfItemWithTitle(title);
    return index < 0 ? nullptr : &m_items[index];
}

qsizetype MenuModel::indexOfItemWithTitle(const QString& title) const
{
    for (qsizetype i = 0; i < m_items.size(); ++i)
        if (!m_items.at(i).separator && m_items.at(i).title == title)
            return i;
    return -1;
}

bool MenuModel::isItemEnabled(const MenuItemModel& item) const
{
    if (item.separator)
        return false;
    if (m_autoenablesItems)
        return item.hasAction() || item.submenu;
    return item.enabled;
}

MenuItemModel& NSMenuAdditions::addItemWithTitle(
    MenuModel& menu, const QString& title, const QString& action, const QString& keyEquivalent)
{
    MenuItemModel item;
    item.title = title;
    item.action = action;
    item.keyEquivalent = keyEquivalent;
    item.contextualFont = true;
    return menu.addItem(item);
}
