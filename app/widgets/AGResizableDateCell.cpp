#include "AGResizableDateCell.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>

AGResizableDateCell::AGResizableDateCell(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QRectF AGResizableDateCell::textFrame(const QRectF& cellFrame)
{
    return cellFrame.adjusted(2.0, 1.0, -2.0, -1.0);
}

QString AGResizableDateCell::displayText(const QVariant& value, const QLocale&) const
{
    if (value.typeId() == QMetaType::QDate)
        return m_formatter.stringFromDate(QDateTime(value.toDate(), QTime(0, 0)));
    if (value.typeId() == QMetaType::QDateTime)
        return m_formatter.stringFromDate(value.toDateTime());
    return QString();
}

void AGResizableDateCell::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem panel = option;
    initStyleOption(&panel, index);
    panel.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &panel, painter, widget);

    const QFontMetricsF metrics(option.font);
    m_formatter.fitToWidth(
        option.rect.width(), [&](const QString& text) { return metrics.horizontalAdvance(text); });
    const QString text = displayText(index.data(Qt::DisplayRole), option.locale);
    if (text.isEmpty())
        return;
    const bool highlighted = option.state.testFlag(QStyle::State_Selected);
    painter->save();
    painter->setClipRect(option.rect, Qt::IntersectClip);
    painter->setFont(option.font);
    painter->setPen(
        highlighted ? option.palette.color(QPalette::HighlightedText) : option.palette.color(QPalette::Text));
    painter->drawText(textFrame(option.rect), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter->restore();
}
