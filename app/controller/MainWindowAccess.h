#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

class ManagedObject;

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
    // The recipe list's selected recipes, in list order.
    virtual QList<ManagedObject*> selectedRecipes() const { return {}; }
    // Selects the collection that holds the recipe (the library when it is there) and the recipe
    // in the list, so the page shows it.
    virtual void selectRecipe(ManagedObject*) { }
};
