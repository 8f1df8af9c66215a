#pragma once

#include "KeyValueCoding.h"
#include "VRCIngredient.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <utility>

// One card as read: the single values as text (a null text when the card had no such line) and
// the three item lists.
//
// Items are placed by a 0-based position; each list reads in position order, items of equal
// position in the order they were added. Positions only order: gaps close up and out-of-range
// positions never fail, so a card whose indexes are out of order, missing or repeated still
// gives every item.
class VRCRecipe : public KeyValueCoding
{
public:
    const QString& name() const { return m_name; }
    const QString& category() const { return m_category; }
    const QString& cuisine() const { return m_cuisine; }
    const QString& recipeDescription() const { return m_recipeDescription; }
    const QString& yield() const { return m_yield; }
    const QString& cookTime() const { return m_cookTime; }
    const QString& kitchen() const { return m_kitchen; }
    // Held as read (text); invalid when absent.
    const QVariant& rating() const { return m_rating; }
    const QVariant& onlineID() const { return m_onlineID; }

    void setName(const QString& name) { m_name = name; }
    void setCategory(const QString& category) { m_category = category; }
    void setCuisine(const QString& cuisine) { m_cuisine = cuisine; }
    void setRecipeDescription(const QString& recipeDescription) { m_recipeDescription = recipeDescription; }
    void setYield(const QString& yield) { m_yield = yield; }
    void setCookTime(const QString& cookTime) { m_cookTime = cookTime; }
    void setKitchen(const QString& kitchen) { m_kitchen = kitchen; }
    void setRating(const QVariant& rating) { m_rating = rating; }
    void setOnlineID(const QVariant& onlineID) { m_onlineID = onlineID; }

    QList<VRCIngredient> ingredients() const;
    QStringList directions() const;
    QStringList notes() const;

    // Replace a list; its items take the positions 0..n-1.
    void setIngredients(const QList<VRCIngredient>& ingredients);
    void setDirections(const QStringList& directions);
    void setNotes(const QStringList& notes);

    void addIngredient(const VRCIngredient& ingredient, qint64 index);
    void addDirection(const QString& direction, qint64 index);
    void addNote(const QString& note, qint64 index);

    // The single values by their property keys ("name", "category", ..., "rating", "onlineID")
    // and the lists by "ingredients" (their string()s), "directions" and "notes".
    QVariant valueForKey(const QString& key) const override;
    // Sets a single value by key; answers false for a key that names none.
    bool setValue(const QVariant& value, const QString& key);

    bool operator==(const VRCRecipe& other) const;

private:
    // Items with their positions; kept in order as long as they arrive in order, sorted (stably)
    // on reading otherwise.
    template <typename T> struct PlacedList {
        QList<std::pair<qint64, T>> items;
        bool ordered = true;

        void add(const T& item, qint64 position);
        void assign(const QList<T>& list);
        QList<T> values() const;
    };

    QString m_name;
    QString m_category;
    QString m_cuisine;
    QString m_recipeDescription;
    QString m_yield;
    QString m_cookTime;
    QString m_kitchen;
    QVariant m_rating;
    QVariant m_onlineID;
    PlacedList<VRCIngredient> m_ingredients;
    PlacedList<QString> m_directions;
    PlacedList<QString> m_notes;
};
