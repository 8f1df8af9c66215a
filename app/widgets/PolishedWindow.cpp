#include "PolishedWindow.h"

#include "PolishedChrome.h"
#include "ThemedArtwork.h"
#include "Theming.h"
#include "UserDefaults.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QResizeEvent>

PolishedWindow::PolishedWindow(QWidget* parent)
    : PolishedWindow(UserDefaults::standardUserDefaults().boolForKey(KRThemedWindows), parent)
{
}

PolishedWindow::PolishedWindow(bool themed, QWidget* parent)
    : QMainWindow(parent)
    , m_themed(themed)
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    m_themingObserver = ScopedObserver(center,
        center.addObserver(KRThemingChanged, nullptr, [this](const Notification&) { themingChanged(); }));
    windowDidResize();
}

PolishedWindow::~PolishedWindow() = default;

void PolishedWindow::setTitle(const QString& title)
{
    m_titleString = title;
    setWindowTitle(title);
    windowDidResize();
}

void PolishedWindow::setMinSize(const QSizeF& size)
{
    setMinimumSize(PolishedChrome::clampedMinimumSize(size).toSize());
}

void PolishedWindow::setThemed(bool themed)
{
    m_themed = themed;
    windowDidResize();
}

void PolishedWindow::setFlat(bool flat)
{
    m_flat = flat;
    windowDidResize();
}

void PolishedWindow::themingChanged()
{
    setThemed(UserDefaults::standardUserDefaults().boolForKey(KRThemedWindows));
}

void PolishedWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    windowDidResize();
}

void PolishedWindow::windowDidResize()
{
    QPalette palette = this->palette();
    if (!m_themed) {
        m_background = QImage();
        setPalette(QPalette());
        setAutoFillBackground(false);
        update();
        return;
    }
    m_background = sizedPolishedBackground();
    palette.setBrush(QPalette::Window, QBrush(m_background));
    setPalette(palette);
    setAutoFillBackground(true);
    update();
}

QImage PolishedWindow::sizedPolishedBackground() const
{
    using ThemedArtwork::image;
    const QSize size = this->size().expandedTo(QSize(1, 1));
    QImage background(size, QImage::Format_ARGB32_Premultiplied);
    const QImage topLeft = image(QStringLiteral("themed_top_left"));
    const QImage topMiddle = image(QStringLiteral("themed_top_middle"));
    const QImage topRight = image(QStringLiteral("themed_top_right"));
    const QImage bottomLeft = image(QStringLiteral("themed_bottom_left"));
    const QImage bottomMiddle = image(QStringLiteral("themed_bottom_middle"));
    const QImage bottomRight = image(QStringLiteral("themed_bottom_right"));
    const QImage middleLeft = image(QStringLiteral("themed_middle_left"));
    const QImage middleRight = image(QStringLiteral("themed_middle_right"));

    // The body colour is the first pixel of the top bar.
    background.fill(topMiddle.isNull() ? QColor(Qt::lightGray) : topMiddle.pixelColor(0, 0));
    const PolishedChrome::Layout layout = PolishedChrome::layout(QSizeF(size),
        { topLeft.size(), topMiddle.size(), topRight.size(), bottomLeft.size(), bottomMiddle.size(),
            bottomRight.size(), middleLeft.size(), middleRight.size() });

    QPainter painter(&background);
    if (!middleLeft.isNull())
        painter.drawImage(layout.middleLeft, middleLeft, middleLeft.rect());
    if (!middleRight.isNull())
        painter.drawImage(layout.middleRight, middleRight, middleRight.rect());

    // Each strip is made at least 300 wide; only the part between the corners is drawn.
    auto strip = [&](const QImage& piece) {
        QImage made(int(layout.stripWidth), piece.height(), QImage::Format_ARGB32_Premultiplied);
        QPainter stripPainter(&made);
        stripPainter.fillRect(made.rect(), QBrush(piece));
        return made;
    };
    if (!bottomMiddle.isNull()) {
        const QImage made = strip(bottomMiddle);
        painter.drawImage(layout.bottomStrip, made, QRectF(QPointF(0, 0), layout.bottomStrip.size()));
    }
    painter.drawImage(layout.bottomLeft.topLeft(), bottomLeft);
    painter.drawImage(layout.bottomRight.topLeft(), bottomRight);
    if (!topMiddle.isNull()) {
        const QImage made = strip(topMiddle);
        painter.drawImage(layout.topStrip, made, QRectF(QPointF(0, 0), layout.topStrip.size()));
    }
    painter.drawImage(layout.topLeft.topLeft(), topLeft);
    painter.drawImage(layout.topRight.topLeft(), topRight);

    if (!m_titleString.isEmpty()) {
        QFont font = this->font();
        font.setPointSizeF(13.0);
        font.setBold(true);
        const QFontMetricsF metrics(font);
        const QRectF bounds = metrics.boundingRect(QRectF(QPointF(0, 0), QSizeF(size)), 0, m_titleString);
        const QPointF origin = PolishedChrome::titleOrigin(QSizeF(size), bounds.size());
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(origin, bounds.size()), m_titleString);
    }
    return background;
}
