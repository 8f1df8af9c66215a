#include "CloudAgentAccount.h"

#include "Log.h"
#include "QLMKitchoraCloudAgent.h"
#include "QLMPlistToAndFromRecipeMO.h"

CloudAgentAccount::CloudAgentAccount(QLMKitchoraCloudAgent* agent)
    : m_agent(agent)
{
}

QLMKitchoraCloudAgent& CloudAgentAccount::agent()
{
    return m_agent ? *m_agent : QLMKitchoraCloudAgent::sharedCloudAgent();
}

void CloudAgentAccount::createUsername(const QString& username, Success success, Failure failure)
{
    agent().useCurrentRegKeyToCreateUserName(username, std::move(success), std::move(failure));
}

void CloudAgentAccount::usernameForCurrentRegkey(Success success, Failure failure)
{
    agent().usernameForCurrentRegkey(std::move(success), std::move(failure));
}

void CloudAgentAccount::changeToUsernameFromOldUsername(
    const QString& oldUsername, Success success, Failure failure)
{
    agent().changeToUsernameFromOldUsername(oldUsername, std::move(success), std::move(failure));
}

void CloudAgentAccount::uploadRecipe(ManagedObject* recipe, bool searchFlag)
{
    const std::optional<QVariantMap> plist = QLMPlistToAndFromRecipeMO::plistFromRecipeMO(recipe);
    if (!plist) {
        Log::log(QStringLiteral("The recipe could not be made ready for sharing."));
        return;
    }
    agent().uploadRecipePlist(*plist, searchFlag, nullptr);
}
