#include "SearchTerm.h"

#include "EntityDescription.h"
#include "FetchRequest.h"
#include "IsEmpty.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"

#include <typeinfo>

namespace
{

QString trimmedOfBlanksAndTabs(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    auto blank
        = [&text](qsizetype i) { return text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t'); };
    while (start < end && blank(start))
        ++start;
    while (end > start && blank(end - 1))
        --end;
    return text.mid(start, end - start);
}

bool isIngredientName(const QString& name)
{
    KitchoraServices* services = KitchoraServices::shared();
    ManagedObjectContext* context = services ? services->managedObjectContext() : nullptr;
    const ManagedObjectModel* model = services ? services->managedObjectModel() : nullptr;
    if (!context || !model)
        return false;
    std::optional<FetchRequest> request = model->fetchRequestFromTemplateWithName(
        QStringLiteral("fetchIngredientByName"), { { QStringLiteral("name"), name } });
    if (!request)
        return false;
    request->setFetchLimit(1);
    Error error;
    const std::optional<QList<ManagedObject*>> found = context->executeFetchRequest(*request, &error);
    if (!found) {
        services->presentError(error);
        return false;
    }
    return !found->isEmpty();
}

} // namespace

SearchTerm::SearchTerm(const QString& searchString, bool searchSubstitutions)
    : m_searchString(searchString.toLower())
    , m_searchSubstitutions(searchSubstitutions)
{
}

std::shared_ptr<SearchTerm> SearchTerm::searchTermWithSearchString(
    const QString& searchString, bool searchSubstitutions)
{
    return std::make_shared<SearchTerm>(searchString, searchSubstitutions);
}

std::shared_ptr<SearchTerm> SearchTerm::searchTermWithObject(const KeyValueCoding* object)
{
    const auto* managed = dynamic_cast<const ManagedObject*>(object);
    if (!managed || !managed->entity()) {
        Log::logf(QStringLiteral("+[SearchTerm searchTermWithObject:]: unhandled object class: %1"),
            object ? QString::fromLatin1(typeid(*object).name()) : QStringLiteral("(null)"));
        return nullptr;
    }
    const QString entity = managed->entity()->name();
    if (entity == QLatin1String("Ingredient") || entity == QLatin1String("Category")
        || entity == QLatin1String("Cuisine") || entity == QLatin1String("Recipe"))
        return searchTermWithSearchString(managed->valueForKey(QStringLiteral("name")).toString(), false);
    if (entity == QLatin1String("RecipeIngredient"))
        return searchTermWithSearchString(
            managed->valueForKeyPath(QStringLiteral("baseIngredient.name")).toString(), false);
    Log::logf(
        QStringLiteral("+[SearchTerm searchTermWithObject:]: unknown coredata entity type: %1"), entity);
    return nullptr;
}

std::shared_ptr<SearchTerm> SearchTerm::copy() const
{
    return searchTermWithSearchString(m_searchString, m_searchSubstitutions);
}

void SearchTerm::setSearchString(const QString& searchString)
{
    const QString lowered = searchString.toLower();
    if (lowered == m_searchString && lowered.isNull() == m_searchString.isNull())
        return;
    m_searchString = lowered;
    announce(QStringLiteral("searchString"));
}

void SearchTerm::setSearchSubstitutions(bool searchSubstitutions)
{
    m_searchSubstitutions = searchSubstitutions;
    announce(QStringLiteral("searchSubstitutions"));
}

void SearchTerm::setSubstitutionType(unsigned substitutionType)
{
    m_substitutionType = substitutionType;
    announce(QStringLiteral("substitutionType"));
}

SearchTermList SearchTerm::separateSearchTermOnString(const QString& separator) const
{
    const QStringList pieces = separator.isEmpty() ? QStringList { m_searchString }
                                                   : m_searchString.split(separator, Qt::KeepEmptyParts);
    SearchTermList terms;
    for (const QString& piece : pieces) {
        auto term = searchTermWithSearchString(trimmedOfBlanksAndTabs(piece), m_searchSubstitutions);
        term->m_substitutionType = m_substitutionType;
        terms.append(term);
    }
    return terms;
}

bool SearchTerm::hasIngredientNameInSearchString() const
{
    if (isEmpty(m_searchString))
        return false;
    const SearchTermList pieces = separateSearchTermOnString(QStringLiteral(","));
    if (pieces.size() < 2)
        return isIngredientName(m_searchString);
    for (const auto& piece : pieces) {
        if (piece->hasIngredientNameInSearchString())
            return true;
    }
    return false;
}

QString SearchTerm::description() const
{
    return QStringLiteral("Search string: %1, Search substitutions: %2")
        .arg(m_searchString.isNull() ? QStringLiteral("(null)") : m_searchString,
            m_searchSubstitutions ? QStringLiteral("YES") : QStringLiteral("NO"));
}

int SearchTerm::addObserver(Observer observer)
{
    const int token = m_nextToken++;
    m_observers.emplace_back(token, std::move(observer));
    return token;
}

void SearchTerm::removeObserver(int token)
{
    std::erase_if(m_observers, [token](const auto& entry) { return entry.first == token; });
}

void SearchTerm::announce(const QString& key)
{
    const auto observers = m_observers; // an observer may remove itself
    for (const auto& [token, observer] : observers)
        observer(key);
}
