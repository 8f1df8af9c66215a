#include "ImageMO.h"

#include "EntityDescription.h"
#include "ImageCoding.h"
#include "ImagingErrors.h"
#include "Jpeg2000.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelStoreFixture.h"
#include "PersistentStoreCoordinator.h"
#include "ScratchUserDefaults.h"

#include <QBuffer>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

// A picture with a diagonal stripe, so scaling and cropping leave traces.
QImage picture(int width, int height, QColor fill = QColor(200, 60, 40))
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    QPainter painter(&image);
    painter.setPen(QPen(QColor(30, 90, 200), qMax(1, width / 20)));
    painter.drawLine(0, 0, width, height);
    return image;
}

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QSize storedSize(const QByteArray& data)
{
    return Jpeg2000::imageFromData(data).size();
}

class ImageMOTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ManagedObject::registerClass<ImageMO>(QStringLiteral("ImageMO"));
        QString message;
        model = ManagedObjectModel::modelWithContentsOfFile(
            QStringLiteral(KITCHORA_TEST_DATA "/PictureModel.json"), &message);
        ASSERT_TRUE(model) << message.toStdString();
        ASSERT_TRUE(dir.isValid());
        open();
        recipe = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), context.get());
        image = static_cast<ImageMO*>(
            EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Image"), context.get()));
        recipe->setValueForKey(QVariant::fromValue<ManagedObject*>(image), QStringLiteral("image"));
        defaults.defaults().setDouble(64.0, RVImageViewSize);
    }

    void open()
    {
        context.reset();
        coordinator = std::make_unique<PersistentStoreCoordinator>(model.get());
        Error error;
        ASSERT_TRUE(coordinator->addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType,
            QString(), dir.filePath(QStringLiteral("Pictures.recipedb")), {}, &error))
            << error.localizedDescription.toStdString();
        context = std::make_unique<ManagedObjectContext>();
        context->setPersistentStoreCoordinator(coordinator.get());
    }

    bool flag(const char* key) const { return recipe->valueForKey(QString::fromLatin1(key)).toBool(); }
    QByteArray storedData() const
    {
        return image->primitiveValueForKey(QStringLiteral("data")).toByteArray();
    }

    ScratchUserDefaults defaults;
    QTemporaryDir dir;
    std::unique_ptr<ManagedObjectModel> model;
    std::unique_ptr<PersistentStoreCoordinator> coordinator;
    std::unique_ptr<ManagedObjectContext> context;
    ManagedObject* recipe = nullptr;
    ImageMO* image = nullptr;
};

} // namespace

// Whatever comes in, as an image or in any format, is stored as JPEG 2000 with its longer side 512.
TEST_F(ImageMOTest, PicturesAreStoredAsJpeg2000WithTheLongerSideAt512)
{
    const struct {
        QSize in;
        const char* format; // nullptr: given as a QImage
        QSize stored;
    } cases[] = {
        { { 1024, 768 }, nullptr, { 512, 384 } },
        { { 100, 200 }, nullptr, { 256, 512 } },
        { { 1024, 768 }, "PNG", { 512, 384 } },
        { { 100, 200 }, "JPEG", { 256, 512 } },
        { { 512, 512 }, "BMP", { 512, 512 } },
        { { 3000, 7 }, "PNG", { 512, 1 } },
    };
    for (const auto& c : cases) {
        const QImage in = picture(c.in.width(), c.in.height());
        const QVariant value = c.format ? QVariant(encoded(in, c.format)) : QVariant(in);
        Error error;
        ASSERT_TRUE(image->setData(value, &error)) << error.localizedDescription.toStdString();
        const QByteArray stored = storedData();
        EXPECT_TRUE(stored.startsWith(Jpeg2000::jp2Signature()));
        EXPECT_EQ(storedSize(stored), c.stored) << (c.format ? c.format : "QImage") << " " << c.in.width();
        EXPECT_EQ(image->data(), stored);
        EXPECT_FALSE(image->isDefaultImage());
    }
}

TEST_F(ImageMOTest, Jpeg2000DataIsStoredByteForByte)
{
    // Small and not square: a conversion would have enlarged it.
    const QByteArray jp2 = Jpeg2000::dataFromImage(picture(40, 30), 0.5);
    ASSERT_FALSE(jp2.isEmpty());
    ASSERT_TRUE(image->setData(jp2));
    EXPECT_EQ(storedData(), jp2);
    EXPECT_EQ(storedSize(storedData()), QSize(40, 30));
}

// Only the JP2 signature followed by at least one byte counts as JPEG 2000; a bare codestream
// or a signature further in is converted like any other picture.
TEST_F(ImageMOTest, TheSignatureDecidesWhatIsKeptAsItIs)
{
    const QByteArray signature = Jpeg2000::jp2Signature();
    ASSERT_EQ(signature, QByteArray::fromHex("0000000C6A5020200D0A870A"));

    // 13 bytes: taken on trust and kept.
    ASSERT_TRUE(image->setData(signature + QByteArray(1, '\x00')));
    EXPECT_EQ(storedData(), signature + QByteArray(1, '\x00'));

    // 12 bytes: no picture at all, so refused, and the 13 bytes stay.
    Error error;
    EXPECT_FALSE(image->setData(signature, &error));
    EXPECT_EQ(error.domain, ImagingErrors::domain);
    EXPECT_EQ(storedData(), signature + QByteArray(1, '\x00'));

    // A bare codestream is converted into a JP2 file.
    const QByteArray jp2 = Jpeg2000::dataFromImage(picture(40, 30), 0.5);
    const qsizetype codestreamAt = jp2.indexOf(QByteArray::fromHex("FF4FFF51"));
    ASSERT_GT(codestreamAt, 0);
    ASSERT_TRUE(image->setData(jp2.mid(codestreamAt)));
    EXPECT_TRUE(storedData().startsWith(signature));
    EXPECT_EQ(storedSize(storedData()), QSize(512, 384));
}

TEST_F(ImageMOTest, AnImageWithoutDataShowsTheDefaultPicture)
{
    const QByteArray shown = image->data();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_TRUE(shown.startsWith(Jpeg2000::jp2Signature()));
    EXPECT_TRUE(image->isDefaultImage());
    EXPECT_TRUE(image->valueForKey(QStringLiteral("isDefaultImage")).toBool());
    EXPECT_FALSE(image->thumbnail().isNull());
    EXPECT_TRUE(image->jpegData().isEmpty());

    // The default picture handed back (as an image view would) is no picture of the recipe's own.
    ASSERT_TRUE(image->setData(picture(300, 300)));
    recipe->setValueForKey(false, QStringLiteral("changedImage"));
    ASSERT_TRUE(image->setData(shown));
    EXPECT_TRUE(storedData().isEmpty());
    EXPECT_TRUE(image->isDefaultImage());
    EXPECT_FALSE(flag("hasImage"));
    EXPECT_FALSE(flag("changedImage"));

    // Equal bytes of another origin are a picture like any other.
    const QByteArray copy(shown.constData(), shown.size());
    ASSERT_TRUE(image->setData(copy));
    EXPECT_EQ(storedData(), copy);
    EXPECT_FALSE(image->isDefaultImage());
    EXPECT_TRUE(flag("hasImage"));
}

TEST_F(ImageMOTest, SettingAPictureMarksTheRecipeAndRemovingItOnlyClearsHasImage)
{
    ASSERT_TRUE(image->setData(picture(64, 48)));
    EXPECT_TRUE(flag("hasImage"));
    EXPECT_TRUE(flag("changedImage"));

    recipe->setValueForKey(false, QStringLiteral("changedImage"));
    ASSERT_TRUE(image->setData(QVariant()));
    EXPECT_FALSE(flag("hasImage"));
    EXPECT_FALSE(flag("changedImage"));
    EXPECT_TRUE(storedData().isEmpty());

    // The storage rule alone leaves changedImage alone.
    ASSERT_TRUE(image->setDataValue(picture(64, 48)));
    EXPECT_FALSE(flag("changedImage"));
    EXPECT_FALSE(storedData().isEmpty());
}

// Damaged or foreign input is an error and costs the recipe nothing.
TEST_F(ImageMOTest, DamagedInputIsRefusedAndTheOldPictureStays)
{
    ASSERT_TRUE(image->setData(picture(64, 48)));
    const QByteArray before = storedData();
    recipe->setValueForKey(false, QStringLiteral("changedImage"));

    QByteArray truncated = encoded(picture(200, 100), "PNG");
    truncated.truncate(truncated.size() / 3);
    const QVariant bad[] = {
        QByteArray("this is no picture at all"),
        truncated,
        QByteArray::fromHex("FFD8FFE000104A464946"),
        QStringLiteral("/home/cook/pictures/soup.jpg"),
        QVariant(qint64(12)),
    };
    for (const QVariant& value : bad) {
        Error error;
        EXPECT_FALSE(image->setData(value, &error)) << value.typeName();
        EXPECT_FALSE(error.localizedDescription.isEmpty());
        EXPECT_EQ(storedData(), before);
        EXPECT_TRUE(flag("hasImage"));
        EXPECT_FALSE(flag("changedImage"));
    }

    // By key the failure is logged, and still nothing changes.
    Log::Capture capture;
    image->setValueForKey(QByteArray("garbage"), QStringLiteral("data"));
    EXPECT_TRUE(capture.contains(QStringLiteral("The recipe picture was not changed")));
    EXPECT_EQ(storedData(), before);
}

TEST_F(ImageMOTest, PreviewIsTheSquarePictureOrPadsItToASquare)
{
    ASSERT_TRUE(image->setData(picture(300, 300)));
    const QImage stored = Jpeg2000::imageFromData(storedData());
    EXPECT_EQ(image->preview(), stored);

    const QByteArray wide = Jpeg2000::dataFromImage(picture(40, 30), 1.0);
    ASSERT_TRUE(image->setData(wide));
    const QImage preview = image->preview();
    EXPECT_EQ(preview.size(), QSize(40, 40));
    // The picture sits in the middle; the margins above and below are transparent.
    EXPECT_EQ(qAlpha(preview.pixel(20, 0)), 0);
    EXPECT_EQ(qAlpha(preview.pixel(20, 20)), 255);
}

TEST_F(ImageMOTest, ThumbnailFollowsTheSettingAndIsKeptUntilTheDataChanges)
{
    ASSERT_TRUE(image->setData(picture(400, 200)));
    EXPECT_EQ(image->thumbnail().size(), QSize(64, 64));

    // A new setting reaches pictures whose thumbnail is computed afterwards.
    defaults.defaults().setDouble(32.0, RVImageViewSize);
    EXPECT_EQ(image->thumbnail().size(), QSize(64, 64));
    ASSERT_TRUE(image->setData(picture(200, 400)));
    EXPECT_EQ(image->thumbnail().size(), QSize(32, 32));

    // Observers of the thumbnail hear of a new picture and read its thumbnail, not the old one.
    QImage heard;
    image->addObserver(QStringLiteral("thumbnail"),
        [&](ManagedObject*, const QString&, const QVariant&, const QVariant& newValue) {
            heard = newValue.value<QImage>();
        });
    ASSERT_TRUE(image->setData(picture(100, 100, QColor(40, 180, 60))));
    ASSERT_EQ(heard.size(), QSize(32, 32));
    EXPECT_GT(QColor(heard.pixel(31, 0)).green(), 150);
    EXPECT_LT(QColor(heard.pixel(31, 0)).red(), 100);
}

TEST_F(ImageMOTest, ThumbnailCacheIsDroppedWhenTheObjectTurnsIntoAFault)
{
    ASSERT_TRUE(image->setData(picture(400, 200)));
    ASSERT_TRUE(context->save());
    EXPECT_EQ(image->thumbnail().size(), QSize(64, 64));
    defaults.defaults().setDouble(48.0, RVImageViewSize);
    context->refreshObject(image, false);
    EXPECT_EQ(image->thumbnail().size(), QSize(48, 48));
}

TEST_F(ImageMOTest, ASettingThatIsMissingOrUnusableGivesTheUsualSize)
{
    for (const QVariant& setting :
        { QVariant(), QVariant(0.0), QVariant(-5.0), QVariant(QStringLiteral("big")) }) {
        defaults.defaults().setObject(setting, RVImageViewSize);
        ASSERT_TRUE(image->setData(picture(50, 50)));
        EXPECT_EQ(image->thumbnail().size(), QSize(128, 128)) << setting.toString().toStdString();
    }
}

TEST_F(ImageMOTest, JpegDataIsTheStoredPictureAsJpeg)
{
    EXPECT_TRUE(image->jpegData().isEmpty());
    ASSERT_TRUE(image->setData(picture(100, 200)));
    const QByteArray jpeg = image->jpegData();
    ASSERT_TRUE(jpeg.startsWith("\xFF\xD8\xFF"));
    EXPECT_EQ(QImage::fromData(jpeg, "JPEG").size(), QSize(256, 512));
}

// What was stored comes back unchanged from the store, and works after the fetch.
TEST_F(ImageMOTest, StoredPicturesSurviveSaveAndReopen)
{
    recipe->setValueForKey(QStringLiteral("Soup"), QStringLiteral("name"));
    ASSERT_TRUE(image->setData(picture(1024, 768)));
    const QByteArray stored = storedData();
    Error error;
    ASSERT_TRUE(context->save(&error)) << error.localizedDescription.toStdString();

    open();
    FetchRequest request;
    request.setEntity(model->entityNamed(QStringLiteral("Image")));
    const auto images = context->executeFetchRequest(request, &error);
    ASSERT_TRUE(images && images->size() == 1);
    auto* fetched = static_cast<ImageMO*>(images->first());
    EXPECT_EQ(fetched->data(), stored);
    EXPECT_TRUE(
        fetched->objectForKey(QStringLiteral("recipe"))->valueForKey(QStringLiteral("hasImage")).toBool());
    EXPECT_EQ(fetched->thumbnail().size(), QSize(64, 64));
}

namespace
{
class LibraryPictureTest : public ModelStoreFixture
{
};
} // namespace

// In the library model a new recipe shows the default picture until it gets one of its own,
// and the uploader's template then finds it.
TEST_F(LibraryPictureTest, ANewRecipesPictureIsTheDefaultUntilOneIsSet)
{
    ManagedObject* recipe = insert(QStringLiteral("Recipe"));
    auto* image = dynamic_cast<ImageMO*>(recipe->objectForKey(QStringLiteral("image")));
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->isDefaultImage());
    EXPECT_TRUE(ImageMO::isDefaultImageData(recipe->valueForKeyPath(QStringLiteral("image.data"))));
    EXPECT_FALSE(recipe->valueForKey(QStringLiteral("hasImage")).toBool());

    image->setValueForKey(picture(600, 300), QStringLiteral("data"));
    EXPECT_TRUE(recipe->valueForKey(QStringLiteral("hasImage")).toBool());
    EXPECT_TRUE(recipe->valueForKey(QStringLiteral("changedImage")).toBool());
    ASSERT_TRUE(save());

    const std::optional<FetchRequest> changed
        = model->fetchRequestFromTemplateWithName(QStringLiteral("fetchRecipesWithChangedImage"), {});
    ASSERT_TRUE(changed);
    Error error;
    const auto found = context->executeFetchRequest(*changed, &error);
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, QList<ManagedObject*> { recipe });
    EXPECT_EQ(storedSize(image->data()), QSize(512, 256));
}
