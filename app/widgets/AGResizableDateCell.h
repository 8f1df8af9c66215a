#pragma once

#include "AGResizableDateCellFormatter.h"

#include <QStyledItemDelegate>

// A date cell (a QDateTime or QDate under Qt::DisplayRole) whose date and time styles shorten to
// fit its column; they are found again only when the column's width in whole points changes.
class AGResizableDateCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit AGResizableDateCell(QObject* parent = nullptr);

    const AGResizableDateCellFormatter& formatter() const { return m_formatter; }
    // The frame the date is drawn in: a point in from the top and the bottom, two from the sides.
    static QRectF textFrame(const QRectF& cellFrame);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QString displayText(const QVariant& value, const QLocale& locale) const override;

private:
    // Fitting happens while drawing, which is const for a delegate.
    mutable AGResizableDateCellFormatter m_formatter;
};
