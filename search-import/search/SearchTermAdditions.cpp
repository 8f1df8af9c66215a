#include "SearchTermAdditions.h"

#include "Log.h"

namespace SearchTermAdditions
{

Predicate searchPredicateForSearchString(const QString& searchString)
{
    const QString text = searchString.isNull() ? QStringLiteral("(null)") : searchString;
    const QString within = QStringLiteral("*%1*").arg(text);
    const std::optional<Predicate> predicate = Predicate::predicateWithFormat(
        QStringLiteral("ANY ingredients.baseIngredient.name IN {%@} OR name LIKE[cd] %@ OR "
                       "category.name LIKE[cd] %@ OR cuisine.name LIKE[cd] %@"),
        { searchString.isNull() ? QVariant() : QVariant(searchString), within, within, within });
    // The format is fixed and the values are constants, so it always reads.
    return predicate.value_or(Predicate::falsePredicate());
}

Predicate andPredicateFromSearchTerms(const SearchTermList& terms)
{
    QList<Predicate> parts;
    for (const auto& term : terms)
        parts.append(searchPredicateForSearchString(term ? term->searchString() : QString()));
    return Predicate::andPredicateWithSubpredicates(parts);
}

Predicate orPredicateFromSearchTerms(const SearchTermList& terms)
{
    QList<Predicate> parts;
    for (const auto& term : terms)
        parts.append(searchPredicateForSearchString(term ? term->searchString() : QString()));
    return Predicate::orPredicateWithSubpredicates(parts);
}

std::optional<Predicate> predicateForSearchByOnlineUserID(const QVariant&)
{
    Log::logf(QStringLiteral("Called %1"), QStringLiteral("predicateForSearchByOnlineUserID:"));
    return std::nullopt;
}

} // namespace SearchTermAdditions
