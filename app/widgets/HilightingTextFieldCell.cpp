#include "HilightingTextFieldCell.h"

#include "AttributedString.h"
#include "StringHeight.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>

namespace
{

// The text sits this far in from the cell's sides.
constexpr qreal TextInset = 2.0;

} // namespace

HilightingTextFieldCell::TextLook HilightingTextFieldCell::lookFor(const QFont& font, bool highlighted) const
{
    TextLook look { font, QColor(Qt::black), false };
    if (!highlighted)
        return look;
    look.color = Qt::white;
    if (m_boldTitleHighlighting) {
        look.font.setBold(true);
        look.shadow = true;
    } else if (m_bezelStyle == RoundedBezelStyle) {
        look.color = Qt::black;
    }
    return look;
}

QRectF HilightingTextFieldCell::centredTextFrame(const QRectF& cellFrame, qreal textHeight)
{
    const qreal height = std::min(textHeight + 2 * textHeight / 14, cellFrame.height());
    return QRectF(
        cellFrame.x(), cellFrame.y() + (cellFrame.height() - height) / 2, cellFrame.width(), height);
}

qreal HilightingTextFieldCell::textHeight(const QString& text, const QFont& font, qreal cellWidth)
{
    return StringHeight::heightWithAttributes(
        text, { { NSFontAttributeName, QVariant::fromValue(font) } }, cellWidth - 2 * TextInset);
}

void HilightingTextFieldCell::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    drawPanel(painter, option, index);
    drawTextInFrame(painter, option, index, option.rect);
}

void HilightingTextFieldCell::drawPanel(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem panel = option;
    initStyleOption(&panel, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &panel, painter, widget);
}

void HilightingTextFieldCell::drawTextInFrame(QPainter* painter, const QStyleOptionViewItem& option,
    const QModelIndex& index, const QRectF& frame) const
{
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty() || frame.width() <= 0)
        return;
    const TextLook look = lookFor(option.font, option.state.testFlag(QStyle::State_Selected));
    const QRectF textFrame = centredTextFrame(frame, textHeight(text, look.font, frame.width()))
                                 .adjusted(TextInset, 0, -TextInset, 0);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

    painter->save();
    painter->setClipRect(frame, Qt::IntersectClip);
    painter->setFont(look.font);
    if (look.shadow) {
        painter->setPen(Qt::black);
        painter->drawText(textFrame.translated(0, 1), flags, text);
    }
    painter->setPen(look.color);
    painter->drawText(textFrame, flags, text);
    painter->restore();
}
