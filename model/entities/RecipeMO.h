#pragma once

#include "AttributedString.h"
#include "BaseMO.h"
#include "ParagraphStyle.h"
#include "RunLoop.h"

#include <optional>

class UndoManager;

// User default: the sharing choice a new recipe starts with, when set.
inline const QString KRAutoShareRecipes = QStringLiteral("KRAutoShareRecipes");

// One recipe of the library (entity "Recipe"): its single fields, its three item lists kept
// 1-based and never empty, its picture, rating, sharing and cook count, and its membership in
// collections (a recipe in any collection is in the library too).
class RecipeMO : public BaseMO
{
public:
    RecipeMO() = default;
    ~RecipeMO() override;

    // The managed object a value stands for: nullptr for an empty value, a managed object itself,
    // else the object of the main context with the value's "objectID" (nullptr when none exists).
    static ManagedObject* managedObjectForProxy(const QVariant& object);
    // The base style of every paragraph of the recipe card.
    static ParagraphStyle defaultParagraphStyle();

    void awakeFromInsert() override;
    void awakeFromFetch() override;
    void willSave() override;
    void didTurnIntoFault() override;
    // Deferred by insert: joins the library unless the recipe already belongs somewhere.
    void defaultValueSetup();
    // Deferred by fetch: gives the recipe a picture and drops extra empty items.
    void fetchSetup();

    // List operations. The class name is "RecipeIngredientMO", "DirectionMO" or "NoteMO";
    // indexes are 1-based (0 counts as 1).
    void addInstanceOfClass(const QString& className, quint64 index, quint64* insertedIndex = nullptr);
    void removeInstanceOfClass(const QString& className, quint64 index);
    void removeExtraPlaceholdersForCollectionKey(const QString& key);
    void removeExtraPlaceholders();
    void recomputeIndexesForKey(const QString& key);
    void insertIndex(quint64 index, const QString& key);
    // Strips what insert made (items, category, cuisine, kitchen, collections) before a reader
    // or importer fills the recipe.
    void clearDefaults();
    // A new recipe of the context whose lists start empty, as clearDefaults would leave them: a
    // reader that fills them spares making and deleting the placeholder items. Null when the
    // context's Recipe entity is of another class (such an object is deleted).
    static RecipeMO* insertNewRecipeWithoutPlaceholderItems(ManagedObjectContext* context);

    void setName(const QVariant& name);
    // A string is found or created as the object of that name; anything else is stored as is.
    void setKitchen(const QVariant& kitchen);
    void setCategory(const QVariant& category);
    void setCuisine(const QVariant& cuisine);
    // The user's rating: also marks it rated here and changed.
    void setRating(const QVariant& rating);
    // The rating kept within 0 to 5.
    void setRatingValue(const QVariant& rating);
    void setShare(const QVariant& share);
    void setEditing(const QVariant& editing);
    void setEditingKeyWithNumber(const QVariant& editing);
    void setDirty(const QVariant& dirty);
    bool isDirty() const { return m_dirtyFlag; }
    void incrementCookCount();
    void scaleByFactor(const Decimal& factor) override;

    // Every change of "collections" by key goes through these two.
    void addCollectionsObject(ManagedObject* collection);
    void removeCollectionsObject(ManagedObject* collection);

    // The card cache; the card itself is built and parsed by the recipe card code.
    bool isCached() const { return m_cached; }
    void setCached(bool cached) { m_cached = cached; }
    const std::optional<AttributedString>& cachedAttributedString() const { return m_cachedAttributedString; }
    void setCachedAttributedString(std::optional<AttributedString> card)
    {
        m_cachedAttributedString = std::move(card);
    }

    // The recipe card: the cached card, rebuilt first when it is stale or the recipe is dirty.
    AttributedString attributedString();
    // The plain text of the card.
    QString string();
    // Takes an edited card back into the fields and lists, as one undo step. A card whose text
    // equals the cached card's changes nothing.
    void setAttributedString(const AttributedString& card);

    // The list key and entity of an item class; false for any other class.
    static bool listForClass(const QString& className, QString* key, QString* entityName);
    // The list's members in ascending "index" order.
    QList<ManagedObject*> sortedItemsForKey(const QString& key) const;

    QVariant valueForKey(const QString& key) const override;
    void setValueForKey(const QVariant& value, const QString& key) override;
    QStringList keyPathsForValuesAffectingValueForKey(const QString& key) const override;

private:
    // One undo group on the context's undo manager (none without one) while it lives.
    class UndoGroup
    {
    public:
        explicit UndoGroup(ManagedObjectContext* context);
        ~UndoGroup();
        UndoGroup(const UndoGroup&) = delete;
        UndoGroup& operator=(const UndoGroup&) = delete;

    private:
        UndoManager* m_undoManager;
    };

    // The card, built block by block in card order (RecipeMOCard.cpp).
    void buildAttributedString();
    // The name, or its placeholder, and the debug line, in the plain style.
    void appendTitle(MutableAttributedString& card, bool editing);
    // The online identifier and editing state, shown in debug mode only.
    void appendDebugLine(MutableAttributedString& card, bool editing);
    void appendDescription(MutableAttributedString& card, bool editing);
    // Kitchen, time and yield, then category and cuisine: a label and value line each.
    void appendShortFields(MutableAttributedString& card);
    void appendAttributedStringForConstantGroup(const QString& groupKey, MutableAttributedString& card);
    void appendIngredients(MutableAttributedString& card, bool editing);
    // Lays the plain style from plainFrom through the directions' heading before the lines, which
    // keep their own numbered style.
    void appendDirections(MutableAttributedString& card, bool editing, qsizetype plainFrom);
    void appendNotes(MutableAttributedString& card, bool editing);
    // A line per item run that shows anything; an empty list shows its add button instead.
    void appendItemLines(
        MutableAttributedString& card, const QString& key, const char* buttonTitle, const QString& groupKey);
    // The default style, with wrapped lines starting after the label and no tab stops.
    static ParagraphStyle paragraphStyleForValueWithLabelString(const AttributedString& label);

    // Taking an edited card back: the fields before the first heading, then each list section.
    void takeSingleFields(const AttributedString& card);
    void takeSingleField(const AttributedString& card, Range run, const QString& keyPath);
    void takeLists(const AttributedString& card);
    void setItemsForKey(const QString& key, const QString& className, const AttributedString& body);
    // The list's item at a 0-based position, a new one made there when the list is shorter;
    // nullptr when none could be made.
    ManagedObject* itemAtPositionForKey(quint64 position, const QString& key, const QString& className);

    void setVocabularyEntry(const QVariant& value, const QString& key, const QString& entityName);
    void storeValue(const QVariant& value, const QString& key);
    void insertPlaceholder(const QString& entityName);
    // The library collection of this recipe's context: the application's on the main context,
    // fetched in any other. nullptr when there is none or the fetch failed (error presented).
    ManagedObject* libraryCollection();
    void joinLibraryIfUnfiled();

    bool m_cached = false;
    std::optional<AttributedString> m_cachedAttributedString;
    bool m_dirtyFlag = false;
    RunLoop::Token m_defaultSetupToken = 0;
    RunLoop::Token m_fetchSetupToken = 0;
};
