#include "ImageMO.h"

#include "ImageCoding.h"
#include "ImageScaling.h"
#include "ImagingErrors.h"
#include "IsEmpty.h"
#include "Jpeg2000.h"
#include "Log.h"
#include "ProportionalScaling.h"
#include "UserDefaults.h"

#include <QFile>

namespace
{

const QString dataKey = QStringLiteral("data");
const QString thumbnailKey = QStringLiteral("thumbnail");
const QString previewKey = QStringLiteral("preview");
const QString recipeKey = QStringLiteral("recipe");

constexpr double compressionFactor = 0.8;
// Thumbnail side when the setting is missing or unusable.
constexpr double fallbackThumbnailSize = 128.0;

QByteArray buildDefaultImageData()
{
    const QImage bowl(QStringLiteral(":/bowl.png"));
    Error error;
    QByteArray data
        = bowl.isNull() ? QByteArray() : ImageCoding::jpeg2000Data(bowl, compressionFactor, &error);
    if (data.isEmpty())
        Log::logf(QStringLiteral("Unable to make the default picture: %1"), error.localizedDescription);
    return data;
}

bool isJpeg2000Data(const QByteArray& data)
{
    static const QByteArray signature = Jpeg2000::jp2Signature();
    return data.size() > signature.size() && data.startsWith(signature);
}

QImage imageOfData(const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    Error error;
    // A stored picture is shown at most at its kept size; a larger one costs only that to read.
    QImage image = ImageCoding::imageFromData(data, &error, int(KRMaxImageSize));
    if (image.isNull())
        Log::logf(QStringLiteral("Unable to read the recipe picture: %1"), error.localizedDescription);
    return image;
}

} // namespace

const QByteArray& ImageMO::defaultImageData()
{
    static const QByteArray data = buildDefaultImageData();
    return data;
}

bool ImageMO::isDefaultImageData(const QVariant& value)
{
    if (value.typeId() != QMetaType::QByteArray)
        return false;
    const QByteArray& shared = defaultImageData();
    const QByteArray bytes = value.toByteArray();
    return !shared.isEmpty() && bytes.size() == shared.size() && bytes.constData() == shared.constData();
}

QByteArray ImageMO::data() const
{
    const QByteArray stored = ManagedObject::valueForKey(dataKey).toByteArray();
    return isEmpty(stored) ? defaultImageData() : stored;
}

bool ImageMO::isDefaultImage() const
{
    return isDefaultImageData(data());
}

bool ImageMO::setData(const QVariant& value, Error* error)
{
    dropThumbnail();
    if (isEmpty(value) || isDefaultImageData(value)) {
        storeData({});
        setRecipeFlag(QStringLiteral("hasImage"), false);
        return true;
    }
    if (!setDataValue(value, error))
        return false;
    setRecipeFlag(QStringLiteral("hasImage"), true);
    setRecipeFlag(QStringLiteral("changedImage"), true);
    return true;
}

bool ImageMO::setDataValue(const QVariant& value, Error* error)
{
    if (isEmpty(value) || isDefaultImageData(value)) {
        storeData({});
        setRecipeFlag(QStringLiteral("hasImage"), false);
        return true;
    }
    QByteArray converted;
    if (value.typeId() == QMetaType::QImage)
        converted = storageData(value.value<QImage>(), error);
    else if (value.typeId() == QMetaType::QByteArray)
        converted = storageData(value.toByteArray(), error);
    else
        return ImagingErrors::fail(error, ImagingErrors::InvalidImage,
            QStringLiteral("A recipe picture must be picture data or an image, not %1.")
                .arg(QString::fromLatin1(value.typeName())));
    if (converted.isEmpty())
        return false;
    storeData(converted);
    return true;
}

QByteArray ImageMO::storageData(const QByteArray& data, Error* error)
{
    if (isJpeg2000Data(data))
        return data;
    const QImage image = ImageCoding::imageFromData(data, error, int(KRMaxImageSize));
    return image.isNull() ? QByteArray() : storageData(image, error);
}

QByteArray ImageMO::storageData(const QImage& image, Error* error)
{
    // Smaller pictures are enlarged too: every stored picture has the same longer side.
    const QImage scaled = ImageScaling::scaledToLongerSide(image, KRMaxImageSize);
    if (scaled.isNull()) {
        ImagingErrors::fail(error, ImagingErrors::InvalidImage,
            QStringLiteral("The picture of %1 x %2 pixels cannot be scaled for storage.")
                .arg(image.width())
                .arg(image.height()));
        return {};
    }
    return ImageCoding::jpeg2000Data(scaled, compressionFactor, error);
}

QByteArray ImageMO::jpegData() const
{
    const QByteArray stored = ManagedObject::valueForKey(dataKey).toByteArray();
    const QImage image = imageOfData(stored);
    if (image.isNull())
        return {};
    return ImageCoding::jpegData(image, compressionFactor);
}

QImage ImageMO::thumbnail() const
{
    if (m_cached && !m_thumbnail.isNull())
        return m_thumbnail;
    double side = UserDefaults::standardUserDefaults().doubleForKey(RVImageViewSize);
    if (!(side >= 1.0))
        side = fallbackThumbnailSize;
    m_thumbnail = ProportionalScaling::imageByScalingProportionallyToFillSize(
        imageOfData(data()), QSizeF(side, side));
    m_cached = true;
    return m_thumbnail;
}

QImage ImageMO::preview() const
{
    const QImage image = imageOfData(data());
    if (image.isNull() || image.width() == image.height())
        return image;
    const qreal side = qMax(image.width(), image.height());
    return ProportionalScaling::imageByScalingProportionallyToSize(image, QSizeF(side, side));
}

bool ImageMO::setThumbnail(const QVariant& value, Error* error)
{
    willChangeValueForKey(thumbnailKey);
    const bool stored = setData(value, error);
    didChangeValueForKey(thumbnailKey);
    return stored;
}

bool ImageMO::setPreview(const QVariant& value, Error* error)
{
    willChangeValueForKey(previewKey);
    const bool stored = setData(value, error);
    didChangeValueForKey(previewKey);
    return stored;
}

QVariant ImageMO::valueForKey(const QString& key) const
{
    if (key == dataKey)
        return data();
    if (key == thumbnailKey)
        return thumbnail();
    if (key == previewKey)
        return preview();
    if (key == QLatin1String("jpegData"))
        return jpegData();
    if (key == QLatin1String("isDefaultImage"))
        return isDefaultImage();
    return ManagedObject::valueForKey(key);
}

void ImageMO::setValueForKey(const QVariant& value, const QString& key)
{
    using Setter = bool (ImageMO::*)(const QVariant&, Error*);
    Setter setter = nullptr;
    if (key == dataKey)
        setter = &ImageMO::setData;
    else if (key == thumbnailKey)
        setter = &ImageMO::setThumbnail;
    else if (key == previewKey)
        setter = &ImageMO::setPreview;
    if (!setter) {
        ManagedObject::setValueForKey(value, key);
        return;
    }
    Error error;
    if (!(this->*setter)(value, &error))
        Log::logf(QStringLiteral("The recipe picture was not changed: %1"), error.localizedDescription);
}

QStringList ImageMO::keyPathsForValuesAffectingValueForKey(const QString& key) const
{
    if (key == thumbnailKey || key == previewKey || key == QLatin1String("jpegData")
        || key == QLatin1String("isDefaultImage"))
        return { dataKey };
    return ManagedObject::keyPathsForValuesAffectingValueForKey(key);
}

void ImageMO::awakeFromInsert()
{
    ManagedObject::awakeFromInsert();
    dropThumbnail();
}

void ImageMO::awakeFromFetch()
{
    ManagedObject::awakeFromFetch();
    dropThumbnail();
}

void ImageMO::didTurnIntoFault()
{
    ManagedObject::didTurnIntoFault();
    dropThumbnail();
}

void ImageMO::storeData(const QByteArray& bytes)
{
    willChangeValueForKey(dataKey);
    setPrimitiveValue(bytes.isEmpty() ? QVariant() : QVariant(bytes), dataKey);
    // Observers read the new thumbnail after the change, never one cached from the old data.
    dropThumbnail();
    didChangeValueForKey(dataKey);
}

void ImageMO::setRecipeFlag(const QString& key, bool value)
{
    if (ManagedObject* recipe = objectForKey(recipeKey))
        recipe->setValueForKey(value, key);
}

void ImageMO::dropThumbnail() const
{
    m_cached = false;
    m_thumbnail = QImage();
}
