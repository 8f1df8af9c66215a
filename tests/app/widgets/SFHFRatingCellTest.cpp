#include "SFHFRatingCell.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>
#include <gtest/gtest.h>

namespace
{

struct RatingFixture : ::testing::Test {
    RatingFixture()
    {
        item->setData(2.0, Qt::DisplayRole);
        model.appendRow(item);
        cell.setMaximumRating(5.0);
        option.rect = QRect(100, 40, 80, 18);
        option.state = QStyle::State_Enabled | QStyle::State_Selected;
    }

    double rating() const { return item->data(Qt::DisplayRole).toDouble(); }

    bool send(QEvent::Type type, double x, Qt::MouseButton button = Qt::LeftButton)
    {
        const QPointF at(x, 45);
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(
            type, at, at, type == QEvent::MouseMove ? Qt::NoButton : button, buttons, Qt::NoModifier);
        return cell.editorEvent(&event, &model, option, model.index(0, 0));
    }

    QStandardItemModel model;
    QStandardItem* item = new QStandardItem;
    struct Cell : SFHFRatingCell {
        using SFHFRatingCell::editorEvent;
    } cell;
    QStyleOptionViewItem option;
};

} // namespace

TEST(SFHFRatingCell, DrawsFilledStarsAndFaintOnesOnlyWhenHighlighted)
{
    const QColor grey = QColor::fromRgbF(0.4921875f, 0.54296875f, 0.5859375f, 1.0f);
    const QRectF frame(10, 20, 100, 16);
    const QColor faint = QColor::fromRgbF(1, 1, 1, 0.2f);
    const struct {
        const char* what;
        QRectF frame;
        double value;
        bool highlighted;
        std::vector<SFHFRatingCell::Star> stars;
    } cases[] = {
        { "three of five", frame, 3, false,
            { { QRectF(12, 23, 11, 10), grey }, { QRectF(24, 23, 11, 10), grey },
                { QRectF(36, 23, 11, 10), grey } } },
        { "three of five highlighted", frame, 3.9, true,
            { { QRectF(12, 23, 11, 10), Qt::white }, { QRectF(24, 23, 11, 10), Qt::white },
                { QRectF(36, 23, 11, 10), Qt::white }, { QRectF(48, 23, 11, 10), faint },
                { QRectF(60, 23, 11, 10), faint } } },
        { "none", frame, 0, false, {} },
        { "narrow frame clips the last star it meets", QRectF(10, 20, 30, 16), 5, false,
            { { QRectF(12, 23, 11, 10), grey }, { QRectF(24, 23, 11, 10), grey },
                { QRectF(36, 23, 4, 10), grey } } },
    };
    for (const auto& c : cases) {
        const std::vector<SFHFRatingCell::Star> stars
            = SFHFRatingCell::starsForFrame(c.frame, c.value, 5, c.highlighted, grey);
        ASSERT_EQ(stars.size(), c.stars.size()) << c.what;
        for (size_t i = 0; i < stars.size(); ++i) {
            EXPECT_EQ(stars[i].rect, c.stars[i].rect) << c.what << " star " << i + 1;
            EXPECT_EQ(stars[i].color.rgba(), c.stars[i].color.rgba()) << c.what << " star " << i + 1;
        }
    }
}

TEST(SFHFRatingCell, AMaximumFarBeyondTheFrameDrawsOnlyTheStarsThatMeetIt)
{
    EXPECT_EQ(SFHFRatingCell::starsForFrame(QRectF(0, 0, 30, 16), 1e12, 1e12, false, Qt::gray).size(), 3u);
}

TEST(SFHFRatingCell, RatingForAPointIsWholeStarsWithinZeroAndTheMaximum)
{
    const struct {
        double offset; // from the drawing rectangle's left edge
        std::optional<double> maximum;
        double rating;
    } cases[] = {
        { 26.0, 5.0, 2 },
        { 26.5, 5.0, 3 },
        { 38.0, 5.0, 3 },
        { 38.5, 5.0, 4 },
        { 2.5, 5.0, 1 },
        { 2.0, 5.0, 0 },
        { -40.0, 5.0, 0 }, // left of the first star: no stars, never a negative rating
        { 500.0, 5.0, 5 },
        { 500.0, std::nullopt, 42 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(SFHFRatingCell::ratingForPoint(100 + c.offset, 100, c.maximum), c.rating) << c.offset;
}

TEST_F(RatingFixture, ClickAndDragOnASelectedRowSetTheRating)
{
    EXPECT_TRUE(send(QEvent::MouseButtonPress, 100 + 30));
    EXPECT_EQ(rating(), 3);
    EXPECT_TRUE(send(QEvent::MouseMove, 100 + 300));
    EXPECT_EQ(rating(), 5);
    EXPECT_TRUE(send(QEvent::MouseMove, 100 - 20));
    EXPECT_EQ(rating(), 0);
    EXPECT_TRUE(send(QEvent::MouseButtonRelease, 100 + 15));
    EXPECT_EQ(rating(), 2);
    // Tracking is over: moves without a press change nothing.
    EXPECT_FALSE(send(QEvent::MouseMove, 100 + 60));
    EXPECT_EQ(rating(), 2);
}

TEST_F(RatingFixture, ClicksThatMayNotChangeTheRatingLeaveIt)
{
    const struct {
        const char* what;
        QStyle::State state;
        Qt::ItemFlags flags;
        Qt::MouseButton button;
    } cases[] = {
        { "row not yet selected", QStyle::State_Enabled, Qt::ItemIsEnabled | Qt::ItemIsEditable,
            Qt::LeftButton },
        { "not editable", QStyle::State_Enabled | QStyle::State_Selected, Qt::ItemIsEnabled, Qt::LeftButton },
        { "disabled", QStyle::State_Selected, Qt::ItemIsEditable, Qt::LeftButton },
        { "right button", QStyle::State_Enabled | QStyle::State_Selected,
            Qt::ItemIsEnabled | Qt::ItemIsEditable, Qt::RightButton },
    };
    for (const auto& c : cases) {
        option.state = c.state;
        item->setFlags(c.flags);
        EXPECT_FALSE(send(QEvent::MouseButtonPress, 100 + 50, c.button)) << c.what;
        EXPECT_FALSE(send(QEvent::MouseButtonRelease, 100 + 50, c.button)) << c.what;
        EXPECT_EQ(rating(), 2) << c.what;
    }
}

TEST_F(RatingFixture, InATableTheSelectingClickKeepsTheRatingAndLaterClicksAndDragsSetIt)
{
    QTableView view;
    view.setModel(&model);
    view.setItemDelegate(&cell);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.resize(300, 200);
    view.show();
    const QRect rect = view.visualRect(model.index(0, 0));
    QWidget* viewport = view.viewport();
    const auto mouse = [&](QEvent::Type type, int offset) {
        const QPointF at(rect.x() + offset, rect.center().y());
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, viewport->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    };

    mouse(QEvent::MouseButtonPress, 50);
    mouse(QEvent::MouseButtonRelease, 50);
    EXPECT_TRUE(view.selectionModel()->isRowSelected(0, {}));
    EXPECT_EQ(rating(), 2);

    mouse(QEvent::MouseButtonPress, 30);
    EXPECT_EQ(rating(), 3);
    mouse(QEvent::MouseMove, 70);
    EXPECT_EQ(rating(), 5);
    mouse(QEvent::MouseMove, 5);
    EXPECT_EQ(rating(), 1);
    mouse(QEvent::MouseButtonRelease, 5);
    mouse(QEvent::MouseMove, 60);
    EXPECT_EQ(rating(), 1);
}

TEST_F(RatingFixture, PaintsTheFilledStarsOnly)
{
    item->setData(3.0, Qt::DisplayRole);
    option.rect = QRect(0, 0, 80, 18);
    option.state = QStyle::State_Enabled;
    QImage image(80, 18, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    cell.paint(&painter, option, model.index(0, 0));
    painter.end();

    // A glyph may reach a pixel past its box; the next star's inner part is its own.
    const auto inked = [&](int star) {
        int count = 0;
        for (int x = 4 + (star - 1) * 12; x < 2 + (star - 1) * 12 + 11; ++x)
            for (int y = 0; y < 18; ++y)
                count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        return count;
    };
    for (int star = 1; star <= 3; ++star)
        EXPECT_GT(inked(star), 0) << star;
    for (int star = 4; star <= 5; ++star)
        EXPECT_EQ(inked(star), 0) << star;
}
