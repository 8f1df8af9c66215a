#pragma once

#include <QString>
#include <functional>

// The decisions of the offer to move the running program into the user's Applications folder.
// On this desktop only a single-file bundle (an AppImage, named by $APPIMAGE) is a program file the
// user holds; running from the build tree or an installed prefix never asks.
namespace MoveToApplications
{

// Dotted version numbers compared number by number ("2.0.10" is newer than "2.0.9"; a missing
// part counts as 0; text after the digits of a part is ignored): <0, 0 or >0.
int compareVersions(const QString& a, const QString& b);

// Whether `folder` is the Applications folder, lies inside it, or has a path component named
// "Applications"; whole components are compared ("/home/u/Applications2" is not inside).
bool isInApplicationsFolder(const QString& folder, const QString& applicationsFolder);

// "home folder", "downloads folder", "desktop folder", "computer folder" (the root) or
// "folder named \"<last component>\"".
QString folderDescription(
    const QString& folder, const QString& home, const QString& downloads, const QString& desktop);

enum class Prompt {
    None,
    Move, // not installed: offer to move there
    MoveReplacingOlder, // the installed copy is older: offer to move, removing it
    MoveReplacingFile, // a plain file is in the way: offer to move, destroying it
    RemoveObsolete, // the installed copy is newer: offer to trash this one
    RemoveDuplicate, // the installed copy is the same version: offer to trash this one
};

struct Situation {
    QString runningCopy; // empty: not a single-file bundle
    QString applicationsFolder;
    bool destinationExists = false;
    bool destinationIsBundle = false; // an installed copy (not a plain file in the way)
    QString runningVersion;
    QString installedVersion;
    bool runningFolderWritable = true;
    bool applicationsFolderWritable = true;
    bool suppressMovePrompt = false;
    bool suppressDeletePrompt = false;
};

Prompt decide(const Situation& situation);

// Where the program runs and what it may do to files; tests replace the actions.
struct Environment {
    QString runningCopy; // $APPIMAGE
    QString applicationsFolder; // ~/Applications
    QString home, downloads, desktop;
    // The version the installed copy reports; empty when it cannot tell.
    std::function<QString(const QString& path)> versionOfCopy;
    // Each answers false with `error` set on failure.
    std::function<bool(const QString& from, const QString& to, QString* error)> copy;
    std::function<bool(const QString& path, QString* error)> moveToTrash;
    std::function<bool(const QString& path)> launch;

    // The running process's own: $APPIMAGE, ~/Applications, the XDG folders, and actions on the
    // real file system (the Trash, falling back to deleting).
    static Environment current();
};

// The situation for the running copy in `environment` (file tests, writability, versions).
Situation situationFor(const Environment& environment, const QString& runningVersion);

// Moves the running copy to the destination: the new copy is made first (beside the
// destination), only then is an earlier copy or file there moved to the Trash and the new copy put
// in its place; a failed copy leaves what was installed untouched. The running copy then goes to
// the Trash (a failure there is reported but not fatal). False with `error` when nothing was
// installed.
bool installRunningCopy(const Environment& environment, QString* error, QString* warning = nullptr);
// Moves the running copy to the Trash, for an installed copy as good as it.
bool removeRunningCopy(const Environment& environment, QString* error);
QString destinationFor(const Environment& environment);

} // namespace MoveToApplications
