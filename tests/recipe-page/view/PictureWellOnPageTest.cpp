// The recipe's picture in the card's notch: shown in both modes, taking dropped and pasted
// pictures into the recipe, refusing files that are no picture, and its double click.
#include "ImageMO.h"
#include "MagnetClipView.h"
#include "PageControllerFixture.h"
#include "RVRecipeView.h"
#include "RVTextView.h"
#include "RecipeImageView.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace
{

class PictureWellOnPageTest : public PageControllerFixture
{
protected:
    RVTextView* showPie()
    {
        pie = recipeWith(QStringLiteral("Pie"), QStringLiteral("Bake until golden."));
        EXPECT_TRUE(context->save());
        selectInList(pie);
        QWidget* page = controller->recipePage();
        page->resize(700, 600);
        page->show();
        return controller->recipeView()->textView();
    }

    ImageMO* picture() const { return dynamic_cast<ImageMO*>(pie->objectForKey(QStringLiteral("image"))); }

    // A red picture file of the given name in the scratch folder.
    QString pictureFile(const QString& name)
    {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::red);
        const QString path = folder.filePath(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }

    // Enter, move and drop the data at a point of the page; whether the drop was taken.
    bool dropOnPage(RVTextView* view, QMimeData& data, QPoint point)
    {
        QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enter);
        QDragMoveEvent move(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
        QDropEvent drop(QPointF(point), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &drop);
        return enter.isAccepted() && drop.isAccepted();
    }

    RecipeMO* pie = nullptr;
    QTemporaryDir folder;
};

TEST_F(PictureWellOnPageTest, TheWellSitsInTheNotchBesideTheCard)
{
    RVTextView* view = showPie();
    MagnetClipView* holder = controller->recipeView()->pictureHolder();
    ASSERT_TRUE(holder);
    EXPECT_TRUE(holder->isVisible());
    EXPECT_EQ(holder->parentWidget(), view->viewport());
    EXPECT_EQ(holder->geometry(), QRect(view->viewport()->width() - 160, 17, 160, 200));
    // The name's line ends before the notch.
    const QRectF name = view->textLayout().boundingRectForRange({ 0, 3 });
    EXPECT_LT(name.right(), view->viewport()->width() - 157);
    // A recipe without a picture of its own shows the default one.
    EXPECT_FALSE(controller->imageView()->image().isNull());
    EXPECT_EQ(controller->imageView()->image(), picture()->thumbnail());

    controller->edit();
    EXPECT_TRUE(holder->isVisible());
    controller->edit();
    selectInList(nullptr);
    EXPECT_FALSE(holder->isVisible());
}

TEST_F(PictureWellOnPageTest, APictureFileDroppedOnThePageBecomesTheRecipesPicture)
{
    for (bool editing : { false, true }) {
        RVTextView* view = showPie();
        if (editing)
            controller->edit();
        ASSERT_TRUE(picture()->isDefaultImage());
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(pictureFile(QStringLiteral("pie.png"))) });
        // A file manager offers the path as text too: it is still a picture.
        data.setText(pictureFile(QStringLiteral("pie.png")));
        EXPECT_TRUE(dropOnPage(view, data, QPoint(60, 300))) << editing;
        EXPECT_FALSE(picture()->isDefaultImage()) << editing;
        EXPECT_TRUE(pie->valueForKey(QStringLiteral("hasImage")).toBool());
        // The well shows the new picture, and the card kept its text.
        EXPECT_EQ(controller->imageView()->image(), picture()->thumbnail());
        EXPECT_GT(controller->imageView()->image().pixelColor(32, 32).red(), 240);
        EXPECT_TRUE(controller->page().textStorage().string().startsWith(QStringLiteral("Pie\n")));
        if (editing)
            controller->edit();
        controller->recipePage()->hide();
        selectInList(nullptr);
        context->deleteObject(pie);
    }
}

TEST_F(PictureWellOnPageTest, AFileThatIsNoPictureIsRefusedAndKeepsThePicture)
{
    RVTextView* view = showPie();
    QFile notes(folder.filePath(QStringLiteral("notes.png")));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a picture at all");
    notes.close();
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(notes.fileName()) });
    EXPECT_FALSE(RecipeController::isPictureDrag(&data));
    EXPECT_FALSE(dropOnPage(view, data, QPoint(60, 300)));
    EXPECT_TRUE(picture()->isDefaultImage());
    // Picture data itself is a picture drag.
    QMimeData image;
    image.setImageData(QImage(8, 8, QImage::Format_RGB32));
    EXPECT_TRUE(RecipeController::isPictureDrag(&image));
}

TEST_F(PictureWellOnPageTest, APicturePastedIntoTheWellIsStored)
{
    showPie();
    RecipeImageView* well = controller->imageView();
    well->setFocus();
    QImage green(40, 40, QImage::Format_RGB32);
    green.fill(Qt::green);
    QApplication::clipboard()->setImage(green);
    QTest::keyClick(well, Qt::Key_V, Qt::ControlModifier);
    EXPECT_FALSE(picture()->isDefaultImage());
    // Stored compressed: green within a few steps.
    const QColor shown = well->image().pixelColor(20, 20);
    EXPECT_GT(shown.green(), 240);
    EXPECT_LT(shown.red() + shown.blue(), 20);
}

TEST_F(PictureWellOnPageTest, ADoubleClickAddsAPictureOrShowsThePanel)
{
    showPie();
    RecipeImageView* well = controller->imageView();
    well->doubleClicked();
    EXPECT_EQ(addImageCalls, 1);
    EXPECT_EQ(imagePanelCalls, 0);
    controller->setImage(QImage(QSize(30, 30), QImage::Format_RGB32));
    well->doubleClicked();
    EXPECT_EQ(addImageCalls, 1);
    EXPECT_EQ(imagePanelCalls, 1);
}

} // namespace
