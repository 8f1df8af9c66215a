#pragma once

#include <QString>
#include <optional>

// Where AGKeychain keeps generic password items. An item is found by three attributes: the
// account (a user name), the item's name and its kind. Every call answers at once; a failure
// leaves its reason in `error`. Main thread only.
class KeychainStore
{
public:
    struct Attributes {
        QString account;
        QString name;
        QString kind;
    };

    virtual ~KeychainStore() = default;

    // True with `password` set when an item matches, true with nullopt when none does; false when
    // the store could not be searched.
    virtual bool find(const Attributes& attributes, std::optional<QString>* password, QString* error) = 0;
    // Stores the password in a new item, or in the matching item when there is one.
    virtual bool store(const Attributes& attributes, const QString& password, QString* error) = 0;
    // Removes the matching items; true also when there were none.
    virtual bool remove(const Attributes& attributes, QString* error) = 0;
};
