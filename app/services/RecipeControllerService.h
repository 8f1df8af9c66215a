#pragma once

#include "ImageMO.h"
#include "ManagedObject.h"

#include <QImage>
#include <QString>
#include <functional>

class ManagedObject;
class QPrinter;

// On: Full Screen first shows the sheet that introduces cooking mode.
inline const QString KRShowFullScreenDialog = QStringLiteral("KRShowFullScreenDialog");

class QWidget;

// What the application controller asks of the recipe page's controller. Main thread only;
// nothing returned is owned by the caller.
class RecipeControllerService
{
public:
    // The controllers whose selection decides which recipe the page shows.
    enum class ObservedController {
        RecipeList, // the recipe list of the selected collection
        SearchResults, // the search results
        Collections, // the source list of collections
        Other, // anything else: not supported
    };

    virtual ~RecipeControllerService() = default;

    // The recipe the page shows, or nullptr when the selection is empty or multiple.
    virtual ManagedObject* currentRecipe() = 0;
    // True while the page is in editing mode.
    virtual bool editable() const = 0;
    // True while the page is in full-screen cooking mode.
    virtual bool fullScreen() const = 0;
    // Toggles cooking mode; sent while in cooking mode it leaves it.
    virtual void toggleFullScreen() = 0;

    // The recipe page for the main window to host (the window takes it as a child), or nullptr
    // while the page is not built: the window then shows the card read-only itself.
    virtual QWidget* recipePage() { return nullptr; }
    // An observed controller's "selection" (or "selection.attributedString") changed; the page
    // asks the window's controllers for their selections.
    virtual void observedSelectionDidChange(ObservedController controller, const QString& keyPath)
    {
        (void)controller;
        (void)keyPath;
    }
    // The Edit command: toggles editing mode.
    virtual void edit() { }
    // While editing, writes the page's card into the shown recipe (before the recipe list's
    // selection changes).
    virtual void writeEditedCardBack() { }
    // Shows or hides the item rulers beside the page.
    virtual void setRulersVisible(bool visible) { (void)visible; }
    // File > Print while the page is shown: prints the shown card, asking through `runPrintPanel`
    // (the printer as the user left it; false: cancelled). True only when it was printed.
    virtual bool printRecipePage(const std::function<bool(QPrinter&)>& runPrintPanel)
    {
        (void)runPrintPanel;
        return false;
    }
    // Gives the current recipe the picture (a null image removes it); its thumbnail follows.
    virtual void setImage(const QImage& image) { setImageOfRecipe(currentRecipe(), image); }

    static void setImageOfRecipe(ManagedObject* recipe, const QImage& image)
    {
        auto* picture
            = recipe ? dynamic_cast<ImageMO*>(recipe->objectForKey(QStringLiteral("image"))) : nullptr;
        if (picture)
            picture->setData(image.isNull() ? QVariant() : QVariant(image));
    }
};
