#pragma once

#include <QStringList>
#include <QVariantMap>
#include <optional>

class ManagedObject;

// Copies attributes of a managed object to dictionary entries and back, through two parallel
// key arrays (the object's keys and the dictionary's, position by position).
class QLMPlistToAndFromManagedObject
{
public:
    virtual ~QLMPlistToAndFromManagedObject() = default;

    // Both arrays given and of the same length; else logged and false.
    static bool sanityCheckKeyArray(const QStringList& first, const QStringList& second);

    // The object's values under the dictionary keys, empty ones left out; when the two arrays
    // are equal, every value as it is (an absent one as a null value). Nothing for no object.
    std::optional<QVariantMap> plistFromManagedObject(
        const ManagedObject* managedObject, const QStringList& moKeys, const QStringList& plistKeys) const;
    // Sets each attribute to the dictionary's value (a missing entry clears it). A value of the
    // wrong type for its attribute is logged and skipped, leaving the attribute as it was.
    void fillManagedObject(ManagedObject* managedObject, const QVariantMap& plist,
        const QStringList& plistKeys, const QStringList& moKeys) const;
};
