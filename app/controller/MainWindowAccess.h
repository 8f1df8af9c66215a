#pragma once

#include <QString>
#include <QVariantList>

// What the launch and quit sequences need of the main window, which the application controller
// does not know: the window implements it and hands it to the controller. Main thread only.
class MainWindowAccess
{
public:
    virtual ~MainWindowAccess() = default;

    // Ends the edit in progress in the window's fields; false when the edit cannot be committed.
    virtual bool commitEditing() = 0;
    // Centres the window on its screen (first run).
    virtual void centerWindow() = 0;
    // The source list's autosave name and its expanded rows, as stored in the user defaults.
    virtual QString outlineAutosaveName() const = 0;
    virtual QVariantList expandedStateArray() const = 0;
    virtual void restoreExpandedStateFromArray(const QVariantList& state) = 0;
    // Closes every search row's extra options (quit).
    virtual void collapseAllSearchFields() = 0;
};
