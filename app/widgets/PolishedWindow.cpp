#include "PolishedWindow.h"

#include "PolishedChrome.h"
#include "ThemedArtwork.h"
#include "Theming.h"
#include "UserDefaults.h"

#include <QFontMetricsF>
#include <QMenuBar>
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
    const bool changed = themed != m_themed;
    m_themed = themed;
    windowDidResize();
    if (changed)
        emit themedChanged(themed);
}

int PolishedWindow::topBarHeight()
{
    return ThemedArtwork::image(QStringLiteral("themed_top_left")).height();
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

void PolishedWindow::paintEvent(QPaintEvent* event)
{
    QMainWindow::paintEvent(event);
    if (m_background.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, m_background);
}

void PolishedWindow::windowDidResize()
{
    m_background = m_themed ? sizedPolishedBackground() : QImage();
    // The menu bar starts at the window's origin, so the image as its brush lines up with the
    // window's; it is as tall as the top bar, and its titles are white like the window's title.
    if (auto* menuBar = qobject_cast<QMenuBar*>(menuWidget())) {
        QPalette palette;
        if (m_themed) {
            palette = menuBar->palette();
            palette.setBrush(QPalette::Window, QBrush(m_background));
            palette.setColor(QPalette::ButtonText, Qt::white);
            palette.setColor(QPalette::WindowText, Qt::white);
        }
        menuBar->setPalette(palette);
        menuBar->setMinimumHeight(m_themed ? topBarHeight() : 0);
    }
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
