#include "MoveToApplications.h"

#include <QList>
#include <gtest/gtest.h>

using MoveToApplications::Prompt;

TEST(MoveToApplicationsTest, VersionsCompareAsDottedNumbers)
{
    struct Case {
        const char* a;
        const char* b;
        int order;
    };
    const QList<Case> cases {
        { "2.0.10", "2.0.9", 1 },
        { "2.0.9", "2.0.10", -1 },
        { "2.0", "2.0.0", 0 },
        { "10", "9", 1 },
        { "1.2.3", "1.2.3", 0 },
        { "1.3", "1.2.99", 1 },
        { "2.0.1-rc1", "2.0.1", 0 },
        { "", "0", 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            MoveToApplications::compareVersions(QString::fromLatin1(c.a), QString::fromLatin1(c.b)), c.order)
            << c.a << " vs " << c.b;
}

TEST(MoveToApplicationsTest, FolderTestsCompareWholeComponents)
{
    const QString apps = QStringLiteral("/home/cook/Applications");
    EXPECT_TRUE(MoveToApplications::isInApplicationsFolder(apps, apps));
    EXPECT_TRUE(
        MoveToApplications::isInApplicationsFolder(QStringLiteral("/home/cook/Applications/tools"), apps));
    EXPECT_TRUE(MoveToApplications::isInApplicationsFolder(QStringLiteral("/opt/Applications/x"), apps));
    EXPECT_FALSE(
        MoveToApplications::isInApplicationsFolder(QStringLiteral("/home/cook/Applications2"), apps));
    EXPECT_FALSE(MoveToApplications::isInApplicationsFolder(QStringLiteral("/home/cook/Downloads"), apps));

    const QString home = QStringLiteral("/home/cook");
    auto describe = [&](const char* folder) {
        return MoveToApplications::folderDescription(QString::fromLatin1(folder), home,
            QStringLiteral("/home/cook/Downloads"), QStringLiteral("/home/cook/Desktop"));
    };
    EXPECT_EQ(describe("/home/cook/"), QStringLiteral("home folder"));
    EXPECT_EQ(describe("/home/cook/Downloads"), QStringLiteral("downloads folder"));
    EXPECT_EQ(describe("/home/cook/Desktop"), QStringLiteral("desktop folder"));
    EXPECT_EQ(describe("/"), QStringLiteral("computer folder"));
    EXPECT_EQ(describe("/media/usb"), QStringLiteral("folder named \"usb\""));
}

TEST(MoveToApplicationsTest, DecisionTable)
{
    MoveToApplications::Situation base;
    base.runningCopy = QStringLiteral("/home/cook/Downloads/Kitchora.AppImage");
    base.applicationsFolder = QStringLiteral("/home/cook/Applications");
    base.runningVersion = QStringLiteral("2.0.10");

    struct Case {
        const char* label;
        std::function<void(MoveToApplications::Situation&)> change;
        Prompt prompt;
    };
    const QList<Case> cases {
        { "not installed", [](auto&) {}, Prompt::Move },
        { "not a single-file bundle", [](auto& s) { s.runningCopy.clear(); }, Prompt::None },
        { "already in Applications",
            [](auto& s) { s.runningCopy = QStringLiteral("/home/cook/Applications/Kitchora.AppImage"); },
            Prompt::None },
        { "older copy installed",
            [](auto& s) {
                s.destinationExists = s.destinationIsBundle = true;
                s.installedVersion = QStringLiteral("2.0.9");
            },
            Prompt::MoveReplacingOlder },
        { "newer copy installed",
            [](auto& s) {
                s.destinationExists = s.destinationIsBundle = true;
                s.installedVersion = QStringLiteral("2.1");
            },
            Prompt::RemoveObsolete },
        { "same copy installed",
            [](auto& s) {
                s.destinationExists = s.destinationIsBundle = true;
                s.installedVersion = QStringLiteral("2.0.10");
            },
            Prompt::RemoveDuplicate },
        { "duplicate prompt suppressed",
            [](auto& s) {
                s.destinationExists = s.destinationIsBundle = true;
                s.installedVersion = QStringLiteral("2.0.10");
                s.suppressDeletePrompt = true;
            },
            Prompt::None },
        { "duplicate in a read-only folder",
            [](auto& s) {
                s.destinationExists = s.destinationIsBundle = true;
                s.installedVersion = QStringLiteral("2.0.10");
                s.runningFolderWritable = false;
            },
            Prompt::None },
        { "a file in the way", [](auto& s) { s.destinationExists = true; }, Prompt::MoveReplacingFile },
        { "move prompt suppressed", [](auto& s) { s.suppressMovePrompt = true; }, Prompt::None },
        { "Applications not writable", [](auto& s) { s.applicationsFolderWritable = false; }, Prompt::None },
    };
    for (const Case& c : cases) {
        MoveToApplications::Situation situation = base;
        c.change(situation);
        EXPECT_EQ(MoveToApplications::decide(situation), c.prompt) << c.label;
    }
}
