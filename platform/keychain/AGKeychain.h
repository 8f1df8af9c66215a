#pragma once

#include <QString>
#include <optional>

class KeychainStore;

// The Blogger password and its like, kept as generic password items found by item name, item
// kind and user name. Failures are logged, never shown. Passwords of any length go through whole.
// Main thread only.
class AGKeychain
{
public:
    // The store the calls go to (not owned; nullptr: the desktop keyring). Tests put a fake here.
    static void setStore(KeychainStore* store);

    static bool checkForExistanceOfKeychainItem(
        const QString& keychainItemName, const QString& keychainItemKind, const QString& username);
    static bool addKeychainItem(const QString& keychainItemName, const QString& keychainItemKind,
        const QString& username, const QString& password);
    static bool modifyKeychainItem(const QString& keychainItemName, const QString& keychainItemKind,
        const QString& username, const QString& newPassword);
    // The matching item's password; nullopt when no item matches or the keyring cannot be read.
    static std::optional<QString> getPasswordFromKeychainItem(
        const QString& keychainItemName, const QString& keychainItemKind, const QString& username);
    static bool deleteKeychainItem(
        const QString& keychainItemName, const QString& keychainItemKind, const QString& username);
};
