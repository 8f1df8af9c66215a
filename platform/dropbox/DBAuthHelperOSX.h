#pragma once

#include <QString>
#include <functional>

// Posted on the default notification center when the program links to a synced folder or stops
// sharing, so views showing the link state refresh.
inline const QString DBAuthHelperOSXStateChangedNotification
    = QStringLiteral("DBAuthHelperOSXStateChangedNotification");

// Signing in, on this desktop: the user chooses the folder a sync client keeps (Dropbox,
// Nextcloud, Syncthing...) and the shared session is linked to it. The choice is asked of a
// chooser function: a folder dialog in the program, a fake in tests. Main thread only.
class DBAuthHelperOSX
{
public:
    // Answers the chosen folder, or an empty text when the user cancelled.
    using FolderChooser = std::function<QString()>;

    explicit DBAuthHelperOSX(FolderChooser chooseFolder);

    // Asks for the folder and links the shared session to it, then posts the state notification.
    // False, with nothing changed, when the choice was cancelled, is no folder, or there is no
    // shared session.
    bool authenticate();
    // Unlinks the shared session (when there is one) and posts the state notification.
    static void unlinkAll();

private:
    FolderChooser m_chooseFolder;
};
