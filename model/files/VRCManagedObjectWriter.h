#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

class ManagedObject;

// Writes Recipe objects as Virtual Recipe Card text: the card of an exported file, of a dragged
// recipe and of the recipe property list. Only reads the recipe, on the thread of its context.
class VRCManagedObjectWriter
{
public:
    // The recipe's card. Every value is written as it stands (no escaping); an absent one as
    // "(null)". Items are written in index order.
    QString stringFromRecipeManagedObject(const ManagedObject* recipe) const;
    // One card per recipe of a list (a QVariantList of objects, or a QList<ManagedObject*>), in
    // its order; members that are no recipe are logged and skipped. Nothing, logged, for a value
    // that is no list.
    std::optional<QStringList> stringsFromRecipeManagedObjects(const QVariant& recipes) const;
    QStringList stringsFromRecipeManagedObjects(const QList<ManagedObject*>& recipes) const;
};
