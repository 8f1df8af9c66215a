#include "MainWindow.h"

#include "CollectionsController.h"
#include "CollectionsOutlineView.h"
#include "CollectionsTreeModel.h"
#include "ControllerFixture.h"
#include "DropboxSharingInfoView.h"
#include "EntityDescription.h"
#include "Folder.h"
#include "GrayBackgroundView.h"
#include "GrayButton.h"
#include "GroceryListController.h"
#include "GroceryListPane.h"
#include "LineSplitView.h"
#include "ManualCollection.h"
#include "PolishedChrome.h"
#include "PolishedColumnHeaderCell.h"
#include "PolishedHeader.h"
#include "RecipeCardDocument.h"
#include "RecipeCollection.h"
#include "RecipeListModel.h"
#include "RecipeTableColumns.h"
#include "RecipeTableView.h"
#include "SampleLibraryBuilder.h"
#include "Theming.h"
#include "ToolBarColor.h"
#include "UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
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

    // Nothing in an empty library has children to expand; unknown values are ignored.
    mainWindow->restoreExpandedStateFromArray(
        { QStringLiteral("0"), QStringLiteral("x-coredata://none/Folder/p9") });
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

TEST_F(MainWindowTest, ExpandedFoldersComeBackByObjectAfterTheyMoved)
{
    ASSERT_NO_FATAL_FAILURE(launchWithWindow(Presenter::LibraryChoice::Empty));
    CollectionsController& collections = mainWindow->collectionsController();
    auto* outer = dynamic_cast<Folder*>(collections.newFolder());
    auto* inner = dynamic_cast<Folder*>(collections.newFolder());
    ASSERT_TRUE(outer && inner);
    auto* innerCollection = dynamic_cast<RecipeCollection*>(inner);
    outer->addChildrenObject(innerCollection);
    innerCollection->setName(QStringLiteral("Inner"));
    auto* leaf = dynamic_cast<RecipeCollection*>(collections.newCollection());
    inner->addChildrenObject(leaf);
    Error error;
    ASSERT_TRUE(controller->managedObjectContext()->save(&error));
    mainWindow->reloadLibrary();

    CollectionsOutlineView* view = mainWindow->collectionsOutlineView();
    view->expandCollection(outer);
    view->expandCollection(inner);
    const QVariantList state = mainWindow->expandedStateArray();
    ASSERT_EQ(state.size(), 2);
    EXPECT_EQ(state.first().toString(), outer->objectID().URIRepresentation().toString());

    // The outer folder moves below a new collection: row paths change, the objects don't.
    mainWindow->selectCollection(controller->libraryCollection());
    collections.newCollection();
    outer->setIndex(99);
    collections.rearrangeCollections();
    mainWindow->reloadLibrary();
    view->collapseAll();
    ASSERT_TRUE(mainWindow->expandedStateArray().isEmpty());
    mainWindow->restoreExpandedStateFromArray(state);
    EXPECT_EQ(mainWindow->expandedStateArray(), state);
}

TEST_F(MainWindowTest, DeviceCollectionShowsSharingInPlaceOfTheRecipeList)
{
    dropbox.linked = true;
    QLMKitchoraDevice phone;
    phone.setDeviceUDID(QStringLiteral("u1"));
    phone.setDeviceName(QStringLiteral("Phone"));
    phone.setDeviceType(QStringLiteral("iPhone"));
    dropbox.records = { phone };
    ASSERT_NO_FATAL_FAILURE(launchWithWindow(Presenter::LibraryChoice::Sample));
    ManagedObject* device = mainWindow->collectionsController().deviceCollectionForDevice(phone);
    ASSERT_NE(device, nullptr);
    mainWindow->reloadLibrary();
    int opened = 0;
    mainWindow->setOpenSharingPreferences([&opened] { ++opened; });

    mainWindow->selectCollection(device);
    ASSERT_EQ(mainWindow->selectedCollection(), device);
    EXPECT_TRUE(mainWindow->dropboxInfoViewShown());
    EXPECT_EQ(mainWindow->dropboxInfoView()->header()->title(), QStringLiteral("Sharing"));
    EXPECT_EQ(mainWindow->selectedRecipe(), nullptr);
    EXPECT_TRUE(mainWindow->recipeView()->toPlainText().isEmpty());
    mainWindow->dropboxInfoView()->preferencesButton()->click();
    EXPECT_EQ(opened, 1);

    mainWindow->selectCollection(controller->libraryCollection());
    EXPECT_FALSE(mainWindow->dropboxInfoViewShown());
    EXPECT_NE(mainWindow->selectedRecipe(), nullptr);
}

TEST_F(MainWindowTest, EditDeleteActsOnTheFocusedList)
{
    ASSERT_NO_FATAL_FAILURE(launchWithWindow(Presenter::LibraryChoice::Sample));
    QApplication::setActiveWindow(mainWindow.get());
    QAction* menuDelete = mainWindow->deleteMenuAction();

    mainWindow->recipeTableView()->setFocus();
    ASSERT_TRUE(mainWindow->recipeTableView()->hasFocus());
    mainWindow->validateDeleteMenuAction();
    EXPECT_EQ(menuDelete->text(), QStringLiteral("Delete Recipe"));
    EXPECT_TRUE(menuDelete->isEnabled());

    // The library is built in: the source list's Delete is off.
    mainWindow->collectionsOutlineView()->setFocus();
    mainWindow->validateDeleteMenuAction();
    EXPECT_EQ(menuDelete->text(), QStringLiteral("Delete"));
    EXPECT_FALSE(menuDelete->isEnabled());

    ManagedObject* mine = mainWindow->collectionsController().newCollection();
    mainWindow->selectCollection(mine);
    mainWindow->collectionsOutlineView()->setFocus();
    mainWindow->validateDeleteMenuAction();
    EXPECT_EQ(menuDelete->text(), QStringLiteral("Delete Recipe Collection"));
    ASSERT_TRUE(menuDelete->isEnabled());
    UserDefaults::standardUserDefaults().setBool(false, QStringLiteral("KRConfirmsCollectionDelete"));
    menuDelete->trigger();
    EXPECT_TRUE(mine->isDeleted());
}

TEST_F(MainWindowTest, RenamingInPlaceSurvivesTheTreeBeingRebuiltByTheRename)
{
    ASSERT_NO_FATAL_FAILURE(launchWithWindow(Presenter::LibraryChoice::Empty));
    QApplication::setActiveWindow(mainWindow.get());
    // A new collection starts its rename at once; the typed name is committed with Return, and the
    // rename re-sorts the source list while the editor is still committing.
    ManagedObject* made = mainWindow->collectionsController().newCollection();
    CollectionsOutlineView* view = mainWindow->collectionsOutlineView();
    QLineEdit* editor = nullptr;
    for (QLineEdit* found : view->viewport()->findChildren<QLineEdit*>())
        editor = found->isVisible() ? found : editor;
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("Soups"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(editor, &enter);
    // The delegate commits on its next event-loop pass.
    QCoreApplication::processEvents();
    clock.advance(0);
    EXPECT_EQ(made->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Soups"));
    EXPECT_EQ(mainWindow->collectionsModel().indexOf(made).data().toString(), QStringLiteral("Soups"));
}

TEST_F(MainWindowTest, ChoosingAnotherCollectionEndsRecipeEditing)
{
    ASSERT_NO_FATAL_FAILURE(launchWithWindow(Presenter::LibraryChoice::Sample));
    recipe.editing = true;
    const int before = recipe.edits;
    mainWindow->selectCollection(controller->importedCollection());
    EXPECT_FALSE(recipe.editing);
    EXPECT_EQ(recipe.edits, before + 1);
    // Not editing: changing collections leaves the page alone.
    mainWindow->selectCollection(controller->libraryCollection());
    EXPECT_EQ(recipe.edits, before + 1);
}

TEST_F(MainWindowTest, TheGroceryListsPaneKeepsTheRecipePageInPlace)
{
    auto* page = new QWidget;
    recipe.page = page;
    ASSERT_NO_FATAL_FAILURE(launchWithWindow(Presenter::LibraryChoice::Sample));
    GroceryListController groceries(presenter);
    mainWindow->setGroceryListPane(new GroceryListPane(groceries));
    ASSERT_TRUE(mainWindow->isAncestorOf(page));
    EXPECT_TRUE(page->isVisibleTo(mainWindow.get()));

    mainWindow->setGroceryListsTableHidden(false);
    EXPECT_FALSE(page->isVisibleTo(mainWindow.get()));
    mainWindow->setGroceryListsTableHidden(true);
    EXPECT_TRUE(page->isVisibleTo(mainWindow.get()));
    // The window goes before the controller its pane shows.
    controller->setMainWindowAccess(nullptr);
    mainWindow.reset();
}

TEST_F(MainWindowTest, FollowsTheThemingChoiceWithItsTitle)
{
    ASSERT_NO_FATAL_FAILURE(launchWithWindow(Presenter::LibraryChoice::Empty));
    EXPECT_FALSE(mainWindow->themed());
    UserDefaults::standardUserDefaults().setBool(true, KRThemedWindows);
    NotificationCenter::defaultCenter().postNotificationName(KRThemingChanged);
    EXPECT_TRUE(mainWindow->themed());
    EXPECT_EQ(mainWindow->titleString(), QStringLiteral("Kitchora"));
    EXPECT_EQ(mainWindow->background().size(), mainWindow->size());
    UserDefaults::standardUserDefaults().setBool(false, KRThemedWindows);
    NotificationCenter::defaultCenter().postNotificationName(KRThemingChanged);
    EXPECT_FALSE(mainWindow->themed());
}

TEST_F(MainWindowTest, PanesCarryTheirHeadersAndTheDividersAreLines)
{
    ASSERT_NO_FATAL_FAILURE(launchWithWindow(Presenter::LibraryChoice::Sample));
    for (QSplitter* splitter : { mainWindow->mainSplitter(), mainWindow->recipeViewSplitter() }) {
        EXPECT_NE(qobject_cast<LineSplitView*>(splitter), nullptr) << splitter->objectName().toStdString();
        EXPECT_EQ(splitter->handleWidth(), 1);
    }

    // The source list's column header and the middle pane's header make one row.
    auto* outlineHeader
        = qobject_cast<PolishedColumnHeaderCell*>(mainWindow->collectionsOutlineView()->header());
    ASSERT_NE(outlineHeader, nullptr);
    EXPECT_TRUE(outlineHeader->isVisibleTo(mainWindow.get()));
    EXPECT_EQ(outlineHeader->titleForSection(0), QStringLiteral("Collections"));
    PolishedHeader* header = mainWindow->tableHeader();
    EXPECT_TRUE(header->isVisibleTo(mainWindow.get()));
    EXPECT_EQ(header->title(), QStringLiteral("Recipes"));
    EXPECT_EQ(outlineHeader->mapTo(mainWindow.get(), QPoint(0, 0)).y(),
        header->mapTo(mainWindow.get(), QPoint(0, 0)).y());
    EXPECT_EQ(outlineHeader->height(), header->height());

    // The recipe list's columns keep their titles and their sort indicator on the header image.
    auto* columns
        = qobject_cast<PolishedColumnHeaderCell*>(mainWindow->recipeTableView()->horizontalHeader());
    ASSERT_NE(columns, nullptr);
    EXPECT_EQ(columns->titleForSection(0), QStringLiteral("Name"));
    EXPECT_TRUE(columns->isSortIndicatorShown());
    EXPECT_TRUE(columns->sectionsClickable());

    mainWindow->setGroceryListsTableHidden(false);
    EXPECT_EQ(header->title(), QStringLiteral("Grocery Lists"));
}

TEST_F(MainWindowTest, BottomBarButtonsStandUnderTheirPanes)
{
    ASSERT_NO_FATAL_FAILURE(launchWithWindow(Presenter::LibraryChoice::Sample));
    QCoreApplication::processEvents();
    QWidget* bar = mainWindow->bottomBar();
    const QRect barFrame(bar->mapTo(mainWindow.get(), QPoint(0, 0)), bar->size());
    EXPECT_EQ(barFrame.height(), int(PolishedChrome::kBottomBorderThickness));
    EXPECT_EQ(barFrame.bottom(), mainWindow->height() - 1);
    EXPECT_EQ(barFrame.width(), mainWindow->width());

    QSplitter* inner = mainWindow->recipeViewSplitter();
    auto leftEdgeInBar = [bar](QWidget* pane) { return pane->mapTo(bar->parentWidget(), QPoint(0, 0)).x(); };
    auto expectUnderPanes = [&] {
        EXPECT_EQ(mainWindow->addCollectionButton()->x(), 0);
        EXPECT_EQ(mainWindow->addRecipeButton()->x(), leftEdgeInBar(inner->widget(0)) - 1);
        EXPECT_EQ(mainWindow->addGroceryListButton()->x(), leftEdgeInBar(inner->widget(0)) - 1);
        EXPECT_EQ(mainWindow->importButton()->x(), leftEdgeInBar(inner->widget(1)) - 1);
        for (GrayButton* button : bar->findChildren<GrayButton*>()) {
            SCOPED_TRACE(button->text().toStdString());
            EXPECT_TRUE(bar->rect().contains(button->geometry()));
        }
    };
    expectUnderPanes();
    // Dragging a divider takes the buttons along.
    const QList<int> sizes = inner->sizes();
    inner->setSizes({ sizes.at(0) + 60, sizes.at(1) - 60 });
    QCoreApplication::processEvents();
    expectUnderPanes();

    // One add button at a time: the one for the list that shows.
    EXPECT_TRUE(mainWindow->addRecipeButton()->isVisibleTo(mainWindow.get()));
    EXPECT_FALSE(mainWindow->addGroceryListButton()->isVisibleTo(mainWindow.get()));
    mainWindow->setGroceryListsTableHidden(false);
    EXPECT_FALSE(mainWindow->addRecipeButton()->isVisibleTo(mainWindow.get()));
    EXPECT_TRUE(mainWindow->addGroceryListButton()->isVisibleTo(mainWindow.get()));

    // The add-collection button works.
    const int before = mainWindow->collectionsModel().rowCount();
    mainWindow->addCollectionButton()->click();
    mainWindow->reloadLibrary();
    EXPECT_GT(mainWindow->collectionsModel().rowCount(), before);
}

TEST_F(MainWindowTest, ThemingSwitchesTheBottomAndTopBarsPainting)
{
    ASSERT_NO_FATAL_FAILURE(launchWithWindow(Presenter::LibraryChoice::Empty));
    QCoreApplication::processEvents();
    QWidget* bar = mainWindow->bottomBar();
    // A point of the bar that no button covers.
    const QPoint inBar(mainWindow->addCollectionButton()->geometry().right() + 8, bar->height() / 2);
    const QPoint inWindow = bar->mapTo(mainWindow.get(), inBar);
    auto shownAt = [&](const QPoint& point) { return mainWindow->grab().toImage().pixelColor(point); };

    EXPECT_TRUE(mainWindow->bottomBarBackground()->isVisibleTo(mainWindow.get()));
    EXPECT_EQ(shownAt(inWindow).rgb(), ToolBarColor::toolBarGray().rgb());

    UserDefaults::standardUserDefaults().setBool(true, KRThemedWindows);
    NotificationCenter::defaultCenter().postNotificationName(KRThemingChanged);
    QCoreApplication::processEvents();
    ASSERT_TRUE(mainWindow->themed());
    EXPECT_FALSE(mainWindow->bottomBarBackground()->isVisibleTo(mainWindow.get()));
    EXPECT_EQ(shownAt(inWindow), mainWindow->background().pixelColor(inWindow));
    EXPECT_NE(shownAt(inWindow).rgb(), ToolBarColor::toolBarGray().rgb());
    // The menu bar lies on the painted top bar, which it shows through.
    QMenuBar* menus = mainWindow->menuBar();
    EXPECT_EQ(menus->height(), PolishedWindow::topBarHeight());
    const QPoint emptyMenuBarPoint(menus->width() - 3, menus->height() / 2);
    const QColor topBar = mainWindow->background().pixelColor(emptyMenuBarPoint);
    EXPECT_EQ(shownAt(emptyMenuBarPoint), topBar);

    UserDefaults::standardUserDefaults().setBool(false, KRThemedWindows);
    NotificationCenter::defaultCenter().postNotificationName(KRThemingChanged);
    QCoreApplication::processEvents();
    EXPECT_TRUE(mainWindow->bottomBarBackground()->isVisibleTo(mainWindow.get()));
    EXPECT_EQ(shownAt(inWindow).rgb(), ToolBarColor::toolBarGray().rgb());
    EXPECT_NE(shownAt(emptyMenuBarPoint), topBar);
}

TEST_F(MainWindowTest, AddRecipeButtonAddsWhereTheNewRecipeWouldShow)
{
    ASSERT_NO_FATAL_FAILURE(launchWithWindow(Presenter::LibraryChoice::Sample));
    QPushButton* add = mainWindow->addRecipeButton();
    const RecipeArrayController& recipes = mainWindow->recipesModel().recipes();

    mainWindow->selectCollection(controller->libraryCollection());
    ASSERT_TRUE(add->isEnabled());
    const qsizetype before = recipes.count();
    const int edits = recipe.edits;
    add->click();
    EXPECT_EQ(recipes.count(), before + 1);
    ASSERT_EQ(recipes.selectedRecipes().size(), 1);
    auto* library = dynamic_cast<ManualCollection*>(controller->libraryCollection());
    ASSERT_NE(library, nullptr);
    EXPECT_TRUE(library->recipes().contains(recipes.selectedRecipes().first()));
    clock.advance(0);
    EXPECT_EQ(recipe.edits, edits + 1) << "the new recipe opens for editing";

    // Collections that make their own contents take no new recipe.
    for (ManagedObject* collection :
        { controller->importedCollection(), controller->recentlyCookedCollection() }) {
        mainWindow->selectCollection(collection);
        EXPECT_FALSE(add->isEnabled());
    }
    mainWindow->selectCollection(controller->libraryCollection());
    EXPECT_TRUE(add->isEnabled());
}

TEST_F(MainWindowTest, AddGroceryListButtonMakesAListOnceThePaneIsThere)
{
    ASSERT_NO_FATAL_FAILURE(launchWithWindow(Presenter::LibraryChoice::Sample));
    EXPECT_FALSE(mainWindow->addGroceryListButton()->isEnabled());
    GroceryListController groceries(presenter);
    auto* pane = new GroceryListPane(groceries);
    mainWindow->setGroceryListPane(pane);
    const QString before = pane->countText();
    ASSERT_TRUE(mainWindow->addGroceryListButton()->isEnabled());
    mainWindow->addGroceryListButton()->click();
    EXPECT_NE(pane->countText(), before);
    controller->setMainWindowAccess(nullptr);
    mainWindow.reset();
}
