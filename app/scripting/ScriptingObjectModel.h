#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

class ManagedObject;
class ManagedObjectContext;

// What scripts see of the library: the application's element lists, each recipe's ordered
// ingredients, directions and notes, and a specifier for every object that points back into those
// lists. Objects are addressed by name, by index from 0 (as object specifiers count) or by object
// URI. Main thread only; works on the given context.
class ScriptingObjectModel
{
public:
    explicit ScriptingObjectModel(ManagedObjectContext* context);

    // "recipes", "collections" (manual collections only), "ingredients", "kitchens",
    // "categories", "cuisines"; empty for another key. Store order.
    static QStringList elementKeys();
    static QString entityForElementKey(const QString& key);
    // nullopt when the key is unknown or the fetch fails.
    std::optional<QList<ManagedObject*>> elements(const QString& key) const;

    // "ASingredients", "ASdirections", "ASnotes": the recipe's list sorted by "index".
    static QStringList recipeListKeys();
    QList<ManagedObject*> recipeList(ManagedObject* recipe, const QString& listKey) const;
    // Makes exactly `items` the recipe's list: items of the list's entity only (anything else
    // refuses the whole write), ordered by their own "index", renumbered from 1; items no longer
    // listed are deleted; an emptied list keeps its placeholder. False when refused.
    bool setRecipeList(ManagedObject* recipe, const QString& listKey, const QList<ManagedObject*>& items);

    // "name:<name>", "index:<n>" or an object URI (x-coredata://...).
    ManagedObject* elementForSpecifier(const QString& key, const QString& specifier) const;
    ManagedObject* objectForURI(const QUrl& uri) const;
    // The object's specifier: recipes[name="Toast"], or recipes[name="Toast"]/ASingredients[2] for
    // an item (its "index" minus 1); empty for objects scripts do not see.
    QString objectSpecifier(ManagedObject* object) const;
    // The text scripts see for an object: its name, or an item's line text.
    static QString displayText(const ManagedObject* object);

private:
    ManagedObjectContext* m_context;
};
