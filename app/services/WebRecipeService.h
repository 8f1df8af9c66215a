#pragma once

#include <QByteArray>
#include <QVariant>
#include <QVariantMap>

class ManagedObject;

// What the application controller asks of the web recipe service when the user shares a recipe or
// its picture. Uploads report nothing back: the service client logs its own failures. Main
// thread only.
class WebRecipeService
{
public:
    // The picture formats the service takes.
    enum ImageType { JPEGImage = 0, PNGImage = 1, JPEG2000Image = 2 };

    virtual ~WebRecipeService() = default;

    // The recipe's property list for the service (its card text included); empty when none can be
    // made.
    virtual QVariantMap plistFromRecipeMO(const ManagedObject* recipe) = 0;
    // Uploads a recipe; `searchFlag` makes it searchable by others.
    virtual void uploadRecipePlist(const QVariantMap& plist, bool searchFlag) = 0;
    // Uploads the picture of the recipe the service knows by `recipeID`.
    virtual void uploadImageData(const QByteArray& data, int imageType, const QVariant& recipeID) = 0;
};
