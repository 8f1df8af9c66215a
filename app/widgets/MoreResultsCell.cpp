#include "MoreResultsCell.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

MoreResultsCell::MoreResultsCell(QObject* parent)
    : QStyledItemDelegate(parent)
    , m_title(QCoreApplication::translate("MoreResultsCell", "more results\u2026"))
{
}

QRectF MoreResultsCell::buttonFrame(const QRectF& cellFrame)
{
    return cellFrame.adjusted(5.0, 0.0, -5.0, 0.0);
}

void MoreResultsCell::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionButton button;
    button.rect = buttonFrame(option.rect).toAlignedRect();
    button.text = m_title;
    button.palette = option.palette;
    button.fontMetrics = option.fontMetrics;
    button.state = option.state & QStyle::State_Enabled;
    if (m_pressedIndex.isValid() && m_pressedIndex == index)
        button.state |= QStyle::State_Sunken;
    else
        button.state |= QStyle::State_Raised;
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_PushButton, &button, painter, widget);
}

QSize MoreResultsCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    QStyleOptionButton button;
    button.text = m_title;
    button.fontMetrics = option.fontMetrics;
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    const QSize text = option.fontMetrics.size(Qt::TextShowMnemonic, m_title);
    return style->sizeFromContents(QStyle::CT_PushButton, &button, text, widget) + QSize(10, 0);
}

bool MoreResultsCell::editorEvent(
    QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (!mouse || mouse->button() != Qt::LeftButton || !option.state.testFlag(QStyle::State_Enabled))
        return false;
    const bool inside = buttonFrame(option.rect).contains(mouse->position());
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (!inside)
            return false;
        m_pressedIndex = index;
        return true;
    case QEvent::MouseButtonRelease: {
        const bool wasPressed = m_pressedIndex.isValid() && m_pressedIndex == index;
        m_pressedIndex = QPersistentModelIndex();
        if (wasPressed && inside)
            emit clicked(index);
        return wasPressed;
    }
    default:
        return false;
    }
}
