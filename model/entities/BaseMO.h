#pragma once

#include "Decimal.h"
#include "ManagedObject.h"

#include <QString>
#include <stdexcept>

// Thrown when objects of different kinds are compared for ordering.
class BadComparisonException : public std::invalid_argument
{
public:
    using std::invalid_argument::invalid_argument;
};

// Base of every entity class of the library model.
class BaseMO : public ManagedObject
{
public:
    // Shared code sets "recipe" on every kind of item; entities without it log and ignore that.
    // Any other unknown key is handled as for any managed object.
    void setValueForUndefinedKey(const QVariant& value, const QString& key) override;

    // Deletes the object from its context and detaches it at once: a recipe takes its picture
    // along, an item leaves its recipe's list before the context processes the deletion.
    void deleteFromManagedObjectContext();

    // Entities that can scale override this; the default logs and changes nothing.
    virtual void scaleByFactor(const Decimal& factor);

    // The key of the object's constant group; the default logs and answers a null string.
    virtual QString constantGroupKey() const;
};
