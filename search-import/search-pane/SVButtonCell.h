#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>

class QAction;

// The search field's menu button: before its menu shows, the item whose tag (the action's data)
// is the selected category tag is checked and every other item unchecked; a negative tag leaves
// the items as they are.
class SVButtonCell : public QObject
{
    Q_OBJECT

public:
    explicit SVButtonCell(QObject* parent = nullptr);

    QMenu* menu() const { return m_menu; }
    // Not owned; the cell follows the menu's showing from now on.
    void setMenu(QMenu* menu);

    qint64 selectedCategoryItemTag() const { return m_selectedCategoryItemTag; }
    void setSelectedCategoryItemTag(qint64 tag) { m_selectedCategoryItemTag = tag; }

    // What happens before the menu shows.
    void menuNeedsUpdate(QMenu* menu) const;

    // An action's tag: its data as a number, -1 without one.
    static qint64 tagOf(const QAction* action);

private:
    QPointer<QMenu> m_menu;
    QMetaObject::Connection m_connection;
    qint64 m_selectedCategoryItemTag = 0;
};
