#include "SVButtonCell.h"

#include <QAction>
#include <QMenu>

SVButtonCell::SVButtonCell(QObject* parent)
    : QObject(parent)
{
}

void SVButtonCell::setMenu(QMenu* menu)
{
    if (m_connection)
        disconnect(m_connection);
    m_menu = menu;
    if (menu)
        m_connection = connect(menu, &QMenu::aboutToShow, this, [this, menu] { menuNeedsUpdate(menu); });
}

qint64 SVButtonCell::tagOf(const QAction* action)
{
    bool ok = false;
    const qint64 tag = action ? action->data().toLongLong(&ok) : -1;
    return ok ? tag : -1;
}

void SVButtonCell::menuNeedsUpdate(QMenu* menu) const
{
    if (!menu || m_selectedCategoryItemTag < 0)
        return;
    for (QAction* item : menu->actions()) {
        const bool selected = tagOf(item) == m_selectedCategoryItemTag;
        if (selected)
            item->setCheckable(true);
        if (item->isCheckable())
            item->setChecked(selected);
    }
}
