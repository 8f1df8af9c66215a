#pragma once

#include "AttributedString.h"
#include "DNDArrayController.h"
#include "GroceryList.h"
#include "GroceryListControllerService.h"

#include <QList>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

class DropboxService;
class GroceryListsFile;
class ManagedObject;
class Presenter;
class RecipeIngredientMO;
class RecipeMO;

using GroceryListPtr = QSharedPointer<GroceryList>;

// Owns every grocery list of the process: keeps them in grocerylists.plist between runs (read at
// start, written at quit and as soon as lists arrive from devices), finds or makes the built-in
// Grocery Lists collection, makes lists from recipes and recipe lines, and holds the two array
// controllers the pane shows: the lists (reordered by dragging, removal confirmed) and the items
// of the selected list. The item controller holds each item as its property list; changes made
// through it are written back to the list, and changes made to the list elsewhere (the recipe
// page's menus) are shown in it. No widgets: the pane plugs in through the outlets. Main thread
// only.
class GroceryListController : public QObject, public GroceryListControllerService
{
    Q_OBJECT

public:
    struct Outlets {
        // Selects the collection in the source list, which brings the grocery pane up.
        std::function<void(ManagedObject* collection)> selectCollection;
        // The recipes selected in the recipe list.
        std::function<QList<ManagedObject*>()> selectedRecipes;
        // Opens a new mail message; false when no mail program could be started.
        std::function<bool(const QString& subject, const QString& body)> sendMail;
    };

    static inline const QString mailSubject = QStringLiteral("Grocery List from Kitchora");

    explicit GroceryListController(Presenter& presenter, QObject* parent = nullptr);
    ~GroceryListController() override;

    // Device sharing (not owned; nullptr: none) and the folder that holds grocerylists.plist.
    void setDropbox(DropboxService* dropbox) { m_dropbox = dropbox; }
    void setFolder(const QString& folder);
    void setOutlets(Outlets outlets) { m_outlets = std::move(outlets); }
    // The tables the two controllers' rows are dragged within (drops from elsewhere are refused).
    void setTableViews(const void* listsTable, const void* itemTable);

    // Reads the stored lists, takes in those waiting from devices, and writes the lists when the
    // application quits. Once, before launch asks for the collection.
    void awakeFromNib();

    // --- GroceryListControllerService ---
    // Finds the built-in Grocery Lists collection by its kind (a user collection that bears the
    // same name stays the user's), or makes it; icon, index 4, not draggable.
    void fetchGroceryListCollection() override;
    // With a linked account, appends the lists other devices sent and saves them at once.
    void fetchGroceryListsFromDropbox() override;
    void createGroceryListWithRecipes(const QList<ManagedObject*>& recipes) override;

    Presenter& presenter() { return m_presenter; }
    ManagedObject* groceryListCollection() const { return m_groceryListCollection; }
    DNDArrayController& listsArrayController() { return m_listsArrayController; }
    DNDArrayController& itemArrayController() { return m_itemArrayController; }
    // Every list, in list order.
    QList<GroceryList*> listsArray() const;
    // An edit of the shown list's item at `index`: "name", "amount" or "haveit".
    void setValueForItemAtIndex(qsizetype index, const QString& key, const QVariant& value);

    void addGroceryList(const GroceryListPtr& list);
    // A default list, appended.
    GroceryList* createNewGroceryList();
    // A new list holding the line (even when the user has its ingredient), appended and selected.
    GroceryList* createGroceryListWithRecipeIngredient(const RecipeIngredientMO* line);
    GroceryList* createGroceryListWithRecipe(RecipeMO* recipe);
    // A new list from the recipes' lines, appended and selected; nullptr when they have no lines.
    GroceryList* createGroceryListWithRecipes(const QList<RecipeMO*>& recipes);
    // Menu action: the sender's represented line or recipe, else the recipe list's selection.
    void createGroceryList(const QVariant& sender);
    // Action: a new default list, selected.
    void newGroceryList();
    // Shows the Grocery Lists collection and makes `list` the only selected list.
    void selectGroceryList(GroceryList* list);
    // The last selected list, or nullptr.
    GroceryList* selectedGroceryList() const;
    // "1 Grocery List", else "<n> Grocery Lists".
    QString groceryListCountString() const;

    MutableAttributedString mutableAttributedStringForGroceryList(const GroceryList* list) const;
    MutableAttributedString mutableAttributedStringForSelectedGroceryList() const;
    // The selected list's text and a signature line, as mailed.
    QString emailBodyForSelectedGroceryList() const;
    // Action: mails the selected list (nothing selected: nothing to send); a mail program that
    // cannot be started is reported.
    void emailGroceryList();

    // The item controller added an item: its name is edited next.
    bool justAdded() const { return m_justAdded; }
    void clearJustAdded() { m_justAdded = false; }

    void restoreGroceryListsFromProperyList();
    // Writes grocerylists.plist; false (logged) when it could not be written.
    bool applicationWillTerminate();

signals:
    // The lists were added, removed, moved or renamed.
    void listsChanged();
    // Another list (or none) is shown in the item controller.
    void selectedGroceryListChanged(GroceryList* list);

private:
    static GroceryList* listOf(const QVariant& object);
    void configureListsController();
    void configureItemController();
    void showSelectedList();
    void loadItems(bool keepSelection);
    void writeItemsBack();

    Presenter& m_presenter;
    DropboxService* m_dropbox = nullptr;
    Outlets m_outlets;
    std::unique_ptr<GroceryListsFile> m_file;
    DNDArrayController m_listsArrayController;
    DNDArrayController m_itemArrayController;
    ManagedObject* m_groceryListCollection = nullptr;
    // The list the item controller shows; kept alive while shown.
    GroceryListPtr m_shownList;
    QMetaObject::Connection m_shownListConnection;
    bool m_loadingItems = false;
    bool m_writingItems = false;
    bool m_justAdded = false;
    bool m_awoken = false;
};
