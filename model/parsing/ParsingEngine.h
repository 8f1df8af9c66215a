#pragma once

#include "IngredientTrie.h"
#include "OFTrie.h"
#include "Range.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <memory>
#include <optional>

class IngredientMO;

// Classifies free text: how much a line looks like an ingredient line or a direction line, where
// the ingredient and direction blocks of a pasted recipe are, and which unit names and known
// ingredients a text mentions. It keeps a trie of modifier words and one of unit names; the
// ingredients come from the main context's ingredient trie, asked for anew on every call, since
// the trie is rebuilt after the store changes.
//
// Line tests look at the pieces of a line split at single spaces and at every phrase (run of
// consecutive pieces). A line's terminator is not part of its last piece, so a word that ends a
// line counts like any other.
//
// Main thread only: the ingredient trie belongs to the main context.
class ParsingEngine
{
public:
    // The ingredient trie to count against; may answer nullptr (no ingredients known). The
    // engine holds the answer only for the length of one call.
    using IngredientTrieSource = std::function<std::shared_ptr<IngredientTrie>()>;

    // Without a source, the default ingredient trie.
    ParsingEngine(
        const QStringList& modifiers, const QStringList& unitNames, IngredientTrieSource ingredientTrie = {});
    ParsingEngine(const ParsingEngine&) = delete;
    ParsingEngine& operator=(const ParsingEngine&) = delete;

    // Known ingredients by name, so that a text can be searched without the objects. The names
    // of the live ingredients whose key begins with a prefix (in any case), in the trie's order,
    // a name once for each key; and the name of the live ingredient held under a key (in any
    // case), nullopt when none. Either may be left empty: no ingredients.
    struct KnownIngredients {
        std::function<QStringList(const QString& prefix)> namesBeginningWith;
        std::function<std::optional<QString>(const QString& key)> nameForKey;
        // Optional, and then asked once a text instead of namesBeginningWith once a word: the
        // names of the live ingredients (in the trie's order, a name once for each key) of which
        // the text holds the name, or the name without its plural ending, in any case.
        std::function<QStringList(const QString& text)> namesHeldBy;
    };
    // One mention of a known ingredient in a text: the key it is held under and its name.
    struct KnownMention {
        QString key;
        QString name;
    };

    // The engine of the process, made on first use from the modifiers word list, the default
    // units engine's names and the default ingredient trie.
    static ParsingEngine& defaultParsingEngine();

    // The words of a text: the stretches between punctuation, white space and line breaks.
    static QStringList wordsInString(const QString& text);
    // Every unit name of the default units engine that the text mentions, as it stands in the
    // text (with a plural "s" or "es" that follows it), longest first.
    static QStringList unitNamesInString(const QString& text);
    static QStringList unitNamesInString(const QString& text, const QStringList& unitNames);
    // The known ingredients a text mentions, longer names first, each stretch of text naming at
    // most one. The default form uses the default engine's ingredient trie and the default units.
    static QList<IngredientMO*> ingredientsInString(const QString& text);
    static QList<IngredientMO*> ingredientsInString(
        const QString& text, const IngredientTrie* ingredientTrie, const QStringList& unitNames);
    // The same by name: what ingredientsInString finds, one mention for each object it answers.
    static QList<KnownMention> knownIngredientsInString(
        const QString& text, const KnownIngredients& known, const QStringList& unitNames);
    // The trie's ingredients by name; no ingredients for nullptr. The trie must outlive the
    // answer, and the answer is for the thread that may use the trie.
    static KnownIngredients knownIngredientsOf(const IngredientTrie* ingredientTrie);

    // Rebuild the word tries, from the given words or from the default sources.
    void createModifierTrie(const QStringList& modifiers);
    void createModifierTrie();
    void createMeasureTrie(const QStringList& unitNames);
    void createMeasureTrie();

    const OFTrie& modifierTrie() const { return *m_modifierTrie; }
    const OFTrie& measureTrie() const { return *m_measureTrie; }
    std::shared_ptr<IngredientTrie> ingredientTrie() const;

    bool lineContainsModifier(QStringView line) const;
    bool lineContainsMeasure(QStringView line) const;
    // The number of pieces at which a phrase naming a known ingredient begins.
    int lineIngredientCount(QStringView line) const;

    // From -2 (surely not) to 6.
    int probabilityLineIsIngredientLine(QStringView line) const;
    // From -4 (a blank line) to 6.
    int probabilityLineIsDirectionLine(QStringView line) const;

    // The longest run of ingredient-like / direction-like lines; {Range::NotFound, 0} when none.
    Range rangeOfIngredientsBlockInString(const QString& text) const;
    Range rangeOfDirectionsBlockInString(const QString& text) const;

    // The modifier words the application read at launch (the shipped word list until it has).
    static QStringList defaultModifiers();

private:
    static std::unique_ptr<OFTrie> trieOfWords(const QStringList& words);
    static bool lineContainsKey(QStringView line, const OFTrie& trie);

    std::unique_ptr<OFTrie> m_modifierTrie;
    std::unique_ptr<OFTrie> m_measureTrie;
    IngredientTrieSource m_ingredientTrieSource;
};
