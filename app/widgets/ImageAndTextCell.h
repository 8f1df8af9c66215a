#pragma once

#include "HilightingTextFieldCell.h"

#include <QImage>
#include <optional>

// A text cell with a picture left of its text: the index's Qt::DecorationRole (a QImage, QPixmap or
// QIcon at the view's decoration size). Without a picture the text still starts as far in as
// with a 32-point one.
class ImageAndTextCell : public HilightingTextFieldCell
{
    Q_OBJECT

public:
    using HilightingTextFieldCell::HilightingTextFieldCell;

    // The picture's rectangle for a picture of `imageSize`; the empty rectangle without one.
    static QRectF imageFrameForCellFrame(const QRectF& cellFrame, std::optional<QSizeF> imageSize);
    // Where the text is drawn and edited.
    static QRectF textFrameForCellFrame(const QRectF& cellFrame, std::optional<QSizeF> imageSize);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(
        QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static QImage imageOf(const QVariant& decoration, const QSize& iconSize);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
