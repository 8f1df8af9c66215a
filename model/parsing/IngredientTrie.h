#pragma once

#include "KRTrieBucket.h"
#include "OFTrie.h"

#include <QString>
#include <memory>
#include <mutex>
#include <optional>

class IngredientMO;
class ManagedObject;
class ManagedObjectContext;

// The ingredient vocabulary of one managed object context as a case-insensitive trie from name
// to IngredientMO, so that finding an ingredient by name needs no fetch. The first request for a
// context's trie fills it from the store and adds every line of ingredients.txt that the store
// lacks as a new Ingredient of that context.
//
// Threads: the main context's trie (the default trie) is for the main thread; any other
// context's trie is for the thread that owns that context. The table of tries is shared and
// locked, and every trie locks itself around each operation, so workers may ask for, use and
// drop their tries while the main thread uses or rebuilds its own. Tries are handed out as
// shared pointers: a trie dropped from the table stays usable by whoever still holds it.
class IngredientTrie : public OFTrie
{
public:
    IngredientTrie();

    // The main context's trie, made and filled on first use; main thread only. Nullptr off the
    // main thread (logged), before there is a main context, or when filling fails (logged, and
    // tried again next time).
    static std::shared_ptr<IngredientTrie> defaultIngredientTrie();
    // The default trie for the main context; otherwise the context's own trie, made and filled on
    // first request. When filling fails the trie is answered once but not kept.
    static std::shared_ptr<IngredientTrie> ingredientTrieForContext(ManagedObjectContext* context);
    // The context a trie belongs to; nullptr when the trie is not (or no longer) in the table.
    static ManagedObjectContext* managedObjectContextForTrie(const IngredientTrie* trie);
    // Drops the context's trie; a worker does this when it is done with its context. A context
    // that goes away drops its trie by itself.
    static void removeIngredientTrieForContext(ManagedObjectContext* context);
    // Drops every trie; the next request builds again from the store (after the store changed).
    static void rebuildIngredientTries();

    // Adds every Ingredient of the context, then the ingredients.txt names it lacks (as new
    // Ingredients). False, with the error presented, when the fetch fails.
    bool setupIngredientTrieForContext(ManagedObjectContext* context);

    // A name the trie lacks becomes a new Ingredient of the context the trie was filled for. A
    // name already held, with an object, changes nothing.
    bool addIngredient(const QString& name);
    // Keeps the object under its name unless the trie already holds an object under it. Objects
    // of another entity are refused and logged "invalid object added to ingredient trie".
    bool addIngredient(ManagedObject* ingredient);
    // Whether an Ingredient (not deleted) is held under the name, or the object's name.
    bool containsIngredient(const QString& name) const;
    bool containsIngredient(ManagedObject* ingredient) const;
    // The bucket for the name; nullptr when none. It stays valid until its key is stored again.
    KRTrieBucket* bucketForIngredient(const QString& name) const;
    KRTrieBucket* bucketForIngredient(ManagedObject* ingredient) const;
    // The Ingredient held under the name in any case; nullptr when none or when it was deleted.
    IngredientMO* ingredientObjectForKey(const QString& key) const;
    // Leaves the key of the ingredient's old name without its object (the ingredient is being
    // renamed). An other object held under that name stays.
    void forgetIngredient(ManagedObject* ingredient, const QString& oldName);

    // The trie's own lookups, taken under its lock.
    OFTrieBucket* bucketForString(QStringView string) const;
    OFTrieBucket* bucketForPartialString(QStringView string) const;
    QList<OFTrieBucket*> completionsFromString(QStringView prefix) const;
    // The name, first in case-insensitive order, of the ingredients whose names complete `partial`
    // (the completion a text field offers as the user types); nothing for an empty partial.
    std::optional<QString> firstCompletionForPartialString(const QString& partial) const;
    QList<OFTrieBucket*> bucketsHeldByText(QStringView text) const;

private:
    static bool isIngredient(const ManagedObject* object);
    IngredientMO* liveIngredientOf(const KRTrieBucket* bucket) const;

    mutable std::recursive_mutex m_mutex;
    // Set by the fill. A trie dropped from the table still adds to the context it holds objects of.
    ManagedObjectContext* m_context = nullptr;
};
