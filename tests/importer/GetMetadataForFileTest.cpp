#include "GetMetadataForFile.h"

#include "ImporterInstance.h"
#include "ImporterTestFiles.h"
#include "Log.h"
#include "ModelStoreFixture.h"
#include "PersistentStore.h"
#include "RecipeMO.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <thread>
#include <vector>

namespace
{

using ImporterTestFiles::bytesOf;
using ImporterTestFiles::writeFile;

const QVariantMap untouched { { "host's own key", "kept" } };

QVariantMap localizable(const QString& text)
{
    return { { QString(), text } };
}

// The importer over files of every kind, with a library store as the program writes it.
class GetMetadataForFileTest : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        ASSERT_TRUE(files.isValid());
    }

    QString path(const QString& name) const { return files.filePath(name); }

    QString writeMetaData(const QString& name, const QVariantMap& contents) const
    {
        return ImporterTestFiles::writeMetaData(path(name), contents);
    }

    QString writeCards(const QString& name, const QString& text) const
    {
        return writeFile(path(name), text.toUtf8());
    }

    // Imports with a dictionary that already holds a key of the host's.
    bool import(const QString& contentType, const QString& file, QVariantMap& attributes) const
    {
        attributes = untouched;
        return importer.import(attributes, contentType, file);
    }

    QTemporaryDir files;
    ImporterInstance importer;
    Log::Capture quiet;
};

TEST_F(GetMetadataForFileTest, OtherContentTypesLeaveTheDictionaryAlone)
{
    const QString file = writeMetaData("Soup.recipemetadata", { { "title", "Soup" } });
    for (const char* type : { "public.plain-text", "", "com.quillmoor.RecipeMetadata",
             "com.quillmoor.recipemetadata ", "com.quillmoor.virtual-recipe-cards", "recipemetadata" }) {
        SCOPED_TRACE(type);
        QVariantMap attributes;
        EXPECT_FALSE(import(type, file, attributes));
        EXPECT_EQ(attributes, untouched);
    }
}

TEST_F(GetMetadataForFileTest, MetaDataFileAsTheProgramWritesIt)
{
    RecipeMO* soup = dynamic_cast<RecipeMO*>(insert("Recipe"));
    ASSERT_TRUE(soup);
    soup->setPrimitiveValue("Leek soup", "name");
    soup->setPrimitiveValue("Thick and hot", "recipeDescription");
    soup->setPrimitiveValue("1 hour", "cookTime");
    soup->setValueForKey("Grandma", "kitchen");
    soup->setValueForKey("Italian", "cuisine");
    soup->setValueForKey("Soups", "category");
    soup->setPrimitiveValue(4.0, "rating");
    const QDateTime added(QDate(2024, 3, 1), QTime(12, 30, 5), Qt::UTC);
    soup->setPrimitiveValue(added, "dateAdded");
    for (const char* name : { "salt", "leek" }) {
        ManagedObject* line = insert("RecipeIngredient");
        line->setValueForKey(QVariant::fromValue(insertNamed("Ingredient", name)), "baseIngredient");
        line->setValueForKey(QVariant::fromValue<ManagedObject*>(soup), "recipe");
    }
    const QString file = ImporterTestFiles::writeProgramMetaData(files.path(), soup);

    QVariantMap attributes;
    EXPECT_TRUE(import(RecipeMetadataContentType, file, attributes));
    QVariantMap expected = untouched;
    expected.insert({
        { kMDItemTitle, "Leek soup" },
        { kMDItemDisplayName, localizable("Leek soup") },
        { kMDItemAuthors, QVariantList { "Grandma" } },
        { KitchoraCuisineAttribute, "Italian" },
        { KitchoraCategoryAttribute, "Soups" },
        { KitchoraCookTimeAttribute, "1 hour" },
        { KitchoraDescriptionAttribute, "Thick and hot" },
        { kMDItemStarRating, 4.0 },
        { kMDItemContentCreationDate, added },
        { KitchoraIngredientsAttribute, QVariantList { "leek", "salt" } },
        { kMDItemKind, localizable("Kitchora Recipe") },
    });
    EXPECT_EQ(attributes, expected);
}

TEST_F(GetMetadataForFileTest, MetaDataFilesWithSomeKeys)
{
    const QDateTime date(QDate(2023, 5, 6), QTime(7, 8, 9), Qt::UTC);
    struct Case {
        const char* name;
        QVariantMap file;
        bool imported;
        QVariantMap added;
    };
    const Case cases[] = {
        { "only a rating: false, though the rating is set", { { "starRating", 3 } }, false,
            { { kMDItemStarRating, 3 } } },
        { "only a date: false, though the date is set", { { "contentCreationDate", date } }, false,
            { { kMDItemContentCreationDate, date } } },
        { "rating and empty ingredients", { { "starRating", 2.5 }, { "ingredients", QVariantList() } }, false,
            { { kMDItemStarRating, 2.5 } } },
        { "title with empty ingredients: no ingredients key",
            { { "title", "Tea" }, { "ingredients", QVariantList() } }, true,
            { { kMDItemTitle, "Tea" }, { kMDItemDisplayName, localizable("Tea") },
                { kMDItemKind, localizable("Kitchora Recipe") } } },
        { "only ingredients", { { "ingredients", QVariantList { "egg" } } }, true,
            { { KitchoraIngredientsAttribute, QVariantList { "egg" } },
                { kMDItemKind, localizable("Kitchora Recipe") } } },
        { "only a cook time", { { "cookTime", "5 min" } }, true,
            { { KitchoraCookTimeAttribute, "5 min" }, { kMDItemKind, localizable("Kitchora Recipe") } } },
        { "only the object ID", { { "coreDataObjectID", "x-coredata://a/Recipe/p1" } }, false, {} },
        { "an empty dictionary", {}, false, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = writeMetaData("Some.recipemetadata", c.file);
        QVariantMap attributes;
        EXPECT_EQ(import(RecipeMetadataContentType, file, attributes), c.imported);
        QVariantMap expected = untouched;
        expected.insert(c.added);
        EXPECT_EQ(attributes, expected);
    }
}

TEST_F(GetMetadataForFileTest, UnreadableOrForeignFilesGiveFalseAndLeaveTheDictionaryAlone)
{
    const QByteArray plistHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n";
    const QByteArray goodPlist = plistHead + "<dict><key>title</key><string>Soup</string></dict></plist>\n";
    const QByteArray binary = bytesOf({ 0x00, 0xff, 0xfe, 0x01, 0x80, 0x7f, 0x00, 0xc3, 0x28, 0x00 });
    const QByteArray cards = "BEGIN:VRECIPECARD\nVERSION:1.0\nNAME:Soup\nEND:VRECIPECARD\n";
    QTemporaryDir other;
    ASSERT_TRUE(other.isValid());
    ModelStoreFixture::closeStack();
    const QByteArray store = ImporterTestFiles::bytesOfFile(ModelStoreFixture::path);
    ASSERT_GT(store.size(), 4096);
    // Another program's SQLite database, with a table that looks like our metadata.
    const QByteArray foreign = ImporterTestFiles::sqliteDatabase(other.filePath("foreign.db"),
        "CREATE TABLE meta (key TEXT PRIMARY KEY, value); INSERT INTO meta VALUES ('NSStoreUUID', 'x'), "
        "('KitchoraModelVersion', 1);");
    ASSERT_GT(foreign.size(), 0);
    ASSERT_TRUE(QFile::remove(other.filePath("foreign.db")));

    struct Case {
        const char* name;
        const QString& type;
        QByteArray bytes;
    };
    const Case cases[] = {
        { "metadata: empty file", RecipeMetadataContentType, "" },
        { "metadata: binary bytes", RecipeMetadataContentType, binary },
        { "metadata: truncated", RecipeMetadataContentType, goodPlist.left(goodPlist.size() / 2) },
        { "metadata: an array", RecipeMetadataContentType,
            plistHead + "<array><string>Soup</string></array></plist>" },
        { "metadata: a string", RecipeMetadataContentType, plistHead + "<string>Soup</string></plist>" },
        { "metadata: title is a number", RecipeMetadataContentType,
            plistHead + "<dict><key>title</key><integer>3</integer></dict></plist>" },
        { "metadata: rating is text", RecipeMetadataContentType,
            plistHead
                + "<dict><key>title</key><string>Soup</string><key>starRating</key><string>5</string></"
                  "dict></plist>" },
        { "metadata: date is text", RecipeMetadataContentType,
            plistHead
                + "<dict><key>contentCreationDate</key><string>today</string><key>starRating</key><real>1</"
                  "real></dict></plist>" },
        { "metadata: ingredients are a dictionary", RecipeMetadataContentType,
            plistHead
                + "<dict><key>title</key><string>Soup</string><key>ingredients</key><dict/></dict></plist>" },
        { "metadata: an ingredient is a number", RecipeMetadataContentType,
            plistHead
                + "<dict><key>title</key><string>Soup</string><key>ingredients</key><array><string>a</"
                  "string><integer>1</integer></array></dict></plist>" },
        { "metadata: card text", RecipeMetadataContentType, cards },
        { "cards: empty file", VirtualRecipeCardContentType, "" },
        { "cards: binary bytes", VirtualRecipeCardContentType, binary + binary },
        { "cards: a card without its end", VirtualRecipeCardContentType, cards.left(cards.size() - 16) },
        { "cards: a property list", VirtualRecipeCardContentType, goodPlist },
        { "store: empty file", RecipeDatabaseContentType, "" },
        { "store: binary bytes", RecipeDatabaseContentType, binary },
        { "store: truncated", RecipeDatabaseContentType, store.left(store.size() / 2 + 100) },
        { "store: only its header", RecipeDatabaseContentType, store.left(100) },
        { "store: card text", RecipeDatabaseContentType, cards },
        { "store: another program's database", RecipeDatabaseContentType, foreign },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = writeFile(other.filePath("file"), c.bytes);
        QVariantMap attributes;
        EXPECT_FALSE(import(c.type, file, attributes));
        EXPECT_EQ(attributes, untouched);
        EXPECT_EQ(ImporterTestFiles::bytesOfFile(file), c.bytes);
        EXPECT_EQ(QDir(other.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "file" });
    }
}

TEST_F(GetMetadataForFileTest, PathsThatAreNoFilesGiveFalseWithoutWaiting)
{
    QTemporaryDir other;
    ASSERT_TRUE(other.isValid());
    const QString fifo = other.filePath("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Sparse files larger than any the program writes: refused before being read.
    const QString huge = other.filePath("huge");
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(qint64(65) * 1024 * 1024));
    }
    const QString hugeCards = other.filePath("huge.vrc");
    {
        QFile file(hugeCards);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("BEGIN:VRECIPECARD\nNAME:Soup\nEND:VRECIPECARD\n");
        ASSERT_TRUE(file.resize(qint64(65) * 1024 * 1024));
    }
    for (const QString& type :
        { RecipeMetadataContentType, VirtualRecipeCardContentType, RecipeDatabaseContentType }) {
        for (const QString& file : { other.filePath("missing"), other.path(), fifo, huge, hugeCards }) {
            SCOPED_TRACE((type + " " + file).toStdString());
            QVariantMap attributes;
            EXPECT_FALSE(import(type, file, attributes));
            EXPECT_EQ(attributes, untouched);
        }
    }
}

TEST_F(GetMetadataForFileTest, OneCardGivesItsFields)
{
    struct Case {
        const char* name;
        QString text;
        QVariantMap added;
    };
    const Case cases[] = {
        { "without a name", "BEGIN:VRECIPECARD\nVERSION:1.0\nCUISINE:Thai\nEND:VRECIPECARD\n",
            { { kMDItemTitle, "Virtual Recipe Card" }, { KitchoraCuisineAttribute, "Thai" },
                { kMDItemKind, localizable("Virtual Recipe Card") } } },
        { "with every field",
            "BEGIN:VRECIPECARD\nVERSION:1.0\nNAME:Pad Thai\nKITCHEN:Home\nDESCRIPTION:Quick\nCOOKTIME:20 "
            "min\n"
            "CUISINE:Thai\nCATEGORY:Noodles\nING:1:200;g;;rice noodles;200 g rice noodles\nING:2:;;;;\n"
            "ING:3:2;;;eggs;2 eggs\nEND:VRECIPECARD\n",
            { { kMDItemTitle, "Pad Thai" }, { kMDItemAuthors, QVariantList { "Home" } },
                { KitchoraDescriptionAttribute, "Quick" }, { KitchoraCookTimeAttribute, "20 min" },
                { KitchoraCuisineAttribute, "Thai" }, { KitchoraCategoryAttribute, "Noodles" },
                { KitchoraIngredientsAttribute, QVariantList { "rice noodles", "eggs" } },
                { kMDItemKind, localizable("Virtual Recipe Card") } } },
        { "with empty values", "BEGIN:VRECIPECARD\nNAME:(null)\nKITCHEN:\nCATEGORY:(null)\nEND:VRECIPECARD\n",
            { { kMDItemTitle, "Virtual Recipe Card" },
                { kMDItemKind, localizable("Virtual Recipe Card") } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = writeCards("card.vrc", c.text);
        QVariantMap attributes;
        EXPECT_TRUE(import(VirtualRecipeCardContentType, file, attributes));
        QVariantMap expected = untouched;
        expected.insert(c.added);
        EXPECT_EQ(attributes, expected);
    }
}

TEST_F(GetMetadataForFileTest, SeveralCardsGiveTheirCountAndEachCardsValues)
{
    const QString file = writeCards("cards.vrc",
        "BEGIN:VRECIPECARD\nNAME:A\nKITCHEN:Home\nCUISINE:Thai\nCATEGORY:Soups\nEND:VRECIPECARD\n"
        "BEGIN:VRECIPECARD\nNAME:B\nCUISINE:French\nEND:VRECIPECARD\n"
        "BEGIN:VRECIPECARD\nNAME:C\nKITCHEN:Inn\nCATEGORY:Bread\nEND:VRECIPECARD\n");
    QVariantMap attributes;
    EXPECT_TRUE(import(VirtualRecipeCardContentType, file, attributes));
    const QVariant null = QVariant::fromValue(nullptr);
    QVariantMap expected = untouched;
    expected.insert({
        { kMDItemTitle, "3 Virtual Recipe Cards" },
        { kMDItemAuthors, QVariantList { "Home", null, "Inn" } },
        { KitchoraCuisinesAttribute, QVariantList { "Thai", "French", null } },
        { KitchoraCategoriesAttribute, QVariantList { "Soups", null, "Bread" } },
        { kMDItemKind, localizable("Virtual Recipe Cards") },
    });
    EXPECT_EQ(attributes, expected);
}

TEST_F(GetMetadataForFileTest, StoreWrittenByTheProgramGivesItsMetadataAndStaysAsItWas)
{
    insertNamed("Recipe", "Soup");
    ASSERT_TRUE(save());
    const QString identifier = store->identifier();
    ModelStoreFixture::closeStack();
    const QByteArray before = ImporterTestFiles::bytesOfFile(ModelStoreFixture::path);
    const QStringList folder = QDir(files.path()).entryList(QDir::Files | QDir::Hidden);

    QVariantMap attributes;
    EXPECT_TRUE(import(RecipeDatabaseContentType, ModelStoreFixture::path, attributes));
    EXPECT_EQ(attributes.value("host's own key"), "kept");
    EXPECT_EQ(attributes.value(PersistentStore::StoreUUIDKey), identifier);
    EXPECT_EQ(attributes.value(PersistentStore::StoreTypeKey), PersistentStoreCoordinator::SQLiteStoreType);
    EXPECT_EQ(attributes.value(PersistentStore::ModelVersionKey), qint64(model->version()));
    EXPECT_FALSE(attributes.contains(kMDItemKind));

    EXPECT_EQ(ImporterTestFiles::bytesOfFile(ModelStoreFixture::path), before);
    EXPECT_EQ(QDir(files.path()).entryList(QDir::Files | QDir::Hidden), folder);
}

TEST_F(GetMetadataForFileTest, StoreOpenInTheProgramIsReadWithoutWaitingOrChange)
{
    insertNamed("Recipe", "Soup");
    ASSERT_TRUE(save());
    const QString identifier = store->identifier();
    // The program keeps the store open; another of its connections is in the middle of a write.
    ImporterTestFiles::WriteInProgress writing(ModelStoreFixture::path);
    ASSERT_TRUE(writing.started());
    const QStringList companions { "Kitchora.recipedb", "Kitchora.recipedb-shm", "Kitchora.recipedb-wal" };
    const QDir folder(QFileInfo(ModelStoreFixture::path).path());
    ASSERT_EQ(folder.entryList(QDir::Files | QDir::Hidden), companions);
    const QByteArray main = ImporterTestFiles::bytesOfFile(ModelStoreFixture::path);
    const QByteArray wal = ImporterTestFiles::bytesOfFile(ModelStoreFixture::path + "-wal");

    QVariantMap attributes;
    EXPECT_TRUE(import(RecipeDatabaseContentType, ModelStoreFixture::path, attributes));
    EXPECT_EQ(attributes.value(PersistentStore::StoreUUIDKey), identifier);

    EXPECT_EQ(ImporterTestFiles::bytesOfFile(ModelStoreFixture::path), main);
    EXPECT_EQ(ImporterTestFiles::bytesOfFile(ModelStoreFixture::path + "-wal"), wal);
    EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden), companions);
}

TEST_F(GetMetadataForFileTest, ImportsFromSeveralThreadsAtOnceGiveWhatOneGives)
{
    insertNamed("Recipe", "Soup");
    ASSERT_TRUE(save());
    const struct {
        QString type;
        QString file;
    } inputs[] = {
        { RecipeMetadataContentType,
            writeMetaData("Tea.recipemetadata", { { "title", "Tea" }, { "starRating", 2 } }) },
        { VirtualRecipeCardContentType,
            writeCards("two.vrc",
                "BEGIN:VRECIPECARD\nNAME:A\nEND:VRECIPECARD\nBEGIN:VRECIPECARD\nEND:VRECIPECARD\n") },
        { RecipeDatabaseContentType, ModelStoreFixture::path },
    };
    QList<QVariantMap> expected;
    for (const auto& input : inputs) {
        QVariantMap attributes;
        ASSERT_TRUE(importer.import(attributes, input.type, input.file));
        expected.append(attributes);
    }
    std::atomic<int> mismatches = 0;
    std::vector<std::thread> workers;
    for (int t = 0; t < 6; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < 30; ++i) {
                const int which = (t + i) % 3;
                QVariantMap attributes;
                if (!importer.import(attributes, inputs[which].type, inputs[which].file)
                    || attributes != expected[which])
                    ++mismatches;
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(mismatches, 0);
}

} // namespace
