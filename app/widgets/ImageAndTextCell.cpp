#include "ImageAndTextCell.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <cmath>

namespace
{

constexpr qreal ImageMargin = 3.0;
// What a cell without a picture leaves empty on its left.
constexpr qreal EmptyImageSlice = 35.0;

std::optional<QSizeF> sizeOf(const QImage& image)
{
    if (image.isNull())
        return std::nullopt;
    return QSizeF(image.deviceIndependentSize());
}

} // namespace

QRectF ImageAndTextCell::imageFrameForCellFrame(const QRectF& cellFrame, std::optional<QSizeF> imageSize)
{
    if (!imageSize)
        return QRectF();
    return QRectF(QPointF(cellFrame.x() + ImageMargin,
                      cellFrame.y() + std::ceil((cellFrame.height() - imageSize->height()) / 2)),
        *imageSize);
}

QRectF ImageAndTextCell::textFrameForCellFrame(const QRectF& cellFrame, std::optional<QSizeF> imageSize)
{
    const qreal slice = imageSize ? imageSize->width() + ImageMargin : EmptyImageSlice;
    QRectF rest = cellFrame.adjusted(std::min(slice, cellFrame.width()), 0, 0, 0);
    return rest.adjusted(2.0, 1.0, -2.0, -1.0).translated(2.0, 0);
}

QImage ImageAndTextCell::imageOf(const QVariant& decoration, const QSize& iconSize)
{
    switch (decoration.typeId()) {
    case QMetaType::QImage:
        return decoration.value<QImage>();
    case QMetaType::QPixmap:
        return decoration.value<QPixmap>().toImage();
    case QMetaType::QIcon:
        return decoration.value<QIcon>().pixmap(iconSize).toImage();
    default:
        return QImage();
    }
}

void ImageAndTextCell::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    drawPanel(painter, option, index);
    const QImage image = imageOf(index.data(Qt::DecorationRole), option.decorationSize);
    const std::optional<QSizeF> imageSize = sizeOf(image);
    if (imageSize)
        painter->drawImage(imageFrameForCellFrame(option.rect, imageSize), image);
    drawTextInFrame(painter, option, index, textFrameForCellFrame(option.rect, imageSize));
}

QSize ImageAndTextCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = HilightingTextFieldCell::sizeHint(option, index);
    const std::optional<QSizeF> imageSize
        = sizeOf(imageOf(index.data(Qt::DecorationRole), option.decorationSize));
    size.setWidth(size.width() + int(std::ceil((imageSize ? imageSize->width() : 0.0) + ImageMargin)));
    if (imageSize)
        size.setHeight(std::max(size.height(), int(std::ceil(imageSize->height()))));
    return size;
}

void ImageAndTextCell::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    // The picture is this cell's to place, not the style's.
    HilightingTextFieldCell::initStyleOption(option, index);
    option->features &= ~QStyleOptionViewItem::HasDecoration;
    option->icon = QIcon();
}

void ImageAndTextCell::updateEditorGeometry(
    QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QImage image = imageOf(index.data(Qt::DecorationRole), option.decorationSize);
    editor->setGeometry(textFrameForCellFrame(option.rect, sizeOf(image)).toAlignedRect());
}
