#pragma once

#include <QString>
#include <QUrl>
#include <QVariantMap>

class ManagedObject;

// One line of a grocery list: the text of the item, a free-text amount with its unit ("500 ml",
// "2", or empty) and whether the user already has it. An item made from a recipe line remembers
// the Ingredient it came from by the URI of its object ID.
class GroceryItem
{
public:
    // An item typed by hand: the placeholders "Item Name" and "Amount", not had yet.
    GroceryItem();
    // From the item dictionary of a grocery-list property list; values of the wrong type are
    // ignored.
    explicit GroceryItem(const QVariantMap& propertyList);
    static GroceryItem itemWithPropertyListRepresentation(const QVariantMap& propertyList);

    // The item dictionary: "name", "amount", "haveit" and "url"; a missing value leaves out its
    // key only ("haveit" is always present).
    QVariantMap propertyListRepresentation() const;

    const QUrl& ingredientManagedObjectURL() const { return m_ingredientManagedObjectURL; }
    void setIngredientManagedObjectURL(const QUrl& url) { m_ingredientManagedObjectURL = url; }
    const QString& itemName() const { return m_itemName; }
    void setItemName(const QString& itemName) { m_itemName = itemName; }
    const QString& amount() const { return m_amount; }
    void setAmount(const QString& amount) { m_amount = amount; }
    bool haveIt() const { return m_haveIt; }
    void setHaveIt(bool haveIt) { m_haveIt = haveIt; }

    // The Ingredient in the main context, or nullptr for an item typed by hand or an ingredient
    // that no longer exists.
    ManagedObject* ingredientManagedObject() const;
    // Remembers the object by the URI of its object ID (nullptr forgets it).
    void setIngredientManagedObject(const ManagedObject* ingredient);

    bool operator==(const GroceryItem& other) const = default;

private:
    QUrl m_ingredientManagedObjectURL;
    QString m_itemName;
    QString m_amount;
    bool m_haveIt = false;
};
