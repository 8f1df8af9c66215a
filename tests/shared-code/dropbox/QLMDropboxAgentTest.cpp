#include "QLMDropboxAgent.h"

#include "DBSession.h"
#include "DropboxErrors.h"
#include "Log.h"
#include "NotificationCenter.h"
#include "QLMDropboxDeleteController.h"
#include "QLMDropboxFileController.h"
#include "QLMDropboxFolderController.h"
#include "ScratchUserDefaults.h"
#include "VirtualClock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThreadPool>
#include <gtest/gtest.h>

namespace
{

// What the blocks and notifications of the agent's requests said, one line each.
struct Outcome {
    QStringList said;
    std::optional<Error> error;
    QByteArray data;
    QList<DBMetadata> entries;
    QVariantMap userInfo;
};

class QLMDropboxAgentTest : public ::testing::Test
{
protected:
    QLMDropboxAgentTest()
    {
        root = QFileInfo(rootDir.path()).canonicalFilePath();
        session->linkFolder(root);
        DBSession::setSharedSession(session);
        NotificationCenter& center = NotificationCenter::defaultCenter();
        for (const QString& name : { QLMDropboxSuccessNotification, QLMDropboxErrorNotification }) {
            observers.emplace_back(center, center.addObserver(name, nullptr, [this](const Notification& n) {
                outcome.said << (n.name == QLMDropboxSuccessNotification ? "success notification"
                                                                         : "error notification");
                outcome.userInfo = n.userInfo;
            }));
        }
    }
    ~QLMDropboxAgentTest() override
    {
        QThreadPool::globalInstance()->waitForDone();
        DBSession::setSharedSession(nullptr);
    }

    QLMDropboxSuccessBlock success()
    {
        return [this] { outcome.said << "success"; };
    }
    QLMDropboxErrorBlock failure()
    {
        return [this](const std::optional<Error>& error) {
            outcome.error = error;
            outcome.said << (error ? QStringLiteral("error %1").arg(error->code)
                                   : QStringLiteral("error nil"));
        };
    }
    QStringList run()
    {
        clock.advance(0);
        QThreadPool::globalInstance()->waitForDone();
        const QStringList said = outcome.said;
        outcome.said.clear();
        return said;
    }
    void write(const QString& path, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(root + path).path());
        QFile file(root + path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray read(const QString& path) const
    {
        QFile file(root + path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    // Temporary files the agent made for a Dropbox file of this name.
    static QStringList temporaryFiles(const QString& name)
    {
        return QDir::temp().entryList({ name + "-*" }, QDir::Files);
    }

    ScratchUserDefaults defaults;
    VirtualClock clock;
    QTemporaryDir rootDir;
    QString root;
    std::shared_ptr<DBSession> session = std::make_shared<DBSession>("agentkey", "secret", kDBRootDropbox);
    QLMDropboxAgent agent;
    Outcome outcome;
    std::vector<ScopedObserver> observers;
};

} // namespace

TEST_F(QLMDropboxAgentTest, UploadReplacesTheFileAndLeavesNoTemporaryFile)
{
    write("/Kitchora/Devices/Mac/DeviceInfo.plist", "old");
    const QLMDropboxRequest* request = agent.uploadFile("new", "/Kitchora/Devices/Mac/DeviceInfo.plist");
    EXPECT_TRUE(outcome.said.isEmpty());
    EXPECT_EQ(agent.helperObjects(), QList<const QLMDropboxRequest*> { request });
    // Observing after the agent does: the notification has been posted to it.
    bool stillHeld = true;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    ScopedObserver after(center,
        center.addObserver(QLMDropboxSuccessNotification, request->notificationObject(),
            [&](const Notification&) { stillHeld = agent.helperObjects().contains(request); }));
    EXPECT_EQ(run(), QStringList { "success notification" });
    EXPECT_EQ(read("/Kitchora/Devices/Mac/DeviceInfo.plist"), "new");
    EXPECT_EQ(outcome.userInfo.value(QLMDropboxNotificationUserInfoKeyForPath),
        "/Kitchora/Devices/Mac/DeviceInfo.plist");
    EXPECT_FALSE(stillHeld); // gone from the set as soon as the notification is posted
    EXPECT_TRUE(agent.helperObjects().isEmpty());
    EXPECT_TRUE(temporaryFiles("DeviceInfo.plist").isEmpty());

    session->faults().failNext(1, DBOperation::UploadFile);
    agent.uploadFile("newer", "/Kitchora/Devices/Mac/DeviceInfo.plist", success(), failure());
    EXPECT_EQ(run(), (QStringList { "error 1", "error notification" }));
    EXPECT_EQ(outcome.userInfo.value(QLMDropboxNotificationUserInfoKeyForPath),
        "/Kitchora/Devices/Mac/DeviceInfo.plist");
    EXPECT_TRUE(outcome.userInfo.contains(QLMDropboxNotificationUserInfoKeyForError));
    EXPECT_EQ(read("/Kitchora/Devices/Mac/DeviceInfo.plist"), "new");
    EXPECT_TRUE(temporaryFiles("DeviceInfo.plist").isEmpty());
}

TEST_F(QLMDropboxAgentTest, AnUploadWhoseTemporaryFileCannotBeWrittenFailsWithoutAnErrorLater)
{
    const QByteArray previous = qgetenv("TMPDIR");
    write("/notAFolder", "x"); // a file stops even a privileged user
    qputenv("TMPDIR", QFile::encodeName(root + "/notAFolder"));
    Log::Capture log;
    agent.uploadFile("data", "/Devices/Mac/DeviceInfo.plist", success(), failure());
    qputenv("TMPDIR", previous);
    EXPECT_TRUE(outcome.said.isEmpty()); // reported only once the agent watches the request
    EXPECT_TRUE(log.contains("Can't save file at " + root + "/notAFolder/DeviceInfo.plist-"));
    EXPECT_EQ(run(), (QStringList { "error nil", "error notification" }));
    EXPECT_TRUE(outcome.userInfo.isEmpty());
    EXPECT_TRUE(agent.helperObjects().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(root + "/Devices"));
}

TEST_F(QLMDropboxAgentTest, LoadingAFileGivesItsExactBytesAndLeavesNoTemporaryFile)
{
    const QByteArray bytes("bplist00\0\xff\x01", 10);
    write("/Kitchora/Devices/Mac/Recipes/Unique-42.plist", bytes);
    agent.contentsOfFileAtDropboxPath(
        "/Kitchora/Devices/Mac/Recipes/Unique-42.plist",
        [this](const QByteArray& data) {
            outcome.data = data;
            outcome.said << "data";
        },
        failure());
    EXPECT_EQ(run(), (QStringList { "data", "success notification" }));
    EXPECT_EQ(outcome.data, bytes);
    EXPECT_EQ(outcome.userInfo.value(QLMDropboxNotificationUserInfoKeyForData).toByteArray(), bytes);
    EXPECT_TRUE(temporaryFiles("Unique-42.plist").isEmpty());

    agent.contentsOfFileAtDropboxPath(
        "/Kitchora/Devices/Mac/Recipes/Recipes.plist", [this](const QByteArray&) { outcome.said << "data"; },
        failure());
    EXPECT_EQ(run(), (QStringList { "error 4", "error notification" }));
    EXPECT_EQ(outcome.userInfo.value(QLMDropboxNotificationUserInfoKeyForError).value<Error>().code,
        DropboxErrors::NotFound);
    EXPECT_EQ(outcome.userInfo.value(QLMDropboxNotificationUserInfoKeyForPath),
        "/Kitchora/Devices/Mac/Recipes/Recipes.plist");
}

TEST_F(QLMDropboxAgentTest, AListingHandsOnOnlyTheLiveEntries)
{
    write("/Devices/Mac/DeviceInfo.plist", "x");
    write("/Devices/Pad (Sam's conflicted copy 2026-01-01)/DeviceInfo.plist", "x");
    write("/Devices/Phone/DeviceInfo.plist", "x");
    const auto listing = [this](const QList<DBMetadata>& entries) {
        outcome.entries = entries;
        outcome.said << "entries";
    };
    agent.contentsOfDirectoryAtDropboxPath("/Devices", listing, failure());
    EXPECT_EQ(run(), (QStringList { "entries", "success notification" }));
    ASSERT_EQ(outcome.entries.size(), 2);
    EXPECT_EQ(outcome.entries[0].path, "/Devices/Mac");
    EXPECT_EQ(outcome.entries[1].path, "/Devices/Phone");
    EXPECT_EQ(
        outcome.userInfo.value(QLMDropboxNotificationUserInfoKeyForData).value<QList<DBMetadata>>().size(),
        2);

    agent.contentsOfDirectoryAtDropboxPath(
        "/Devices/Pad (Sam's conflicted copy 2026-01-01)", listing, failure());
    EXPECT_EQ(run(), (QStringList { "error nil", "error notification" }));
    agent.contentsOfDirectoryAtDropboxPath("/Nothing", listing, failure());
    EXPECT_EQ(run(), (QStringList { "error 4", "error notification" }));
}

TEST_F(QLMDropboxAgentTest, AMoveOntoAnExistingFolderFallsBackToACopy)
{
    write("/Devices/Old/DeviceInfo.plist", "mine");
    write("/Devices/Mac/Recipes/Recipes.plist", "waiting");
    Log::Capture log;
    agent.renameDropboxFolderFromOldPath("/Devices/Old", "/Devices/Mac", success(), failure());
    EXPECT_EQ(run(), (QStringList { "success", "success notification" }));
    EXPECT_TRUE(outcome.userInfo.isEmpty());
    EXPECT_TRUE(log.contains("Move failed: "));
    EXPECT_EQ(read("/Devices/Old/DeviceInfo.plist"), "mine");
    EXPECT_EQ(read("/Devices/Mac/DeviceInfo.plist"), "mine");
    EXPECT_EQ(read("/Devices/Mac/Recipes/Recipes.plist"), "waiting");

    agent.renameDropboxFolderFromOldPath("/Devices/Old", "/Devices/New", success(), failure());
    EXPECT_EQ(run(), (QStringList { "success", "success notification" }));
    EXPECT_FALSE(QFileInfo::exists(root + "/Devices/Old"));

    session->faults().failNext(1, DBOperation::MovePath);
    session->faults().failNext(1, DBOperation::CopyPath, "/", DropboxErrors::Conflict);
    log.clear();
    agent.renameDropboxFolderFromOldPath("/Devices/New", "/Devices/Other", success(), failure());
    EXPECT_EQ(run(), (QStringList { "error 3", "error notification" }));
    EXPECT_TRUE(outcome.userInfo.isEmpty());
    EXPECT_TRUE(log.contains("Copy also failed: "));
}

TEST_F(QLMDropboxAgentTest, DeletingRemovesThePathAndAnEmptyPathFailsWithoutAnError)
{
    write("/Devices/Mac/Recipes/a.plist", "a");
    agent.deleteDropboxPath("/Devices/Mac", success(), failure());
    EXPECT_EQ(run(), (QStringList { "success", "success notification" }));
    EXPECT_EQ(outcome.userInfo.value(QLMDropboxNotificationUserInfoKeyForPath), "/Devices/Mac");
    EXPECT_FALSE(QFileInfo::exists(root + "/Devices/Mac"));

    agent.deleteDropboxPath(QString(), success(), failure());
    EXPECT_TRUE(outcome.said.isEmpty()); // never inside the call
    EXPECT_EQ(run(), (QStringList { "error nil", "error notification" }));
    EXPECT_TRUE(outcome.userInfo.isEmpty());
    EXPECT_TRUE(agent.helperObjects().isEmpty());

    agent.deleteDropboxPath("/Devices/Mac", success(), failure());
    EXPECT_EQ(run(), (QStringList { "error 4", "error notification" }));
    EXPECT_EQ(outcome.userInfo.value(QLMDropboxNotificationUserInfoKeyForPath), "/Devices/Mac");

    const QLMDropboxDeleteController* request = agent.deleteDropboxPath("/Devices");
    EXPECT_EQ(agent.helperObjects(), QList<const QLMDropboxRequest*> { request });
    EXPECT_EQ(run(), QStringList { "success notification" });
}

TEST_F(QLMDropboxAgentTest, TransfersReportTheirPaths)
{
    QTemporaryDir local;
    write("/Devices/Mac/Recipes/Images/42-imageData.jpg", "jpeg");
    agent.downloadFileFromDropboxPath(
        "/Devices/Mac/Recipes/Images/42-imageData.jpg", local.filePath("42.jpg"), success(), failure());
    EXPECT_EQ(run(), (QStringList { "success", "success notification" }));
    EXPECT_EQ(outcome.userInfo.value(QLMDropboxNotificationUserInfoKeyForPath), local.filePath("42.jpg"));

    agent.uploadFileFromLocalPath(
        local.filePath("42.jpg"), "/Devices/Pad/Recipes/Images/42-imageData.jpg", success(), failure());
    EXPECT_EQ(run(), (QStringList { "success", "success notification" }));
    EXPECT_EQ(outcome.userInfo.value(QLMDropboxNotificationUserInfoKeyForPath),
        "/Devices/Pad/Recipes/Images/42-imageData.jpg");
    EXPECT_EQ(read("/Devices/Pad/Recipes/Images/42-imageData.jpg"), "jpeg");

    agent.downloadFileFromDropboxPath("/missing.jpg", local.filePath("x"), success(), failure());
    EXPECT_EQ(run(), (QStringList { "error 4", "error notification" }));
    EXPECT_EQ(outcome.userInfo.keys(), QStringList { QLMDropboxNotificationUserInfoKeyForError });
}

TEST_F(QLMDropboxAgentTest, TheFolderMakerMakesWhatIsMissingAndRecreatesWhatIsDeleted)
{
    write("/Kitchora/Devices/keep", "k");
    const QLMDropboxFolderController* maker
        = agent.makeDropboxPathIfNecessary("/Kitchora/Devices/Mac/Recipes");
    EXPECT_EQ(run(), QStringList { "success notification" });
    EXPECT_EQ(
        outcome.userInfo.value(QLMDropboxNotificationUserInfoKeyForPath), "/Kitchora/Devices/Mac/Recipes");
    EXPECT_TRUE(QFileInfo(root + "/Kitchora/Devices/Mac/Recipes").isDir());
    EXPECT_EQ(read("/Kitchora/Devices/keep"), "k");
    Q_UNUSED(maker);

    agent.makeDropboxPathIfNecessary("/");
    EXPECT_EQ(run(), QStringList { "success notification" });
    agent.makeDropboxPathIfNecessary("");
    EXPECT_EQ(run(), QStringList { "error notification" });
    EXPECT_TRUE(outcome.userInfo.isEmpty());

    // A sync client's conflicted copy reads as deleted, so it is made again; the walk goes on.
    write("/Kitchora/Old (conflicted copy)/x", "x");
    agent.makeDropboxPathIfNecessary("/Kitchora/Old (conflicted copy)/Recipes");
    EXPECT_EQ(run(), QStringList { "success notification" });
    EXPECT_TRUE(QFileInfo(root + "/Kitchora/Old (conflicted copy)/Recipes").isDir());

    Log::Capture log;
    agent.makeDropboxPathIfNecessary("/Kitchora/Devices/keep/sub");
    EXPECT_EQ(run(), QStringList { "error notification" });
    EXPECT_TRUE(log.contains("Don't use folder creator to make files"));

    session->faults().failNext(1, DBOperation::CreateFolder, "/New");
    agent.makeDropboxPathIfNecessary("/New/Folder");
    EXPECT_EQ(run(), QStringList { "error notification" });
    EXPECT_EQ(outcome.userInfo.value(QLMDropboxNotificationUserInfoKeyForPath), "/New/Folder");
    EXPECT_TRUE(outcome.userInfo.contains(QLMDropboxNotificationUserInfoKeyForError));
    EXPECT_FALSE(QFileInfo::exists(root + "/New"));
}

TEST_F(QLMDropboxAgentTest, RequestsAnswerInTheOrderTheFolderDoes)
{
    write("/Devices/A/DeviceInfo.plist", "A");
    write("/Devices/B/DeviceInfo.plist", "B");
    session->faults().hold(DBOperation::LoadFile);
    for (const char* name : { "A", "B" }) {
        agent.contentsOfFileAtDropboxPath(
            QStringLiteral("/Devices/%1/DeviceInfo.plist").arg(name),
            [this](const QByteArray& data) { outcome.said << QString::fromLatin1(data); }, failure());
    }
    EXPECT_TRUE(run().isEmpty());
    session->faults().releaseAllReversed();
    EXPECT_EQ(run(), (QStringList { "B", "success notification", "A", "success notification" }));
}

TEST_F(QLMDropboxAgentTest, AnAgentThatGoesAwayDropsItsRequestsUnanswered)
{
    write("/x", "x");
    {
        QLMDropboxAgent shortLived;
        shortLived.deleteDropboxPath("/x", success(), failure());
        shortLived.deleteDropboxPath(QString(), success(), failure());
    }
    EXPECT_TRUE(run().isEmpty());
    EXPECT_EQ(read("/x"), "x");
}

TEST_F(QLMDropboxAgentTest, WithoutALinkedSessionEveryRequestFails)
{
    session->unlinkAll();
    agent.contentsOfDirectoryAtDropboxPath(
        "/", [](const QList<DBMetadata>&) {}, failure());
    EXPECT_EQ(run(), (QStringList { "error 5", "error notification" }));
    DBSession::setSharedSession(nullptr);
    agent.uploadFile("x", "/x", success(), failure());
    EXPECT_EQ(run(), (QStringList { "error 5", "error notification" }));
}
