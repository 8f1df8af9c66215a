#include "HilightingTextFieldCell.h"
#include "ImageAndTextCell.h"

#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <gtest/gtest.h>

TEST(HilightingTextFieldCell, SelectedRowsTurnTheTextWhiteOrBoldWhiteOverAShadow)
{
    const QFont font("Helvetica", 12);
    const struct {
        const char* what;
        bool bold;
        int bezel;
        bool highlighted;
        bool boldFont;
        QColor color;
        bool shadow;
    } cases[] = {
        { "plain", false, 0, false, false, Qt::black, false },
        { "bold highlighting, not selected", true, 0, false, false, Qt::black, false },
        { "selected", false, 0, true, false, Qt::white, false },
        { "selected, rounded bezel", false, HilightingTextFieldCell::RoundedBezelStyle, true, false,
            Qt::black, false },
        { "selected with bold highlighting", true, 0, true, true, Qt::white, true },
    };
    for (const auto& c : cases) {
        HilightingTextFieldCell cell;
        cell.setBoldTitleHighlighting(c.bold);
        cell.setBezelStyle(c.bezel);
        const HilightingTextFieldCell::TextLook look = cell.lookFor(font, c.highlighted);
        EXPECT_EQ(look.font.bold(), c.boldFont) << c.what;
        EXPECT_EQ(look.font.pointSizeF(), 12) << c.what;
        EXPECT_EQ(look.color, c.color) << c.what;
        EXPECT_EQ(look.shadow, c.shadow) << c.what;
    }
}

TEST(HilightingTextFieldCell, TextFrameIsCentredAndNoTallerThanTheCell)
{
    const QRectF cell(5, 10, 100, 20);
    const struct {
        qreal textHeight;
        QRectF frame;
    } cases[] = {
        { 14, QRectF(5, 12, 100, 16) },
        { 7, QRectF(5, 16, 100, 8) },
        { 30, QRectF(5, 10, 100, 20) },
        { 0, QRectF(5, 20, 100, 0) },
    };
    for (const auto& c : cases)
        EXPECT_EQ(HilightingTextFieldCell::centredTextFrame(cell, c.textHeight), c.frame) << c.textHeight;
}

TEST(HilightingTextFieldCell, PaintsBoldWhiteTextWithADarkShadowBelowOnASelectedRow)
{
    QStandardItemModel model;
    model.appendRow(new QStandardItem("Recipes"));
    HilightingTextFieldCell cell;
    cell.setBoldTitleHighlighting(true);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 120, 24);
    option.font = QFont("Helvetica", 12);
    option.state = QStyle::State_Enabled | QStyle::State_Selected;
    option.palette.setColor(QPalette::Highlight, Qt::blue);

    QImage image(120, 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    cell.paint(&painter, option, model.index(0, 0));
    painter.end();

    int white = 0;
    int black = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            white += pixel == qRgb(255, 255, 255) ? 1 : 0;
            black += pixel == qRgb(0, 0, 0) ? 1 : 0;
        }
    }
    EXPECT_GT(white, 20);
    EXPECT_GT(black, 5);
}

TEST(ImageAndTextCell, PlacesThePictureAndTheTextBesideIt)
{
    const QRectF cell(10, 0, 200, 20);
    EXPECT_EQ(ImageAndTextCell::imageFrameForCellFrame(cell, QSizeF(16, 16)), QRectF(13, 2, 16, 16));
    EXPECT_EQ(
        ImageAndTextCell::imageFrameForCellFrame(QRectF(0, 0, 50, 17), QSizeF(16, 16)), QRectF(3, 1, 16, 16));
    EXPECT_EQ(ImageAndTextCell::imageFrameForCellFrame(cell, std::nullopt), QRectF());

    // The text starts past the picture's slice (its width plus 3), inset by 2 and moved 2 right.
    EXPECT_EQ(ImageAndTextCell::textFrameForCellFrame(cell, QSizeF(16, 16)), QRectF(33, 1, 177, 18));
    // Without a picture the slice is 35 points wide all the same.
    EXPECT_EQ(ImageAndTextCell::textFrameForCellFrame(cell, std::nullopt), QRectF(49, 1, 161, 18));
}

TEST(ImageAndTextCell, SizeAddsThePictureWidthAndDrawsThePicture)
{
    QImage picture(16, 16, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::red);
    QStandardItemModel model;
    auto* withPicture = new QStandardItem("Folder");
    withPicture->setData(picture, Qt::DecorationRole);
    model.appendRow(withPicture);
    model.appendRow(new QStandardItem("Folder"));
    ImageAndTextCell cell;
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 150, 20);
    option.font = QFont("Helvetica", 12);
    option.state = QStyle::State_Enabled;

    const QSize pictured = cell.sizeHint(option, model.index(0, 0));
    const QSize plain = cell.sizeHint(option, model.index(1, 0));
    EXPECT_EQ(pictured.width() - plain.width(), 16);

    QImage image(150, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    cell.paint(&painter, option, model.index(0, 0));
    painter.end();
    EXPECT_EQ(image.pixel(3, 2), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(18, 17), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(image.pixel(20, 10)), 0);
}
