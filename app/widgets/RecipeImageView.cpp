#include "RecipeImageView.h"

#include "BLGradient.h"
#include "PictureWell.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

namespace
{

// Made once: white at alpha 0.2 to clear, downwards.
const BLGradient& glossGradient()
{
    static const BLGradient gradient
        = BLGradient::gradientWithBeginningColor(QColor(255, 255, 255, 51), QColor(255, 255, 255, 0), -90.0);
    return gradient;
}

QImage imageFromMimeData(const QMimeData* data)
{
    if (!data)
        return {};
    if (data->hasImage())
        return qvariant_cast<QImage>(data->imageData());
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            const QImage image(url.toLocalFile());
            if (!image.isNull())
                return image;
        }
    }
    return {};
}

} // namespace

RecipeImageView::RecipeImageView(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void RecipeImageView::setCanBecomeFirstResponder(bool can)
{
    m_canBecomeFirstResponder = can;
    setFocusPolicy(can ? Qt::StrongFocus : Qt::NoFocus);
}

void RecipeImageView::setEditable(bool editable)
{
    m_editable = editable;
    setAcceptDrops(editable);
}

void RecipeImageView::setRotation(double degrees)
{
    m_rotation = degrees;
    update();
}

QRectF RecipeImageView::pictureRect() const
{
    if (m_rotation == 0.0)
        return rect();
    // The largest square whose turned corners stay inside the view.
    const double radians = std::abs(m_rotation) * M_PI / 180.0;
    const double side = std::min(width(), height()) / (std::cos(radians) + std::sin(radians));
    QRectF square(0, 0, side, side);
    square.moveCenter(QRectF(rect()).center());
    return square;
}

void RecipeImageView::setImage(const QImage& image)
{
    m_image = image;
    update();
}

void RecipeImageView::setObjectValue(const QImage& image)
{
    const QSize size = image.size();
    setImage(image);
    if (image.isNull())
        return;
    // As the picture panel's content, the panel follows the picture.
    if (isWindow()) {
        setGeometry(PictureWell::panelGeometryForContentSize(geometry(), size));
        return;
    }
    auto* panel = qobject_cast<QMainWindow*>(parentWidget());
    if (panel && panel->centralWidget() == this) {
        panel->setGeometry(PictureWell::panelGeometryForContentSize(panel->geometry(), size));
        return;
    }
    resize(size);
}

QSize RecipeImageView::sizeHint() const
{
    return m_image.isNull() ? QSize(128, 128) : m_image.size();
}

void RecipeImageView::doubleClicked()
{
    const bool isDefault = m_actions.currentImageIsDefault && m_actions.currentImageIsDefault();
    switch (PictureWell::doubleClickAction(m_opensImagePanel, isDefault)) {
    case PictureWell::DoubleClick::ShowImagePanel:
        if (m_actions.showImagePanel)
            m_actions.showImagePanel(this);
        break;
    case PictureWell::DoubleClick::AddImage:
        if (m_actions.addImage)
            m_actions.addImage();
        break;
    case PictureWell::DoubleClick::CloseImagePanelAndAddImage:
        if (m_actions.closeImagePanel)
            m_actions.closeImagePanel();
        if (m_actions.addImage)
            m_actions.addImage();
        break;
    }
}

void RecipeImageView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QWidget::mouseDoubleClickEvent(event);
    doubleClicked();
}

bool RecipeImageView::takeImage(const QImage& image)
{
    if (!m_editable || image.isNull())
        return false;
    setImage(image);
    emit imageChanged(image);
    return true;
}

void RecipeImageView::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (m_editable && (data->hasImage() || data->hasUrls()))
        event->acceptProposedAction();
    else
        event->ignore();
}

bool RecipeImageView::takeDroppedData(const QMimeData* data)
{
    return takeImage(imageFromMimeData(data));
}

void RecipeImageView::dropEvent(QDropEvent* event)
{
    if (takeDroppedData(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void RecipeImageView::keyPressEvent(QKeyEvent* event)
{
    QClipboard* clipboard = QApplication::clipboard();
    if (event->matches(QKeySequence::Copy) && !m_image.isNull()) {
        clipboard->setImage(m_image);
        return;
    }
    if (event->matches(QKeySequence::Cut) && !m_image.isNull() && m_editable) {
        clipboard->setImage(m_image);
        setImage(QImage());
        emit imageChanged(QImage());
        return;
    }
    if (event->matches(QKeySequence::Paste) && takeDroppedData(clipboard->mimeData()))
        return;
    QWidget::keyPressEvent(event);
}

void RecipeImageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRectF bounds = pictureRect();
    if (m_rotation != 0.0) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(bounds.center());
        painter.rotate(-m_rotation);
        painter.translate(-bounds.center());
        painter.fillRect(bounds, Qt::black);
    } else {
        painter.fillRect(event->rect(), Qt::black);
    }
    if (!m_image.isNull()) {
        // Scaled down proportionally, centred.
        QSizeF shown = QSizeF(m_image.size()).scaled(bounds.size(), Qt::KeepAspectRatio);
        if (m_image.width() <= bounds.width() && m_image.height() <= bounds.height())
            shown = m_image.size();
        QRectF target(QPointF(0, 0), shown);
        target.moveCenter(bounds.center());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_image);
    }
    // A white mat, then a thin dark edge.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 10.0));
    painter.drawRect(bounds);
    painter.setPen(QPen(Qt::darkGray, 1.0));
    painter.drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
    // The gloss is for the screen, not for paper.
    if (painter.device()->devType() != QInternal::Printer) {
        const QRectF upperHalf(bounds.x(), bounds.y(), bounds.width(), bounds.height() / 2.0);
        glossGradient().fillRect(painter, upperHalf);
    }
}
