#pragma once

#include "ImageMO.h"
#include "ManagedObject.h"

#include <QImage>

class ManagedObject;

// What the application controller asks of the recipe page's controller. Main thread only;
// nothing returned is owned by the caller.
class RecipeControllerService
{
public:
    virtual ~RecipeControllerService() = default;

    // The recipe the page shows, or nullptr when the selection is empty or multiple.
    virtual ManagedObject* currentRecipe() = 0;
    // True while the page is in editing mode.
    virtual bool editable() const = 0;
    // True while the page is in full-screen cooking mode.
    virtual bool fullScreen() const = 0;
    // Toggles cooking mode; sent while in cooking mode it leaves it.
    virtual void toggleFullScreen() = 0;
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
