#include "UsernameEditor.h"

#include "FakeCloudAccount.h"
#include "KitchoraController.h"
#include "Log.h"
#include "ScratchUserDefaults.h"

#include <gtest/gtest.h>

namespace
{

const Error kOffline { QStringLiteral("NSURLErrorDomain"), -1009, QStringLiteral("offline"), {} };
const Error kRefused { QStringLiteral("QLMKitchoraCloudAgent"), 422, QStringLiteral("name taken"), {} };

class UsernameEditorTest : public ::testing::Test
{
protected:
    UsernameEditorTest()
        : editor(
            cloud, { [this](bool running) { progress.append(running); }, [this] { ++connectionAlerts; } })
    {
    }

    QString stored() const { return UsernameEditor::currentUsername(); }
    void store(const QString& name) { defaults.defaults().setObject(name, KROnlineUsername); }

    ScratchUserDefaults defaults;
    FakeCloudAccount cloud;
    QList<bool> progress;
    int connectionAlerts = 0;
    UsernameEditor editor;
};

} // namespace

TEST_F(UsernameEditorTest, EditSheetOutcomes)
{
    struct Case {
        const char* label;
        QString starting;
        int returnCode;
        QString entered;
        QStringList requests; // sent to the service
        QString storedAfter;
    };
    const QList<Case> cases {
        { "first name creates an account", {}, 1, "cook", { "create" }, "cook" },
        { "empty field creates nothing", {}, 1, "", {}, "" },
        { "blank field creates nothing", {}, 1, "   ", {}, "" },
        { "new name over an old one is a change", "cook", 1, "chef", { "lookup" }, "chef" },
        { "emptying restores the old name", "cook", 1, "", {}, "cook" },
        { "cancelling keeps the old name", "cook", 0, "chef", {}, "cook" },
        { "the same name sends nothing", "cook", 1, "cook", {}, "cook" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        cloud.requests.clear();
        cloud.answered = 0;
        store(c.starting);
        editor.didEndEditSheet(c.returnCode, c.starting, c.entered);
        EXPECT_EQ(cloud.kinds(), c.requests);
        EXPECT_EQ(stored(), c.storedAfter);
    }
}

TEST_F(UsernameEditorTest, CreateFailureClearsTheNameAndOnlyConnectionErrorsAlert)
{
    Log::Capture log;
    editor.didEndEditSheet(1, QString(), QStringLiteral("cook"));
    EXPECT_TRUE(editor.inProgress());
    cloud.fail(kRefused);
    EXPECT_EQ(stored(), QString());
    EXPECT_FALSE(editor.inProgress());
    EXPECT_EQ(connectionAlerts, 0);
    EXPECT_TRUE(log.contains(QStringLiteral("createUsernameResult: name taken")));

    editor.didEndEditSheet(1, QString(), QStringLiteral("cook"));
    cloud.fail(kOffline);
    EXPECT_EQ(connectionAlerts, 1);
    EXPECT_EQ(progress.last(), false);
}

TEST_F(UsernameEditorTest, ChangeRenamesFromTheOldName)
{
    store(QStringLiteral("cook"));
    editor.didEndEditSheet(1, QStringLiteral("cook"), QStringLiteral("chef"));
    EXPECT_EQ(editor.oldUsername(), QStringLiteral("cook"));
    cloud.succeed(QVariantMap { { QStringLiteral("username"), QStringLiteral("cook") } });
    ASSERT_EQ(cloud.kinds(), (QStringList { "lookup", "change" }));
    EXPECT_EQ(cloud.requests.last().name, QStringLiteral("cook"));
    cloud.succeed();
    EXPECT_EQ(stored(), QStringLiteral("chef"));
    EXPECT_TRUE(editor.oldUsername().isEmpty());
    EXPECT_FALSE(editor.inProgress());
}

TEST_F(UsernameEditorTest, ChangeTheServiceAlreadyHoldsSendsNoSecondRequest)
{
    store(QStringLiteral("cook"));
    editor.didEndEditSheet(1, QStringLiteral("cook"), QStringLiteral("chef"));
    cloud.succeed(QVariantMap { { QStringLiteral("username"), QStringLiteral("chef") } });
    EXPECT_EQ(cloud.kinds(), QStringList { "lookup" });
    EXPECT_TRUE(editor.oldUsername().isEmpty());
    EXPECT_FALSE(editor.inProgress());
    EXPECT_EQ(stored(), QStringLiteral("chef"));
}

TEST_F(UsernameEditorTest, FailedChangeOrLookupRestoresTheOldName)
{
    for (const bool failLookup : { true, false }) {
        SCOPED_TRACE(failLookup ? "lookup fails" : "change fails");
        cloud.requests.clear();
        cloud.answered = 0;
        store(QStringLiteral("cook"));
        editor.didEndEditSheet(1, QStringLiteral("cook"), QStringLiteral("chef"));
        if (!failLookup)
            cloud.succeed(QVariantMap { { QStringLiteral("username"), QStringLiteral("cook") } });
        cloud.fail(kOffline);
        EXPECT_EQ(stored(), QStringLiteral("cook"));
        EXPECT_FALSE(editor.inProgress());
        EXPECT_TRUE(cloud.allAnswered());
    }
    EXPECT_EQ(connectionAlerts, 2);
}

TEST_F(UsernameEditorTest, CreateRefusesAnEmptyName)
{
    store(QStringLiteral("  "));
    EXPECT_FALSE(editor.createUsername());
    EXPECT_TRUE(cloud.requests.isEmpty());
    EXPECT_FALSE(editor.inProgress());
}

TEST_F(UsernameEditorTest, RepliesAfterTheEditorIsGoneAreDropped)
{
    auto gone = std::make_unique<UsernameEditor>(cloud, UsernameEditor::Hooks {});
    store(QStringLiteral("cook"));
    ASSERT_TRUE(gone->createUsername());
    gone.reset();
    cloud.fail(kRefused);
    EXPECT_EQ(stored(), QStringLiteral("cook"));
}
