#include "HighlightingPopUpButton.h"

#include "CocoaDevCategory.h"

#include <QCursor>
#include <QEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyleOptionComboBox>
#include <QStylePainter>

HighlightingPopUpButton::HighlightingPopUpButton(QWidget* parent)
    : QComboBox(parent)
{
    setAttribute(Qt::WA_Hover);
}

bool HighlightingPopUpButton::pointerInside() const
{
    return rect().contains(mapFromGlobal(QCursor::pos()));
}

bool HighlightingPopUpButton::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
        // In a window: the tracking area covers the bounds.
        m_tracker.install(pointerInside());
        break;
    case QEvent::Hide:
        m_tracker.remove();
        break;
    case QEvent::Enter:
        m_tracker.mouseEntered(m_tracker.tag());
        update();
        break;
    case QEvent::Leave:
        m_tracker.mouseExited(m_tracker.tag());
        update();
        break;
    default:
        break;
    }
    return QComboBox::event(event);
}

void HighlightingPopUpButton::resizeEvent(QResizeEvent* event)
{
    QComboBox::resizeEvent(event);
    if (m_tracker.tag() != 0)
        m_tracker.boundsChanged(m_tracker.mouseOver() || pointerInside());
}

void HighlightingPopUpButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    if (showsHover()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(64, 64, 64, int(0.45 * 255)));
        painter.drawPath(CocoaDevCategory::bezierPathWithRoundRectInRect(QRectF(rect()), height() / 2.0));
    }
    QStyleOptionComboBox option;
    initStyleOption(&option);
    // The border and background within a frame 10 points narrower.
    option.rect = rect().adjusted(5, 0, -5, 0);
    option.frame = false;
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
