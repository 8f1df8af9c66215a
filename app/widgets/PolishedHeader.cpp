#include "PolishedHeader.h"

#include "IsEmpty.h"
#include "ThemedArtwork.h"

#include <QFontMetricsF>
#include <QPainter>

PolishedHeader::PolishedHeader(QWidget* parent)
    : QWidget(parent)
    , m_metalBg(ThemedArtwork::image(QStringLiteral("polished_header_bg")))
{
    // A header keeps its height; only its width follows the pane.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setTitle(QString());
}

void PolishedHeader::setTitle(const QString& title)
{
    m_title = isEmpty(title) ? QStringLiteral("Title") : title;
    update();
}

QFont PolishedHeader::titleFont() const
{
    QFont bold = font();
    bold.setBold(true);
    bold.setPointSizeF(std::max(8.0, bold.pointSizeF() - 1.0));
    return bold;
}

QRectF PolishedHeader::titleRect() const
{
    const QFontMetricsF metrics(titleFont());
    const QSizeF text(metrics.horizontalAdvance(m_title), metrics.height());
    return QRectF(QPointF((width() - text.width()) * 0.5, (height() - text.height()) * 0.5 - 1.0), text);
}

QSize PolishedHeader::sizeHint() const
{
    return QSize(200, m_metalBg.isNull() ? 20 : m_metalBg.height());
}

void PolishedHeader::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_metalBg.isNull()) {
        // The image's last row is the line along the bottom edge; the rest is stretched across
        // above it.
        const qreal imageHeight = m_metalBg.height();
        painter.drawImage(QRectF(0, height() - 1.0, width(), 1.0), m_metalBg,
            QRectF(0, imageHeight - 1.0, m_metalBg.width(), 1.0));
        painter.drawImage(QRectF(0, 0, width(), imageHeight - 1.0), m_metalBg,
            QRectF(0, 0, m_metalBg.width(), imageHeight - 1.0));
    }
    painter.setFont(titleFont());
    painter.setPen(Qt::black);
    painter.drawText(titleRect(), Qt::AlignCenter, m_title);
}
