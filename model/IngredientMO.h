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

    void setValueForKey(const QVariant& value, const QString& key) override;
};
