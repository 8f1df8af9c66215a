#include "RecipeMetaDataExporter.h"

#include "Log.h"
#include "ModelStoreFixture.h"
#include "PropertyList.h"
#include "RecipeMO.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace
{

// Points the user's caches folder at a scratch folder for the length of a test.
class RecipeMetaDataExporterTest : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        ASSERT_TRUE(caches.isValid());
        savedCacheHome = qgetenv("XDG_CACHE_HOME");
        hadCacheHome = qEnvironmentVariableIsSet("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", caches.path().toUtf8());
        library = makeCollection("RBCollectionKindMainLibrary");
        folder = RecipeMetaDataExporter::metaDataFolderPath();
    }

    void TearDown() override
    {
        if (hadCacheHome)
            qputenv("XDG_CACHE_HOME", savedCacheHome);
        else
            qunsetenv("XDG_CACHE_HOME");
        ModelStoreFixture::TearDown();
    }

    RecipeMO* libraryRecipe(const QString& name)
    {
        auto* recipe = dynamic_cast<RecipeMO*>(insert("Recipe"));
        EXPECT_TRUE(recipe);
        recipe->setPrimitiveValue(name, "name");
        recipe->addCollectionsObject(library);
        return recipe;
    }

    void addLine(RecipeMO* recipe, ManagedObject* ingredient)
    {
        ManagedObject* line = insert("RecipeIngredient");
        line->setValueForKey(recipe->objectsForKey("ingredients").size() + 1, "index");
        if (ingredient)
            line->setValueForKey(QVariant::fromValue(ingredient), "baseIngredient");
        line->setValueForKey(QVariant::fromValue<ManagedObject*>(recipe), "recipe");
    }

    QStringList files() const
    {
        return QDir(folder).entryList({ "*.recipemetadata" }, QDir::Files, QDir::Name);
    }

    QVariantMap contents(const QString& fileName) const
    {
        Error error;
        const auto dictionary
            = PropertyList::dictionaryWithContentsOfFile(QDir(folder).filePath(fileName), &error);
        EXPECT_TRUE(dictionary) << error.localizedDescription.toStdString();
        return dictionary.value_or(QVariantMap());
    }

    static QString tail(const ManagedObject* recipe)
    {
        return "p" + QString::number(recipe->objectID().referenceKey());
    }

    QTemporaryDir caches;
    QByteArray savedCacheHome;
    bool hadCacheHome = false;
    ManagedObject* library = nullptr;
    QString folder;
};

} // namespace

TEST_F(RecipeMetaDataExporterTest, FolderIsTheProcessFolderUnderTheCaches)
{
    EXPECT_TRUE(folder.startsWith(caches.path() + "/")) << folder.toStdString();
    EXPECT_TRUE(folder.endsWith("/Metadata/tests_model")) << folder.toStdString();
}

TEST_F(RecipeMetaDataExporterTest, WritesEveryFieldOfALibraryRecipe)
{
    RecipeMO* soup = libraryRecipe("Soup");
    soup->setPrimitiveValue("Thick and hot", "recipeDescription");
    soup->setPrimitiveValue("1 hour", "cookTime");
    soup->setValueForKey("Grandma", "kitchen");
    soup->setValueForKey("Italian", "cuisine");
    soup->setValueForKey("Soups", "category");
    soup->setPrimitiveValue(4.0, "rating");
    const QDateTime added(QDate(2024, 3, 1), QTime(12, 30, 5), Qt::UTC);
    soup->setPrimitiveValue(added, "dateAdded");
    ManagedObject* leek = insertNamed("Ingredient", "leek");
    ManagedObject* salt = insertNamed("Ingredient", "salt");
    addLine(soup, leek);
    addLine(soup, salt);
    addLine(soup, leek);
    addLine(soup, nullptr);
    ASSERT_TRUE(save());

    RecipeMetaDataExporter::exportMetaData();

    const QString name = "Soup-" + tail(soup) + ".recipemetadata";
    ASSERT_EQ(files(), QStringList { name });
    const QVariantMap metadata = contents(name);
    EXPECT_EQ(metadata.value("title").toString(), "Soup");
    EXPECT_EQ(metadata.value("recipeDescription").toString(), "Thick and hot");
    EXPECT_EQ(metadata.value("author").toString(), "Grandma");
    EXPECT_EQ(metadata.value("cuisine").toString(), "Italian");
    EXPECT_EQ(metadata.value("category").toString(), "Soups");
    EXPECT_EQ(metadata.value("cookTime").toString(), "1 hour");
    EXPECT_EQ(metadata.value("starRating").toDouble(), 4.0);
    EXPECT_EQ(metadata.value("contentCreationDate").toDateTime(), added);
    QStringList ingredients = metadata.value("ingredients").toStringList();
    ingredients.sort();
    EXPECT_EQ(ingredients, QStringList({ "leek", "salt" }));
    EXPECT_EQ(metadata.value("coreDataObjectID").toString(), soup->objectID().URIRepresentation().toString());
    EXPECT_TRUE(metadata.value("coreDataObjectID").toString().endsWith("/Recipe/" + tail(soup)));
}

TEST_F(RecipeMetaDataExporterTest, LeavesOutEmptyValuesAndNamesAnUntitledRecipe)
{
    RecipeMO* recipe = libraryRecipe("");
    recipe->setPrimitiveValue("(null)", "cookTime");
    addLine(recipe, nullptr);
    ASSERT_TRUE(save());

    RecipeMetaDataExporter::exportMetaData();

    const QString name = "Untitled Recipe-" + tail(recipe) + ".recipemetadata";
    ASSERT_EQ(files(), QStringList { name });
    const QVariantMap metadata = contents(name);
    EXPECT_EQ(metadata.value("title").toString(), "Untitled Recipe");
    for (const char* key :
        { "recipeDescription", "author", "cuisine", "category", "cookTime", "ingredients" })
        EXPECT_FALSE(metadata.contains(key)) << key;
    EXPECT_TRUE(metadata.contains("coreDataObjectID"));
    EXPECT_TRUE(metadata.contains("starRating"));
}

TEST_F(RecipeMetaDataExporterTest, OnlyRecipesOutsideTheSearchCacheGetAFile)
{
    ManagedObject* cache = makeCollection("RBCollectionKindSearchCache");
    auto* cachedOnly = dynamic_cast<RecipeMO*>(insert("Recipe"));
    cachedOnly->setPrimitiveValue("Found on the web", "name");
    cachedOnly->addCollectionsObject(cache);
    RecipeMO* both = libraryRecipe("Kept");
    both->addCollectionsObject(cache);
    RecipeMO* nowhere = libraryRecipe("Loose");
    ASSERT_TRUE(save());
    nowhere->removeCollectionsObject(library);
    ASSERT_TRUE(save());
    ASSERT_TRUE(nowhere->objectsForKey("collections").isEmpty());

    RecipeMetaDataExporter::exportMetaData();

    EXPECT_EQ(files(), QStringList { "Kept-" + tail(both) + ".recipemetadata" });
}

// A name is one path component: it can neither leave the folder nor make the path unusable.
TEST_F(RecipeMetaDataExporterTest, UnsafeNamesStayInsideTheFolder)
{
    const QString longName = QString(300, QChar(u'\u00E9')) + QString::fromUtf8("\xF0\x9F\x8D\xB2");
    const QStringList names = { "../../escape", "Soup/Stew", "..", "a..b", ".hidden", longName };
    QList<RecipeMO*> recipes;
    for (const QString& name : names)
        recipes.append(libraryRecipe(name));
    ASSERT_TRUE(save());

    Log::Capture log;
    RecipeMetaDataExporter::exportMetaData();

    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join("\n").toStdString();
    EXPECT_EQ(files().size(), names.size());
    EXPECT_TRUE(QDir(caches.path()).entryList({ "*.recipemetadata" }, QDir::Files).isEmpty());
    for (qsizetype i = 0; i < recipes.size(); ++i) {
        const QString fileName = RecipeMetaDataExporter::fileNameForRecipe(recipes[i]);
        SCOPED_TRACE(fileName.toStdString());
        EXPECT_FALSE(fileName.contains('/'));
        EXPECT_FALSE(fileName.contains(".."));
        EXPECT_LE(fileName.toUtf8().size(), 255);
        EXPECT_TRUE(fileName.endsWith("-" + tail(recipes[i]) + ".recipemetadata"));
        EXPECT_TRUE(QFileInfo(QDir(folder).filePath(fileName)).isFile());
        // The title keeps the name as the user wrote it.
        EXPECT_EQ(contents(fileName).value("title").toString(), names[i]);
    }
}

TEST_F(RecipeMetaDataExporterTest, UnchangedRecipesAreNotRewrittenChangedOnesAre)
{
    RecipeMO* soup = libraryRecipe("Soup");
    RecipeMO* bread = libraryRecipe("Bread");
    ASSERT_TRUE(save());
    RecipeMetaDataExporter::exportMetaData();
    const QString soupFile = QDir(folder).filePath("Soup-" + tail(soup) + ".recipemetadata");
    const QString breadFile = QDir(folder).filePath("Bread-" + tail(bread) + ".recipemetadata");
    const QDateTime old(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    for (const QString& path : { soupFile, breadFile }) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
    }

    bread->setPrimitiveValue("40 minutes", "cookTime");
    ASSERT_TRUE(save());
    RecipeMetaDataExporter::exportMetaData();

    EXPECT_EQ(QFileInfo(soupFile).lastModified().toUTC(), old);
    EXPECT_NE(QFileInfo(breadFile).lastModified().toUTC(), old);
    EXPECT_EQ(contents(QFileInfo(breadFile).fileName()).value("cookTime").toString(), "40 minutes");
}

TEST_F(RecipeMetaDataExporterTest, FilesOfRenamedAndRemovedRecipesGo)
{
    RecipeMO* soup = libraryRecipe("Soup");
    RecipeMO* bread = libraryRecipe("Bread");
    RecipeMO* cake = libraryRecipe("Cake");
    ASSERT_TRUE(save());
    RecipeMetaDataExporter::exportMetaData();
    ASSERT_EQ(files().size(), 3);
    QFile other(QDir(folder).filePath("notes.txt"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();

    soup->setPrimitiveValue("Leek soup", "name");
    bread->removeCollectionsObject(library);
    cake->deleteFromManagedObjectContext();
    ASSERT_TRUE(save());
    RecipeMetaDataExporter::exportMetaData();

    EXPECT_EQ(files(), QStringList { "Leek soup-" + tail(soup) + ".recipemetadata" });
    EXPECT_TRUE(other.exists());
}

TEST_F(RecipeMetaDataExporterTest, AnEmptyLibraryClearsTheFolder)
{
    RecipeMO* soup = libraryRecipe("Soup");
    ASSERT_TRUE(save());
    RecipeMetaDataExporter::exportMetaData();
    ASSERT_EQ(files().size(), 1);

    soup->deleteFromManagedObjectContext();
    ASSERT_TRUE(save());
    RecipeMetaDataExporter::exportMetaData();

    EXPECT_TRUE(files().isEmpty());
}

TEST_F(RecipeMetaDataExporterTest, AFolderThatCannotBeMadeIsLoggedAndNothingIsWritten)
{
    libraryRecipe("Soup");
    ASSERT_TRUE(save());
    // A file where the Metadata folder should be.
    const QString metadata = QFileInfo(folder).path();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(metadata).path()));
    QFile blocker(metadata);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    Log::Capture log;
    RecipeMetaDataExporter::exportMetaData();

    EXPECT_TRUE(log.contains("Saving metadata: unable to create meta data directory structure"));
    EXPECT_FALSE(QFileInfo(folder).exists());
}

TEST_F(RecipeMetaDataExporterTest, OneFileThatCannotBeWrittenIsLoggedAndTheOthersAreWritten)
{
    RecipeMO* soup = libraryRecipe("Soup");
    RecipeMO* bread = libraryRecipe("Bread");
    ASSERT_TRUE(save());
    const QString soupPath = QDir(folder).filePath("Soup-" + tail(soup) + ".recipemetadata");
    ASSERT_TRUE(QDir().mkpath(soupPath));

    Log::Capture log;
    RecipeMetaDataExporter::exportMetaData();

    EXPECT_TRUE(log.contains("unable to export recipe meta data to path: " + soupPath));
    EXPECT_EQ(files(), QStringList { "Bread-" + tail(bread) + ".recipemetadata" });
}

TEST_F(RecipeMetaDataExporterTest, NamesWithCharactersXmlCannotCarryStillGetTheirFile)
{
    struct Case {
        QString name;
        QString kept;
    };
    const QList<Case> cases = {
        { QStringLiteral("Nul") + QChar(u'\0') + QStringLiteral("Soup"), "NulSoup" },
        { QStringLiteral("Bell\aand\x1B"), "Belland" },
        { QStringLiteral("Tab\tkept"), "Tab\tkept" },
        { QStringLiteral("Lone") + QChar(0xD800) + QStringLiteral("High"), "LoneHigh" },
        { QStringLiteral("Lone") + QChar(0xDC00) + QStringLiteral("Low"), "LoneLow" },
        { QStringLiteral("Non") + QChar(0xFFFF) + QChar(0xFFFE) + QStringLiteral("char"), "Nonchar" },
        { QString::fromUtf8("Pair \xF0\x9F\x8D\xB2 kept"), QString::fromUtf8("Pair \xF0\x9F\x8D\xB2 kept") },
        { QString(QChar(u'\x01')), "Untitled Recipe" },
    };
    QList<RecipeMO*> recipes;
    for (const Case& c : cases) {
        recipes.append(libraryRecipe(c.name));
        recipes.last()->setPrimitiveValue(c.name, "recipeDescription");
    }
    ASSERT_TRUE(save());

    for (int run = 0; run < 2; ++run) {
        Log::Capture log;
        RecipeMetaDataExporter::exportMetaData();
        EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join("\n").toStdString();
    }
    EXPECT_EQ(files().size(), cases.size());
    for (qsizetype i = 0; i < cases.size(); ++i) {
        const QString fileName = RecipeMetaDataExporter::fileNameForRecipe(recipes[i]);
        SCOPED_TRACE(fileName.toStdString());
        EXPECT_TRUE(fileName.startsWith(cases[i].kept));
        const QVariantMap written = contents(fileName);
        EXPECT_EQ(written.value("title").toString(), cases[i].kept);
        // The last name keeps nothing, so its description is left out.
        const QString description = i + 1 < cases.size() ? cases[i].kept : QString();
        EXPECT_EQ(written.value("recipeDescription").toString(), description);
    }
}

TEST_F(RecipeMetaDataExporterTest, ALinkPlantedUnderARecipesFileNameIsReplacedNotFollowed)
{
    RecipeMO* soup = libraryRecipe("Soup");
    ASSERT_TRUE(save());
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString outside = QDir(caches.path()).filePath("precious.txt");
    {
        QFile file(outside);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    const QString path = QDir(folder).filePath(RecipeMetaDataExporter::fileNameForRecipe(soup));
    ASSERT_TRUE(QFile::link(outside, path));

    Log::Capture log;
    RecipeMetaDataExporter::exportMetaData();

    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join("\n").toStdString();
    QFile target(outside);
    ASSERT_TRUE(target.open(QIODevice::ReadOnly));
    EXPECT_EQ(target.readAll(), QByteArray("keep me"));
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    EXPECT_EQ(contents(QFileInfo(path).fileName()).value("title").toString(), "Soup");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1);
}
