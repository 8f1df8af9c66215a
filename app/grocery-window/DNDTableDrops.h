#pragma once

#include <QObject>

class DNDArrayController;
class QAbstractItemView;
class QDropEvent;

// Rows dragged within a table whose content is a DNDArrayController: watches the table's
// viewport and lets the controller decide what a drop does (a move, with Alt held a copy, above
// the row under the pointer; nothing from elsewhere). Owned by the table.
class DNDTableDrops : public QObject
{
    Q_OBJECT

public:
    DNDTableDrops(QAbstractItemView* table, DNDArrayController& controller);

    // The row a drop at `y` (viewport coordinates) goes above.
    static qsizetype dropRow(const QAbstractItemView& table, int y);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool optionHeld(const QDropEvent& event) const;

    QAbstractItemView* m_table;
    QObject* m_viewport;
    DNDArrayController& m_controller;
};
