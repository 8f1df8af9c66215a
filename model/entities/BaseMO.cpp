#include "BaseMO.h"

#include "EntityDescription.h"
#include "Log.h"
#include "ManagedObjectContext.h"

void BaseMO::setValueForUndefinedKey(const QVariant& value, const QString& key)
{
    if (key == QLatin1String("recipe")) {
        Log::logf(QStringLiteral("%1: trying to set \"recipe\" key when it doesn't exist.\n"),
            entity() ? entity()->name() : QStringLiteral("BaseMO"));
        return;
    }
    ManagedObject::setValueForUndefinedKey(value, key);
}

void BaseMO::deleteFromManagedObjectContext()
{
    ManagedObjectContext* context = managedObjectContext();
    if (!context || !entity())
        return;
    context->deleteObject(this);
    const QString entityName = entity()->name();
    if (entityName == QLatin1String("Recipe")) {
        ManagedObject* image = objectForKey(QStringLiteral("image"));
        if (auto* picture = dynamic_cast<BaseMO*>(image))
            picture->deleteFromManagedObjectContext();
        else if (image)
            context->deleteObject(image);
        setValueForKey(QVariant(), QStringLiteral("image"));
    }
    if (entity()->hasProperty(QStringLiteral("recipe")) && entityName != QLatin1String("Image"))
        setValueForKey(QVariant(), QStringLiteral("recipe"));
}

void BaseMO::scaleByFactor(const Decimal& factor)
{
    Q_UNUSED(factor);
    Log::logf(QStringLiteral("%1: does not support scaling"),
        entity() ? entity()->managedObjectClassName() : QStringLiteral("BaseMO"));
}

QString BaseMO::constantGroupKey() const
{
    Log::logf(QStringLiteral("BaseMO: unknown constant group for type: %1"),
        entity() ? entity()->managedObjectClassName() : QStringLiteral("BaseMO"));
    return QString();
}
