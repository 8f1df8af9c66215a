#pragma once

#include <QList>
#include <QString>

class ManagedObject;
class ManagedObjectContext;

// The ingredients the user always has at home: Ingredient objects whose "haveIt" is set.
namespace HaveItList
{

// The ingredients of the context marked have-it, by name (case-insensitive).
QList<ManagedObject*> haveItIngredients(ManagedObjectContext* context);
// Every ingredient of the context, by name (case-insensitive).
QList<ManagedObject*> allIngredients(ManagedObjectContext* context);

// Finds or makes the Ingredient named `name` (trimmed) and, with `markHaveIt`, marks it have-it;
// pending changes are processed. nullptr, and nothing made, for an empty name.
ManagedObject* addIngredient(const QString& name, ManagedObjectContext* context, bool markHaveIt);
// Unmarks the ingredient (nothing for nullptr) and processes pending changes.
void removeIngredientHaveIt(ManagedObject* ingredient, ManagedObjectContext* context);

} // namespace HaveItList
