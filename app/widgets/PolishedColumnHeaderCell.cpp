#include "PolishedColumnHeaderCell.h"

#include "IsEmpty.h"
#include "ThemedArtwork.h"

#include <QPainter>

PolishedColumnHeaderCell::PolishedColumnHeaderCell(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent)
    , m_metalBg(ThemedArtwork::image(QStringLiteral("polished_header_bg")))
{
}

QString PolishedColumnHeaderCell::titleForSection(int logicalIndex) const
{
    const QString text
        = model() ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString() : QString();
    return isEmpty(text) ? QStringLiteral("Title") : text;
}

QFont PolishedColumnHeaderCell::titleFont() const
{
    QFont bold = font();
    bold.setBold(true);
    bold.setPointSizeF(std::max(8.0, bold.pointSizeF() - 1.0));
    return bold;
}

void PolishedColumnHeaderCell::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    painter->save();
    if (!m_metalBg.isNull()) {
        const QRectF area(rect.x(), rect.y(), rect.width(), rect.height() - 1.0);
        painter->drawImage(area, m_metalBg, QRectF(0, 0, m_metalBg.width(), m_metalBg.height() - 1.0));
    }
    painter->setFont(titleFont());
    painter->setPen(Qt::black);
    painter->drawText(rect, Qt::AlignCenter, titleForSection(logicalIndex));
    painter->restore();
}
