#pragma once

#include "Error.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class EntityDescription;
class ManagedObject;
class ManagedObjectContext;
class ParsingEngine;

// Completion lists for a partial word typed into a field bound to an entity. Ingredient fields
// complete from the ingredient, modifier and unit-name tries; other fields from the names that
// the library holds. Nothing is cached: every list is computed afresh. Main thread only.
//
// A list, when there is one, starts with the typed text itself; no list (nullopt) means there is
// nothing to offer.
class Completions
{
public:
    // Where the lists come from; a source answering nullptr offers nothing.
    struct Sources {
        std::function<const ParsingEngine*()> parsingEngine;
        std::function<ManagedObjectContext*()> managedObjectContext;
        std::function<void(const Error&)> presentError;
    };

    explicit Completions(Sources sources);

    // The shared instance, made on first use: the default parsing engine's tries, and the main
    // context and error presentation of the installed services.
    static Completions& sharedCompletions();
    // Drops the shared instance; the next use makes a new one (after the store was replaced).
    static void rebuildCompletions();

    std::optional<QStringList> completionsArrayForString(
        const QString& text, const EntityDescription* entity) const;

private:
    QStringList ingredientCompletions(const QString& text) const;

    Sources m_sources;
};

// The prefix filter over a list of names or of named objects.
namespace CompletionsArray
{

// The text, then every name that begins with it (ignoring case) in the list's order. Nothing
// for an empty text or list, and nothing when a name equals the text exactly: it is complete.
std::optional<QStringList> subarrayWithCompletionsForString(const QStringList& names, const QString& text);
// The same over the objects' names; nothing when the last object's entity has no "name".
std::optional<QStringList> subarrayWithCompletionsForString(
    const QList<ManagedObject*>& objects, const QString& text);

} // namespace CompletionsArray
