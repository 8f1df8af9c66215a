#include "CloudAgentWebRecipes.h"

#include "QLMKitchoraCloudAgent.h"
#include "QLMPlistToAndFromRecipeMO.h"
#include "RecipeMO.h"

namespace
{

QLMKitchoraCloudAgent::Failure messageOf(WebSearchService::Failure failure)
{
    if (!failure)
        return nullptr;
    return [failure = std::move(failure)](const Error& error) { failure(error.localizedDescription); };
}

} // namespace

CloudAgentWebRecipes::CloudAgentWebRecipes(QLMKitchoraCloudAgent& agent)
    : m_agent(agent)
{
}

void CloudAgentWebRecipes::searchForTerms(
    const QStringList& terms, quint64 page, Reply success, Failure failure)
{
    m_agent.searchForTerms(terms, page, std::move(success), messageOf(std::move(failure)));
}

void CloudAgentWebRecipes::recipesForRecipeIDs(const QVariantList& recipeIDs, Reply success, Failure failure)
{
    m_agent.recipesForRecipeIDs(recipeIDs, std::move(success), messageOf(std::move(failure)));
}

void CloudAgentWebRecipes::imageForRecipeID(const QVariant& recipeID, Reply success, Failure failure)
{
    m_agent.imageForRecipeID(recipeID, std::move(success), messageOf(std::move(failure)));
}

ManagedObject* CloudAgentWebRecipes::recipeManagedObjectFromPlist(const QVariantMap& plist)
{
    return QLMPlistToAndFromRecipeMO::recipeManagedObjectFromPlist(plist);
}
