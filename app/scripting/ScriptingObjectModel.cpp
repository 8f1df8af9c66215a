#include "ScriptingObjectModel.h"

#include "EntityDescription.h"
#include "FetchRequest.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeMO.h"

#include <QHash>
#include <algorithm>

namespace
{

const QHash<QString, QString>& elementEntities()
{
    static const QHash<QString, QString> entities {
        { QStringLiteral("recipes"), QStringLiteral("Recipe") },
        { QStringLiteral("collections"), QStringLiteral("ManualCollection") },
        { QStringLiteral("ingredients"), QStringLiteral("Ingredient") },
        { QStringLiteral("kitchens"), QStringLiteral("Kitchen") },
        { QStringLiteral("categories"), QStringLiteral("Category") },
        { QStringLiteral("cuisines"), QStringLiteral("Cuisine") },
    };
    return entities;
}

struct ListKind {
    QString relationship;
    QString entity;
    QString className;
};

std::optional<ListKind> listKind(const QString& listKey)
{
    if (listKey == QLatin1String("ASingredients"))
        return ListKind { QStringLiteral("ingredients"), QStringLiteral("RecipeIngredient"),
            QStringLiteral("RecipeIngredientMO") };
    if (listKey == QLatin1String("ASdirections"))
        return ListKind { QStringLiteral("directions"), QStringLiteral("Direction"),
            QStringLiteral("DirectionMO") };
    if (listKey == QLatin1String("ASnotes"))
        return ListKind { QStringLiteral("notes"), QStringLiteral("Note"), QStringLiteral("NoteMO") };
    return std::nullopt;
}

ManagedObject* objectAt(const QVariant& value)
{
    return value.value<ManagedObject*>();
}

QString quoted(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

ScriptingObjectModel::ScriptingObjectModel(ManagedObjectContext* context)
    : m_context(context)
{
}

QStringList ScriptingObjectModel::elementKeys()
{
    return { QStringLiteral("recipes"), QStringLiteral("collections"), QStringLiteral("ingredients"),
        QStringLiteral("kitchens"), QStringLiteral("categories"), QStringLiteral("cuisines") };
}

QString ScriptingObjectModel::entityForElementKey(const QString& key)
{
    return elementEntities().value(key);
}

std::optional<QList<ManagedObject*>> ScriptingObjectModel::elements(const QString& key) const
{
    const QString entity = entityForElementKey(key);
    if (entity.isEmpty() || !m_context)
        return std::nullopt;
    std::optional<QList<ManagedObject*>> found
        = m_context->executeFetchRequest(FetchRequest::fetchRequestWithEntityName(entity));
    if (found)
        found->removeIf([](ManagedObject* object) { return object->isDeleted(); });
    return found;
}

QStringList ScriptingObjectModel::recipeListKeys()
{
    return { QStringLiteral("ASingredients"), QStringLiteral("ASdirections"), QStringLiteral("ASnotes") };
}

QList<ManagedObject*> ScriptingObjectModel::recipeList(ManagedObject* recipe, const QString& listKey) const
{
    const auto* typed = dynamic_cast<RecipeMO*>(recipe);
    const std::optional<ListKind> kind = listKind(listKey);
    if (!typed || !kind)
        return {};
    return typed->sortedItemsForKey(kind->relationship);
}

bool ScriptingObjectModel::setRecipeList(
    ManagedObject* recipe, const QString& listKey, const QList<ManagedObject*>& items)
{
    auto* typed = dynamic_cast<RecipeMO*>(recipe);
    const std::optional<ListKind> kind = listKind(listKey);
    if (!typed || !kind || !m_context)
        return false;
    for (ManagedObject* item : items) {
        if (!item || item->isDeleted() || !item->entity() || item->entity()->name() != kind->entity)
            return false;
    }
    // Replaced items are deleted, not left without a recipe.
    for (ManagedObject* old : typed->sortedItemsForKey(kind->relationship)) {
        if (!items.contains(old))
            m_context->deleteObject(old);
    }
    for (ManagedObject* item : items)
        item->setValueForKey(QVariant::fromValue<ManagedObject*>(recipe), QStringLiteral("recipe"));
    m_context->processPendingChanges();
    // Their own indexes order them; the list is then numbered 1..n.
    typed->recomputeIndexesForKey(kind->relationship);
    if (typed->sortedItemsForKey(kind->relationship).isEmpty())
        typed->addInstanceOfClass(kind->className, 1);
    typed->setDirty(true);
    m_context->processPendingChanges();
    return true;
}

ManagedObject* ScriptingObjectModel::objectForURI(const QUrl& uri) const
{
    if (!m_context || !m_context->persistentStoreCoordinator())
        return nullptr;
    const ManagedObjectID id
        = m_context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(uri);
    if (id.isNull())
        return nullptr;
    ManagedObject* object = m_context->existingObjectWithID(id);
    return object && !object->isDeleted() ? object : nullptr;
}

ManagedObject* ScriptingObjectModel::elementForSpecifier(const QString& key, const QString& specifier) const
{
    const std::optional<QList<ManagedObject*>> all = elements(key);
    if (!all)
        return nullptr;
    if (specifier.startsWith(QLatin1String("name:"))) {
        const QString name = specifier.mid(5);
        for (ManagedObject* object : *all) {
            if (object->valueForKey(QStringLiteral("name")).toString() == name)
                return object;
        }
        return nullptr;
    }
    if (specifier.startsWith(QLatin1String("index:"))) {
        bool ok = false;
        const qsizetype index = specifier.mid(6).toLongLong(&ok);
        return ok && index >= 0 && index < all->size() ? all->at(index) : nullptr;
    }
    ManagedObject* object = objectForURI(QUrl(specifier));
    return object && all->contains(object) ? object : nullptr;
}

QString ScriptingObjectModel::objectSpecifier(ManagedObject* object) const
{
    if (!object || !object->entity())
        return {};
    const EntityDescription* entity = object->entity();
    for (const QString& key : elementKeys()) {
        const EntityDescription* elementEntity
            = EntityDescription::entityForName(entityForElementKey(key), m_context);
        if (elementEntity && entity->isKindOfEntity(elementEntity))
            return QStringLiteral("%1[name=%2]")
                .arg(key, quoted(object->valueForKey(QStringLiteral("name")).toString()));
    }
    for (const QString& listKey : recipeListKeys()) {
        if (entity->name() != listKind(listKey)->entity)
            continue;
        ManagedObject* recipe = objectAt(object->valueForKey(QStringLiteral("recipe")));
        const QString container = objectSpecifier(recipe);
        if (container.isEmpty())
            return {};
        const qlonglong index = object->valueForKey(QStringLiteral("index")).toLongLong();
        return QStringLiteral("%1/%2[%3]").arg(container, listKey).arg(index - 1);
    }
    return {};
}

QString ScriptingObjectModel::displayText(const ManagedObject* object)
{
    if (!object)
        return {};
    for (const QString& key :
        { QStringLiteral("name"), QStringLiteral("text"), QStringLiteral("displayString") }) {
        if (object->entity() && object->entity()->attributeNamed(key))
            return object->valueForKey(key).toString();
    }
    return {};
}
