#pragma once

#include "VRCReader.h"

#include <QHash>
#include <QList>
#include <QString>
#include <memory>

class IngredientTrie;
class ManagedObject;
class ManagedObjectContext;
class RecipeMO;

// Reads Virtual Recipe Card text into new Recipe objects of a context: opened card files, web
// search replies and the recipe property lists of the web service and companion devices.
//
// Runs on the thread that owns the context. Off the main thread it saves the context itself; on
// the main thread the caller saves. Only whole cards become recipes: a card cut short by a missing
// END line or by another BEGIN line leaves no recipe and no item behind in the context (names it
// found or made, such as categories and ingredients, stay).
class VRCManagedObjectReader : public VRCReader
{
public:
    VRCManagedObjectReader();
    explicit VRCManagedObjectReader(const QString& string);

    // The most cards one read completes; 0, the default, means no limit.
    quint64 batchLimit() const { return m_batchLimit; }
    void setBatchLimit(quint64 batchLimit) { m_batchLimit = batchLimit; }

    // The new recipes of the whole text, in card order, whatever the batch limit.
    QList<RecipeMO*> setOfManagedObjectsInContext(ManagedObjectContext* context);
    // The new recipes of up to batchLimit cards, in card order. countProcessed receives how many
    // cards were completed; leftOverString, when the limit stopped the read, the text from the
    // first line after the last card read (as written, line breaks untouched), else a null string.
    QList<RecipeMO*> setOfManagedObjectsInContext(
        ManagedObjectContext* context, quint64* countProcessed, QString* leftOverString);

protected:
    void parseLine(const QString& line, RecipeMO* recipe);
    // value is the text after the tag: "index:rest".
    void parseIngredientLine(const QString& value, RecipeMO* recipe);
    void parseDirectionLine(const QString& value, RecipeMO* recipe);
    void parseNoteLine(const QString& value, RecipeMO* recipe);

    // Finds or makes the named object of the recipe's context; an empty name clears the field.
    void setCategoryName(const QString& name, RecipeMO* recipe);
    void setCuisineName(const QString& name, RecipeMO* recipe);
    void setKitchenName(const QString& name, RecipeMO* recipe);

private:
    RecipeMO* beginRecipe();
    void completeRecipe(RecipeMO* recipe);
    void discardRecipe(RecipeMO* recipe, const QString& why);
    void setVocabularyName(
        const QString& name, const QString& entityName, const QString& key, RecipeMO* recipe);
    void addItem(const QString& entityName, const QString& value, RecipeMO* recipe);
    ManagedObject* ingredientNamed(const QString& name);
    bool beginsWithTag(QStringView trimmedLine) const;

    quint64 m_batchLimit = 0;
    // For the length of one read.
    ManagedObjectContext* m_context = nullptr;
    std::shared_ptr<IngredientTrie> m_trie;
    // "Entity:name" to the object found or made for it during this read.
    QHash<QString, ManagedObject*> m_namedObjects;
};
