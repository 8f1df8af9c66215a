#include "BackgroundView.h"
#include "GrayButton.h"
#include "LineSplitView.h"
#include "NotificationCenter.h"
#include "PolishedChrome.h"
#include "PolishedColumnHeaderCell.h"
#include "PolishedHeader.h"
#include "PolishedSplitView.h"
#include "PolishedWindow.h"
#include "ScratchUserDefaults.h"
#include "Theming.h"

#include <QStandardItemModel>
#include <QTableView>
#include <gtest/gtest.h>

namespace
{

const PolishedChrome::PieceSizes kPieces {
    { 6, 24 }, { 1, 24 }, { 8, 24 }, // top left, middle, right
    { 6, 34 }, { 1, 34 }, { 7, 34 }, // bottom
    { 1, 1 }, { 2, 1 }, // edges
};

} // namespace

TEST(PolishedChromeTest, PiecesForTwoWidths)
{
    struct Case {
        QSizeF window;
        qreal stripWidth;
        QRectF topStrip, bottomStrip, topRight, bottomRight, middleRight;
    };
    const QList<Case> cases {
        { { 800, 600 }, 800, { 6, 0, 786, 24 }, { 6, 566, 787, 34 }, { 792, 0, 8, 24 }, { 793, 566, 7, 34 },
            { 799, 0, 2, 600 } },
        // Narrower than 300: the strips are made 300 wide and only their left part is used.
        { { 200, 160 }, 300, { 6, 0, 186, 24 }, { 6, 126, 187, 34 }, { 192, 0, 8, 24 }, { 193, 126, 7, 34 },
            { 199, 0, 2, 160 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window.width());
        const PolishedChrome::Layout layout = PolishedChrome::layout(c.window, kPieces);
        EXPECT_EQ(layout.stripWidth, c.stripWidth);
        EXPECT_EQ(layout.topStrip, c.topStrip);
        EXPECT_EQ(layout.bottomStrip, c.bottomStrip);
        EXPECT_EQ(layout.topLeft, QRectF(0, 0, 6, 24));
        EXPECT_EQ(layout.topRight, c.topRight);
        EXPECT_EQ(layout.bottomLeft, QRectF(0, c.window.height() - 34, 6, 34));
        EXPECT_EQ(layout.bottomRight, c.bottomRight);
        EXPECT_EQ(layout.middleLeft, QRectF(0, 0, 1, c.window.height()));
        EXPECT_EQ(layout.middleRight, c.middleRight);
    }
    EXPECT_EQ(PolishedChrome::titleOrigin({ 800, 600 }, { 100, 16 }), QPointF(350, 3));
}

TEST(PolishedChromeTest, MinimumSizeIsClampedTo150)
{
    EXPECT_EQ(PolishedChrome::clampedMinimumSize({ 100, 400 }), QSizeF(150, 400));
    EXPECT_EQ(PolishedChrome::clampedMinimumSize({ 10, 20 }), QSizeF(150, 150));
    EXPECT_EQ(PolishedChrome::clampedMinimumSize({ 500, 300 }), QSizeF(500, 300));
    ScratchUserDefaults defaults;
    PolishedWindow window(false, nullptr);
    window.setMinSize({ 100, 400 });
    EXPECT_EQ(window.minimumSize(), QSize(150, 400));
}

TEST(PolishedWindowTest, FollowsThemingChangesAndPaintsTheTitle)
{
    ScratchUserDefaults defaults;
    defaults.defaults().setBool(true, KRThemedWindows);
    PolishedWindow window;
    window.resize(400, 300);
    window.show();
    window.setTitle(QStringLiteral("Recipes"));
    EXPECT_TRUE(window.themed());
    EXPECT_EQ(window.titleString(), QStringLiteral("Recipes"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Recipes"));
    ASSERT_EQ(window.background().size(), QSize(400, 300));
    // The top bar's white title is centred near the top; the middle of the window is body colour.
    const QImage& background = window.background();
    bool whiteNearTop = false;
    for (int x = 150; x < 250 && !whiteNearTop; ++x) {
        for (int y = 3; y < 22 && !whiteNearTop; ++y)
            whiteNearTop = background.pixelColor(x, y) == QColor(Qt::white);
    }
    EXPECT_TRUE(whiteNearTop);
    EXPECT_FALSE(background.pixelColor(200, 150) == QColor(Qt::white));

    defaults.defaults().setBool(false, KRThemedWindows);
    NotificationCenter::defaultCenter().postNotificationName(KRThemingChanged);
    EXPECT_FALSE(window.themed());
    EXPECT_TRUE(window.background().isNull());
    EXPECT_FALSE(window.autoFillBackground());

    defaults.defaults().setBool(true, KRThemedWindows);
    NotificationCenter::defaultCenter().postNotificationName(KRThemingChanged);
    window.resize(500, 260);
    EXPECT_EQ(window.background().size(), QSize(500, 260));
}

TEST(BackgroundViewTest, GradientFrameAndWhite)
{
    BackgroundView view;
    view.resize(40, 30);
    EXPECT_FALSE(view.drawsGradientBackground());
    EXPECT_FALSE(view.drawsFrame());
    EXPECT_EQ(view.frameColor(), QColor(Qt::gray));
    QImage plain = view.grab().toImage();
    EXPECT_EQ(plain.pixelColor(20, 15), QColor(Qt::white));

    view.setDrawsFrame(true);
    QImage framed = view.grab().toImage();
    EXPECT_EQ(framed.pixelColor(0, 15), QColor(Qt::gray));
    EXPECT_EQ(framed.pixelColor(20, 15), QColor(Qt::white));

    view.setGradient(BLGradient::gradientWithBeginningColor(Qt::red, Qt::red));
    EXPECT_TRUE(view.drawsGradientBackground());
    EXPECT_EQ(view.grab().toImage().pixelColor(20, 15), QColor(Qt::red));
    view.setGradient(std::nullopt);
    EXPECT_FALSE(view.drawsGradientBackground());
    EXPECT_EQ(view.grab().toImage().pixelColor(20, 15), QColor(Qt::white));
}

TEST(HeaderTest, EmptyTitlesShowTitle)
{
    PolishedHeader header;
    EXPECT_EQ(header.title(), QStringLiteral("Title"));
    header.setTitle(QStringLiteral("Ingredients"));
    EXPECT_EQ(header.title(), QStringLiteral("Ingredients"));
    header.setTitle(QStringLiteral("(null)"));
    EXPECT_EQ(header.title(), QStringLiteral("Title"));

    QStandardItemModel model(1, 2);
    model.setHorizontalHeaderLabels({ QString(), QStringLiteral("Name") });
    PolishedColumnHeaderCell cell;
    cell.setModel(&model);
    EXPECT_EQ(cell.titleForSection(0), QStringLiteral("Title"));
    EXPECT_EQ(cell.titleForSection(1), QStringLiteral("Name"));
}

TEST(GrayButtonTest, PressedAndReleasedPieces)
{
    EXPECT_EQ(GrayButton::bezelImageNames(true),
        (QStringList { "tools-buttonLeft-P.tiff", "tools-buttonFill-P.tiff", "tools-buttonRight-P.tiff" }));
    EXPECT_EQ(GrayButton::bezelImageNames(false),
        (QStringList { "tools-buttonLeft-N.tiff", "tools-buttonFill-N.tiff", "tools-buttonRight-N.tiff" }));
    const QImage pressed = GrayButton::bezel(QRectF(0, 0, 80, 22), true);
    const QImage released = GrayButton::bezel(QRectF(0, 0, 80, 22), false);
    ASSERT_EQ(pressed.size(), QSize(80, 22));
    EXPECT_LT(pressed.pixelColor(40, 11).lightness(), released.pixelColor(40, 11).lightness());
    EXPECT_TRUE(GrayButton::bezel(QRectF(0, 0, 0, 22), false).isNull());
}

TEST(SplitViewTest, DividerThickness)
{
    PolishedSplitView polished;
    LineSplitView line;
    EXPECT_EQ(polished.handleWidth(), 0);
    EXPECT_EQ(line.handleWidth(), 1);
}

TEST(HeaderTest, ColumnHeaderLinesUpWithAPaneHeaderAndKeepsItsSortIndicator)
{
    QStandardItemModel model(3, 2);
    model.setHorizontalHeaderLabels({ QStringLiteral("Name"), QStringLiteral("Rating") });
    QTableView table;
    auto* columns = new PolishedColumnHeaderCell(Qt::Horizontal, &table);
    table.setHorizontalHeader(columns);
    table.setModel(&model);
    table.setSortingEnabled(true);
    table.resize(300, 200);
    table.show();
    PolishedHeader pane;
    EXPECT_EQ(columns->sizeHint().height(), pane.sizeHint().height());

    // The last point of height shows the header image's bottom line, like a pane header's.
    pane.resize(300, pane.sizeHint().height());
    const QImage paneImage = pane.grab().toImage();
    const QColor paneLine = paneImage.pixelColor(2, paneImage.height() - 1);
    const QColor paneBody = paneImage.pixelColor(2, 2);
    columns->setSortIndicator(1, Qt::AscendingOrder);
    const QImage image = columns->grab().toImage();
    EXPECT_EQ(image.pixelColor(2, image.height() - 1), paneLine);
    EXPECT_EQ(image.pixelColor(2, 2), paneBody);

    // The indicator shows in the sorted column only.
    columns->setSortIndicatorShown(false);
    const QImage unsorted = columns->grab().toImage();
    auto differsIn = [&](int section) {
        const int x0 = columns->sectionViewportPosition(section);
        for (int x = x0; x < x0 + columns->sectionSize(section); ++x) {
            for (int y = 0; y < image.height(); ++y) {
                if (image.pixelColor(x, y) != unsorted.pixelColor(x, y))
                    return true;
            }
        }
        return false;
    };
    EXPECT_FALSE(differsIn(0));
    EXPECT_TRUE(differsIn(1));
}
