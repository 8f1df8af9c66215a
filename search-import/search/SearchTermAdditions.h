#pragma once

#include "Predicate.h"
#include "SearchTerm.h"

#include <QVariant>
#include <optional>

// The predicates of the local library search, on the entity "Recipe".
namespace SearchTermAdditions
{

// A recipe with an ingredient line whose base ingredient is named exactly `searchString`, or
// whose name, category name or cuisine name contains it (case and diacritics ignored; "*" and "?"
// in it are wildcards).
Predicate searchPredicateForSearchString(const QString& searchString);
// Every term's predicate must hold; no terms: every recipe.
Predicate andPredicateFromSearchTerms(const SearchTermList& terms);
// One term's predicate must hold; no terms: no recipe.
Predicate orPredicateFromSearchTerms(const SearchTermList& terms);
// Not offered by the service: logs and answers nothing.
std::optional<Predicate> predicateForSearchByOnlineUserID(const QVariant& onlineUserID);

} // namespace SearchTermAdditions
