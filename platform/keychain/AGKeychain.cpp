#include "AGKeychain.h"

#include "KeychainStore.h"
#include "Log.h"
#include "SecretServiceKeychain.h"

namespace
{

KeychainStore* g_store = nullptr;

KeychainStore& store()
{
    if (g_store)
        return *g_store;
    static SecretServiceKeychain keyring;
    return keyring;
}

KeychainStore::Attributes attributes(const QString& name, const QString& kind, const QString& username)
{
    return { username, name, kind };
}

} // namespace

void AGKeychain::setStore(KeychainStore* keychainStore)
{
    g_store = keychainStore;
}

bool AGKeychain::checkForExistanceOfKeychainItem(
    const QString& keychainItemName, const QString& keychainItemKind, const QString& username)
{
    std::optional<QString> password;
    QString error;
    if (!store().find(attributes(keychainItemName, keychainItemKind, username), &password, &error)) {
        Log::logf(QStringLiteral("AGKeychain: the keychain could not be searched: %1"), error);
        return false;
    }
    return password.has_value();
}

bool AGKeychain::addKeychainItem(const QString& keychainItemName, const QString& keychainItemKind,
    const QString& username, const QString& password)
{
    QString error;
    if (!store().store(attributes(keychainItemName, keychainItemKind, username), password, &error)) {
        Log::logf(QStringLiteral("Error creating new item: %1"), error);
        return false;
    }
    return true;
}

bool AGKeychain::modifyKeychainItem(const QString& keychainItemName, const QString& keychainItemKind,
    const QString& username, const QString& newPassword)
{
    QString error;
    if (!store().store(attributes(keychainItemName, keychainItemKind, username), newPassword, &error)) {
        Log::logf(QStringLiteral("Error modifying item: %1"), error);
        return false;
    }
    return true;
}

std::optional<QString> AGKeychain::getPasswordFromKeychainItem(
    const QString& keychainItemName, const QString& keychainItemKind, const QString& username)
{
    std::optional<QString> password;
    QString error;
    if (!store().find(attributes(keychainItemName, keychainItemKind, username), &password, &error)) {
        Log::logf(QStringLiteral("Keychain Error = %1"), error);
        return std::nullopt;
    }
    return password;
}

bool AGKeychain::deleteKeychainItem(
    const QString& keychainItemName, const QString& keychainItemKind, const QString& username)
{
    QString error;
    if (!store().remove(attributes(keychainItemName, keychainItemKind, username), &error)) {
        Log::logf(QStringLiteral("Error deleting item: %1"), error);
        return false;
    }
    return true;
}
