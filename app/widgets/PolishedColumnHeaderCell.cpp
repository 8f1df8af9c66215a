#include "PolishedColumnHeaderCell.h"

#include "IsEmpty.h"
#include "ThemedArtwork.h"

#include <QPainter>
#include <QStyleOptionHeader>

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

QSize PolishedColumnHeaderCell::sectionSizeFromContents(int logicalIndex) const
{
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    if (!m_metalBg.isNull())
        size.setHeight(m_metalBg.height());
    return size;
}

void PolishedColumnHeaderCell::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    painter->save();
    if (!m_metalBg.isNull()) {
        const qreal imageHeight = m_metalBg.height();
        const QRectF area(rect.x(), rect.y(), rect.width(), rect.height() - 1.0);
        painter->drawImage(area, m_metalBg, QRectF(0, 0, m_metalBg.width(), imageHeight - 1.0));
        painter->drawImage(QRectF(rect.x(), rect.bottom(), rect.width(), 1.0), m_metalBg,
            QRectF(0, imageHeight - 1.0, m_metalBg.width(), 1.0));
    }
    QRect titleArea = rect;
    if (isSortIndicatorShown() && sortIndicatorSection() == logicalIndex) {
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.rect = rect;
        option.section = logicalIndex;
        option.sortIndicator = sortIndicatorOrder() == Qt::AscendingOrder ? QStyleOptionHeader::SortDown
                                                                          : QStyleOptionHeader::SortUp;
        const QRect arrow = style()->subElementRect(QStyle::SE_HeaderArrow, &option, this);
        option.rect = arrow;
        style()->drawPrimitive(QStyle::PE_IndicatorHeaderArrow, &option, painter, this);
        // The title stays centred and clear of the indicator.
        const int inset = std::min(rect.width() / 2, std::max(0, rect.right() - arrow.left() + 1));
        if (arrow.left() > rect.center().x())
            titleArea.adjust(inset, 0, -inset, 0);
    }
    painter->setFont(titleFont());
    painter->setPen(Qt::black);
    painter->drawText(titleArea, Qt::AlignCenter, titleForSection(logicalIndex));
    painter->restore();
}
