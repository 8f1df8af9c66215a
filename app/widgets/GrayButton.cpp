#include "GrayButton.h"

#include "CompositeFromPieces.h"
#include "ThemedArtwork.h"

#include <QPainter>

GrayButton::GrayButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent)
{
}

QStringList GrayButton::bezelImageNames(bool pressed)
{
    const QString state = pressed ? QStringLiteral("P") : QStringLiteral("N");
    return { QStringLiteral("tools-buttonLeft-%1.tiff").arg(state),
        QStringLiteral("tools-buttonFill-%1.tiff").arg(state),
        QStringLiteral("tools-buttonRight-%1.tiff").arg(state) };
}

QImage GrayButton::bezel(const QRectF& frame, bool pressed)
{
    const QStringList names = bezelImageNames(pressed);
    return CompositeFromPieces::compositeInFrame(frame, ThemedArtwork::image(names.at(0)),
        ThemedArtwork::image(names.at(1)), ThemedArtwork::image(names.at(2)));
}

QSize GrayButton::sizeHint() const
{
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, this->text());
    return QSize(text.width() + 24, std::max(22, text.height() + 6));
}

void GrayButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QImage image = bezel(QRectF(rect()), isDown());
    if (!image.isNull())
        painter.drawImage(QRectF(rect()), image);
    painter.setPen(isEnabled() ? palette().color(QPalette::ButtonText)
                               : palette().color(QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextShowMnemonic, text());
}
