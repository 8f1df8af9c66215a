// The source list as drag source and drop target.

#include "CollectionKindBehaviour.h"
#include "CollectionsController.h"
#include "CollectionsOutlineView.h"
#include "DeviceCollection.h"
#include "EntityDescription.h"
#include "Folder.h"
#include "KitchoraController.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ManualCollection.h"
#include "MutableObjectSet.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeCollection.h"
#include "RecipePasteboard.h"
#include "UserDefaults.h"

#include <QMimeData>

namespace
{

const QString kDraggable = QStringLiteral("draggable");
const QString kParent = QStringLiteral("parent");
const QString kCollections = QStringLiteral("collections");

bool isRecipe(const ManagedObject* object)
{
    return object && object->entity() && object->entity()->name() == QLatin1String("Recipe");
}

QString kindOf(const ManagedObject* object)
{
    return object ? object->valueForKey(QStringLiteral("kind")).toString() : QString();
}

// The first of the recipe URIs and the URL type that the data offers; empty for neither.
QString bestType(const QMimeData& data)
{
    if (RecipePasteboard::hasRecipeURIs(data))
        return RecipeURIDataPboardType;
    if (RecipePasteboard::hasURL(data))
        return RecipePasteboard::urlMimeType;
    return {};
}

QList<QUrl> urisOfType(const QMimeData& data, const QString& type)
{
    if (type == RecipeURIDataPboardType)
        return RecipePasteboard::readRecipeURIs(data);
    if (type == RecipePasteboard::urlMimeType) {
        const QUrl url = RecipePasteboard::readURL(data);
        return url.isEmpty() ? QList<QUrl>() : QList<QUrl>({ url });
    }
    return {};
}

} // namespace

ManagedObject* CollectionsController::objectForURI(const QUrl& uri)
{
    ManagedObjectContext* context = m_treeController.managedObjectContext();
    if (!context || !context->persistentStoreCoordinator())
        return nullptr;
    const ManagedObjectID id
        = context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(uri);
    if (id.isNull())
        return nullptr;
    ManagedObject* object = context->existingObjectWithID(id);
    return object && !object->isDeleted() ? object : nullptr;
}

int CollectionsController::builtInRowCount()
{
    int count = 0;
    for (const auto& node : m_treeController.roots()) {
        if (!canRenameOrDelete(node->collection))
            ++count;
    }
    return count;
}

std::unique_ptr<QMimeData> CollectionsController::writeItems(const QList<ManagedObject*>& items)
{
    if (items.isEmpty())
        return nullptr;
    if (items.size() > 1)
        Log::logf(QStringLiteral("Single selection of outline view items expected\n"));
    ManagedObject* collection = items.last();
    // Built-in collections are never dragged, whatever their stored flag says.
    if (!collection || !collection->valueForKey(kDraggable).toBool() || !canRenameOrDelete(collection))
        return nullptr;
    auto data = std::make_unique<QMimeData>();
    RecipePasteboard::writeURL(*data, collection->objectID().URIRepresentation());
    return data;
}

Qt::DropAction CollectionsController::validateDrop(
    const DropInfo& info, ManagedObject* target, int* childIndex)
{
    if (!info.data || info.source == DragSource::OtherApplication)
        return Qt::IgnoreAction;
    const QString kind = kindOf(target);
    if (info.source != DragSource::CollectionsList) {
        if (info.source == DragSource::GroceryListsTable) {
            if (kind != KRCollectionKindDeviceCollection
                || !target->valueForKey(QStringLiteral("groceryListSupport")).toBool())
                return Qt::IgnoreAction;
        } else {
            const CollectionKindBehaviour behaviour = CollectionKindBehaviour::forKind(kind);
            if (!target || !behaviour.takesRecipes)
                return Qt::IgnoreAction;
        }
        if (childIndex && *childIndex != -1)
            *childIndex = -1;
        return Qt::CopyAction;
    }

    // A collection moved within the list: only between rows.
    if (!childIndex || *childIndex == -1)
        return Qt::IgnoreAction;
    ManagedObject* moved = objectForURI(RecipePasteboard::readURL(*info.data));
    if (!moved || !moved->valueForKey(kDraggable).toBool() || !canRenameOrDelete(moved))
        return Qt::IgnoreAction;
    if (!target) {
        // Nothing goes among the built-in collections.
        if (*childIndex < builtInRowCount())
            return Qt::IgnoreAction;
    } else {
        if (!CollectionKindBehaviour::forKind(kind).takesCollectionsInside)
            return Qt::IgnoreAction;
        if (target == moved || m_treeController.descendantsOf(moved).contains(target))
            return Qt::IgnoreAction;
    }
    return Qt::MoveAction;
}

bool CollectionsController::acceptDrop(const DropInfo& info, ManagedObject* target, int childIndex)
{
    if (!info.data || info.sourceOperations == Qt::IgnoreAction)
        return false;
    // Accept only what validation allows: the view may be driven without it.
    int validatedIndex = childIndex;
    if (validateDrop(info, target, &validatedIndex) == Qt::IgnoreAction)
        return false;
    const QMimeData& data = *info.data;
    const QString type = bestType(data);
    const CollectionKindBehaviour behaviour = CollectionKindBehaviour::forKind(kindOf(target));
    if (behaviour.sendsToDevice) {
        if (info.source == DragSource::GroceryListsTable)
            return acceptGroceryListDropOntoDropboxCollection(target, data);
        if (!type.isEmpty())
            return acceptRecipeDropOntoDropboxCollection(target, data, type);
        Log::logf(QStringLiteral("Unable to handle pasteboard type for device collection: %1"), type);
    }
    if (behaviour.makesGroceryLists)
        return acceptDropOntoGroceryListCollection(target, data, type);

    const auto refuse = [&] {
        Log::logf(
            QStringLiteral("Did not accept drop: dropInfo: %1, bestPboardType: %2, targetCollection: %3"),
            data.formats().join(u','), type,
            target ? target->valueForKey(QStringLiteral("name")).toString() : QStringLiteral("(null)"));
        return false;
    };
    const QList<QUrl> uris = urisOfType(data, type);
    if (uris.isEmpty())
        return refuse();
    ManagedObject* last = objectForURI(uris.last());
    if (info.source == DragSource::CollectionsList) {
        if (!dynamic_cast<RecipeCollection*>(last))
            return refuse();
        return reorderOutlineView(target, validatedIndex, last);
    }
    if (uris.size() == 1) {
        if (!isRecipe(last))
            return refuse();
        return acceptSingleRecipeDropOntoCollection(target, last);
    }
    return acceptMultipleRecicesDropOntoCollection(target, uris);
}

bool CollectionsController::reorderOutlineView(
    ManagedObject* targetItem, int childIndex, ManagedObject* moved)
{
    if (!moved || childIndex < 0)
        return false;
    if (!targetItem && childIndex < builtInRowCount())
        return false;
    auto* movedCollection = dynamic_cast<RecipeCollection*>(moved);
    if (!movedCollection || movedCollection->isInvincible())
        return false;
    ManagedObject* oldParent = moved->objectForKey(kParent);
    QList<ManagedObject*> siblings;
    if (targetItem)
        siblings = CollectionsTreeController::arranged(targetItem->objectsForKey(QStringLiteral("children")));
    else
        siblings = m_treeController.siblingObjectsAtArrangedIndexPath({ 0 });
    if (oldParent != targetItem) {
        if (auto* folder = dynamic_cast<Folder*>(oldParent))
            folder->removeChildrenObject(moved);
        if (auto* folder = dynamic_cast<Folder*>(targetItem))
            folder->addChildrenObject(moved);
        else
            moved->setValueForKey(QVariant(), kParent);
    }
    const qsizetype oldPosition = siblings.indexOf(moved);
    if (oldPosition >= 0)
        siblings.removeAt(oldPosition);
    qsizetype position = childIndex;
    if (oldPosition >= 0 && oldPosition < childIndex)
        --position;
    siblings.insert(std::clamp<qsizetype>(position, 0, siblings.size()), moved);
    renumber(siblings, targetItem == nullptr);
    if (ManagedObjectContext* context = moved->managedObjectContext())
        context->processPendingChanges();
    m_treeController.rearrangeObjects();
    if (m_outlineView && targetItem)
        m_outlineView->expandCollection(targetItem);
    m_treeController.setSelectedObjects({ moved });
    return true;
}

bool CollectionsController::acceptSingleRecipeDropOntoCollection(ManagedObject* target, ManagedObject* recipe)
{
    if (!target || !isRecipe(recipe))
        return false;
    MutableObjectSet collections = recipe->mutableSetValueForKey(kCollections);
    ManagedObject* library = m_controller.libraryCollection();
    if (library && !collections.containsObject(library)) {
        // From the web search results: it joins the library and Recent Imports, so it outlives
        // the search cache.
        if (ManagedObject* imports = m_controller.importedCollection()) {
            collections.addObject(imports);
            if (auto* recent = dynamic_cast<RecipeCollection*>(imports))
                recent->trimImportCollection();
        }
        collections.addObject(library);
    }
    collections.addObject(target);
    return true;
}

bool CollectionsController::acceptMultipleRecicesDropOntoCollection(
    ManagedObject* target, const QList<QUrl>& uris)
{
    if (!target)
        return false;
    ManagedObject* library = m_controller.libraryCollection();
    ManagedObject* imports = m_controller.importedCollection();
    const qint64 saved = UserDefaults::standardUserDefaults().integerForKey(KRSavedImportsCount);
    bool anyFromOutside = false;
    for (const QUrl& uri : uris) {
        ManagedObject* recipe = objectForURI(uri);
        // Unresolved or foreign URIs, and objects that are no recipes, name nothing to file.
        if (!isRecipe(recipe))
            continue;
        MutableObjectSet collections = recipe->mutableSetValueForKey(kCollections);
        if (library && !collections.containsObject(library)) {
            if (!anyFromOutside && imports && uris.size() > saved)
                imports->mutableSetValueForKey(QStringLiteral("recipes")).removeAllObjects();
            anyFromOutside = true;
            if (imports)
                collections.addObject(imports);
            collections.addObject(library);
        }
        collections.addObject(target);
    }
    if (anyFromOutside && uris.size() <= saved) {
        if (auto* recent = dynamic_cast<RecipeCollection*>(imports))
            recent->trimImportCollection();
    }
    if (auto* device = dynamic_cast<DeviceCollection*>(target))
        device->recipesUpdated();
    return true;
}

bool CollectionsController::acceptDropOntoGroceryListCollection(
    ManagedObject*, const QMimeData& data, const QString& type)
{
    if (type == RecipePasteboard::urlMimeType) {
        ManagedObject* recipe = objectForURI(RecipePasteboard::readURL(data));
        if (!isRecipe(recipe))
            return false;
        m_controller.groceryListController().createGroceryListWithRecipes({ recipe });
        return true;
    }
    if (type == RecipeURIDataPboardType) {
        QList<ManagedObject*> recipes;
        for (const QUrl& uri : RecipePasteboard::readRecipeURIs(data)) {
            ManagedObject* recipe = objectForURI(uri);
            if (isRecipe(recipe))
                recipes.append(recipe);
        }
        if (!recipes.isEmpty())
            m_controller.groceryListController().createGroceryListWithRecipes(recipes);
        return true;
    }
    return false;
}
