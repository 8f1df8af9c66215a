#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class KeyValueCoding;

// One query text: a search field's text, one comma piece of it, a name taken from a model object,
// or a substitute's name the engine derives. The text is always held lower-cased. Terms travel as
// shared pointers: the engine tells a stale web reply by the identity of its terms. Main thread
// only.
class SearchTerm
{
public:
    // 0: the user's term; 1: a substitute of a term's ingredient; 2: an ingredient the term's
    // ingredient substitutes for.
    enum SubstitutionType : unsigned { UserTerm = 0, SubstituteOfTerm = 1, TermSubstitutesFor = 2 };

    // Told the name of the property that changed ("searchString", "searchSubstitutions",
    // "substitutionType").
    using Observer = std::function<void(const QString& key)>;

    explicit SearchTerm(const QString& searchString = QString(), bool searchSubstitutions = false);
    SearchTerm(const SearchTerm&) = delete;
    SearchTerm& operator=(const SearchTerm&) = delete;

    static std::shared_ptr<SearchTerm> searchTermWithSearchString(
        const QString& searchString, bool searchSubstitutions);
    // A term of the name of an Ingredient, Category, Cuisine or Recipe, or of a RecipeIngredient's
    // base ingredient; nullptr (logged) for any other object.
    static std::shared_ptr<SearchTerm> searchTermWithObject(const KeyValueCoding* object);

    // A new term of the same text and flag; its substitution type is always the user's.
    std::shared_ptr<SearchTerm> copy() const;

    const QString& searchString() const { return m_searchString; }
    // Lower-cases; a text equal to the current one changes nothing and announces nothing.
    void setSearchString(const QString& searchString);
    bool searchSubstitutions() const { return m_searchSubstitutions; }
    void setSearchSubstitutions(bool searchSubstitutions);
    unsigned substitutionType() const { return m_substitutionType; }
    void setSubstitutionType(unsigned substitutionType);

    // One term per piece between separators, trimmed of blanks and tabs, empty pieces kept; each
    // with this term's flag and substitution type.
    QList<std::shared_ptr<SearchTerm>> separateSearchTermOnString(const QString& separator) const;

    // Every term counts as an ingredient term.
    bool isIngredientTerm() const { return true; }
    // Whether the text, or one of its comma pieces, is the name of a stored ingredient (asked of
    // the main context through the "fetchIngredientByName" template; a failed fetch is presented
    // and answers no).
    bool hasIngredientNameInSearchString() const;

    QString description() const;

    int addObserver(Observer observer);
    void removeObserver(int token);

private:
    void announce(const QString& key);

    QString m_searchString;
    bool m_searchSubstitutions = false;
    unsigned m_substitutionType = UserTerm;
    std::vector<std::pair<int, Observer>> m_observers;
    int m_nextToken = 1;
};

using SearchTermList = QList<std::shared_ptr<SearchTerm>>;
