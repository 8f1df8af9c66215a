#include "UserDefaults.h"

#include "Log.h"

#include <QFile>
#include <QSize>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>

namespace
{

class UserDefaultsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("Kitchora.ini");

    void writeRaw(const QByteArray& text)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
};

QVariant i64(qint64 v)
{
    return QVariant::fromValue<qint64>(v);
}

} // namespace

TEST_F(UserDefaultsTest, ValuesKeepTheirTypesAcrossAReload)
{
    const QDateTime when(QDate(2026, 12, 10), QTime(9, 30, 15, 250), Qt::UTC);
    const QVariantMap values {
        { "KRCompletedSetup", true },
        { "KRSavedImportsCount", i64(30) },
        { "RVImageViewSize", 128.0 },
        { "KROnlineUsername", QString("007") },
        { "whenever", when },
        { "blob", QByteArray("\x00\x01\xff", 3) },
        { "OutlineView Disclosure State sourceList", QVariantList { true, false, i64(3) } },
        { "nested", QVariantMap { { "list", QVariantList { QString("a"), 2.5 } } } },
        { "with/slash", QString("line one\nline two = \"quoted\"; [x]") },
    };
    {
        UserDefaults defaults(path);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            ASSERT_TRUE(defaults.setObject(it.value(), it.key()));
        // Before any reload the answers already have their stored types.
        EXPECT_EQ(defaults.objectForKey("KRSavedImportsCount").metaType().id(), QMetaType::LongLong);
        EXPECT_TRUE(defaults.synchronize());
    }
    UserDefaults reloaded(path);
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QVariant back = reloaded.objectForKey(it.key());
        EXPECT_EQ(back.metaType(), it.value().metaType()) << it.key().toStdString();
        EXPECT_EQ(back, it.value()) << it.key().toStdString();
    }
    EXPECT_EQ(reloaded.objectForKey("nested").toMap().value("list").toList().at(1).metaType().id(),
        QMetaType::Double);
}

TEST_F(UserDefaultsTest, TypedGettersConvertAsThePlatformDoes)
{
    writeRaw("[General]\nhandWritten=12 cups\nhandYes=YES\nhandTrue=true\nhandWord=maybe\n");
    UserDefaults defaults(path);
    defaults.setInteger(2, "count");
    defaults.setDouble(2.75, "ratio");
    defaults.setBool(true, "flag");
    defaults.setObject(QString("3.5"), "numericText");
    defaults.setObject(QVariantList { 1 }, "list");
    defaults.setFloat(0.5f, "float");

    const struct {
        const char* key;
        const char* string;
        bool boolean;
        qint64 integer;
        double real;
    } cases[] = {
        { "count", "2", true, 2, 2.0 },
        { "ratio", "2.75", true, 2, 2.75 },
        { "flag", "1", true, 1, 1.0 },
        { "numericText", "3.5", true, 3, 3.5 },
        { "handWritten", "12 cups", true, 12, 12.0 },
        { "handYes", "YES", true, 0, 0.0 },
        { "handTrue", "true", true, 0, 0.0 },
        { "handWord", "maybe", false, 0, 0.0 },
        { "list", nullptr, false, 0, 0.0 },
        { "absent", nullptr, false, 0, 0.0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(defaults.stringForKey(c.key), c.string ? QString(c.string) : QString());
        EXPECT_EQ(defaults.stringForKey(c.key).isNull(), c.string == nullptr);
        EXPECT_EQ(defaults.boolForKey(c.key), c.boolean);
        EXPECT_EQ(defaults.integerForKey(c.key), c.integer);
        EXPECT_DOUBLE_EQ(defaults.doubleForKey(c.key), c.real);
    }
    EXPECT_EQ(defaults.floatForKey("float"), 0.5f);
    EXPECT_EQ(defaults.arrayForKey("list"), QVariantList { i64(1) });
    EXPECT_TRUE(defaults.arrayForKey("count").isEmpty());
    EXPECT_TRUE(defaults.dictionaryForKey("list").isEmpty());
    EXPECT_FALSE(defaults.objectForKey("absent").isValid());
}

TEST_F(UserDefaultsTest, HugeNumbersClampInsteadOfOverflowing)
{
    UserDefaults defaults(path);
    defaults.setDouble(1e300, "big");
    defaults.setDouble(-1e300, "small");
    defaults.setObject(QString("99999999999999999999999"), "bigText");
    EXPECT_EQ(defaults.integerForKey("big"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(defaults.integerForKey("small"), std::numeric_limits<qint64>::min());
    EXPECT_EQ(defaults.integerForKey("bigText"), std::numeric_limits<qint64>::max());
}

TEST_F(UserDefaultsTest, RegisteredDefaultsAnswerOnlyForMissingKeysAndAreNeverWritten)
{
    {
        UserDefaults defaults(path);
        defaults.registerDefaults(
            { { "suppressPromptToMoveToApplicationsFolder", false }, { "KRSavedImportsCount", 30 } });
        EXPECT_EQ(defaults.integerForKey("KRSavedImportsCount"), 30);
        defaults.setInteger(12, "KRSavedImportsCount");
        EXPECT_EQ(defaults.integerForKey("KRSavedImportsCount"), 12);
        defaults.removeObjectForKey("KRSavedImportsCount");
        EXPECT_EQ(defaults.integerForKey("KRSavedImportsCount"), 30);
        EXPECT_TRUE(defaults.objectForKey("suppressPromptToMoveToApplicationsFolder").isValid());
        defaults.synchronize();
    }
    UserDefaults reloaded(path);
    EXPECT_FALSE(reloaded.objectForKey("suppressPromptToMoveToApplicationsFolder").isValid());
    EXPECT_FALSE(reloaded.objectForKey("KRSavedImportsCount").isValid());
}

TEST_F(UserDefaultsTest, RemovingAndRefusedValues)
{
    UserDefaults defaults(path);
    defaults.setObject(QString("Basil"), "KROnlineUsername");
    EXPECT_TRUE(defaults.setObject(QVariant(), "KROnlineUsername"));
    EXPECT_FALSE(defaults.objectForKey("KROnlineUsername").isValid());

    defaults.setInteger(5, "kept");
    Log::Capture capture;
    EXPECT_FALSE(defaults.setObject(QSize(1, 1), "kept"));
    EXPECT_FALSE(defaults.setObject(QVariantList { QVariant() }, "kept"));
    EXPECT_EQ(defaults.integerForKey("kept"), 5);
    EXPECT_TRUE(capture.contains("cannot store the value for \"kept\""));
}

TEST_F(UserDefaultsTest, DamagedStoredValueIsIgnoredAndLogged)
{
    writeRaw("[General]\nbroken=@@plist:AAAA\nfine=plain\n");
    UserDefaults defaults(path);
    Log::Capture capture;
    EXPECT_FALSE(defaults.objectForKey("broken").isValid());
    EXPECT_TRUE(capture.contains("unreadable stored value"));
    EXPECT_EQ(defaults.stringForKey("fine"), "plain");
}

TEST_F(UserDefaultsTest, SynchronizeSeesChangesFromAnotherInstance)
{
    UserDefaults first(path);
    UserDefaults second(path);
    first.setInteger(1, "KRDefaultMeasurementSystem");
    EXPECT_TRUE(first.synchronize());
    EXPECT_TRUE(second.synchronize());
    EXPECT_EQ(second.integerForKey("KRDefaultMeasurementSystem"), 1);
    EXPECT_EQ(second.objectForKey("KRDefaultMeasurementSystem").metaType().id(), QMetaType::LongLong);
}

TEST_F(UserDefaultsTest, SynchronizeReportsAnUnwritableFile)
{
    UserDefaults defaults("/proc/kitchora-no-such-dir/Kitchora.ini");
    defaults.setBool(true, "flag");
    EXPECT_FALSE(defaults.synchronize());
}

TEST_F(UserDefaultsTest, SharedInstanceCanBePointedAtAFile)
{
    UserDefaults& shared = UserDefaults::standardUserDefaults();
    EXPECT_EQ(&shared, &UserDefaults::standardUserDefaults());
    EXPECT_TRUE(shared.fileName().endsWith(".ini"));

    UserDefaults::setStandardUserDefaultsFile(path);
    shared.registerDefaults({ { "registered", true } });
    shared.setObject(QString("shared"), "who");
    shared.synchronize();
    EXPECT_EQ(UserDefaults(path).stringForKey("who"), "shared");

    UserDefaults::setStandardUserDefaultsFile(dir.filePath("other.ini"));
    EXPECT_FALSE(shared.objectForKey("who").isValid());
    EXPECT_FALSE(shared.objectForKey("registered").isValid());
}
