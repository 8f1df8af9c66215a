#include "QLMPlistToAndFromManagedObject.h"

#include "AttributeDescription.h"
#include "EntityDescription.h"
#include "IsEmpty.h"
#include "Log.h"
#include "ManagedObject.h"

namespace
{

bool fitsAttribute(const QVariant& value, const AttributeDescription* attribute)
{
    if (!attribute || !value.isValid() || value.isNull())
        return true;
    using Type = AttributeDescription::AttributeType;
    const bool isText = value.typeId() == QMetaType::QString;
    switch (attribute->attributeType()) {
    case Type::String:
        return isText;
    case Type::Date:
        return value.typeId() == QMetaType::QDateTime;
    case Type::Binary:
        return value.typeId() == QMetaType::QByteArray;
    case Type::Transformable:
        return true;
    default: {
        // Numbers and booleans: a text is no number here, however it reads.
        if (isText || value.typeId() == QMetaType::QVariantMap || value.typeId() == QMetaType::QVariantList)
            return false;
        bool ok = false;
        attribute->coerce(value, &ok);
        return ok;
    }
    }
}

} // namespace

bool QLMPlistToAndFromManagedObject::sanityCheckKeyArray(const QStringList& first, const QStringList& second)
{
    if (first.isEmpty() || second.isEmpty()) {
        Log::log(QStringLiteral("Key array is nil"));
        return false;
    }
    if (first.size() != second.size()) {
        Log::log(QStringLiteral("Key arrays don't have same number of items"));
        return false;
    }
    return true;
}

std::optional<QVariantMap> QLMPlistToAndFromManagedObject::plistFromManagedObject(
    const ManagedObject* managedObject, const QStringList& moKeys, const QStringList& plistKeys) const
{
    if (!managedObject) {
        Log::log(
            QStringLiteral("managedObject is nil for -plistFromManagedObject:convertingMOKeys:toPlistKeys"));
        return std::nullopt;
    }
    if (!sanityCheckKeyArray(moKeys, plistKeys))
        return std::nullopt;
    QVariantMap plist;
    const bool same = moKeys == plistKeys;
    for (qsizetype i = 0; i < moKeys.size(); ++i) {
        const QVariant value = managedObject->valueForKey(moKeys.at(i));
        if (same)
            plist.insert(plistKeys.at(i), value);
        else if (!isEmpty(value))
            plist.insert(plistKeys.at(i), value);
    }
    return plist;
}

void QLMPlistToAndFromManagedObject::fillManagedObject(ManagedObject* managedObject, const QVariantMap& plist,
    const QStringList& plistKeys, const QStringList& moKeys) const
{
    if (!managedObject) {
        Log::log(QStringLiteral(
            "managedObject is nil for -fillManagedObject:withPlist:convertedPlistKeys:toMOKeys:"));
        return;
    }
    if (!sanityCheckKeyArray(plistKeys, moKeys))
        return;
    const EntityDescription* entity = managedObject->entity();
    for (qsizetype i = 0; i < moKeys.size(); ++i) {
        const QVariant value = plist.value(plistKeys.at(i));
        const AttributeDescription* attribute = entity ? entity->attributeNamed(moKeys.at(i)) : nullptr;
        if (!fitsAttribute(value, attribute)) {
            Log::logf(QStringLiteral("Skipped \"%1\": a value of type %2 does not fit the attribute \"%3\""),
                plistKeys.at(i), QString::fromLatin1(value.typeName()), moKeys.at(i));
            continue;
        }
        managedObject->setValueForKey(value, moKeys.at(i));
    }
}
