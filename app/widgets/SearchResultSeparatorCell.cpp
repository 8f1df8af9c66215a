#include "SearchResultSeparatorCell.h"

#include "CellRoles.h"
#include "CocoaDevCategory.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace
{

constexpr qreal TitleIndent = 18.0;
constexpr qreal CountSpacing = 10.0;
constexpr qreal BadgeRadius = 6.0;
const QColor Grey = QColor::fromRgbF(0.5f, 0.5f, 0.5f);
const QColor DarkGrey = QColor::fromRgbF(1.0f / 3, 1.0f / 3, 1.0f / 3);

// The smallest rectangle of whole points around `rect`.
QRectF integral(const QRectF& rect)
{
    const qreal left = std::floor(rect.left());
    const qreal top = std::floor(rect.top());
    return QRectF(left, top, std::ceil(rect.right()) - left, std::ceil(rect.bottom()) - top);
}

} // namespace

SearchResultSeparatorCell::Layout SearchResultSeparatorCell::layoutFor(const QRectF& frame,
    std::optional<QRectF> disclosureBounds, const QSizeF& titleSize, const QSizeF& countSize)
{
    Layout layout;
    const qreal halfTriangle = disclosureBounds ? disclosureBounds->width() / 2 : 0.0;
    layout.disclosureOffset = QPointF(frame.x() + 4.0 + halfTriangle, frame.y() + frame.height() / 2);
    layout.titleRect = integral(QRectF(
        QPointF(frame.x() + TitleIndent, frame.y() + (frame.height() - titleSize.height()) / 2), titleSize));
    layout.countRect
        = QRectF(QPointF(layout.titleRect.right() + CountSpacing, layout.titleRect.y()), countSize);
    layout.badgeRect = layout.countRect.adjusted(-4.0, 1.0, 4.0, -1.0);
    return layout;
}

QFont SearchResultSeparatorCell::titleFont()
{
    QFont font = QApplication::font();
    font.setPointSizeF(11.0);
    font.setBold(true);
    return font;
}

void SearchResultSeparatorCell::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QString title = index.data(Qt::DisplayRole).toString();
    const QString count = index.data(CellRoles::CountStringValueRole).toString();
    const QVariant pathValue = index.data(CellRoles::DisclosurePathRole);
    const std::optional<QPainterPath> disclosure = pathValue.canConvert<QPainterPath>() && pathValue.isValid()
        ? std::optional<QPainterPath>(pathValue.value<QPainterPath>())
        : std::nullopt;

    const QFont font = titleFont();
    const QFontMetricsF metrics(font);
    const auto sizeOf = [&](const QString& text) {
        return text.isEmpty() ? QSizeF(0, metrics.height()) : metrics.size(Qt::TextSingleLine, text);
    };
    const Layout layout = layoutFor(option.rect,
        disclosure ? std::optional<QRectF>(disclosure->boundingRect()) : std::nullopt, sizeOf(title),
        sizeOf(count));

    painter->save();
    painter->setClipRect(option.rect, Qt::IntersectClip);
    painter->setRenderHint(QPainter::Antialiasing);
    if (disclosure)
        painter->fillPath(disclosure->translated(layout.disclosureOffset), Grey);

    painter->setFont(font);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    // A white shadow a point below: the title looks pressed into the row.
    painter->setPen(Qt::white);
    painter->drawText(layout.titleRect.translated(0, 1), flags, title);
    painter->setPen(DarkGrey);
    painter->drawText(layout.titleRect, flags, title);

    if (!count.isEmpty()) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(Grey);
        CocoaDevCategory::fillRoundRectInRect(*painter, layout.badgeRect, BadgeRadius);
        painter->setPen(Qt::white);
        painter->drawText(layout.countRect, flags, count);
    }
    painter->restore();
}
