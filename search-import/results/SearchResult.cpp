#include "SearchResult.h"

#include "BLStringUtilities.h"
#include "Log.h"
#include "ManagedObject.h"
#include "RecipeMO.h"
#include "UserDefaults.h"

#include <QLocale>
#include <algorithm>

SearchResult::SearchResult() = default;

SearchResult::SearchResult(ManagedObject* recipe, const QVariant& onlineID, quint64 matchCount)
    : m_recipe(recipe)
    , m_onlineID(onlineID)
    , m_matchCount(matchCount)
{
}

SearchResult::SearchResult(const QVariant& onlineID, quint64 matchCount)
    : SearchResult(nullptr, onlineID, matchCount)
{
}

SearchResult::SearchResult(ManagedObject* recipe, const QVariant& onlineID)
    : SearchResult(recipe, onlineID, 1)
{
}

std::shared_ptr<SearchResult> SearchResult::resultWithRecipe(ManagedObject* recipe, const QVariant& onlineID)
{
    return std::make_shared<SearchResult>(recipe, onlineID);
}

std::shared_ptr<SearchResult> SearchResult::resultWithOnlineID(const QVariant& onlineID, quint64 matchCount)
{
    return std::make_shared<SearchResult>(onlineID, matchCount);
}

void SearchResult::setRecipe(ManagedObject* recipe)
{
    if (recipe == m_recipe)
        return;
    m_recipe = recipe;
    if (!recipe)
        return;
    if (!recipe->valueForKey(QStringLiteral("ratedLocally")).toBool() && m_rating.isValid()) {
        if (auto* recipeMO = dynamic_cast<RecipeMO*>(recipe))
            recipeMO->setRatingValue(m_rating);
        else
            recipe->setValueForKey(m_rating, QStringLiteral("rating"));
    }
    const QVariant author = recipe->valueForKey(QStringLiteral("onlineUserID"));
    if ((!author.isValid() || author.isNull() || author.toLongLong() == 0) && m_onlineUserID.isValid())
        recipe->setValueForKey(m_onlineUserID, QStringLiteral("onlineUserID"));
}

QString SearchResult::name() const
{
    return m_recipe ? m_recipe->valueForKey(QStringLiteral("name")).toString() : m_name;
}

QString SearchResult::category() const
{
    return m_recipe ? m_recipe->valueForKeyPath(QStringLiteral("category.name")).toString() : m_category;
}

QString SearchResult::cuisine() const
{
    return m_recipe ? m_recipe->valueForKeyPath(QStringLiteral("cuisine.name")).toString() : m_cuisine;
}

QVariant SearchResult::rating() const
{
    return m_recipe ? m_recipe->valueForKey(QStringLiteral("rating")) : m_rating;
}

QVariant SearchResult::onlineUserID() const
{
    return m_recipe ? m_recipe->valueForKey(QStringLiteral("onlineUserID")) : m_onlineUserID;
}

void SearchResult::setRank(double rank)
{
    m_rank = m_recipe ? rank : std::min(rank, KRMaxResultRankValue * 0.5);
}

QList<std::shared_ptr<SearchResult>> SearchResult::searchResultsFromPlistArray(const QVariantList& reply)
{
    QList<std::shared_ptr<SearchResult>> results;
    for (const QVariant& entry : reply) {
        if (entry.typeId() != QMetaType::QVariantMap) {
            Log::logf(
                QStringLiteral("+[SearchResult searchResultsFromPlistArray:] skipped an entry that is no "
                               "dictionary: %1"),
                QString::fromLatin1(entry.typeName() ? entry.typeName() : "(null)"));
            continue;
        }
        const QVariantMap dictionary = entry.toMap();
        auto result = std::make_shared<SearchResult>(dictionary.value(QStringLiteral("id")), 1);
        result->setName(dictionary.value(QStringLiteral("name")).toString());
        result->setCuisine(dictionary.value(QStringLiteral("cuisine")).toString());
        result->setRating(dictionary.value(QStringLiteral("rating")));
        results.append(result);
    }
    return results;
}

SearchResult::TextReply SearchResult::searchResultsFromData(const QByteArray& data)
{
    static const QString moreMarker = QStringLiteral("...|more|...\n");
    const QString text = QString::fromLatin1(data);
    const QStringList lines = BLStringUtilities::lineArray(text);
    TextReply reply;
    QLocale locale = QLocale::c();
    auto number = [&locale](const QString& field) -> QVariant {
        bool ok = false;
        const double value = locale.toDouble(field.trimmed(), &ok);
        if (!ok)
            return {};
        if (value == double(qint64(value)))
            return QVariant(qint64(value));
        return QVariant(value);
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines.at(i) == moreMarker) {
            reply.moreResultsAvailable = true;
            continue;
        }
        QString line = lines.at(i);
        while (i + 1 < lines.size() && lines.at(i + 1) != moreMarker && !lines.at(i + 1).isEmpty()
            && !lines.at(i + 1).at(0).isDigit()) {
            line += lines.at(++i);
        }
        const QStringList fields = line.trimmed().split(QStringLiteral("||"));
        if (fields.size() < 7) {
            Log::logf(QStringLiteral(
                          "+[SearchResult searchResultsFromData:] incomplete search result string -- %1"),
                line);
            continue;
        }
        const QVariant onlineID = number(fields.at(1));
        auto existing = std::find_if(reply.results.begin(), reply.results.end(),
            [&onlineID](const auto& result) { return result->onlineID() == onlineID; });
        if (existing != reply.results.end()) {
            (*existing)->setMatchCount((*existing)->matchCount() + 1);
            continue;
        }
        auto result = std::make_shared<SearchResult>(onlineID, quint64(number(fields.at(0)).toULongLong()));
        result->setName(fields.at(2));
        result->setCategory(fields.at(3));
        result->setCuisine(fields.at(4));
        result->setRating(number(fields.at(5)));
        result->setOnlineUserID(number(fields.at(6)));
        reply.results.append(result);
    }
    if (UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("KRDebugMode")))
        Log::logf(QStringLiteral("Search Results:\n%1"), text);
    return reply;
}

QVariant SearchResult::valueForKey(const QString& key) const
{
    if (key == QLatin1String("recipe"))
        return QVariant::fromValue(static_cast<void*>(m_recipe));
    if (key == QLatin1String("onlineID"))
        return m_onlineID;
    if (key == QLatin1String("name"))
        return name();
    if (key == QLatin1String("category"))
        return category();
    if (key == QLatin1String("cuisine"))
        return cuisine();
    if (key == QLatin1String("rating"))
        return rating();
    if (key == QLatin1String("onlineUserID"))
        return onlineUserID();
    if (key == QLatin1String("pageNumber"))
        return m_pageNumber;
    if (key == QLatin1String("matchCount"))
        return m_matchCount;
    if (key == QLatin1String("rank"))
        return m_rank;
    if (key == QLatin1String("isLocalResult"))
        return m_isLocalResult;
    if (key == QLatin1String("isSubstitutionForSearchTerm"))
        return m_isSubstitutionForSearchTerm;
    if (key == QLatin1String("searchTermIsSubstitute"))
        return m_searchTermIsSubstitute;
    return {};
}

void SearchResult::setValueForKey(const QVariant& value, const QString& key)
{
    if (key == QLatin1String("recipe"))
        setRecipe(static_cast<ManagedObject*>(value.value<void*>()));
    else if (key == QLatin1String("onlineID"))
        m_onlineID = value;
    else if (key == QLatin1String("name"))
        m_name = value.toString();
    else if (key == QLatin1String("category"))
        m_category = value.toString();
    else if (key == QLatin1String("cuisine"))
        m_cuisine = value.toString();
    else if (key == QLatin1String("rating"))
        m_rating = value;
    else if (key == QLatin1String("onlineUserID"))
        m_onlineUserID = value;
    else if (key == QLatin1String("pageNumber"))
        m_pageNumber = value;
    else if (key == QLatin1String("matchCount"))
        m_matchCount = value.toULongLong();
    else if (key == QLatin1String("rank"))
        setRank(value.toDouble());
    else if (key == QLatin1String("isLocalResult"))
        m_isLocalResult = value.toBool();
    else if (key == QLatin1String("isSubstitutionForSearchTerm"))
        m_isSubstitutionForSearchTerm = value.toBool();
    else if (key == QLatin1String("searchTermIsSubstitute"))
        m_searchTermIsSubstitute = value.toBool();
}

QString SearchResult::description() const
{
    auto text
        = [](const QVariant& value) { return value.isValid() ? value.toString() : QStringLiteral("(null)"); };
    return QStringLiteral(
        "<SearchResult: 0x%1> : ( name: %2, onlineID: %3, matchCount: %4, rating: %5, onlineUserID: "
        "%6, pageNumber: %7, rank: %8, recipe object: %9 )\n")
        .arg(QString::number(quintptr(this), 16), name(), text(m_onlineID), QString::number(m_matchCount),
            text(rating()), text(onlineUserID()), text(m_pageNumber), QString::number(m_rank, 'g'),
            m_recipe ? QStringLiteral("0x%1").arg(quintptr(m_recipe), 0, 16) : QStringLiteral("(null)"));
}
