#pragma once

#include "WebSearchService.h"

class QLMKitchoraCloudAgent;

// The web recipe service as the search engine reaches it: the cloud agent's search, recipe and
// picture requests, and the recipe property-list mapping. Main thread only.
class CloudAgentWebRecipes : public WebSearchService
{
public:
    explicit CloudAgentWebRecipes(QLMKitchoraCloudAgent& agent);

    void searchForTerms(const QStringList& terms, quint64 page, Reply success, Failure failure) override;
    void recipesForRecipeIDs(const QVariantList& recipeIDs, Reply success, Failure failure) override;
    void imageForRecipeID(const QVariant& recipeID, Reply success, Failure failure) override;
    ManagedObject* recipeManagedObjectFromPlist(const QVariantMap& plist) override;

private:
    QLMKitchoraCloudAgent& m_agent;
};
