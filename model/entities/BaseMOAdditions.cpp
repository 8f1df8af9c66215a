#include "BaseMOAdditions.h"

#include "AmountFinding.h"
#include "BaseMO.h"
#include "ConstantManager.h"
#include "EntityDescription.h"
#include "IsEmpty.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "UnitsEngine.h"
#include "UserDefaults.h"

#include <QMutex>

namespace
{

QMutex s_lookupMutex;
BaseMOAdditions::IngredientTrieLookup s_ingredientLookup;

ManagedObject* insertNamed(const QString& name, const QString& entityName, ManagedObjectContext* context)
{
    ManagedObject* object = EntityDescription::insertNewObjectForEntityForName(entityName, context);
    if (object)
        object->setValueForKey(name, QStringLiteral("name"));
    return object;
}

bool isLetter(QChar c)
{
    return c.isLetter();
}

} // namespace

namespace BaseMOAdditions
{

void setIngredientTrieLookup(IngredientTrieLookup lookup)
{
    QMutexLocker locker(&s_lookupMutex);
    s_ingredientLookup = std::move(lookup);
}

ManagedObject* findOrCreateManagedObjectForName(
    const QString& name, const QString& entityName, ManagedObjectContext* context)
{
    if (!context || !EntityDescription::entityForName(entityName, context)) {
        Log::logf(QStringLiteral("no entity by name: %1\n"), entityName);
        return nullptr;
    }

    if (entityName == QLatin1String("Ingredient")
        && UserDefaults::standardUserDefaults().boolForKey(KRIngredientTrieLookups)) {
        IngredientTrieLookup lookup;
        {
            QMutexLocker locker(&s_lookupMutex);
            lookup = s_ingredientLookup;
        }
        if (lookup) {
            if (ManagedObject* known = lookup(context, name))
                return known;
            return insertNamed(name, entityName, context);
        }
    }

    const ManagedObjectModel* model = context->persistentStoreCoordinator()
        ? context->persistentStoreCoordinator()->managedObjectModel()
        : nullptr;
    const QString templateName = QStringLiteral("fetch%1ByName").arg(entityName);
    std::optional<FetchRequest> request = model
        ? model->fetchRequestFromTemplateWithName(templateName, { { QStringLiteral("name"), name } })
        : std::nullopt;
    if (!request) {
        Error error;
        error.domain = QStringLiteral("KitchoraModelErrorDomain");
        error.code = 1;
        error.localizedDescription
            = QStringLiteral("The library model has no fetch request \"%1\".").arg(templateName);
        KitchoraServices::presentErrorOnMainThread(error);
        return nullptr;
    }
    Error error;
    std::optional<QList<ManagedObject*>> result = context->executeFetchRequest(*request, &error);
    if (!result) {
        KitchoraServices::presentErrorOnMainThread(error);
        return nullptr;
    }
    if (!result->isEmpty()) {
        if (result->size() >= 2)
            Log::logf(QStringLiteral("Multiple matches on key: \"name\" with value: %1, for entity: %2\n"),
                name, entityName);
        return result->first();
    }
    return insertNamed(name, entityName, context);
}

bool findOrCreatePlaceholderEntries(ManagedObjectContext* context, QString* failedEntity)
{
    const QMap<QString, QString> placeholders
        = ConstantManager::defaultManager().constantsByGroupWithConstantKey(RVPlaceholderConstantKey);
    const std::pair<QString, QString> entries[] = {
        { QStringLiteral("Kitchen"), KRKitchenConstantGroup },
        { QStringLiteral("Cuisine"), KRCuisineConstantGroup },
        { QStringLiteral("Category"), KRCategoryConstantGroup },
        { QStringLiteral("Ingredient"), KRIngredientConstantGroup },
    };
    bool all = true;
    for (const auto& [entity, group] : entries) {
        const QString name = placeholders.value(group);
        if (!name.isEmpty() && findOrCreateManagedObjectForName(name, entity, context))
            continue;
        if (all && failedEntity)
            *failedEntity = entity;
        all = false;
    }
    return all;
}

MeasurementUnitPtr unitForKey(const ManagedObject* object, const QString& key)
{
    const QVariant value = object ? object->valueForKey(key) : QVariant();
    if (isEmpty(value))
        return UnitsEngine::genericUnit();
    const QString text = value.toString();
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && !isLetter(text.at(start)))
        ++start;
    while (end > start && !isLetter(text.at(end - 1)))
        --end;
    MeasurementUnitPtr unit = UnitsEngine::defaultEngine().unitForName(text.mid(start, end - start));
    return unit ? unit : UnitsEngine::genericUnit();
}

Decimal amountForKey(const ManagedObject* object, const QString& key)
{
    const QVariant value = object ? object->valueForKey(key) : QVariant();
    if (isEmpty(value))
        return Decimal::one();
    return AmountFinding::amountDecimalNumberValue(value.toString());
}

void refreshDisplayString(ManagedObject* object)
{
    if (!object || !object->entity())
        return;
    const QString entityName = object->entity()->name();
    if (entityName == QLatin1String("Recipe"))
        object->setValueForKey(true, QStringLiteral("dirty"));
    else if (entityName == QLatin1String("RecipeIngredient")) {
        if (ManagedObject* recipe = object->objectForKey(QStringLiteral("recipe")))
            recipe->setValueForKey(true, QStringLiteral("dirty"));
    }
}

QString constantGroupKey(const ManagedObject* object)
{
    if (const auto* base = dynamic_cast<const BaseMO*>(object))
        return base->constantGroupKey();
    Log::logf(QStringLiteral("BaseMO: unknown constant group for type: %1"),
        object && object->entity() ? object->entity()->managedObjectClassName()
                                   : QStringLiteral("ManagedObject"));
    return QString();
}

QString placeholderString(const ManagedObject* object)
{
    const QString group = constantGroupKey(object);
    if (group.isNull())
        return QString();
    return ConstantManager::defaultManager().constantForKey(RVPlaceholderConstantKey, group);
}

} // namespace BaseMOAdditions
