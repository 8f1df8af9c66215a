#include "DBSession.h"
#include "ImageCoding.h"
#include "ImageMO.h"
#include "Jpeg2000.h"
#include "ModelStoreFixture.h"
#include "PropertyList.h"
#include "QLMDropboxController.h"
#include "QLMPlistToAndFromRecipeMO.h"
#include "RecipeMO.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThreadPool>
#include <gtest/gtest.h>

namespace
{

// Recipes other devices left in this computer's folder, received into a real library store.
class QLMDropboxControllerLibraryTest : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        library = makeCollection(QStringLiteral("RBCollectionKindMainLibrary"));
        root = QFileInfo(rootDir.path()).canonicalFilePath();
        session->linkFolder(root);
        DBSession::setSharedSession(session);
    }
    void TearDown() override
    {
        QThreadPool::globalInstance()->waitForDone();
        DBSession::setSharedSession(nullptr);
        ModelStoreFixture::TearDown();
    }
    void run()
    {
        for (int pass = 0; pass < 30; ++pass) {
            clock.advance(0);
            QThreadPool::globalInstance()->waitForDone();
        }
    }
    // The property list a device would send for a recipe of this name.
    QVariantMap sentRecipe(const QString& name, const QVariant& onlineID)
    {
        ManagedObject* source = insertNamed("Recipe", name);
        clock.advance(0);
        QVariantMap plist = QLMPlistToAndFromRecipeMO::plistFromRecipeMO(source).value();
        plist.insert("onlineID", onlineID);
        context->deleteObject(source);
        context->processPendingChanges();
        return plist;
    }
    void leave(const QVariantList& recipes)
    {
        const QString path = root + "/Kitchora/Devices/Mac/Recipes/Recipes.plist";
        QDir().mkpath(QFileInfo(path).path());
        ASSERT_TRUE(PropertyList::writePropertyList(recipes, path, PropertyList::Format::Binary));
    }
    int receive()
    {
        int made = 0;
        dropbox.processRecipePlistsAndImagesIndividuallyWithBlock(
            [&](const QVariantMap& plist, const QByteArray& image) {
                made += dropbox.recipeManagedObjectFromPlist(plist, image) ? 1 : 0;
                return true;
            });
        run();
        return made;
    }
    QStringList namesInLibrary()
    {
        QStringList names;
        for (ManagedObject* recipe : library->objectsForKey("recipes"))
            names << recipe->valueForKey("name").toString();
        names.sort();
        return names;
    }

    ManagedObject* library = nullptr;
    QTemporaryDir rootDir;
    QString root;
    std::shared_ptr<DBSession> session = std::make_shared<DBSession>("librarykey", "secret", kDBRootDropbox);
    QLMDropboxController dropbox { { "Mac", "OURS", "7" }, [](const QString&) {} };
};

} // namespace

TEST_F(QLMDropboxControllerLibraryTest, ReceivedRecipesAreSavedIntoTheLibraryAndMadeOnceEach)
{
    const QVariantList recipes { sentRecipe("Soup", 9),
        sentRecipe("Bread", "0A0B0C0D-0000-0000-0000-000000000001") };
    ASSERT_TRUE(context->save());
    leave(recipes);
    EXPECT_EQ(receive(), 2);
    EXPECT_EQ(namesInLibrary(), QStringList({ "Bread", "Soup" }));
    EXPECT_FALSE(context->hasChanges());
    EXPECT_EQ(QDir(root + "/Kitchora/Devices/Mac/Recipes").entryList(QDir::Files), QStringList());

    // The same recipes delivered again (a reading cut short before their file went) are not
    // made a second time.
    leave(recipes);
    receive();
    EXPECT_EQ(namesInLibrary(), QStringList({ "Bread", "Soup" }));
}

// A photo arrives as the library keeps pictures (JPEG 2000, its longer side KRMaxImageSize),
// whatever thread prepared it, and its file goes once the recipe is saved.
TEST_F(QLMDropboxControllerLibraryTest, AReceivedPhotoIsKeptAsTheLibraryKeepsPictures)
{
    const QVariantList recipes { sentRecipe("Soup", 9) };
    ASSERT_TRUE(context->save());
    leave(recipes);
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(Qt::darkYellow);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(photo.save(&buffer, "JPEG"));
    const QString pictures = root + "/Kitchora/Devices/Mac/Recipes/Images";
    QDir().mkpath(pictures);
    QFile file(pictures + "/9-imageData.jpg");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(jpeg);
    file.close();

    EXPECT_EQ(receive(), 1);
    const QList<ManagedObject*> soups = library->objectsForKey("recipes");
    ASSERT_EQ(soups.size(), 1);
    EXPECT_TRUE(soups.first()->valueForKey("hasImage").toBool());
    const QByteArray stored = soups.first()->valueForKeyPath("image.data").toByteArray();
    EXPECT_TRUE(stored.startsWith(Jpeg2000::jp2Signature()));
    const QImage kept = ImageCoding::imageFromData(stored);
    EXPECT_EQ(std::max(kept.width(), kept.height()), int(KRMaxImageSize));
    EXPECT_FALSE(context->hasChanges());
    EXPECT_EQ(QDir(pictures).entryList(QDir::Files), QStringList());
}
