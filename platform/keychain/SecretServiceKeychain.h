#pragma once

#include "KeychainStore.h"

// The desktop keyring through the Secret Service (libsecret): items of the schema
// "org.kitchora.Password" with the attributes "account", "name" and "kind", labelled with the
// item's name, in the default collection. Calls block until the keyring answered (it may ask the
// user to unlock it).
class SecretServiceKeychain : public KeychainStore
{
public:
    bool find(const Attributes& attributes, std::optional<QString>* password, QString* error) override;
    bool store(const Attributes& attributes, const QString& password, QString* error) override;
    bool remove(const Attributes& attributes, QString* error) override;
};
