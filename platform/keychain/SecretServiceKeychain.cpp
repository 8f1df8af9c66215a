// glib names struct members "signals", which Qt defines as a keyword; keep it out of libsecret.
#pragma push_macro("signals")
#undef signals
#include <libsecret/secret.h>
#pragma pop_macro("signals")

#include "SecretServiceKeychain.h"

#include <QByteArray>
#include <memory>

namespace
{

const SecretSchema* passwordSchema()
{
    static const SecretSchema schema = { "org.kitchora.Password", SECRET_SCHEMA_NONE,
        {
            { "account", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { "name", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { "kind", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { nullptr, SecretSchemaAttributeType(0) },
        },
        0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr };
    return &schema;
}

// The attribute table of an item; the bytes live as long as the table.
class AttributeTable
{
public:
    explicit AttributeTable(const KeychainStore::Attributes& attributes)
        : m_account(attributes.account.toUtf8())
        , m_name(attributes.name.toUtf8())
        , m_kind(attributes.kind.toUtf8())
        , m_table(g_hash_table_new(g_str_hash, g_str_equal))
    {
        g_hash_table_insert(m_table, const_cast<char*>("account"), m_account.data());
        g_hash_table_insert(m_table, const_cast<char*>("name"), m_name.data());
        g_hash_table_insert(m_table, const_cast<char*>("kind"), m_kind.data());
    }
    ~AttributeTable() { g_hash_table_unref(m_table); }
    AttributeTable(const AttributeTable&) = delete;
    AttributeTable& operator=(const AttributeTable&) = delete;

    GHashTable* table() const { return m_table; }

private:
    QByteArray m_account;
    QByteArray m_name;
    QByteArray m_kind;
    GHashTable* m_table;
};

// Takes the error; true when there was none.
bool noError(GError* failure, QString* error)
{
    if (!failure)
        return true;
    if (error)
        *error = QString::fromUtf8(failure->message);
    g_error_free(failure);
    return false;
}

} // namespace

bool SecretServiceKeychain::find(
    const Attributes& attributes, std::optional<QString>* password, QString* error)
{
    AttributeTable table(attributes);
    GError* failure = nullptr;
    gchar* found = secret_password_lookupv_sync(passwordSchema(), table.table(), nullptr, &failure);
    if (!noError(failure, error))
        return false;
    if (found) {
        *password = QString::fromUtf8(found);
        secret_password_free(found);
    } else {
        password->reset();
    }
    return true;
}

bool SecretServiceKeychain::store(const Attributes& attributes, const QString& password, QString* error)
{
    AttributeTable table(attributes);
    const QByteArray label = attributes.name.toUtf8();
    const QByteArray secret = password.toUtf8();
    GError* failure = nullptr;
    const gboolean stored = secret_password_storev_sync(passwordSchema(), table.table(),
        SECRET_COLLECTION_DEFAULT, label.constData(), secret.constData(), nullptr, &failure);
    return noError(failure, error) && stored;
}

bool SecretServiceKeychain::remove(const Attributes& attributes, QString* error)
{
    AttributeTable table(attributes);
    GError* failure = nullptr;
    secret_password_clearv_sync(passwordSchema(), table.table(), nullptr, &failure);
    return noError(failure, error);
}
