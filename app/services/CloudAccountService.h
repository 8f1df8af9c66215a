#pragma once

#include "Error.h"

#include <QVariant>
#include <QVariantMap>
#include <functional>

class ManagedObject;

// What the preferences ask of the web recipe service about the user's account: the user name
// kept under KROnlineUsername and the recipe shared from the first-submit sheet. Every call
// returns at once; exactly one of the blocks runs later on the main thread. Main thread only.
class CloudAccountService
{
public:
    using Success = std::function<void(const QVariant& reply)>;
    using Failure = std::function<void(const Error& error)>;

    virtual ~CloudAccountService() = default;

    // Creates `username` for this user's account key.
    virtual void createUsername(const QString& username, Success success, Failure failure) = 0;
    // The name the service holds for the account key: a map with "username".
    virtual void usernameForCurrentRegkey(Success success, Failure failure) = 0;
    // Renames the account from `oldUsername` to the current KROnlineUsername.
    virtual void changeToUsernameFromOldUsername(const QString& oldUsername, Success success, Failure failure)
        = 0;
    // Shares the recipe (its property list) with the service; nothing is reported back.
    virtual void uploadRecipe(ManagedObject* recipe, bool searchFlag) = 0;
};
