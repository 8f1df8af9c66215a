#pragma once

#include "FetchRequest.h"
#include "NotificationCenter.h"
#include "Predicate.h"
#include "RecipeCollection.h"

#include <QList>
#include <optional>

// A collection whose recipes are those of the store that match a stored predicate. The result
// is fetched on demand and kept until a change of recipes makes it stale.
class SmartCollection : public RecipeCollection
{
public:
    bool isLeaf() const { return true; }
    bool allowsSubRecipes() const override { return true; }
    bool canEditPredicate() const override { return true; }
    bool isSmartCollection() const override { return true; }
    // Counts what is cached, without fetching: "0 recipes" until someone has asked for them.
    QString summaryString() const override;

    // Read from the stored predicate text once; nullopt when nothing is stored.
    std::optional<Predicate> predicate() const;
    // Stores the predicate (none means every recipe) and refetches; an equal one changes nothing.
    void setPredicate(const std::optional<Predicate>& predicate);
    // Every recipe of this collection's store that matches the predicate; nullopt when the
    // context's model has no "Recipe" entity.
    const std::optional<FetchRequest>& fetchRequest() const;

    // The cached fetch result, fetched when nothing is cached. A failed fetch gives (and keeps)
    // an empty result until the next refresh.
    QList<ManagedObject*> recipes() const;
    // The result is the store's to decide: ignored.
    void setRecipes(const QList<ManagedObject*>&) { }
    // Drops the cached result; observers re-read and so refetch.
    void refresh();
    // "Objects did change" of this collection's context.
    void refresh(const Notification& notification);

    QVariant valueForKey(const QString& key) const override;
    void setValueForKey(const QVariant& value, const QString& key) override;

    void awakeFromInsert() override;
    void awakeFromFetch() override;
    void willTurnIntoFault() override;

protected:
    QString defaultCollectionImageName() const override;

private:
    void startObserving();
    void removeFromCache(const QList<ManagedObject*>& objects);

    ScopedObserver m_observer;
    mutable std::optional<std::optional<Predicate>> m_predicate; // outer: read yet
    mutable std::optional<std::optional<FetchRequest>> m_fetchRequest;
    mutable std::optional<QList<ManagedObject*>> m_recipes;
};
