#include "PictureWell.h"

#include "DisablingTextField.h"
#include "HighlightingPopUpButton.h"
#include "MagnetClipView.h"
#include "MagnetView.h"
#include "RecipeImageView.h"

#include <QApplication>
#include <QMainWindow>
#include <QMimeData>
#include <gtest/gtest.h>

using PictureWell::DoubleClick;

TEST(PictureWellTest, DoubleClickRouting)
{
    EXPECT_EQ(PictureWell::doubleClickAction(true, false), DoubleClick::ShowImagePanel);
    EXPECT_EQ(PictureWell::doubleClickAction(true, true), DoubleClick::AddImage);
    EXPECT_EQ(PictureWell::doubleClickAction(false, false), DoubleClick::CloseImagePanelAndAddImage);
    EXPECT_EQ(PictureWell::doubleClickAction(false, true), DoubleClick::CloseImagePanelAndAddImage);

    RecipeImageView well;
    QStringList calls;
    bool isDefault = true;
    well.setActions({ [&](RecipeImageView* sender) { calls.append(sender == &well ? "show" : "show?"); },
        [&] { calls.append("close"); }, [&] { calls.append("add"); }, [&] { return isDefault; } });
    well.setOpensImagePanel(true);
    well.doubleClicked();
    isDefault = false;
    well.doubleClicked();
    well.setOpensImagePanel(false);
    well.doubleClicked();
    EXPECT_EQ(calls, (QStringList { "add", "show", "close", "add" }));
}

TEST(PictureWellTest, PanelKeepsItsTopAndCentre)
{
    struct Case {
        QRect panel;
        QSize content;
        QRect expected;
    };
    const QList<Case> cases {
        { { 100, 80, 128, 128 }, { 300, 200 }, { 14, 80, 300, 200 } },
        { { 100, 80, 300, 200 }, { 100, 100 }, { 200, 80, 100, 100 } },
        { { 0, 0, 101, 50 }, { 51, 50 }, { 25, 0, 51, 50 } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(PictureWell::panelGeometryForContentSize(c.panel, c.content), c.expected);

    QMainWindow panel;
    auto* well = new RecipeImageView;
    panel.setCentralWidget(well);
    panel.setGeometry(100, 80, 128, 128);
    QImage picture(300, 200, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    well->setObjectValue(picture);
    EXPECT_EQ(panel.geometry(), QRect(14, 80, 300, 200));

    // A well inside other views only changes its own size.
    QWidget page;
    page.resize(500, 500);
    auto* inner = new RecipeImageView(&page);
    inner->setGeometry(10, 10, 128, 128);
    inner->setObjectValue(picture);
    EXPECT_EQ(inner->geometry(), QRect(10, 10, 300, 200));
    EXPECT_EQ(page.size(), QSize(500, 500));
    inner->setObjectValue(QImage());
    EXPECT_EQ(inner->size(), QSize(300, 200));
}

TEST(PictureWellTest, EditableWellTakesADroppedPicture)
{
    RecipeImageView well;
    QImage taken;
    QObject::connect(&well, &RecipeImageView::imageChanged, [&](const QImage& image) { taken = image; });
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::green);
    QMimeData data;
    data.setImageData(picture);
    EXPECT_FALSE(well.takeDroppedData(&data));
    EXPECT_TRUE(taken.isNull());
    well.setEditable(true);
    EXPECT_TRUE(well.acceptDrops());
    QMimeData text;
    text.setText(QStringLiteral("not a picture"));
    EXPECT_FALSE(well.takeDroppedData(&text));
    EXPECT_TRUE(well.takeDroppedData(&data));
    EXPECT_EQ(taken.size(), QSize(20, 10));
    EXPECT_EQ(well.image().size(), QSize(20, 10));
}

TEST(MagnetClipViewTest, WellAndClipPlacement)
{
    MagnetClipView clip;
    const QRectF well = clip.imageViewFrame();
    EXPECT_EQ(well.size(), QSizeF(128, 128));
    EXPECT_EQ(well.x(), 10.0);
    EXPECT_EQ(clip.height() - well.bottom(), 35.0);
    EXPECT_EQ(clip.rotation(), -3.0);
    EXPECT_EQ(clip.imageView()->rotation(), -3.0);
    EXPECT_TRUE(clip.imageView()->opensImagePanel());
    EXPECT_TRUE(clip.imageView()->isEditable());
    // The well's square fits turned inside its view; the clip lets clicks through.
    EXPECT_TRUE(QRectF(clip.imageView()->rect()).contains(clip.imageView()->pictureRect()));
    EXPECT_NEAR(clip.imageView()->pictureRect().width(), 128.0, 1.5);
    EXPECT_TRUE(clip.magnet()->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(clip.magnet()->translateOffset(), QPointF(well.center().x(), well.top() + 8.0));
    EXPECT_EQ(clip.magnet()->clipRect().bottom(), well.top() + 8.0);

    MagnetView magnet;
    magnet.setTranslateOffset({ 50, 40 });
    EXPECT_EQ(magnet.translateOffset(), QPointF(50, 48));
}

TEST(HoverTest, HoverFollowsTheCurrentAreaAndSurvivesAResize)
{
    PictureWell::HoverTracker tracker;
    EXPECT_EQ(tracker.tag(), 0);
    const int first = tracker.install(false);
    EXPECT_NE(first, 0);
    tracker.mouseEntered(first);
    EXPECT_TRUE(tracker.mouseOver());
    EXPECT_TRUE(tracker.showsHover(true));
    EXPECT_FALSE(tracker.showsHover(false));

    // A resize while inside re-installs the area and keeps the hover.
    const int second = tracker.boundsChanged(true);
    EXPECT_NE(second, first);
    EXPECT_TRUE(tracker.mouseOver());
    // Events of the old area no longer count.
    tracker.mouseExited(first);
    EXPECT_TRUE(tracker.mouseOver());
    tracker.mouseExited(second);
    EXPECT_FALSE(tracker.mouseOver());
    tracker.remove();
    tracker.mouseEntered(second);
    EXPECT_FALSE(tracker.mouseOver());

    HighlightingPopUpButton button;
    button.addItem(QStringLiteral("Sort"));
    button.show();
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.showsHover());
    button.resize(button.width() + 30, button.height());
    EXPECT_TRUE(button.showsHover());
    button.setEnabled(false);
    EXPECT_FALSE(button.showsHover());
    button.setEnabled(true);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.showsHover());
}

TEST(DisablingTextFieldTest, GreysWhileDisabled)
{
    DisablingTextField field(QStringLiteral("2 cups"));
    const QPalette standard = QApplication::palette(&field);
    EXPECT_EQ(field.textColor(), standard.color(QPalette::Active, QPalette::WindowText));
    field.setEnabled(false);
    EXPECT_EQ(field.textColor(), standard.color(QPalette::Disabled, QPalette::WindowText));
    field.setEnabled(true);
    EXPECT_EQ(field.textColor(), standard.color(QPalette::Active, QPalette::WindowText));
}
