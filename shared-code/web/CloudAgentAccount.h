#pragma once

#include "CloudAccountService.h"

class QLMKitchoraCloudAgent;

// The preferences' road to the user's account on the web recipe service, through its client.
// Main thread only.
class CloudAgentAccount : public CloudAccountService
{
public:
    // nullptr: the shared client. Not owned; it must outlive this.
    explicit CloudAgentAccount(QLMKitchoraCloudAgent* agent = nullptr);

    void createUsername(const QString& username, Success success, Failure failure) override;
    void usernameForCurrentRegkey(Success success, Failure failure) override;
    void changeToUsernameFromOldUsername(
        const QString& oldUsername, Success success, Failure failure) override;
    void uploadRecipe(ManagedObject* recipe, bool searchFlag) override;

private:
    QLMKitchoraCloudAgent& agent();

    QLMKitchoraCloudAgent* m_agent;
};
