#pragma once

#include "AttributedString.h"
#include "GroceryItem.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>

class RecipeIngredientMO;
class RecipeMO;

// A named, dated grocery list: its items in list order. Lists are plain objects owned by the
// grocery list controller; they travel as property lists to devices and to grocerylists.plist.
//
// Items are values: a view that edits one item puts it back with replaceItem(). Every change of
// the items is announced by itemsChanged(), so a view showing the list follows additions made
// from elsewhere (the recipe page's menus).
class GroceryList : public QObject
{
    Q_OBJECT

public:
    // "Untitled Grocery List (MM/dd)", dated now, without items.
    GroceryList();
    GroceryList(const QString& name, const QDateTime& date, const QList<GroceryItem>& items);
    // From the list dictionary of a property list: "items", "name", "date". Missing keys or
    // values of the wrong type leave the field empty (items of the wrong type are skipped).
    explicit GroceryList(const QVariantMap& propertyList);

    // The list dictionary; a missing name or date leaves out that key only.
    QVariantMap propertyListRepresentation() const;

    const QString& name() const { return m_name; }
    void setName(const QString& name);
    const QDateTime& date() const { return m_date; }
    void setDate(const QDateTime& date);

    const QList<GroceryItem>& items() const { return m_items; }
    quint64 countItems() const { return static_cast<quint64>(m_items.size()); }
    void setItems(const QList<GroceryItem>& items);
    void addItem(const GroceryItem& item);
    // Index-based changes for the views; out-of-range indexes change nothing (insertion clamps).
    void insertItem(qsizetype index, const GroceryItem& item);
    void replaceItem(qsizetype index, const GroceryItem& item);
    void removeItemAt(qsizetype index);

    // Adds one recipe line, merged into an item of the same name when the units convert.
    // Unless `ignoreHaveIt`, a line whose ingredient the user has adds nothing.
    void addRecipeIngredient(const RecipeIngredientMO* line, bool ignoreHaveIt);
    // Menu actions: the line or recipe is the sender itself or the represented object of the
    // menu action that sent it (a QAction whose data holds it). A line is added even when the
    // user has its ingredient; a recipe's lines respect that mark.
    void addRecipeIngredient(const QVariant& sender);
    void addRecipe(const QVariant& sender);

    // A new list from the lines of the recipes: lines of one ingredient in one unit and with one
    // modifier become one item with their sum. Lines whose ingredient the user has are left out.
    // nullptr when the recipes have no lines. One recipe names the list after itself.
    static std::unique_ptr<GroceryList> groceryListWithRecipes(const QList<RecipeMO*>& recipes);

    // The list as printed and mailed: the name, a header, then one line per item not had yet,
    // amount and name apart by tabs.
    MutableAttributedString attributedString() const;

    // "MM/dd" of the date, as list names show it.
    static QString shortDateString(const QDateTime& date);

signals:
    void nameChanged();
    void dateChanged();
    void itemsChanged();

private:
    QString m_name;
    QDateTime m_date;
    QList<GroceryItem> m_items;
};
