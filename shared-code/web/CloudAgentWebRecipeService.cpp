#include "CloudAgentWebRecipeService.h"

#include "QLMKitchoraCloudAgent.h"
#include "QLMPlistToAndFromRecipeMO.h"

CloudAgentWebRecipeService::CloudAgentWebRecipeService(QLMKitchoraCloudAgent* agent)
    : m_agent(agent)
{
}

QLMKitchoraCloudAgent& CloudAgentWebRecipeService::agent()
{
    return m_agent ? *m_agent : QLMKitchoraCloudAgent::sharedCloudAgent();
}

QVariantMap CloudAgentWebRecipeService::plistFromRecipeMO(const ManagedObject* recipe)
{
    return QLMPlistToAndFromRecipeMO::plistFromRecipeMO(recipe).value_or(QVariantMap());
}

void CloudAgentWebRecipeService::uploadRecipePlist(const QVariantMap& plist, bool searchFlag)
{
    agent().uploadRecipePlist(plist, searchFlag, nullptr);
}

void CloudAgentWebRecipeService::uploadImageData(
    const QByteArray& data, int imageType, const QVariant& recipeID)
{
    agent().uploadImageData(data, imageType, recipeID, nullptr);
}
