#pragma once

#include "MainWindowAccess.h"
#include "NotificationCenter.h"
#include "PolishedWindow.h"
#include "SearchControllerService.h"
#include "SplitViewRules.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class BackgroundView;
class CollectionsController;
class CollectionsOutlineView;
class CollectionsTreeModel;
class DropboxSharingInfoView;
class GrayBackgroundView;
class GrayButton;
class GroceryListPane;
class ImagePanel;
class QMenu;
class KitchoraController;
class ManagedObject;
class PolishedHeader;
class PreferencesController;
class QAction;
class QLabel;
class QSplitter;
class QStackedWidget;
class QTextBrowser;
class QTreeView;
class RecipeArrayController;
class RecipeListColumns;
class RecipeListModel;
class RecipeSharingService;
class RecipeTableView;
class RecipeTableDelegate;

// The library window: the source list of collections on the left; on the right a second splitter
// with the middle pane (the recipe list of the selected collection, or the grocery lists) and the
// recipe page. The splitters keep the widths of SplitViewRules and draw their dividers as one-point
// lines. Headers on the header image title the source list and the middle pane; the bar along the
// bottom edge holds the add and import buttons, each under its pane. Closing the window asks the
// controller whether to quit and quits when it may. Themed, like the other polished windows, when
// the user turns theming on: the window then paints the bottom bar behind the buttons in place of
// the plain grey one.
//
// The lists are snapshots of the controller's main context: reloadLibrary() reads them again
// (after the store changed or an undo). Not owned: the controller, which must outlive the window.
// Main thread only.
class MainWindow : public PolishedWindow, public MainWindowAccess
{
    Q_OBJECT

public:
    explicit MainWindow(KitchoraController& controller, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Reads the collections again and keeps the selected collection and recipe when they are still
    // there; otherwise selects the library and its first recipe.
    void reloadLibrary();
    // Selects the collection's row (nullptr or not in the list: the library) and the first recipe.
    void selectCollection(ManagedObject* collection);

    ManagedObject* selectedCollection() const;
    ManagedObject* selectedRecipe() const;
    const CollectionsTreeModel& collectionsModel() const { return *m_collections; }
    CollectionsController& collectionsController() const { return *m_collectionsController; }
    CollectionsOutlineView* collectionsOutlineView() const { return m_collectionsOutlineView; }
    const RecipeListModel& recipesModel() const { return *m_recipes; }
    RecipeArrayController& recipeArrayController() const { return *m_recipeArrayController; }
    RecipeTableView* recipeTableView() const { return m_recipeTableView; }
    // Under the recipe list: "12 Recipes".
    QString recipeCountText() const;
    QTextBrowser* recipeView() const { return m_recipeView; }

    // The header above the middle pane.
    PolishedHeader* tableHeader() const { return m_tableHeader; }
    QSplitter* mainSplitter() const { return m_mainSplitter; }
    QSplitter* recipeViewSplitter() const { return m_recipeViewSplitter; }
    // The bar along the bottom edge, its grey background (hidden while the window paints its own
    // bar) and its buttons.
    QWidget* bottomBar() const { return m_bottomBar; }
    GrayBackgroundView* bottomBarBackground() const { return m_bottomBarBackground; }
    GrayButton* addCollectionButton() const { return m_addCollectionButton; }
    GrayButton* addRecipeButton() const { return m_addRecipeButton; }
    GrayButton* addGroceryListButton() const { return m_addGroceryListButton; }
    GrayButton* importButton() const { return m_importButton; }

    bool groceryListsTableHidden() const { return m_groceryListsTableHidden; }
    // Shows the recipe list (true) or the grocery lists, and titles the header above them.
    void setGroceryListsTableHidden(bool hidden);
    QString tableHeaderTitle() const;
    // Shown in place of the recipe list while a device collection is selected.
    DropboxSharingInfoView* dropboxInfoView() const { return m_dropboxInfoView; }
    bool dropboxInfoViewShown() const;
    // What the info view's button does (the preferences window's Sharing pane); empty: nothing.
    void setOpenSharingPreferences(std::function<void()> open) { m_openSharingPreferences = std::move(open); }
    // What Recipe > Blog this Recipe… and Email this Recipe… reach (not owned; nullptr: the items are
    // disabled).
    void setRecipeSharing(RecipeSharingService* sharing);

    // Edit > Delete acts on the view with the keyboard focus (the source list, the recipe list or
    // the grocery lists): it takes that view's title and enabling when the menu opens.
    QAction* deleteMenuAction() const { return m_deleteMenuAction; }
    void validateDeleteMenuAction();
    // The grocery lists pane (owned from now on): its lists table shows in the middle pane and the
    // selected list where the recipe page is, while the Grocery Lists collection is selected.
    void setGroceryListPane(GroceryListPane* pane);
    GroceryListPane* groceryListPane() const { return m_groceryListPane; }
    // The search pane's controller (not owned; must outlive the window): its search fields go above
    // the middle pane, its results in place of the recipe list, and it hears every change of the
    // source list's selection.
    void setSearchController(SearchControllerService* search);

    // The window became the main window: the controller's first-run question and Dropbox poll.
    void windowDidBecomeMain();

    // What File > Print prints now: what the main window shows while it is the active window,
    // nothing otherwise. The item is enabled only while there is something to print.
    SplitViewRules::PrintingTarget printingTarget() const;
    QAction* printAction() const { return m_printAction; }
    // The preferences window, made the first time it is shown.
    QAction* preferencesAction() const { return m_preferencesAction; }
    PreferencesController& preferencesController();
    // Runs the print panel for the printing target and prints it when the user accepts.
    void print();

    // MainWindowAccess
    bool commitEditing() override { return true; }
    void centerWindow() override;
    QString outlineAutosaveName() const override;
    // Each expanded folder by its object URI, so the state survives reordering.
    QVariantList expandedStateArray() const override;
    void restoreExpandedStateFromArray(const QVariantList& state) override;
    void collapseAllSearchFields() override
    {
        if (m_searchController)
            m_searchController->collapseAllSearchFields();
    }
    QList<ManagedObject*> selectedRecipes() const override;
    void selectRecipe(ManagedObject* recipe) override;

    // The floating panel with the shown recipe's picture: made on first use.
    void showImagePanel();
    void closeImagePanel();
    // The help page at its section on writing ingredient amounts.
    void showIngredientAmountHelp();
    ImagePanel* imagePanel() const { return m_imagePanel; }
    // The main menu "Recipe", for the parts that add their items to it.
    QMenu* recipeMenu() const { return m_recipeMenu; }
    // The recipe list's drags and its write-back before the selection changes.
    RecipeTableDelegate& recipeTableDelegate() const { return *m_recipeTableDelegate; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPanes();
    void buildMenus();
    void updatePrintingTarget();
    GrayButton* addButton(const QString& text, const QString& toolTip);
    void buildBottomBar();
    // Puts the bottom bar's buttons under their panes.
    void layoutBottomBar();
    void themedDidChange(bool themed);
    void collectionSelectionChanged();
    void recipeSelectionChanged();
    void showRecipe(ManagedObject* recipe);
    void selectRecipeRow(int row);
    bool deviceCollectionSelected() const;
    // SplitViewRules on the main splitter: after a resize, and after the divider moved.
    void applyMainSplitterResizeRules();
    void constrainMainDivider(int position);
    void undoOrRedo(bool undo);
    void showHelp();
    // The Delete action of the view with the keyboard focus, brought up to date with its
    // selection; nullptr when no such view has the focus.
    QAction* focusedDeleteAction();
    // MainWindowFiles.cpp: File and Recipe menu items for opening, exporting and sharing.
    void buildFileActions(QMenu* file, QMenu* recipe);

    KitchoraController& m_controller;
    QSplitter* m_mainSplitter = nullptr;
    QSplitter* m_recipeViewSplitter = nullptr;
    CollectionsController* m_collectionsController = nullptr;
    CollectionsOutlineView* m_collectionsOutlineView = nullptr;
    CollectionsTreeModel* m_collections = nullptr;
    PolishedHeader* m_tableHeader = nullptr;
    BackgroundView* m_viewerBackgroundView = nullptr; // white behind the middle pane's views
    QStackedWidget* m_viewerBackground = nullptr;
    QWidget* m_bottomBar = nullptr;
    GrayBackgroundView* m_bottomBarBackground = nullptr;
    GrayButton* m_addCollectionButton = nullptr;
    GrayButton* m_addRecipeButton = nullptr;
    GrayButton* m_addGroceryListButton = nullptr;
    GrayButton* m_importButton = nullptr;
    RecipeTableView* m_recipeTableView = nullptr;
    QLabel* m_recipeCount = nullptr;
    QWidget* m_groceryListsContainer = nullptr;
    // The model goes before the controller it observes.
    std::unique_ptr<RecipeArrayController> m_recipeArrayController;
    std::unique_ptr<RecipeListModel> m_recipes;
    std::unique_ptr<RecipeListColumns> m_recipeListColumns;
    QTextBrowser* m_recipeView = nullptr;
    // The recipe page when its controller made one (it then takes the read-only pane's place).
    QWidget* m_recipePage = nullptr;
    QPointer<QTextBrowser> m_helpWindow;
    QAction* m_printAction = nullptr;
    QAction* m_deleteMenuAction = nullptr;
    DropboxSharingInfoView* m_dropboxInfoView = nullptr;
    std::function<void()> m_openSharingPreferences;
    QAction* m_preferencesAction = nullptr;
    std::unique_ptr<PreferencesController> m_preferencesController;
    bool m_groceryListsTableHidden = true;
    GroceryListPane* m_groceryListPane = nullptr;
    QStackedWidget* m_recipeViewerStack = nullptr; // the recipe page or the shown grocery list
    double m_leftPaneWidth = 0; // the source list's width before the last resize
    bool m_applyingRules = false;
    ImagePanel* m_imagePanel = nullptr;
    ScopedObserver m_collectionContentObserver;
    SearchControllerService* m_searchController = nullptr;
    QMenu* m_recipeMenu = nullptr;
    std::unique_ptr<RecipeTableDelegate> m_recipeTableDelegate;
    RecipeSharingService* m_recipeSharing = nullptr;
    QAction* m_blogRecipeAction = nullptr;
    QAction* m_emailRecipeAction = nullptr;
};
