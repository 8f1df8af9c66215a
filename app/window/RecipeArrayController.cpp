#include "RecipeArrayController.h"

#include "EntityDescription.h"
#include "KitchoraController.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ManualCollection.h"
#include "Presenter.h"
#include "RecipeMO.h"
#include "RunLoop.h"
#include "SmartCollection.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QSet>
#include <QThread>

namespace
{

QString localized(const char* english)
{
    return QCoreApplication::translate("Kitchora", english);
}

bool onMainThread()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

ManagedObject* recipeOf(const QVariant& object)
{
    auto* recipe = object.value<ManagedObject*>();
    return dynamic_cast<RecipeMO*>(recipe) ? recipe : nullptr;
}

} // namespace

RecipeArrayController::RecipeArrayController()
    : RecipeArrayController(Outlets {})
{
}

RecipeArrayController::RecipeArrayController(Outlets outlets)
    : m_outlets(std::move(outlets))
{
    setEntityName(QStringLiteral("Recipe"));
}

void RecipeArrayController::setCollection(ManagedObject* collection)
{
    m_collection = collection;
    QVariantList content;
    for (ManagedObject* recipe : recipesOf(collection)) {
        if (recipe && !recipe->isDeleted())
            content.append(QVariant::fromValue(recipe));
    }
    setContent(content);
}

ManagedObject* RecipeArrayController::recipeAt(qsizetype index) const
{
    return objectAt(index).value<ManagedObject*>();
}

qsizetype RecipeArrayController::indexOfRecipe(const ManagedObject* recipe) const
{
    if (!recipe)
        return -1;
    return indexOfArrangedObject(QVariant::fromValue(const_cast<ManagedObject*>(recipe)));
}

QList<ManagedObject*> RecipeArrayController::selectedRecipes() const
{
    QList<ManagedObject*> recipes;
    for (const QVariant& object : selectedObjects())
        recipes.append(object.value<ManagedObject*>());
    return recipes;
}

QString RecipeArrayController::itemCountString() const
{
    return itemCountString(content().size());
}

QString RecipeArrayController::itemCountString(qsizetype count)
{
    if (count == 1)
        return localized("1 Recipe");
    return QStringLiteral("%1 %2").arg(count).arg(localized("Recipes"));
}

QList<ManagedObject*> RecipeArrayController::recipesOf(ManagedObject* collection)
{
    if (!collection || collection->isDeleted())
        return {};
    if (const auto* smart = dynamic_cast<const SmartCollection*>(collection))
        return smart->recipes();
    if (const auto* manual = dynamic_cast<const ManualCollection*>(collection))
        return manual->recipes();
    // A folder holds collections, not recipes.
    return {};
}

QVariant RecipeArrayController::newObject()
{
    ManagedObject* selected = m_outlets.selectedCollection ? m_outlets.selectedCollection() : nullptr;
    ManagedObjectContext* context = selected ? selected->managedObjectContext() : nullptr;
    if (!context)
        return {};
    ManagedObject* recipe
        = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), context);
    auto* collection = dynamic_cast<ManualCollection*>(selected);
    auto* mo = dynamic_cast<RecipeMO*>(recipe);
    if (mo && collection && collection->canAdd())
        mo->addCollectionsObject(collection);
    return recipe ? QVariant::fromValue(recipe) : QVariant();
}

void RecipeArrayController::add()
{
    ArrayController::add();
    if (!selectsInsertedObjects() || selectionIndex() < 0)
        return;
    if (m_outlets.didAddObjectAtIndex)
        m_outlets.didAddObjectAtIndex(*this, selectionIndex());
    const bool editing = m_outlets.recipePageEditable && m_outlets.recipePageEditable();
    if (!editing && m_outlets.editRecipe) {
        // The recipe page takes the new selection first.
        const std::function<void()> edit = m_outlets.editRecipe;
        RunLoop::postAfterDelay(0.0, [edit] { edit(); });
    }
}

bool RecipeArrayController::canAdd() const
{
    ManagedObject* selected = m_outlets.selectedCollection ? m_outlets.selectedCollection() : nullptr;
    const auto* collection = dynamic_cast<const ManualCollection*>(selected);
    return collection && !collection->isDeleted() && collection->canAdd();
}

bool RecipeArrayController::confirmDelete(qsizetype count) const
{
    if (!m_outlets.presenter || !onMainThread()
        || !UserDefaults::standardUserDefaults().boolForKey(KRConfirmsRecipeDelete))
        return true;
    const QString message = count > 1 ? localized("Are you sure you want to delete the selected recipes?")
                                      : localized("Are you sure you want to delete the selected recipe?");
    // The first button goes on; any other answer is the panel's abort.
    return m_outlets.presenter->runAlert(message, { localized("Delete"), localized("Cancel") }) == 0;
}

void RecipeArrayController::removeObjectAtArrangedObjectIndex(qsizetype index)
{
    const QVariant object = objectAt(index);
    if (!object.isValid() || !confirmDelete(1))
        return;
    removeConfirmed({ object });
}

void RecipeArrayController::removeObjectsAtArrangedObjectIndexes(const QList<qsizetype>& indexes)
{
    QVariantList objects;
    for (qsizetype index : QSet<qsizetype>(indexes.begin(), indexes.end())) {
        const QVariant object = objectAt(index);
        if (object.isValid())
            objects.append(object);
    }
    if (objects.isEmpty() || !confirmDelete(objects.size()))
        return;
    removeConfirmed(objects);
}

void RecipeArrayController::removeObject(const QVariant& object)
{
    if (!confirmDelete(1))
        return;
    removeConfirmed({ object });
}

void RecipeArrayController::removeObjects(const QVariantList& objects)
{
    if (objects.isEmpty() || !confirmDelete(objects.size()))
        return;
    removeConfirmed(objects);
}

void RecipeArrayController::removeConfirmed(const QVariantList& objects)
{
    QVariantList recipes;
    QVariantList others;
    for (const QVariant& object : objects)
        (recipeOf(object) ? recipes : others).append(object);
    dropObjects(others);
    if (recipes.isEmpty())
        return;

    Log::log(QStringLiteral("Handling recipe delete"));
    ManagedObject* selected = m_outlets.selectedCollection ? m_outlets.selectedCollection() : nullptr;
    // The list's collection as the main context has it now; a collection gone meanwhile is none.
    auto* collection = dynamic_cast<RecipeCollection*>(selected);
    if (!collection || collection->isDeleted() || collection->isSmartCollection()
        || collection->isImportCollection()) {
        beep();
        return;
    }
    QSet<ManagedObjectContext*> contexts;
    for (const QVariant& object : recipes) {
        auto* recipe = static_cast<RecipeMO*>(recipeOf(object));
        recipe->removeCollectionsObject(collection);
        // Leaving the library, or the last collection, is leaving the store.
        if (collection->isLibrary() || recipe->objectsForKey(QStringLiteral("collections")).isEmpty())
            recipe->managedObjectContext()->deleteObject(recipe);
        contexts.insert(recipe->managedObjectContext());
    }
    for (ManagedObjectContext* context : contexts)
        context->processPendingChanges();
    dropObjects(recipes);
    rearrangeObjects();
}

void RecipeArrayController::beep() const
{
    if (m_outlets.beep)
        m_outlets.beep();
}
