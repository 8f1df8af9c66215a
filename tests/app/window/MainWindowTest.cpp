#include "MainWindow.h"

#include "CollectionsTreeModel.h"
#include "ControllerFixture.h"
#include "RecipeCardDocument.h"
#include "RecipeListModel.h"
#include "RecipeTableColumns.h"
#include "SampleLibraryBuilder.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QPrinter>
#include <QTextBrowser>

namespace
{

const QString sampleCards = QStringLiteral(KITCHORA_SOURCE_DIR "/resources/sample/SampleLibrary.vrc");

QString plainText(QString text)
{
    text.remove(QChar(NSAttachmentCharacter));
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

class MainWindowTest : public ControllerFixture
{
protected:
    // The program's launch with the real window, answering the first-run question with `choice`.
    void launchWithWindow(Presenter::LibraryChoice choice)
    {
        const QString sample = root.filePath(QStringLiteral("DefaultDatabase.recipedb"));
        Error error;
        ASSERT_TRUE(SampleLibraryBuilder::buildLibrary(sampleCards, sample, &error))
            << error.localizedDescription.toStdString();
        KitchoraController::Environment environment;
        environment.sampleLibraryPath = [sample] { return sample; };
        KitchoraController& c = makeController(environment);
        mainWindow = std::make_unique<MainWindow>(c);
        c.setMainWindowAccess(mainWindow.get());
        presenter.libraryAnswers.enqueue(choice);

        c.awakeFromNib();
        c.applicationWillFinishLaunching();
        mainWindow->reloadLibrary();
        mainWindow->show();
        c.applicationDidFinishLaunching();
        mainWindow->reloadLibrary();
        clock.advance(0);
        mainWindow->windowDidBecomeMain();
    }

    void TearDown() override
    {
        if (controller)
            controller->setMainWindowAccess(nullptr);
        mainWindow.reset();
        ControllerFixture::TearDown();
    }

    QStringList topLevelNames() const
    {
        const CollectionsTreeModel& model = mainWindow->collectionsModel();
        QStringList names;
        for (int row = 0; row < model.rowCount(); ++row)
            names.append(model.data(model.index(row, 0)).toString());
        return names;
    }

    std::unique_ptr<MainWindow> mainWindow;
};

} // namespace

TEST_F(MainWindowTest, FirstRunWithTheSampleLibraryShowsItsRecipes)
{
    ASSERT_NO_FATAL_FAILURE(launchWithWindow(Presenter::LibraryChoice::Sample));
    EXPECT_EQ(presenter.libraryQuestions, 1);

    const QStringList names = topLevelNames();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.first(), QStringLiteral("Recipe Library"));
    EXPECT_TRUE(names.contains(QStringLiteral("Recent Imports") + QChar(0x2026)))
        << names.join(u'|').toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral("Recently Cooked"))) << names.join(u'|').toStdString();

    // The library and its first recipe are selected, the list sorted by name.
    EXPECT_EQ(mainWindow->selectedCollection(), controller->libraryCollection());
    const RecipeListModel& recipes = mainWindow->recipesModel();
    ASSERT_EQ(recipes.rowCount(), 26);
    for (int row = 1; row < recipes.rowCount(); ++row) {
        SCOPED_TRACE(row);
        EXPECT_LE(recipes.data(recipes.index(row - 1, 0)).toString(),
            recipes.data(recipes.index(row, 0)).toString());
    }
    EXPECT_TRUE(mainWindow->groceryListsTableHidden());
    EXPECT_EQ(mainWindow->tableHeaderTitle(), QStringLiteral("Recipes"));

    ManagedObject* first = recipes.recipeAt(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(mainWindow->selectedRecipe(), first);
    const QString shown = mainWindow->recipeView()->toPlainText();
    EXPECT_TRUE(shown.contains(recipes.data(recipes.index(0, 0)).toString()));
    EXPECT_EQ(shown, plainText(RecipeCardDocument::cardOf(first).string()));
}

TEST_F(MainWindowTest, EmptyLibraryShowsNoRecipesAndKeepsTheExpandedRows)
{
    ASSERT_NO_FATAL_FAILURE(launchWithWindow(Presenter::LibraryChoice::Empty));
    EXPECT_EQ(mainWindow->selectedCollection(), controller->libraryCollection());
    EXPECT_EQ(mainWindow->recipesModel().rowCount(), 0);
    EXPECT_EQ(mainWindow->selectedRecipe(), nullptr);
    EXPECT_TRUE(mainWindow->recipeView()->toPlainText().isEmpty());

    // Nothing in an empty library has children to expand; unknown paths are ignored.
    mainWindow->restoreExpandedStateFromArray(
        { QStringLiteral("0"), QStringLiteral("x/1"), QStringLiteral("99") });
    EXPECT_TRUE(mainWindow->expandedStateArray().isEmpty());
}

TEST_F(MainWindowTest, PrintFollowsWhatTheActiveWindowShows)
{
    ASSERT_NO_FATAL_FAILURE(launchWithWindow(Presenter::LibraryChoice::Sample));
    QApplication::setActiveWindow(mainWindow.get());
    ASSERT_TRUE(mainWindow->isActiveWindow());
    EXPECT_EQ(mainWindow->printingTarget(), SplitViewRules::PrintingTarget::RecipeTextView);
    EXPECT_TRUE(mainWindow->printAction()->isEnabled());

    // Declining the panel prints nothing; accepting prints the recipe shown.
    const QString pdf = root.filePath(QStringLiteral("recipe.pdf"));
    presenter.printHook = [pdf](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    };
    mainWindow->print();
    EXPECT_EQ(presenter.printPanels, 1);
    EXPECT_FALSE(QFileInfo::exists(pdf));
    presenter.printAnswer = true;
    mainWindow->print();
    EXPECT_EQ(presenter.printPanels, 2);
    EXPECT_GT(QFileInfo(pdf).size(), 0);

    mainWindow->setGroceryListsTableHidden(false);
    EXPECT_EQ(mainWindow->printingTarget(), SplitViewRules::PrintingTarget::GroceryListView);
    EXPECT_FALSE(mainWindow->printAction()->isEnabled());
    mainWindow->setGroceryListsTableHidden(true);

    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QApplication::processEvents();
    EXPECT_EQ(mainWindow->printingTarget(), SplitViewRules::PrintingTarget::None);
    EXPECT_FALSE(mainWindow->printAction()->isEnabled());
    mainWindow->print();
    EXPECT_EQ(presenter.printPanels, 2);
}

TEST_F(MainWindowTest, RecentImportsAndRecentlyCookedAddTheirDateColumnToTheRecipeList)
{
    ASSERT_NO_FATAL_FAILURE(launchWithWindow(Presenter::LibraryChoice::Sample));
    const RecipeListModel& recipes = mainWindow->recipesModel();
    ASSERT_EQ(recipes.columnWithIdentifier(KRDateAddedColumnIdentifier), -1);

    mainWindow->selectCollection(controller->importedCollection());
    EXPECT_GE(recipes.columnWithIdentifier(KRDateAddedColumnIdentifier), 0);
    EXPECT_EQ(recipes.columnWithIdentifier(KRDateCookedColumnIdentifier), -1);

    // Back in the library the column goes and the order by name comes back.
    mainWindow->selectCollection(controller->libraryCollection());
    EXPECT_EQ(recipes.columnWithIdentifier(KRDateAddedColumnIdentifier), -1);
    const QList<SortDescriptor> order = recipes.recipes().sortDescriptors();
    ASSERT_FALSE(order.isEmpty());
    EXPECT_EQ(order.first().key(), QStringLiteral("name"));

    mainWindow->selectCollection(controller->recentlyCookedCollection());
    EXPECT_EQ(recipes.columnWithIdentifier(KRDateAddedColumnIdentifier), -1);
    EXPECT_GE(recipes.columnWithIdentifier(KRDateCookedColumnIdentifier), 0);
}
