#include "ControllerFixture.h"
#include "ImagePanel.h"
#include "MainWindow.h"
#include "PropertyList.h"
#include "RecipeArrayController.h"
#include "SampleLibraryBuilder.h"

#include <QAction>
#include <QMenuBar>

namespace
{

const QString sampleCards = QStringLiteral(KITCHORA_SOURCE_DIR "/resources/sample/SampleLibrary.vrc");

// The program's window on the sample library.
class MainWindowFilesTest : public ControllerFixture
{
protected:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        const QString sample = root.filePath(QStringLiteral("DefaultDatabase.recipedb"));
        Error error;
        ASSERT_TRUE(SampleLibraryBuilder::buildLibrary(sampleCards, sample, &error));
        KitchoraController::Environment environment;
        environment.sampleLibraryPath = [sample] { return sample; };
        KitchoraController& c = makeController(environment);
        mainWindow = std::make_unique<MainWindow>(c);
        c.setMainWindowAccess(mainWindow.get());
        presenter.libraryAnswers.enqueue(Presenter::LibraryChoice::Sample);
        c.awakeFromNib();
        c.applicationWillFinishLaunching();
        c.applicationDidFinishLaunching();
        clock.advance(0);
        mainWindow->windowDidBecomeMain();
        mainWindow->reloadLibrary();
    }

    void TearDown() override
    {
        if (controller)
            controller->setMainWindowAccess(nullptr);
        mainWindow.reset();
        ControllerFixture::TearDown();
    }

    QStringList menuItems(const QString& title) const
    {
        QStringList items;
        for (QAction* menu : mainWindow->menuBar()->actions()) {
            if (menu->text() != title || !menu->menu())
                continue;
            for (QAction* item : menu->menu()->actions())
                items.append(item->text());
        }
        return items;
    }

    std::unique_ptr<MainWindow> mainWindow;
};

TEST_F(MainWindowFilesTest, FileAndRecipeMenusReachTheActions)
{
    const QStringList file = menuItems(QStringLiteral("&File"));
    EXPECT_LT(file.indexOf(QStringLiteral("&Open…")), file.indexOf(QStringLiteral("&Print…")));
    EXPECT_TRUE(file.contains(QStringLiteral("&Export…")));
    EXPECT_TRUE(file.contains(QStringLiteral("&Save")));
    EXPECT_TRUE(file.contains(QStringLiteral("Import MacGourmet Database…")));
    const QStringList recipe = menuItems(QStringLiteral("&Recipe"));
    EXPECT_TRUE(recipe.contains(QStringLiteral("Share on the Web")));
    EXPECT_TRUE(recipe.contains(QStringLiteral("Show Picture Panel")));
}

TEST_F(MainWindowFilesTest, MetadataFileSelectsItsRecipeInTheLibrary)
{
    RecipeArrayController& list = mainWindow->recipeArrayController();
    ASSERT_GE(list.arrangedObjects().size(), 3);
    ManagedObject* third = list.recipeAt(2);
    const QString path = root.filePath(QStringLiteral("third.recipemetadata"));
    ASSERT_TRUE(PropertyList::writePropertyList(QVariantMap { { QStringLiteral("coreDataObjectID"),
                                                    third->objectID().URIRepresentation().toString() } },
        path, PropertyList::Format::Xml));

    controller->openFiles({ path });
    clock.advance(0);

    EXPECT_EQ(mainWindow->selectedRecipes(), QList<ManagedObject*>({ third }));
    EXPECT_EQ(controller->currentRecipe(), third);
    EXPECT_EQ(mainWindow->selectedCollection(), controller->libraryCollection());
}

TEST_F(MainWindowFilesTest, OpenedCardsAppearInTheList)
{
    const qsizetype before = mainWindow->recipeArrayController().arrangedObjects().size();
    const QString path = root.filePath(QStringLiteral("pie.vrc"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BEGIN:VRECIPECARD\nVERSION:1.0\nNAME:Pie\nEND:VRECIPECARD\n");
    file.close();

    controller->openFiles({ path });

    EXPECT_EQ(mainWindow->recipeArrayController().arrangedObjects().size(), before + 1);
}

TEST_F(MainWindowFilesTest, PicturePanelShowsTheShownRecipe)
{
    mainWindow->showImagePanel();
    ImagePanel* panel = mainWindow->imagePanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("Current Recipe Image"));
    EXPECT_EQ(panel->size(), QSize(512, 512));
    EXPECT_TRUE(panel->isVisible());
    mainWindow->closeImagePanel();
    EXPECT_FALSE(panel->isVisible());
}

} // namespace
