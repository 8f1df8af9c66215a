#pragma once

#include "BaseMO.h"

#include <QString>

// One entry of the shared ingredient vocabulary (entity "Ingredient"), unique by name. Every
// ingredient is kept in its context's ingredient trie under its current name.
class IngredientMO : public BaseMO
{
public:
    // Longest name kept whole is 1,024 characters; longer ones are cut to kMaximumNameLength.
    static constexpr qsizetype kMaximumNameLength = 1023;

    QString name() const;
    // Cuts names of 1,025 characters or more, moves the object in the trie from its old name to
    // the new one, and stores the name with change notification.
    void setName(const QString& name);
    bool haveIt() const;
    void setHaveIt(bool haveIt);
    // The name, and its length in UTF-16 units.
    QString description() const;
    qsizetype length() const;

    // The placeholder Ingredient of the main context (what the template "fetchDefaultIngredient"
    // selects); nullptr while there is none or before there is a main context. A fetch error is
    // presented.
    static IngredientMO* defaultIngredient();
    // The main context's default ingredient for the main context; any other context's own. Each
    // context's answer is fetched once and kept, a miss too: a miss is asked again only after an
    // Ingredient of that name is named, inserted, changed or saved, and a deleted placeholder is
    // looked for again.
    static IngredientMO* defaultIngredientForContext(ManagedObjectContext* context);
    // Drops a context's cached default ingredient (a context that goes away drops it by itself).
    static void removeDefaultIngredientForContext(ManagedObjectContext* context);

    void setValueForKey(const QVariant& value, const QString& key) override;
};
