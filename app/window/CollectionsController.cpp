#include "CollectionsController.h"

#include "CollectionKindBehaviour.h"
#include "CollectionsOutlineView.h"
#include "EntityDescription.h"
#include "FetchRequest.h"
#include "Folder.h"
#include "KitchoraController.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "Predicate.h"
#include "Presenter.h"
#include "RecipeCollection.h"
#include "RecipeTableColumns.h"
#include "SmartCollection.h"
#include "UserDefaults.h"

#include <QApplication>
#include <algorithm>

namespace
{

const QString kIndex = QStringLiteral("index");
const QString kKind = QStringLiteral("kind");
const QString kParent = QStringLiteral("parent");
const QString kChildren = QStringLiteral("children");

// Built-in collections hold the top-level indexes 0 to 5.
constexpr int kFirstUserIndex = 6;

bool isFolder(const ManagedObject* collection)
{
    return collection && collection->valueForKey(kKind).toString() == KRCollectionKindFolder;
}

} // namespace

CollectionsController::CollectionsController(KitchoraController& controller, QObject* parent)
    : QObject(parent)
    , m_controller(controller)
    , m_treeController([&controller] { return controller.managedObjectContext(); })
    , m_model(m_treeController)
{
    m_treeController.setConfirmation([this](qsizetype count) {
        if (!UserDefaults::standardUserDefaults().boolForKey(KRConfirmsCollectionDelete))
            return true;
        const QString message = count == 1
            ? tr("Are you sure you want to delete the selected collection? The recipes in it stay in "
                 "the library.")
            : tr("Are you sure you want to delete the %n selected collections? The recipes in them "
                 "stay in the library.",
                nullptr, int(count));
        return m_controller.presenter().runAlert(message, { tr("Delete"), tr("Cancel") }) == 0;
    });
    connect(&m_treeController, &CollectionsTreeController::selectionDidChange, this,
        &CollectionsController::selectionDidChange);
}

CollectionsController::~CollectionsController() = default;

void CollectionsController::setCollectionsOutlineView(CollectionsOutlineView* view)
{
    m_outlineView = view;
}

void CollectionsController::beep()
{
    QApplication::beep();
    emit beeped();
}

// --- service ---

ManagedObject* CollectionsController::selectedCollection()
{
    const QList<ManagedObject*> selected = m_treeController.selectedObjects();
    return selected.isEmpty() ? nullptr : selected.last();
}

void CollectionsController::updateSmartCollections()
{
    ManagedObjectContext* context = m_treeController.managedObjectContext();
    if (!context)
        return;
    Error error;
    const std::optional<QList<ManagedObject*>> found = context->executeFetchRequest(
        FetchRequest::fetchRequestWithEntityName(QStringLiteral("SmartCollection")), &error);
    if (!found)
        m_controller.presentError(error);
    const QList<ManagedObject*> smart = found.value_or(QList<ManagedObject*>());
    if (smart.isEmpty())
        Log::logf(QStringLiteral("smart collection refresh: nothing to refresh\n"));
    for (ManagedObject* object : smart) {
        if (auto* collection = dynamic_cast<SmartCollection*>(object))
            collection->refresh();
    }
    context->processPendingChanges();
}

void CollectionsController::rearrangeCollections()
{
    m_treeController.rearrangeObjects();
}

// --- new collections ---

ManagedObject* CollectionsController::newCollection()
{
    return insertCollection(NewKind::Collection);
}

ManagedObject* CollectionsController::newFolder()
{
    return insertCollection(NewKind::Folder);
}

ManagedObject* CollectionsController::newSmartCollection()
{
    return insertCollection(NewKind::SmartCollection);
}

int CollectionsController::nextIndexAtLevel(ManagedObject* parent)
{
    QList<ManagedObject*> siblings;
    if (parent) {
        siblings = parent->objectsForKey(kChildren);
    } else if (ManagedObjectContext* context = m_treeController.managedObjectContext()) {
        FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("RecipeCollection"));
        request.setPredicate(*Predicate::predicateWithFormat(QStringLiteral("parent == nil")));
        siblings = context->executeFetchRequest(request).value_or(QList<ManagedObject*>());
    }
    int next = parent ? 0 : kFirstUserIndex;
    for (const ManagedObject* sibling : siblings) {
        if (sibling->isDeleted())
            continue;
        const QVariant index = sibling->valueForKey(kIndex);
        if (index.isValid())
            next = std::max(next, index.toInt() + 1);
    }
    return next;
}

ManagedObject* CollectionsController::insertCollection(NewKind kind)
{
    ManagedObjectContext* context = m_treeController.managedObjectContext();
    if (!context)
        return nullptr;
    QList<ManagedObject*> selected = m_treeController.selectedObjects();
    if (kind != NewKind::SmartCollection) {
        if (selected.isEmpty())
            Log::logf(QStringLiteral("newCollection: no selection unsupported\n"));
        else if (selected.size() > 1)
            Log::logf(QStringLiteral("newCollection: multiple selection unsupported\n"));
    }
    ManagedObject* last = selected.isEmpty() ? nullptr : selected.last();

    static const QString entities[]
        = { QStringLiteral("ManualCollection"), QStringLiteral("Folder"), QStringLiteral("SmartCollection") };
    static const QString kinds[]
        = { KRCollectionKindManualCollection, KRCollectionKindFolder, KRCollectionKindSmartCollection };
    const int which = int(kind);
    ManagedObject* made = EntityDescription::insertNewObjectForEntityForName(entities[which], context);
    if (!made)
        return nullptr;

    const bool intoFolder = isFolder(last) && (kind != NewKind::SmartCollection || selected.size() == 1);
    ManagedObject* parent = nullptr;
    if (intoFolder) {
        // Into the folder, at the end of its children.
        parent = last;
        made->setValueForKey(nextIndexAtLevel(parent), kIndex);
        if (auto* folder = dynamic_cast<Folder*>(parent))
            folder->addChildrenObject(made);
    } else {
        // At the end of the selected collection's level; the top level without a selection.
        parent = last ? last->objectForKey(kParent) : nullptr;
        made->setValueForKey(nextIndexAtLevel(parent), kIndex);
        if (auto* folder = dynamic_cast<Folder*>(parent))
            folder->addChildrenObject(made);
    }
    made->setValueForKey(kinds[which], kKind);
    context->processPendingChanges();
    m_treeController.rearrangeObjects();
    if (m_outlineView && parent)
        m_outlineView->expandCollection(parent);
    m_treeController.setSelectedObjects({ made });
    if (m_outlineView)
        m_outlineView->editCollection(made);
    return made;
}

// --- deletion and renaming ---

bool CollectionsController::canRenameOrDelete(const ManagedObject* collection)
{
    const auto* recipeCollection = dynamic_cast<const RecipeCollection*>(collection);
    return recipeCollection && !recipeCollection->isInvincible();
}

void CollectionsController::deleteSmartCollection()
{
    ManagedObject* collection = selectedCollection();
    if (!canRenameOrDelete(collection)) {
        beep();
        return;
    }
    ManagedObjectContext* context = m_treeController.managedObjectContext();
    context->deleteObject(collection);
    context->processPendingChanges();
    m_treeController.rearrangeObjects();
}

bool CollectionsController::canDeleteSelection()
{
    const QList<ManagedObject*> selected = m_treeController.selectedObjects();
    return !selected.isEmpty() && std::all_of(selected.begin(), selected.end(), canRenameOrDelete);
}

QString CollectionsController::deleteMenuItemTitle()
{
    return canDeleteSelection() ? tr("Delete Recipe Collection") : tr("Delete");
}

bool CollectionsController::deleteSelectedItems()
{
    if (!canDeleteSelection()) {
        beep();
        return false;
    }
    return m_treeController.removeObjectsAtArrangedObjectIndexPaths(m_treeController.selectionIndexPaths());
}

void CollectionsController::selectCollection(ManagedObject* collection)
{
    m_treeController.setSelectionIndexPath(m_treeController.arrangedIndexPathForObject(collection));
}

// --- selection ---

void CollectionsController::selectionDidChange()
{
    ManagedObject* collection = selectedCollection();
    const CollectionKindBehaviour behaviour = CollectionKindBehaviour::forCollection(collection);
    if (behaviour.shows == CollectionKindBehaviour::Shows::DeviceInfo)
        fetchRecipesFromDropbox();
    updateDateColumns(collection);
    emit selectedCollectionChanged(collection);
}

void CollectionsController::updateDateColumns(const ManagedObject* collection)
{
    RecipeTableColumns* table = m_recipeTableColumns;
    if (!table)
        return;
    const auto extra = CollectionKindBehaviour::forCollection(collection).extraDateColumn;
    if (extra == CollectionKindBehaviour::ExtraDateColumn::None) {
        if (m_savedSortDescriptors) {
            table->setSortDescriptors(*m_savedSortDescriptors);
            m_savedSortDescriptors.reset();
        }
        for (const QString& column : { KRDateAddedColumnIdentifier, KRDateCookedColumnIdentifier }) {
            if (table->hasColumn(column))
                table->removeColumn(column);
        }
        return;
    }
    const bool added = extra == CollectionKindBehaviour::ExtraDateColumn::Added;
    const QString wanted = added ? KRDateAddedColumnIdentifier : KRDateCookedColumnIdentifier;
    const QString other = added ? KRDateCookedColumnIdentifier : KRDateAddedColumnIdentifier;
    if (table->hasColumn(other))
        table->removeColumn(other);
    if (table->hasColumn(wanted))
        return;
    // Going straight from one extra column to the other saves the order shown now.
    m_savedSortDescriptors = table->sortDescriptors();
    const QString key = added ? QStringLiteral("dateAdded") : QStringLiteral("dateCooked");
    table->addDateColumn(wanted, added ? tr("Added") : tr("Cooked"), key);
    table->setSortDescriptors({ SortDescriptor(key, false) });
}

// --- renumbering ---

void CollectionsController::renumber(const QList<ManagedObject*>& siblings, bool topLevel)
{
    int next = topLevel ? kFirstUserIndex : 0;
    for (ManagedObject* sibling : siblings) {
        if (topLevel && !canRenameOrDelete(sibling))
            continue;
        if (sibling->valueForKey(kIndex).toInt() != next || !sibling->valueForKey(kIndex).isValid())
            sibling->setValueForKey(next, kIndex);
        ++next;
    }
}
