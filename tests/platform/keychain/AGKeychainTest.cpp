// The password items: found by name, kind and user name together, replaced in place, passed whole
// whatever their length, and failures of the store logged rather than taken for answers.
#include "AGKeychain.h"

#include "KeychainStore.h"
#include "Log.h"
#include "SecretServiceKeychain.h"

#include <QMap>
#include <gtest/gtest.h>
#include <tuple>

namespace
{

class FakeKeychain : public KeychainStore
{
public:
    using Key = std::tuple<QString, QString, QString>;

    bool find(const Attributes& attributes, std::optional<QString>* password, QString* error) override
    {
        if (failing)
            return fail(error);
        const auto found = items.constFind(key(attributes));
        *password = found == items.constEnd() ? std::nullopt : std::optional<QString>(*found);
        return true;
    }
    bool store(const Attributes& attributes, const QString& password, QString* error) override
    {
        if (failing)
            return fail(error);
        items.insert(key(attributes), password);
        return true;
    }
    bool remove(const Attributes& attributes, QString* error) override
    {
        if (failing)
            return fail(error);
        items.remove(key(attributes));
        return true;
    }

    static Key key(const Attributes& attributes)
    {
        return { attributes.account, attributes.name, attributes.kind };
    }
    bool fail(QString* error)
    {
        *error = QStringLiteral("locked");
        return false;
    }

    QMap<Key, QString> items;
    bool failing = false;
};

class AGKeychainTest : public ::testing::Test
{
protected:
    void SetUp() override { AGKeychain::setStore(&keychain); }
    void TearDown() override { AGKeychain::setStore(nullptr); }

    FakeKeychain keychain;
    const QString name = QStringLiteral("Blogger (cook@gmail.com)");
    const QString kind = QStringLiteral("Kitchora Blogger Password");
    const QString user = QStringLiteral("cook@gmail.com");
};

TEST_F(AGKeychainTest, AddFindModifyDelete)
{
    EXPECT_FALSE(AGKeychain::checkForExistanceOfKeychainItem(name, kind, user));
    EXPECT_EQ(AGKeychain::getPasswordFromKeychainItem(name, kind, user), std::nullopt);
    ASSERT_TRUE(AGKeychain::addKeychainItem(name, kind, user, QStringLiteral("s3cret")));
    EXPECT_TRUE(AGKeychain::checkForExistanceOfKeychainItem(name, kind, user));
    EXPECT_EQ(AGKeychain::getPasswordFromKeychainItem(name, kind, user), QStringLiteral("s3cret"));
    // Every attribute counts.
    EXPECT_FALSE(AGKeychain::checkForExistanceOfKeychainItem(name, kind, QStringLiteral("other@gmail.com")));
    EXPECT_FALSE(AGKeychain::checkForExistanceOfKeychainItem(name, QStringLiteral("Other Kind"), user));
    EXPECT_FALSE(AGKeychain::checkForExistanceOfKeychainItem(QStringLiteral("Blogger (x)"), kind, user));

    ASSERT_TRUE(AGKeychain::modifyKeychainItem(name, kind, user, QStringLiteral("n3w")));
    EXPECT_EQ(AGKeychain::getPasswordFromKeychainItem(name, kind, user), QStringLiteral("n3w"));
    EXPECT_EQ(keychain.items.size(), 1);
    ASSERT_TRUE(AGKeychain::deleteKeychainItem(name, kind, user));
    EXPECT_FALSE(AGKeychain::checkForExistanceOfKeychainItem(name, kind, user));
}

TEST_F(AGKeychainTest, LongAndNonAsciiPasswordsGoThroughWhole)
{
    const QString longPassword = QString(3000, u'x') + QStringLiteral("ü€");
    ASSERT_TRUE(AGKeychain::addKeychainItem(name, kind, user, longPassword));
    EXPECT_EQ(AGKeychain::getPasswordFromKeychainItem(name, kind, user), longPassword);
}

TEST_F(AGKeychainTest, StoreFailuresAreLoggedAndAnswerNo)
{
    keychain.failing = true;
    Log::Capture log;
    EXPECT_FALSE(AGKeychain::checkForExistanceOfKeychainItem(name, kind, user));
    EXPECT_FALSE(AGKeychain::addKeychainItem(name, kind, user, QStringLiteral("p")));
    EXPECT_FALSE(AGKeychain::modifyKeychainItem(name, kind, user, QStringLiteral("p")));
    EXPECT_EQ(AGKeychain::getPasswordFromKeychainItem(name, kind, user), std::nullopt);
    EXPECT_FALSE(AGKeychain::deleteKeychainItem(name, kind, user));
    EXPECT_TRUE(log.contains(QStringLiteral("Error creating new item: locked")));
    EXPECT_TRUE(log.contains(QStringLiteral("Error modifying item: locked")));
    EXPECT_TRUE(log.contains(QStringLiteral("Keychain Error = locked")));
    EXPECT_TRUE(log.contains(QStringLiteral("Error deleting item: locked")));
}

TEST(SecretServiceKeychainTest, WithoutAKeyringEveryCallFailsWithAReason)
{
    // A session bus that is not there: the keyring cannot be reached.
    const QByteArray previous = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kitchora-test-bus");
    SecretServiceKeychain keyring;
    const KeychainStore::Attributes item { QStringLiteral("cook"), QStringLiteral("Blogger (cook)"),
        QStringLiteral("Kitchora Blogger Password") };
    std::optional<QString> password;
    QString error;
    EXPECT_FALSE(keyring.find(item, &password, &error));
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_FALSE(keyring.store(item, QStringLiteral("p"), &error));
    EXPECT_FALSE(error.isEmpty());
    if (previous.isNull())
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    else
        qputenv("DBUS_SESSION_BUS_ADDRESS", previous);
}

} // namespace
