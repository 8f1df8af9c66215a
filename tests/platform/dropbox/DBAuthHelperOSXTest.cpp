#include "DBAuthHelperOSX.h"

#include "DBSession.h"
#include "NotificationCenter.h"
#include "ScratchUserDefaults.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

class DBAuthHelperOSXTest : public ::testing::Test
{
protected:
    DBAuthHelperOSXTest()
    {
        DBSession::setSharedSession(session);
        observer.emplace(center,
            center.addObserver(DBAuthHelperOSXStateChangedNotification, nullptr,
                [this](const Notification&) { ++changes; }));
    }
    ~DBAuthHelperOSXTest() override { DBSession::setSharedSession(nullptr); }

    ScratchUserDefaults defaults;
    QTemporaryDir folder;
    std::shared_ptr<DBSession> session = std::make_shared<DBSession>("authkey", "secret", kDBRootDropbox);
    NotificationCenter& center = NotificationCenter::defaultCenter();
    std::optional<ScopedObserver> observer;
    int changes = 0;
};

} // namespace

TEST_F(DBAuthHelperOSXTest, AChosenFolderLinksTheSessionAndLastsIntoTheNextRun)
{
    const QString path = folder.path();
    EXPECT_TRUE(DBAuthHelperOSX([path] { return path; }).authenticate());
    EXPECT_TRUE(session->isLinked());
    EXPECT_EQ(changes, 1);
    DBSession nextRun("authkey", "secret", kDBRootDropbox);
    EXPECT_EQ(nextRun.linkedFolder(), QFileInfo(path).canonicalFilePath());
}

TEST_F(DBAuthHelperOSXTest, ACancelledOrUnusableChoiceChangesNothing)
{
    EXPECT_FALSE(DBAuthHelperOSX([] { return QString(); }).authenticate());
    const QString missing = folder.filePath("missing");
    EXPECT_FALSE(DBAuthHelperOSX([missing] { return missing; }).authenticate());
    EXPECT_FALSE(session->isLinked());
    EXPECT_EQ(changes, 0);
}

TEST_F(DBAuthHelperOSXTest, UnlinkingForgetsTheFolderAndTellsTheViews)
{
    session->linkFolder(folder.path());
    DBAuthHelperOSX::unlinkAll();
    EXPECT_FALSE(session->isLinked());
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(DBSession("authkey", "secret", kDBRootDropbox).isLinked());
}
