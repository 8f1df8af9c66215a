#include "DropboxErrors.h"
#include "DropboxFixture.h"

#include <QCoreApplication>
#include <functional>

namespace
{

std::vector<std::pair<QString, bool>> entries(const DBMetadata& folder)
{
    std::vector<std::pair<QString, bool>> list;
    for (const DBMetadata& entry : folder.contents)
        list.emplace_back(
            entry.filename() + (entry.isDirectory ? QStringLiteral("/") : QString()), entry.isDeleted);
    return list;
}

} // namespace

using DBRestClientTest = DropboxFixture;

TEST_F(DBRestClientTest, EveryCallAnswersOnceOnALaterPassNeverInsideTheCall)
{
    write("/a/file.plist", "bytes");
    client.loadMetadata("/a");
    client.createFolder("/b");
    client.uploadFile("up.plist", "/b", local("/a/file.plist"));
    client.loadFile("/a/file.plist", scratch("copy"));
    client.copyFrom("/a", "/c");
    client.moveFrom("/c", "/d");
    client.deletePath("/d");
    EXPECT_TRUE(delegate.answers.isEmpty());
    EXPECT_FALSE(exists("/b")); // not even performed yet
    EXPECT_EQ(answer(),
        (QStringList { "metadata /a", "created /b", "uploaded /b/up.plist", "loaded copy", "copied /a /c",
            "moved /c /d", "deleted /d" }));
    EXPECT_TRUE(answer().isEmpty());
}

TEST_F(DBRestClientTest, ListingShowsEntriesByNameAndMarksASyncClientsLeftoversDeleted)
{
    write("/Devices/Mac/DeviceInfo.plist", "x");
    write("/Devices/b.plist", "x");
    write("/Devices/b (Sam's conflicted copy 2026-01-02).plist", "x");
    write("/Devices/b.sync-conflict-20260102-101010-ABCDEF.plist", "x");
    write("/Devices/.stversions/b.plist", "x");
    client.loadMetadata("Devices/");
    ASSERT_EQ(answer(), QStringList { "metadata /Devices" });
    EXPECT_TRUE(delegate.metadata.isDirectory);
    EXPECT_FALSE(delegate.metadata.isDeleted);
    const std::vector<std::pair<QString, bool>> expected { { ".stversions/", true }, { "Mac/", false },
        { "b (Sam's conflicted copy 2026-01-02).plist", true }, { "b.plist", false },
        { "b.sync-conflict-20260102-101010-ABCDEF.plist", true } };
    EXPECT_EQ(entries(delegate.metadata), expected);
    EXPECT_EQ(delegate.metadata.contents[1].path, "/Devices/Mac");

    client.loadMetadata("/Devices/.stversions/b.plist");
    ASSERT_EQ(answer(), QStringList { "metadata /Devices/.stversions/b.plist" });
    EXPECT_TRUE(delegate.metadata.isDeleted);
    EXPECT_FALSE(delegate.metadata.isDirectory);

    client.loadMetadata("/");
    ASSERT_EQ(answer(), QStringList { "metadata /" });
    EXPECT_EQ(delegate.metadata.filename(), "/");
}

TEST_F(DBRestClientTest, UploadReplacesTheFileAndMakesItsFolders)
{
    write("/K/Devices/Mac/DeviceInfo.plist", "old");
    QFile source(scratch("new"));
    ASSERT_TRUE(source.open(QIODevice::WriteOnly));
    source.write("new contents");
    source.close();

    client.uploadFile("DeviceInfo.plist", "/K/Devices/Mac", scratch("new"));
    client.uploadFile("Recipes.plist", "/K/Devices/Pad/Recipes", scratch("new"));
    EXPECT_EQ(answer(),
        (QStringList {
            "uploaded /K/Devices/Mac/DeviceInfo.plist", "uploaded /K/Devices/Pad/Recipes/Recipes.plist" }));
    EXPECT_EQ(read("/K/Devices/Mac/DeviceInfo.plist"), "new contents");
    EXPECT_EQ(read("/K/Devices/Pad/Recipes/Recipes.plist"), "new contents");
    EXPECT_EQ(QDir(local("/K/Devices/Mac")).entryList(QDir::Files | QDir::Hidden),
        QStringList { "DeviceInfo.plist" });
}

TEST_F(DBRestClientTest, LoadGivesTheExactBytes)
{
    const QByteArray bytes("bplist00\0\1\2\xff", 12);
    write("/a/b.plist", bytes);
    client.loadFile("/a/b.plist", scratch("into"));
    EXPECT_EQ(answer(), QStringList { "loaded into" });
    QFile loaded(scratch("into"));
    ASSERT_TRUE(loaded.open(QIODevice::ReadOnly));
    EXPECT_EQ(loaded.readAll(), bytes);
}

TEST_F(DBRestClientTest, MoveFailsOntoSomethingThereAndCopyMergesRecursively)
{
    write("/Devices/Old/DeviceInfo.plist", "mine");
    write("/Devices/Old/Recipes/r.plist", "recipe");
    write("/Devices/New/Recipes/waiting.plist", "waiting");

    client.moveFrom("/Devices/Old", "/Devices/New");
    EXPECT_EQ(answer(), QStringList { "failed 3" });
    EXPECT_EQ(read("/Devices/Old/DeviceInfo.plist"), "mine");

    client.copyFrom("/Devices/Old", "/Devices/New");
    EXPECT_EQ(answer(), QStringList { "copied /Devices/Old /Devices/New" });
    EXPECT_EQ(read("/Devices/New/DeviceInfo.plist"), "mine");
    EXPECT_EQ(read("/Devices/New/Recipes/r.plist"), "recipe");
    EXPECT_EQ(read("/Devices/New/Recipes/waiting.plist"), "waiting");
    EXPECT_TRUE(exists("/Devices/Old/Recipes/r.plist"));

    client.moveFrom("/Devices/Old", "/Moved/Here");
    EXPECT_EQ(answer(), QStringList { "moved /Devices/Old /Moved/Here" });
    EXPECT_FALSE(exists("/Devices/Old"));
    EXPECT_EQ(read("/Moved/Here/Recipes/r.plist"), "recipe");

    client.deletePath("/Moved");
    EXPECT_EQ(answer(), QStringList { "deleted /Moved" });
    EXPECT_FALSE(exists("/Moved"));
}

TEST_F(DBRestClientTest, CreateFolderMakesParentsAndAcceptsAFolderAlreadyThere)
{
    client.createFolder("/Kitchora/Devices/Mac");
    client.createFolder("/Kitchora/Devices");
    EXPECT_EQ(answer(), (QStringList { "created /Kitchora/Devices/Mac", "created /Kitchora/Devices" }));
    EXPECT_TRUE(delegate.metadata.isDirectory);
    EXPECT_TRUE(QFileInfo(local("/Kitchora/Devices/Mac")).isDir());
}

// Each failing call answers with its failure, the error's code and path, and changes nothing.
TEST_F(DBRestClientTest, FailuresAnswerWithTheirCode)
{
    write("/file", "f");
    write("/folder/inside", "i");
    struct Case {
        const char* name;
        std::function<void(DBRestClient&)> call;
        int code;
    };
    const QString missingSource = scratch("missing");
    const QString into = scratch("into");
    const std::vector<Case> cases {
        { "metadata of nothing", [](DBRestClient& c) { c.loadMetadata("/nothing"); },
            DropboxErrors::NotFound },
        { "load of nothing", [&](DBRestClient& c) { c.loadFile("/nothing", into); },
            DropboxErrors::NotFound },
        { "load of a folder", [&](DBRestClient& c) { c.loadFile("/folder", into); },
            DropboxErrors::Conflict },
        { "delete of nothing", [](DBRestClient& c) { c.deletePath("/nothing"); }, DropboxErrors::NotFound },
        { "delete of the root", [](DBRestClient& c) { c.deletePath("/"); }, DropboxErrors::InvalidPath },
        { "move of nothing", [](DBRestClient& c) { c.moveFrom("/nothing", "/x"); }, DropboxErrors::NotFound },
        { "move into itself", [](DBRestClient& c) { c.moveFrom("/folder", "/folder/sub"); },
            DropboxErrors::InvalidPath },
        { "move onto a file", [](DBRestClient& c) { c.moveFrom("/folder", "/file"); },
            DropboxErrors::Conflict },
        { "copy of nothing", [](DBRestClient& c) { c.copyFrom("/nothing", "/x"); }, DropboxErrors::NotFound },
        { "copy into itself", [](DBRestClient& c) { c.copyFrom("/folder", "/folder/sub"); },
            DropboxErrors::InvalidPath },
        { "copy of a folder onto a file", [](DBRestClient& c) { c.copyFrom("/folder", "/file"); },
            DropboxErrors::Conflict },
        { "folder over a file", [](DBRestClient& c) { c.createFolder("/file/sub"); },
            DropboxErrors::Conflict },
        { "upload onto a folder", [&](DBRestClient& c) { c.uploadFile("folder", "/", local("/file")); },
            DropboxErrors::Conflict },
        { "upload below a file", [&](DBRestClient& c) { c.uploadFile("x", "/file", local("/file")); },
            DropboxErrors::Conflict },
        { "upload of a missing file", [&](DBRestClient& c) { c.uploadFile("x", "/", missingSource); },
            DropboxErrors::LocalFile },
        { "upload named with a slash", [&](DBRestClient& c) { c.uploadFile("a/b", "/", local("/file")); },
            DropboxErrors::InvalidPath },
        { "upload named ..", [&](DBRestClient& c) { c.uploadFile("..", "/folder", local("/file")); },
            DropboxErrors::InvalidPath },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.call(client);
        EXPECT_EQ(answer(), QStringList { QStringLiteral("failed %1").arg(c.code) });
        EXPECT_EQ(delegate.error.domain, DropboxErrors::domain);
        EXPECT_FALSE(delegate.error.userInfo.value(DropboxErrors::pathKey).toString().isEmpty());
    }
    EXPECT_EQ(read("/file"), "f");
    EXPECT_EQ(read("/folder/inside"), "i");
    EXPECT_EQ(
        QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), (QStringList { "file", "folder" }));
}

TEST_F(DBRestClientTest, PathsCannotLeaveTheSyncedFolder)
{
    QTemporaryDir outside;
    QFile secret(outside.filePath("secret"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("secret");
    secret.close();
    ASSERT_TRUE(QFile::link(outside.path(), local("/link")));
    ASSERT_TRUE(QFile::link(outside.filePath("new"), local("/dangling")));
    const QString name = QFileInfo(outside.path()).fileName();
    const QStringList paths { "/../" + name + "/secret", "/a/../../" + name, "..", "/./x", "/link/secret",
        "/link", "/dangling", QStringLiteral("/a") + QChar(0) + "b" };
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        client.loadMetadata(path);
        client.loadFile(path, scratch("into"));
        client.uploadFile("secret", path, local("/link/secret"));
        client.uploadFile(QFileInfo(path).fileName(), QFileInfo(path).path(), scratch("into"));
        client.deletePath(path);
        client.createFolder(path + "/sub");
        client.moveFrom(path, "/stolen");
        client.copyFrom(path, "/stolen");
        client.copyFrom("/", path);
        const QStringList answers = answer();
        EXPECT_EQ(answers.size(), 9);
        for (const QString& a : answers)
            EXPECT_TRUE(a.startsWith("failed")) << a.toStdString();
    }
    EXPECT_EQ(
        QDir(outside.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList { "secret" });
    EXPECT_EQ(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
        (QStringList { "dangling", "link" }));
}

TEST_F(DBRestClientTest, ListingLeavesOutLinksThatLeadOutside)
{
    QTemporaryDir outside;
    write("/Devices/inside/x", "x");
    ASSERT_TRUE(QFile::link(outside.path(), local("/Devices/out")));
    ASSERT_TRUE(QFile::link(local("/Devices/inside"), local("/Devices/alias")));
    client.loadMetadata("/Devices");
    ASSERT_EQ(answer(), QStringList { "metadata /Devices" });
    const std::vector<std::pair<QString, bool>> expected { { "alias/", false }, { "inside/", false } };
    EXPECT_EQ(entries(delegate.metadata), expected);
}

TEST(DBSessionTest, LinkingLastsUntilUnlinkAllAndUnlinkedRequestsFail)
{
    ScratchUserDefaults defaults;
    VirtualClock clock;
    QTemporaryDir folder;
    auto session = std::make_shared<DBSession>("key", "secret", kDBRootDropbox);
    EXPECT_FALSE(session->isLinked());
    EXPECT_FALSE(session->linkFolder(folder.filePath("missing")));
    EXPECT_FALSE(session->isLinked());
    ASSERT_TRUE(session->linkFolder(folder.path()));
    EXPECT_TRUE(session->isLinked());
    EXPECT_TRUE(DBSession("key", "secret", kDBRootDropbox).isLinked()); // the next launch
    EXPECT_FALSE(DBSession("otherkey", "secret", kDBRootDropbox).isLinked());

    RecordingDelegate delegate;
    DBRestClient client(session);
    client.setDelegate(&delegate);
    client.createFolder("/a");
    session->unlinkAll(); // before the request is performed
    clock.advance(0);
    EXPECT_EQ(delegate.answers, QStringList { "failed 5" });
    EXPECT_FALSE(QFileInfo::exists(folder.filePath("a")));
    EXPECT_FALSE(DBSession("key", "secret", kDBRootDropbox).isLinked());

    DBRestClient orphan(nullptr);
    orphan.setDelegate(&delegate);
    orphan.loadMetadata("/");
    clock.advance(0);
    EXPECT_EQ(delegate.answers.last(), "failed 5");

    EXPECT_EQ(DBSession::sharedSession(), nullptr);
    DBSession::setSharedSession(session);
    EXPECT_EQ(DBSession::sharedSession(), session);
    DBSession::setSharedSession(nullptr);
}

TEST(DBRestClientEventLoopTest, AnswersArriveFromTheApplicationsEventLoop)
{
    ScratchUserDefaults defaults;
    QTemporaryDir folder;
    auto session = std::make_shared<DBSession>("loopkey", "secret", kDBRootDropbox);
    ASSERT_TRUE(session->linkFolder(folder.path()));
    RecordingDelegate delegate;
    DBRestClient client(session);
    client.setDelegate(&delegate);
    client.createFolder("/a/b");
    client.loadMetadata("/a");
    EXPECT_TRUE(delegate.answers.isEmpty());
    for (int pass = 0; pass < 100 && delegate.answers.size() < 2; ++pass)
        QCoreApplication::processEvents();
    EXPECT_EQ(delegate.answers, (QStringList { "created /a/b", "metadata /a" }));
}
