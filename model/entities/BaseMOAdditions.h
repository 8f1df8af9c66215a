#pragma once

#include "Decimal.h"
#include "MeasurementUnit.h"

#include <QString>
#include <functional>

class ManagedObject;
class ManagedObjectContext;

// User default: find ingredients by name through the context's ingredient trie, not a fetch.
inline const QString KRIngredientTrieLookups = QStringLiteral("KRIngredientTrieLookups");

// Small rules that every managed object of the library model shares.
namespace BaseMOAdditions
{

// The object of the entity whose "name" equals `name`, inserted into the context when there is
// none; nullptr when the model has no such entity or the lookup fetch fails (the error is
// presented on the main thread). Duplicates are logged and the first one in fetch order is used.
ManagedObject* findOrCreateManagedObjectForName(
    const QString& name, const QString& entityName, ManagedObjectContext* context);

// Finds or creates the Kitchen, Cuisine, Category and Ingredient named by their fields'
// placeholders: the entries a new library holds from the start. Every one is tried; false, with
// *failedEntity naming the first, when any cannot be had (no placeholder text, or find-or-create
// failed).
bool findOrCreatePlaceholderEntries(ManagedObjectContext* context, QString* failedEntity = nullptr);

// How find-or-create asks a context's ingredient trie for an Ingredient by name (nullptr: the
// trie holds none). Installed by the ingredient trie; without one, the fetch template decides.
using IngredientTrieLookup
    = std::function<ManagedObject*(ManagedObjectContext* context, const QString& name)>;
void setIngredientTrieLookup(IngredientTrieLookup lookup);

// The unit named by the text under `key`, trimmed of non-letters at both ends; the generic unit
// when the text is empty or names no unit. Never null.
MeasurementUnitPtr unitForKey(const ManagedObject* object, const QString& key);

// The amount in the text under `key`; one when the text is empty.
Decimal amountForKey(const ManagedObject* object, const QString& key);

// Marks the recipe card stale: a recipe sets its own "dirty", an ingredient line its recipe's.
void refreshDisplayString(ManagedObject* object);

// The object's constant group key (null, logged, for objects without a group) and the
// placeholder text of that group (null without a group).
QString constantGroupKey(const ManagedObject* object);
QString placeholderString(const ManagedObject* object);

} // namespace BaseMOAdditions
