// The offer to move the running program into the Applications folder.

#include "KitchoraController.h"
#include "MoveToApplications.h"
#include "Presenter.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace
{

const QString kSuppressMove = QStringLiteral("suppressPromptToMoveToApplicationsFolder");
const QString kSuppressDelete = QStringLiteral("suppressPromptToDeleteRedundantVersion");

Error fileError(const QString& text)
{
    return { QStringLiteral("KitchoraFileError"), 1, text, {} };
}

} // namespace

void KitchoraController::installInApplicationsDirectoryIfDesired(
    const MoveToApplications::Environment& environment, const std::function<void(int status)>& quit)
{
    using MoveToApplications::Prompt;
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.registerDefaults({ { kSuppressMove, false }, { kSuppressDelete, false } });
    MoveToApplications::Situation situation = MoveToApplications::situationFor(environment, majorVersion());
    situation.suppressMovePrompt = defaults.boolForKey(kSuppressMove);
    situation.suppressDeletePrompt = defaults.boolForKey(kSuppressDelete);
    const Prompt prompt = MoveToApplications::decide(situation);
    if (prompt == Prompt::None)
        return;

    const QString process = QCoreApplication::applicationName();
    const QString folder
        = MoveToApplications::folderDescription(QFileInfo(environment.runningCopy).absolutePath(),
            environment.home, environment.downloads, environment.desktop);
    const QString destination = MoveToApplications::destinationFor(environment);
    auto relaunch = [&] {
        if (m_noRecipeDatabasePresent)
            removePersistentStoreIfUninitialized();
        if (environment.launch)
            environment.launch(destination);
        if (quit)
            quit(0);
    };

    bool suppress = false;
    if (prompt == Prompt::RemoveObsolete || prompt == Prompt::RemoveDuplicate) {
        const bool obsolete = prompt == Prompt::RemoveObsolete;
        const QString title = (obsolete ? tr("Obsolete %1 Found") : tr("Duplicate %1 Found")).arg(process);
        const QString text = obsolete
            ? tr(
                "You have a newer, better version of %1 in your computer's Applications folder. Would you "
                "like me to "
                "move this one from your %2 to the trash, and launch the better one in Applications instead?")
            : tr("You have identical versions of %1 in your computer's Applications folder and in your %2. "
                 "Would you "
                 "like me to reclaim space by moving this copy to the trash, and launch the one in "
                 "Applications "
                 "instead?");
        const int answer = m_presenter.runSuppressibleAlert(title, text.arg(process, folder),
            { obsolete ? tr("Remove This Obsolete Copy") : tr("Remove This Extra Copy"),
                tr("Continue Running") },
            &suppress);
        if (answer != 0) {
            defaults.setBool(suppress, kSuppressDelete);
            return;
        }
        QString error;
        if (!MoveToApplications::removeRunningCopy(environment, &error)) {
            presentError(fileError(error));
            return;
        }
        relaunch();
        return;
    }

    QString notice;
    if (prompt == Prompt::MoveReplacingOlder)
        notice = tr("\n\n(This will remove the older version in your Applications folder.)");
    else if (prompt == Prompt::MoveReplacingFile)
        notice = tr("\n\n(This will destroy the file named %1 in your Applications folder.)")
                     .arg(QFileInfo(destination).fileName());
    const QString text
        = tr("Rather than having %1 clutter up your %2, would you like me to move myself into your "
             "Applications folder right now?")
              .arg(process, folder)
        + notice;
    const int answer = m_presenter.runSuppressibleAlert(tr("%1 Not in Applications Folder").arg(process),
        text, { tr("Move to Applications Folder"), tr("Do Not Move") }, &suppress);
    if (answer != 0) {
        defaults.setBool(suppress, kSuppressMove);
        return;
    }
    QString error;
    QString warning;
    if (!MoveToApplications::installRunningCopy(environment, &error, &warning)) {
        presentError(fileError(error));
        return;
    }
    if (!warning.isEmpty())
        presentError(fileError(warning));
    relaunch();
}
