#include "ControllerFixture.h"
#include "MoveToApplications.h"

#include <QCoreApplication>
#include <QFile>

namespace
{

class KitchoraControllerMoveTest : public ControllerFixture
{
protected:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        QDir(root.path()).mkpath(QStringLiteral("Downloads"));
        environment.home = root.path();
        environment.downloads = root.filePath(QStringLiteral("Downloads"));
        environment.applicationsFolder = root.filePath(QStringLiteral("Applications"));
        environment.runningCopy = root.filePath(QStringLiteral("Downloads/Kitchora.AppImage"));
        write(environment.runningCopy, "new build");
        environment.versionOfCopy = [this](const QString&) { return installedVersion; };
        environment.copy = [this](const QString& from, const QString& to, QString* error) {
            if (failCopy) {
                *error = QStringLiteral("disk full");
                return false;
            }
            return QFile::copy(from, to);
        };
        environment.moveToTrash = [this](const QString& path, QString*) {
            trashed.append(QFileInfo(path).fileName());
            return QFile::remove(path);
        };
        environment.launch = [this](const QString& path) {
            launched.append(path);
            return true;
        };
        launch();
    }

    static void write(const QString& path, const QByteArray& content)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }
    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString installed() const { return MoveToApplications::destinationFor(environment); }
    void run()
    {
        controller->installInApplicationsDirectoryIfDesired(
            environment, [this](int status) { quits.append(status); });
    }

    MoveToApplications::Environment environment;
    QString installedVersion;
    bool failCopy = false;
    QStringList trashed;
    QStringList launched;
    QList<int> quits;
};

} // namespace

TEST_F(KitchoraControllerMoveTest, MoveInstallsStartsTheInstalledCopyAndQuits)
{
    run();
    ASSERT_EQ(presenter.alerts.size(), 1);
    EXPECT_TRUE(presenter.alerts.first().message.startsWith(
        QCoreApplication::applicationName() + QStringLiteral(" Not in Applications Folder")));
    EXPECT_TRUE(
        presenter.alerts.first().message.contains(QStringLiteral("clutter up your downloads folder")));
    EXPECT_EQ(read(installed()), QByteArray("new build"));
    EXPECT_FALSE(QFileInfo::exists(environment.runningCopy));
    EXPECT_EQ(launched, QStringList { installed() });
    EXPECT_EQ(quits, QList<int> { 0 });
}

TEST_F(KitchoraControllerMoveTest, AFailedCopyLeavesTheInstalledCopyInPlace)
{
    write(installed(), "old build");
    installedVersion = QStringLiteral("0.0.9");
    failCopy = true;
    run();
    ASSERT_EQ(presenter.alerts.size(), 1);
    EXPECT_TRUE(presenter.alerts.first().message.contains(QStringLiteral("remove the older version")));
    EXPECT_EQ(read(installed()), QByteArray("old build"));
    EXPECT_TRUE(trashed.isEmpty());
    ASSERT_EQ(presenter.errors.size(), 1);
    EXPECT_EQ(presenter.errors.first().localizedDescription, QStringLiteral("disk full"));
    EXPECT_TRUE(launched.isEmpty());
    EXPECT_TRUE(quits.isEmpty());

    // With the copy working, the old one goes to the trash only after the new one was made.
    failCopy = false;
    presenter.alerts.clear();
    run();
    EXPECT_EQ(read(installed()), QByteArray("new build"));
    EXPECT_EQ(trashed, (QStringList { "Kitchora.AppImage", "Kitchora.AppImage" }));
    EXPECT_EQ(quits, QList<int> { 0 });
}

TEST_F(KitchoraControllerMoveTest, ContinueRunningWithTheCheckboxSuppressesOnlyTheDuplicatePrompt)
{
    write(installed(), "same build");
    installedVersion = KitchoraController::majorVersion();
    presenter.alertAnswers.enqueue(1);
    presenter.suppressAnswer = true;
    run();
    ASSERT_EQ(presenter.alerts.size(), 1);
    EXPECT_TRUE(presenter.alerts.first().message.startsWith(
        QStringLiteral("Duplicate %1 Found").arg(QCoreApplication::applicationName())));
    EXPECT_TRUE(defaults.defaults().boolForKey(QStringLiteral("suppressPromptToDeleteRedundantVersion")));
    EXPECT_FALSE(defaults.defaults().boolForKey(QStringLiteral("suppressPromptToMoveToApplicationsFolder")));
    run();
    EXPECT_EQ(presenter.alerts.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(environment.runningCopy));

    // Running from inside the Applications folder never asks.
    environment.runningCopy = installed();
    QFile::remove(environment.runningCopy);
    write(environment.runningCopy, "x");
    defaults.defaults().setBool(false, QStringLiteral("suppressPromptToDeleteRedundantVersion"));
    run();
    EXPECT_EQ(presenter.alerts.size(), 1);
}

TEST_F(KitchoraControllerMoveTest, NotASingleFileBundleNeverAsks)
{
    environment.runningCopy.clear();
    run();
    EXPECT_TRUE(presenter.alerts.isEmpty());
}
