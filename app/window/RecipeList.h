#pragma once

#include <QList>

class ManagedObject;

// The recipe list's rows for one collection: the recipes it holds (a manual collection's,
// including the library's, its "recipes"; a smart collection's, the recipes matching its
// predicate; a folder, none), without deleted ones, ordered by "name" ascending. A snapshot: call
// setCollection again after the recipes changed. Points at managed objects the context owns.
// Main thread only.
class RecipeList
{
public:
    // nullptr: no rows.
    void setCollection(ManagedObject* collection);
    ManagedObject* collection() const { return m_collection; }

    const QList<ManagedObject*>& recipes() const { return m_recipes; }
    qsizetype count() const { return m_recipes.size(); }
    // nullptr outside 0..count-1.
    ManagedObject* recipeAt(qsizetype row) const;
    qsizetype indexOf(const ManagedObject* recipe) const { return m_recipes.indexOf(recipe); }

    // What `collection` holds, unordered.
    static QList<ManagedObject*> recipesOf(ManagedObject* collection);
    // Stable sort by "name" ascending.
    static QList<ManagedObject*> sortedByName(QList<ManagedObject*> recipes);

private:
    ManagedObject* m_collection = nullptr;
    QList<ManagedObject*> m_recipes;
};
