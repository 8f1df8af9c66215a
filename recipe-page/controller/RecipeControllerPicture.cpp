// The recipe controller's picture well: the shown recipe's picture beside the card, taking
// dropped and pasted pictures through the one path that stores a recipe's picture.
#include "ImageMO.h"
#include "ManagedObjectContext.h"
#include "RecipeController.h"
#include "RecipeImageView.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>

void RecipeController::setImageView(RecipeImageView* imageView)
{
    m_recipeImageView = imageView;
    if (!imageView)
        return;
    RecipeImageView::Actions actions;
    actions.addImage = [this] { addImage(); };
    actions.showImagePanel = [this](RecipeImageView*) {
        if (m_outlets.showImagePanel)
            m_outlets.showImagePanel();
    };
    actions.currentImageIsDefault = [this] {
        auto* picture = currentRecipe()
            ? dynamic_cast<ImageMO*>(currentRecipe()->objectForKey(QStringLiteral("image")))
            : nullptr;
        return !picture || picture->isDefaultImage();
    };
    imageView->setActions(std::move(actions));
    connect(
        imageView, &RecipeImageView::imageChanged, this, [this](const QImage& image) { setImage(image); });
    connect(this, &RecipeController::currentRecipeChanged, imageView, [this] { updateImageView(); });
    // An undo or another window may change the picture under the well.
    m_imageObserver = ScopedObserver(NotificationCenter::defaultCenter(),
        NotificationCenter::defaultCenter().addObserver(ManagedObjectContext::ObjectsDidChangeNotification,
            nullptr, [this](const Notification&) { updateImageView(); }));
    updateImageView();
}

RecipeImageView* RecipeController::imageView() const
{
    return qobject_cast<RecipeImageView*>(m_recipeImageView.data());
}

void RecipeController::updateImageView()
{
    RecipeImageView* well = imageView();
    if (!well)
        return;
    ManagedObject* recipe = currentRecipe();
    auto* picture = recipe ? dynamic_cast<ImageMO*>(recipe->objectForKey(QStringLiteral("image"))) : nullptr;
    const QImage thumbnail = picture ? picture->thumbnail() : QImage();
    // The well's holder shows only with a picture to show.
    if (QWidget* holder = well->parentWidget())
        holder->setVisible(!thumbnail.isNull());
    well->setEditable(recipe != nullptr);
    if (well->image().cacheKey() != thumbnail.cacheKey())
        well->setImage(thumbnail);
}

void RecipeController::addImage()
{
    if (m_outlets.addImage)
        m_outlets.addImage();
}

void RecipeController::setImage(const QImage& image)
{
    RecipeControllerService::setImage(image);
    updateImageView();
}

void RecipeController::removeImage()
{
    setImage(QImage());
}

QStringList RecipeController::acceptedImageTypes()
{
    QStringList types { QStringLiteral("text/uri-list") };
    for (const QByteArray& type : QImageReader::supportedMimeTypes())
        types.append(QString::fromLatin1(type));
    return types;
}

bool RecipeController::isPictureDrag(const QMimeData* data)
{
    if (!data)
        return false;
    if (data->hasImage())
        return true;
    const QStringList accepted = acceptedImageTypes();
    for (const QString& format : data->formats())
        if (format != QLatin1String("text/uri-list") && accepted.contains(format))
            return true;
    // Files count only when one of them is a picture: other files (cards, text) are no picture.
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && QImageReader(url.toLocalFile()).canRead())
            return true;
    return false;
}

bool RecipeController::recipeViewShouldPerformDragOperation(const QMimeData* data)
{
    RecipeImageView* well = imageView();
    return well && currentRecipe() && well->takeDroppedData(data);
}
