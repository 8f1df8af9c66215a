#include "MagnetClipView.h"

#include "MagnetView.h"
#include "RecipeImageView.h"

#include <QResizeEvent>
#include <cmath>

namespace
{

// Room around the square for its turned corners.
int turnedMargin(double side, double degrees)
{
    const double radians = std::abs(degrees) * M_PI / 180.0;
    return int(std::ceil((side * (std::cos(radians) + std::sin(radians)) - side) / 2.0));
}

} // namespace

MagnetClipView::MagnetClipView(QWidget* parent)
    : QWidget(parent)
{
    m_imageView = new RecipeImageView(this);
    m_imageView->setRotation(m_rotation);
    m_imageView->setOpensImagePanel(true);
    m_imageView->setCanBecomeFirstResponder(true);
    m_imageView->setEditable(true);
    // Above every other subview; clicks go through to the well.
    m_magnet = new MagnetView(this);
    m_magnet->setRotation(m_rotation);
    m_magnet->raise();
    resize(int(m_imageViewOrigin.x() * 2 + kWellSide), int(m_imageViewOrigin.y() + kWellSide + 40.0));
    layoutSubviews();
}

MagnetClipView::~MagnetClipView() = default;

QRectF MagnetClipView::imageViewFrame() const
{
    return QRectF(m_imageViewOrigin.x(), height() - m_imageViewOrigin.y() - kWellSide, kWellSide, kWellSide);
}

void MagnetClipView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutSubviews();
}

void MagnetClipView::layoutSubviews()
{
    const QRectF well = imageViewFrame();
    const int margin = turnedMargin(kWellSide, m_rotation);
    m_imageView->setGeometry(well.toAlignedRect().adjusted(-margin, -margin, margin, margin));
    m_magnet->setGeometry(rect());
    m_magnet->setTranslateOffset(QPointF(well.x() + well.width() / 2.0, well.y()));
    m_magnet->raise();
}
