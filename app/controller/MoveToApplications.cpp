#include "MoveToApplications.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace MoveToApplications
{

namespace
{

qint64 leadingNumber(const QString& part)
{
    qsizetype digits = 0;
    while (digits < part.size() && part.at(digits).isDigit())
        ++digits;
    return digits == 0 ? 0 : part.left(digits).toLongLong();
}

QStringList components(const QString& path)
{
    return QDir::cleanPath(path).split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

} // namespace

int compareVersions(const QString& a, const QString& b)
{
    const QStringList left = a.split(QLatin1Char('.'));
    const QStringList right = b.split(QLatin1Char('.'));
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        const qint64 l = i < left.size() ? leadingNumber(left.at(i)) : 0;
        const qint64 r = i < right.size() ? leadingNumber(right.at(i)) : 0;
        if (l != r)
            return l < r ? -1 : 1;
    }
    return 0;
}

bool isInApplicationsFolder(const QString& folder, const QString& applicationsFolder)
{
    const QStringList path = components(folder);
    if (path.contains(QStringLiteral("Applications")))
        return true;
    const QStringList applications = components(applicationsFolder);
    return !applications.isEmpty() && path.size() >= applications.size()
        && path.mid(0, applications.size()) == applications;
}

QString folderDescription(
    const QString& folder, const QString& home, const QString& downloads, const QString& desktop)
{
    const QString clean = QDir::cleanPath(folder);
    if (clean == QDir::cleanPath(home))
        return QStringLiteral("home folder");
    if (!downloads.isEmpty() && clean == QDir::cleanPath(downloads))
        return QStringLiteral("downloads folder");
    if (!desktop.isEmpty() && clean == QDir::cleanPath(desktop))
        return QStringLiteral("desktop folder");
    if (clean == QStringLiteral("/"))
        return QStringLiteral("computer folder");
    return QStringLiteral("folder named \"%1\"").arg(QFileInfo(clean).fileName());
}

Prompt decide(const Situation& situation)
{
    if (situation.runningCopy.isEmpty() || situation.applicationsFolder.isEmpty())
        return Prompt::None;
    const QString parent = QFileInfo(situation.runningCopy).absolutePath();
    if (isInApplicationsFolder(parent, situation.applicationsFolder))
        return Prompt::None;

    Prompt move = Prompt::Move;
    if (situation.destinationExists && situation.destinationIsBundle) {
        const int order = compareVersions(situation.runningVersion, situation.installedVersion);
        if (order > 0) {
            move = Prompt::MoveReplacingOlder;
        } else {
            if (!situation.runningFolderWritable || situation.suppressDeletePrompt)
                return Prompt::None;
            return order < 0 ? Prompt::RemoveObsolete : Prompt::RemoveDuplicate;
        }
    } else if (situation.destinationExists) {
        move = Prompt::MoveReplacingFile;
    }
    if (!situation.applicationsFolderWritable || situation.suppressMovePrompt)
        return Prompt::None;
    return move;
}

QString destinationFor(const Environment& environment)
{
    return QDir(environment.applicationsFolder).filePath(QFileInfo(environment.runningCopy).fileName());
}

Situation situationFor(const Environment& environment, const QString& runningVersion)
{
    Situation situation;
    situation.runningCopy = environment.runningCopy;
    situation.applicationsFolder = environment.applicationsFolder;
    situation.runningVersion = runningVersion;
    if (environment.runningCopy.isEmpty())
        return situation;
    const QFileInfo destination(destinationFor(environment));
    situation.destinationExists = destination.exists();
    // An installed copy is an executable program file of the same kind.
    situation.destinationIsBundle = destination.isFile() && destination.isExecutable();
    if (situation.destinationIsBundle && environment.versionOfCopy)
        situation.installedVersion = environment.versionOfCopy(destination.absoluteFilePath());
    const QFileInfo runningFolder(QFileInfo(environment.runningCopy).absolutePath());
    // A folder that cannot be inspected counts as writable.
    situation.runningFolderWritable = !runningFolder.exists() || runningFolder.isWritable();
    const QFileInfo applications(environment.applicationsFolder);
    situation.applicationsFolderWritable = !applications.exists() || applications.isWritable();
    return situation;
}

bool installRunningCopy(const Environment& environment, QString* error, QString* warning)
{
    const QString destination = destinationFor(environment);
    QDir().mkpath(environment.applicationsFolder);
    const QString fresh = destination + QStringLiteral(".new");
    QFile::remove(fresh);
    if (!environment.copy(environment.runningCopy, fresh, error)) {
        QFile::remove(fresh);
        return false;
    }
    if (QFileInfo::exists(destination) && !environment.moveToTrash(destination, error)) {
        QFile::remove(fresh);
        return false;
    }
    if (!QFile::rename(fresh, destination)) {
        if (error)
            *error = QStringLiteral("Could not put the new copy at %1.").arg(destination);
        return false;
    }
    QString trashError;
    if (!environment.moveToTrash(environment.runningCopy, &trashError) && warning)
        *warning = trashError;
    return true;
}

bool removeRunningCopy(const Environment& environment, QString* error)
{
    return environment.moveToTrash(environment.runningCopy, error);
}

Environment Environment::current()
{
    Environment environment;
    environment.runningCopy = qEnvironmentVariable("APPIMAGE");
    environment.home = QDir::homePath();
    environment.applicationsFolder = QDir(environment.home).filePath(QStringLiteral("Applications"));
    environment.downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    environment.desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    environment.versionOfCopy = [](const QString& path) {
        QProcess process;
        process.start(path, { QStringLiteral("--version") });
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished();
            return QString();
        }
        // "kitchora 2.0.10": the last word.
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed().section(QLatin1Char(' '), -1);
    };
    environment.copy = [](const QString& from, const QString& to, QString* error) {
        QFile source(from);
        if (source.copy(to)) {
            QFile::setPermissions(to, source.permissions());
            return true;
        }
        if (error)
            *error = source.errorString();
        return false;
    };
    environment.moveToTrash = [](const QString& path, QString* error) {
        if (QFile::moveToTrash(path) || QFile::remove(path))
            return true;
        if (error)
            *error = QStringLiteral("Could not move %1 to the trash.").arg(path);
        return false;
    };
    environment.launch = [](const QString& path) { return QProcess::startDetached(path, {}); };
    return environment;
}

} // namespace MoveToApplications
