#pragma once

#include "CollectionsControllerService.h"
#include "CollectionsTreeController.h"
#include "CollectionsTreeModel.h"
#include "SortDescriptor.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <memory>
#include <optional>

class CollectionsOutlineView;
class KitchoraController;
class ManagedObject;
class QMimeData;
class QWidget;
class RecipeTableColumns;

// User default: the identifiers of the devices the user hid from the source list.
inline const QString QLMDropboxHiddenDevicesKey = QStringLiteral("QLMDropboxHiddenDevicesKey");

// The source list's controller: its tree of collections and their item model, new collections,
// deletion and renaming with their guards, what a change of selection shows, the collections as
// drag source and drop target, and the device collections kept in step with the devices sharing
// the user's Dropbox. Decisions live here as plain calls the tests drive without a window; the
// outline view only translates events into them. Not owned: the application controller, which
// must outlive this one. Main thread only.
class CollectionsController : public QObject, public CollectionsControllerService
{
    Q_OBJECT

public:
    // Where a drag comes from.
    enum class DragSource {
        OtherApplication,
        CollectionsList, // a collection moved within the list
        GroceryListsTable, // grocery lists
        OtherView, // recipes from the recipe list or the search results
    };
    struct DropInfo {
        DragSource source = DragSource::OtherApplication;
        const QMimeData* data = nullptr;
        Qt::DropActions sourceOperations = Qt::CopyAction | Qt::MoveAction;
    };

    explicit CollectionsController(KitchoraController& controller, QObject* parent = nullptr);
    ~CollectionsController() override;

    CollectionsTreeController& collectionsTreeController() { return m_treeController; }
    CollectionsTreeModel& collectionsModel() { return m_model; }
    // Not owned; nullptr while there is none.
    void setCollectionsOutlineView(CollectionsOutlineView* view);
    CollectionsOutlineView* collectionsOutlineView() const { return m_outlineView; }
    // The recipe table whose extra date column follows the selection; not owned, nullptr: none.
    void setRecipeTableColumns(RecipeTableColumns* columns) { m_recipeTableColumns = columns; }
    // The view grocery lists are dragged from; not owned.
    void setGroceryListsTableView(const QWidget* view) { m_groceryListsTableView = view; }
    const QWidget* groceryListsTableView() const { return m_groceryListsTableView; }

    // --- CollectionsControllerService ---
    ManagedObject* selectedCollection() override;
    void updateSmartCollections() override;
    void rearrangeCollections() override;
    void fetchRecipesFromDropbox() override;
    void updateDeviceCollectionsWithDeviceArray(const QList<QLMKitchoraDevice>& devices) override;

    // --- The list (CollectionsController.cpp) ---
    // Each inserts the new collection after the selection (into a selected folder, else at the
    // end of the selected collection's level) and selects it; the view then starts renaming it.
    ManagedObject* newCollection();
    ManagedObject* newFolder();
    ManagedObject* newSmartCollection();
    // Deletes the selected collection without asking; built-in collections only beep.
    void deleteSmartCollection();
    void selectCollection(ManagedObject* collection);
    // In-place renaming and the Delete item: only collections that are not built in.
    static bool canRenameOrDelete(const ManagedObject* collection);
    bool canDeleteSelection();
    QString deleteMenuItemTitle();
    // Removes the selection through the tree controller (asking when KRConfirmsCollectionDelete
    // is on); built-in collections and no selection beep. True when something was removed.
    bool deleteSelectedItems();
    // What the newly selected collection shows: the grocery lists, the device view or the recipe
    // list, and the recipe table's extra date column. Sent when the selection changed.
    void selectionDidChange();
    // The index for a new collection at the level of `parent` (nullptr: top level): one past the
    // largest in use, at least 6 at the top level.
    int nextIndexAtLevel(ManagedObject* parent);

    // --- Drag and drop (CollectionsControllerDrops.cpp) ---
    // The drag data of a collection (its object URI); nullptr when it cannot be dragged.
    std::unique_ptr<QMimeData> writeItems(const QList<ManagedObject*>& items);
    // The drop operation for `info` over `target` (nullptr: the top level) at `*childIndex` (-1:
    // onto the row); may turn a drop between rows into one onto the row. Qt::IgnoreAction: none.
    Qt::DropAction validateDrop(const DropInfo& info, ManagedObject* target, int* childIndex);
    bool acceptDrop(const DropInfo& info, ManagedObject* target, int childIndex);
    bool reorderOutlineView(ManagedObject* targetItem, int childIndex, ManagedObject* moved);
    bool acceptSingleRecipeDropOntoCollection(ManagedObject* target, ManagedObject* recipe);
    bool acceptMultipleRecicesDropOntoCollection(ManagedObject* target, const QList<QUrl>& uris);
    bool acceptDropOntoGroceryListCollection(
        ManagedObject* target, const QMimeData& data, const QString& type);
    // The managed object of the main context an object URI names; nullptr when none does.
    ManagedObject* objectForURI(const QUrl& uri);
    // Top-level rows of the built-in collections, which sort before every user collection.
    int builtInRowCount();

    // --- Device collections (CollectionsControllerDevices.cpp) ---
    static QLMKitchoraDevice kitchoraDeviceFromDeviceCollection(const ManagedObject* collection);
    ManagedObject* deviceCollectionForDevice(const QLMKitchoraDevice& device);
    void updateDeviceCollections();
    // Hides the selected device collection's device; its collection is deleted.
    void hideDevice();
    void showHiddenDevices();
    QStringList hiddenUDIDs() const { return m_hiddenUDIDs.value_or(QStringList()); }
    // Sharing is on: Dropbox linked, or the old sharing default still on.
    bool sharingIsOn();
    // Running transfers shown on the devices folder's row (fetching) and on each device's row
    // (sending); a row with a count above 0 shows a spinner in place of its icon.
    unsigned dropboxProgressIndicatorCounter() const { return m_dropboxProgressIndicatorCounter; }
    void setDropboxProgressIndicatorCounter(unsigned count);
    unsigned progressCount(const ManagedObject* collection) const;
    bool acceptRecipeDropOntoDropboxCollection(
        ManagedObject* target, const QMimeData& data, const QString& type);
    bool acceptGroceryListDropOntoDropboxCollection(ManagedObject* target, const QMimeData& data);

signals:
    void selectedCollectionChanged(ManagedObject* collection);
    // The rows whose spinner shows changed.
    void progressChanged();
    void beeped();

private:
    enum class NewKind { Collection, Folder, SmartCollection };
    ManagedObject* insertCollection(NewKind kind);
    void updateDateColumns(const ManagedObject* collection);
    void beep();
    void raiseProgress(ManagedObject* row);
    void lowerProgress(ManagedObject* row);
    // Renumbers the user collections of a level in the given order; at the top level the
    // built-in collections keep their indexes and the others take 6, 7, ...
    static void renumber(const QList<ManagedObject*>& siblings, bool topLevel);

    KitchoraController& m_controller;
    CollectionsTreeController m_treeController;
    CollectionsTreeModel m_model;
    QPointer<CollectionsOutlineView> m_outlineView;
    RecipeTableColumns* m_recipeTableColumns = nullptr;
    const QWidget* m_groceryListsTableView = nullptr;
    std::optional<QList<SortDescriptor>> m_savedSortDescriptors;
    std::optional<QStringList> m_hiddenUDIDs;
    unsigned m_dropboxProgressIndicatorCounter = 0;
    QHash<const ManagedObject*, unsigned> m_rowProgress;
};
