#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <memory>

class ManagedObject;

// The top of the rank scale.
inline constexpr double KRMaxResultRankValue = 10.0;

// One row of the search results: a library recipe found locally, or a recipe of the web recipe
// service named in a search reply whose recipe object may come later. Name, category, cuisine,
// rating and author answer from the recipe once there is one, else from what the reply gave.
// Main thread only. The recipe belongs to its context; the result does not outlive it.
class SearchResult
{
public:
    // No recipe, no web identifier, match count 1.
    SearchResult();
    // Stores the values as given (the recipe's rating and author are not touched); page 0.
    SearchResult(ManagedObject* recipe, const QVariant& onlineID, quint64 matchCount);
    SearchResult(const QVariant& onlineID, quint64 matchCount);
    SearchResult(ManagedObject* recipe, const QVariant& onlineID);

    static std::shared_ptr<SearchResult> resultWithRecipe(ManagedObject* recipe, const QVariant& onlineID);
    static std::shared_ptr<SearchResult> resultWithOnlineID(const QVariant& onlineID, quint64 matchCount);

    // A web search reply: one result per dictionary, in order, with its "id", "name", "cuisine"
    // and "rating". Members that are not dictionaries are logged and skipped.
    static QList<std::shared_ptr<SearchResult>> searchResultsFromPlistArray(const QVariantList& reply);

    struct TextReply {
        QList<std::shared_ptr<SearchResult>> results;
        bool moreResultsAvailable = false;
    };
    // The text form of a reply: "||"-separated lines of match count, web identifier, name,
    // category, cuisine, rating and author; "...|more|..." marks that more are available.
    static TextReply searchResultsFromData(const QByteArray& data);

    ManagedObject* recipe() const { return m_recipe; }
    // Takes the recipe; unless the user rated it here, gives it the reply's rating, and its
    // author when it has none.
    void setRecipe(ManagedObject* recipe);

    QVariant onlineID() const { return m_onlineID; }
    void setOnlineID(const QVariant& onlineID) { m_onlineID = onlineID; }
    QString name() const;
    void setName(const QString& name) { m_name = name; }
    QString category() const;
    void setCategory(const QString& category) { m_category = category; }
    QString cuisine() const;
    void setCuisine(const QString& cuisine) { m_cuisine = cuisine; }
    QVariant rating() const;
    void setRating(const QVariant& rating) { m_rating = rating; }
    QVariant onlineUserID() const;
    void setOnlineUserID(const QVariant& onlineUserID) { m_onlineUserID = onlineUserID; }
    QVariant pageNumber() const { return m_pageNumber; }
    void setPageNumber(const QVariant& pageNumber) { m_pageNumber = pageNumber; }
    quint64 matchCount() const { return m_matchCount; }
    void setMatchCount(quint64 matchCount) { m_matchCount = matchCount; }
    double rank() const { return m_rank; }
    // Without a recipe the rank is held at most at half the scale.
    void setRank(double rank);
    bool isLocalResult() const { return m_isLocalResult; }
    void setIsLocalResult(bool local) { m_isLocalResult = local; }
    bool isSubstitutionForSearchTerm() const { return m_isSubstitutionForSearchTerm; }
    void setIsSubstitutionForSearchTerm(bool value) { m_isSubstitutionForSearchTerm = value; }
    bool searchTermIsSubstitute() const { return m_searchTermIsSubstitute; }
    void setSearchTermIsSubstitute(bool value) { m_searchTermIsSubstitute = value; }

    // Every field by its key; the recipe as a ManagedObject* in the variant.
    QVariant valueForKey(const QString& key) const;
    void setValueForKey(const QVariant& value, const QString& key);

    QString description() const;

private:
    ManagedObject* m_recipe = nullptr;
    QVariant m_onlineID;
    QString m_name;
    QString m_category;
    QString m_cuisine;
    QVariant m_rating;
    QVariant m_onlineUserID;
    QVariant m_pageNumber = 0;
    quint64 m_matchCount = 1;
    double m_rank = 0.0;
    bool m_isLocalResult = false;
    bool m_isSubstitutionForSearchTerm = false;
    bool m_searchTermIsSubstitute = false;
};
