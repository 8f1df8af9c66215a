#include "CellRoles.h"
#include "HighlightingLevelIndicatorCell.h"
#include "MoreResultsCell.h"
#include "SearchResultSeparatorCell.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>
#include <gtest/gtest.h>
#include <limits>

TEST(HighlightingLevelIndicatorCell, LevelIsTheValuesShareOfTheRange)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double value, min, max, fraction;
    } cases[] = {
        { 0.5, 0, 1, 0.5 },
        { 30, 10, 50, 0.5 },
        { -3, 0, 1, 0 },
        { 7, 0, 1, 1 },
        { 0.5, 1, 1, 0 },
        { 0.5, 2, 1, 0 },
        { nan, 0, 1, 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(HighlightingLevelIndicatorCell::levelFraction(c.value, c.min, c.max), c.fraction)
            << c.value;
}

TEST(HighlightingLevelIndicatorCell, PaintsWithoutAValueAndWithOne)
{
    QStandardItemModel model;
    auto* item = new QStandardItem;
    item->setData(0.7, Qt::DisplayRole);
    model.appendRow(item);
    model.appendRow(new QStandardItem);
    HighlightingLevelIndicatorCell cell;
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 80, 16);
    option.state = QStyle::State_Enabled;
    QImage image(80, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    cell.paint(&painter, option, model.index(0, 0));
    option.rect.translate(0, 16);
    cell.paint(&painter, option, model.index(1, 0));
    painter.end();
    // Filled to 70 % of its width: the bar's colour changes between 30 % and 90 %.
    EXPECT_GT(qAlpha(image.pixel(40, 8)), 0);
    EXPECT_NE(image.pixel(24, 8), image.pixel(72, 8));
    EXPECT_EQ(qAlpha(image.pixel(40, 24)), 0);
}

TEST(SearchResultSeparatorCell, TitleSitsEighteenPointsInAndTheBadgeTenPointsPastIt)
{
    const QRectF frame(0, 100, 400, 20);
    const struct {
        const char* what;
        std::optional<QRectF> disclosure;
        QSizeF title;
        QSizeF count;
        SearchResultSeparatorCell::Layout layout;
    } cases[] = {
        { "no triangle", std::nullopt, QSizeF(40, 14), QSizeF(12, 14),
            { QPointF(4, 110), QRectF(18, 103, 40, 14), QRectF(68, 103, 12, 14), QRectF(64, 104, 20, 12) } },
        { "triangle", QRectF(-4, -4, 8, 8), QSizeF(40, 14), QSizeF(12, 14),
            { QPointF(8, 110), QRectF(18, 103, 40, 14), QRectF(68, 103, 12, 14), QRectF(64, 104, 20, 12) } },
        { "long title, fractional size", std::nullopt, QSizeF(250.4, 13), QSizeF(20, 13),
            { QPointF(4, 110), QRectF(18, 103, 251, 14), QRectF(279, 103, 20, 13),
                QRectF(275, 104, 28, 11) } },
    };
    for (const auto& c : cases) {
        const SearchResultSeparatorCell::Layout layout
            = SearchResultSeparatorCell::layoutFor(frame, c.disclosure, c.title, c.count);
        EXPECT_EQ(layout.disclosureOffset, c.layout.disclosureOffset) << c.what;
        EXPECT_EQ(layout.titleRect, c.layout.titleRect) << c.what;
        EXPECT_EQ(layout.countRect, c.layout.countRect) << c.what;
        EXPECT_EQ(layout.badgeRect, c.layout.badgeRect) << c.what;
    }
}

TEST(SearchResultSeparatorCell, PaintsTriangleTitleAndBadge)
{
    QPainterPath triangle;
    triangle.moveTo(-4, -4);
    triangle.lineTo(4, 0);
    triangle.lineTo(-4, 4);
    triangle.closeSubpath();
    QStandardItemModel model;
    auto* header = new QStandardItem("Local");
    header->setData("12", CellRoles::CountStringValueRole);
    header->setData(QVariant::fromValue(triangle), CellRoles::DisclosurePathRole);
    model.appendRow(header);
    SearchResultSeparatorCell cell;
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 200, 20);

    QImage image(200, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    cell.paint(&painter, option, model.index(0, 0));
    painter.end();
    EXPECT_EQ(image.pixel(7, 10), qRgb(128, 128, 128)); // inside the triangle
    const SearchResultSeparatorCell::Layout layout = SearchResultSeparatorCell::layoutFor(option.rect,
        triangle.boundingRect(), QFontMetricsF(SearchResultSeparatorCell::titleFont()).size(0, "Local"),
        QFontMetricsF(SearchResultSeparatorCell::titleFont()).size(0, "12"));
    const QPoint badgeEdge
        = (layout.badgeRect.topLeft() + QPointF(2, layout.badgeRect.height() / 2)).toPoint();
    EXPECT_EQ(image.pixel(badgeEdge), qRgb(128, 128, 128));
}

TEST(MoreResultsCell, ClickOnTheButtonEmitsClicked)
{
    QStandardItemModel model;
    model.appendRow(new QStandardItem);
    struct Cell : MoreResultsCell {
        using MoreResultsCell::editorEvent;
    } cell;
    EXPECT_EQ(cell.title(), QString::fromUtf8("more results\u2026"));
    EXPECT_EQ(MoreResultsCell::buttonFrame(QRectF(0, 10, 100, 20)), QRectF(5, 10, 90, 20));

    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 100, 20);
    option.state = QStyle::State_Enabled;
    int clicks = 0;
    QObject::connect(&cell, &MoreResultsCell::clicked, &cell, [&](const QModelIndex&) { ++clicks; });
    const auto click = [&](qreal pressX, qreal releaseX) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(pressX, 10), QPointF(pressX, 10), Qt::LeftButton,
            Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(releaseX, 10), QPointF(releaseX, 10),
            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        cell.editorEvent(&press, &model, option, model.index(0, 0));
        cell.editorEvent(&release, &model, option, model.index(0, 0));
    };
    click(50, 50);
    EXPECT_EQ(clicks, 1);
    click(2, 50); // pressed beside the button
    click(50, 98); // released beside it
    EXPECT_EQ(clicks, 1);

    QImage image(100, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    cell.paint(&painter, option, model.index(0, 0));
    painter.end();
    EXPECT_EQ(qAlpha(image.pixel(1, 10)), 0);
    EXPECT_GT(qAlpha(image.pixel(50, 10)), 0);
}

TEST(MoreResultsCell, ClickInATableReachesTheCell)
{
    QStandardItemModel model(3, 1);
    MoreResultsCell cell;
    QTableView view;
    view.setModel(&model);
    view.setItemDelegateForRow(2, &cell);
    view.resize(300, 200);
    view.show();
    QList<int> clickedRows;
    QObject::connect(&cell, &MoreResultsCell::clicked, &cell,
        [&](const QModelIndex& index) { clickedRows << index.row(); });

    QWidget* viewport = view.viewport();
    const QPointF at = view.visualRect(model.index(2, 0)).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, viewport->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
        Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, viewport->mapToGlobal(at), Qt::LeftButton,
        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    QApplication::sendEvent(viewport, &release);
    EXPECT_EQ(clickedRows, QList<int> { 2 });
}
