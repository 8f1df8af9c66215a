#pragma once

#include "CloudAccountService.h"
#include "RunLoop.h"

#include <QCoreApplication>

// The account service until the web recipe service is wired in: every request fails on the next
// turn of the run loop with a "not configured" error, and nothing is shared.
class UnconfiguredCloudAccount : public CloudAccountService
{
public:
    void createUsername(const QString&, Success, Failure failure) override { fail(std::move(failure)); }
    void usernameForCurrentRegkey(Success, Failure failure) override { fail(std::move(failure)); }
    void changeToUsernameFromOldUsername(const QString&, Success, Failure failure) override
    {
        fail(std::move(failure));
    }
    void uploadRecipe(ManagedObject*, bool) override { }

private:
    static void fail(Failure failure)
    {
        if (!failure)
            return;
        RunLoop::postToMain([failure] {
            failure({ QStringLiteral("KitchoraCloudAccount"), 1,
                QCoreApplication::translate("Kitchora", "The web recipe service is not configured."), {} });
        });
    }
};
