#include "ControllerFixture.h"
#include "EntityDescription.h"
#include "FetchRequest.h"
#include "Log.h"
#include "NotificationCenter.h"
#include "PersistentStoreCoordinator.h"
#include "Predicate.h"
#include "PropertyList.h"
#include "RTFWriter.h"
#include "RecipeCollection.h"
#include "RecipeMO.h"
#include "UserDefaults.h"
#include "VRCManagedObjectWriter.h"

#include <QFile>
#include <QImage>

namespace
{

class OpenFilesTest : public ControllerFixture
{
public:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        launch();
        observer = NotificationCenter::defaultCenter().addObserver(KRCollectionContentChangedNotification,
            nullptr, [this](const Notification&) { ++contentChanges; });
    }
    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(observer);
        ControllerFixture::TearDown();
    }

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = root.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    static QByteArray cards(const QStringList& names)
    {
        QByteArray text;
        for (const QString& name : names)
            text += "BEGIN:VRECIPECARD\nVERSION:1.0\nNAME:" + name.toUtf8()
                + "\nING:1:1;cup;;flour;1 cup flour\nDIR:1:Stir.\nEND:VRECIPECARD\n";
        return text;
    }

    QString metadataFile(const QString& name, const QString& uri)
    {
        const QString path = root.filePath(name);
        EXPECT_TRUE(PropertyList::writePropertyList(
            QVariantMap { { QStringLiteral("coreDataObjectID"), uri } }, path, PropertyList::Format::Xml));
        return path;
    }

    QStringList namesIn(ManagedObject* collection)
    {
        QStringList names;
        for (ManagedObject* recipe :
            collection->mutableSetValueForKey(QStringLiteral("recipes")).allObjects())
            names.append(recipe->valueForKey(QStringLiteral("name")).toString());
        names.sort();
        return names;
    }

    ManagedObject* savedRecipe(const QString& name)
    {
        ManagedObject* recipe
            = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), context());
        recipe->setValueForKey(name, QStringLiteral("name"));
        recipe->mutableSetValueForKey(QStringLiteral("collections"))
            .addObject(controller->libraryCollection());
        Error error;
        EXPECT_TRUE(context()->save(&error));
        return recipe;
    }

    qint64 recipeCount()
    {
        return context()->countForFetchRequest(
            FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe")));
    }

    NotificationCenter::Token observer = 0;
    int contentChanges = 0;
};

TEST_F(OpenFilesTest, SupportedExtensionsInOrder)
{
    EXPECT_EQ(KitchoraController::supportedFileExtensions(),
        QStringList(
            { QStringLiteral("vrc"), QStringLiteral("recipemetadata"), QStringLiteral("mgdatabase") }));
}

TEST_F(OpenFilesTest, CardFileInUpperCaseJoinsLibraryAndRecentImports)
{
    controller->openFiles(
        { writeFile(QStringLiteral("Two.VRC"), cards({ QStringLiteral("Soup"), QStringLiteral("Stew") })) });

    EXPECT_EQ(namesIn(controller->importedCollection()),
        QStringList({ QStringLiteral("Soup"), QStringLiteral("Stew") }));
    EXPECT_TRUE(namesIn(controller->libraryCollection()).contains(QStringLiteral("Stew")));
    EXPECT_EQ(contentChanges, 1);
    EXPECT_TRUE(presenter.errors.isEmpty());
    EXPECT_TRUE(presenter.alerts.isEmpty());
}

TEST_F(OpenFilesTest, MoreRecipesThanRecentImportsKeepsEmptiesItFirst)
{
    defaults.defaults().setInteger(2, KRSavedImportsCount);
    controller->openFiles({ writeFile(QStringLiteral("old.vrc"), cards({ QStringLiteral("Old") })) });
    ASSERT_EQ(namesIn(controller->importedCollection()), QStringList({ QStringLiteral("Old") }));

    controller->openFiles({ writeFile(QStringLiteral("three.vrc"),
        cards({ QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C") })) });

    const QStringList recent = namesIn(controller->importedCollection());
    EXPECT_FALSE(recent.contains(QStringLiteral("Old")));
    EXPECT_EQ(recent.size(), 2); // trimmed to the newest two of the three
    EXPECT_TRUE(namesIn(controller->libraryCollection()).contains(QStringLiteral("Old")));
}

TEST_F(OpenFilesTest, MetadataFileShowsItsRecipeAfterTheCardsOfTheSameOpening)
{
    ManagedObject* soup = savedRecipe(QStringLiteral("Soup"));
    const QString metadata = metadataFile(
        QStringLiteral("Soup.recipemetadata"), soup->objectID().URIRepresentation().toString());

    controller->openFiles(
        { metadata, writeFile(QStringLiteral("pie.vrc"), cards({ QStringLiteral("Pie") })) });
    EXPECT_TRUE(window.shown.isEmpty()); // on the next pass of the run loop
    clock.advance(0);

    EXPECT_EQ(window.shown, QList<ManagedObject*>({ soup }));
    EXPECT_TRUE(namesIn(controller->importedCollection()).contains(QStringLiteral("Pie")));
    EXPECT_TRUE(presenter.alerts.isEmpty());
}

// Each metadata file names nothing this library holds: the alert, and no other change.
TEST_F(OpenFilesTest, MetadataFileWithoutItsRecipeAlertsAndChangesNothing)
{
    ManagedObject* gone = savedRecipe(QStringLiteral("Gone"));
    const QString goneURI = gone->objectID().URIRepresentation().toString();
    context()->deleteObject(gone);
    Error error;
    ASSERT_TRUE(context()->save(&error));
    const QString collectionURI = controller->libraryCollection()->objectID().URIRepresentation().toString();

    const QList<std::pair<const char*, QString>> cases = {
        { "deleted recipe", metadataFile(QStringLiteral("gone.recipemetadata"), goneURI) },
        { "not a recipe", metadataFile(QStringLiteral("library.recipemetadata"), collectionURI) },
        { "foreign store",
            metadataFile(QStringLiteral("foreign.recipemetadata"),
                QStringLiteral("x-coredata://0000-1111/Recipe/p1")) },
        { "malformed address",
            metadataFile(QStringLiteral("bad.recipemetadata"), QStringLiteral("::: not a uri")) },
        { "broken property list",
            writeFile(QStringLiteral("broken.recipemetadata"), "<?xml version=\"1.0\"?><plist><dict><key>") },
        { "empty dictionary",
            writeFile(QStringLiteral("empty.recipemetadata"),
                PropertyList::dataWithPropertyList(QVariantMap(), PropertyList::Format::Xml)) },
        { "missing file", root.filePath(QStringLiteral("nowhere.recipemetadata")) },
    };
    const qint64 before = recipeCount();
    for (const auto& [label, path] : cases) {
        SCOPED_TRACE(label);
        presenter.alerts.clear();
        controller->openFiles({ path });
        clock.advance(0);
        ASSERT_EQ(presenter.alerts.size(), 1);
        EXPECT_EQ(presenter.alerts.first().message,
            QStringLiteral("Unable to find original recipe, it may have been deleted."));
        EXPECT_EQ(presenter.alerts.first().buttons, QStringList({ QStringLiteral("OK") }));
    }
    EXPECT_TRUE(window.shown.isEmpty());
    EXPECT_EQ(recipeCount(), before);
    EXPECT_FALSE(context()->hasChanges());
    EXPECT_EQ(contentChanges, int(cases.size()));
}

TEST_F(OpenFilesTest, UnreadableOrBrokenCardFilesAreReportedAndAddNothing)
{
    ManagedObject* kept = savedRecipe(QStringLiteral("Kept"));
    const qint64 before = recipeCount();
    const QList<std::pair<const char*, QString>> cases = {
        { "missing file", root.filePath(QStringLiteral("nowhere.vrc")) },
        { "a folder", root.path() + QStringLiteral("/folder.vrc") },
        { "card cut short",
            writeFile(QStringLiteral("short.vrc"),
                "BEGIN:VRECIPECARD\nVERSION:1.0\nNAME:Half\nING:1:1;cup;;flour;1 cup flour\n") },
        { "no card at all", writeFile(QStringLiteral("text.vrc"), "just some words\n") },
    };
    QDir(root.path()).mkdir(QStringLiteral("folder.vrc"));
    for (const auto& [label, path] : cases) {
        SCOPED_TRACE(label);
        presenter.errors.clear();
        controller->openFiles({ path });
        ASSERT_EQ(presenter.errors.size(), 1);
        EXPECT_TRUE(presenter.errors.first().localizedDescription.contains(QFileInfo(path).fileName()));
    }
    EXPECT_EQ(recipeCount(), before);
    EXPECT_FALSE(kept->isDeleted());
    EXPECT_EQ(namesIn(controller->importedCollection()), QStringList());
}

TEST_F(OpenFilesTest, DatabasePackageWithoutImporterTellsTheUser)
{
    controller->openFiles(
        { root.filePath(QStringLiteral("Old.MGDATABASE")), root.filePath(QStringLiteral("notes.txt")) });

    ASSERT_EQ(presenter.alerts.size(), 1);
    EXPECT_TRUE(presenter.alerts.first().message.contains(QStringLiteral("not available")));
    EXPECT_EQ(contentChanges, 1);
}

class RecordingDatabaseImport : public DatabaseImportService
{
public:
    bool isAvailable() const override { return true; }
    void importMGDatabaseAtPath(const QString& path) override { paths.append(path); }
    QStringList paths;
};

TEST_F(OpenFilesTest, DatabasePackageGoesToTheImporter)
{
    RecordingDatabaseImport importer;
    controller.reset();
    KitchoraController::Neighbours neighbours;
    neighbours.databaseImport = &importer;
    controller
        = std::make_unique<KitchoraController>(presenter, neighbours, KitchoraController::Environment());
    const QString package = root.filePath(QStringLiteral("Recipes.mgdatabase"));

    controller->openFiles({ package });

    EXPECT_EQ(importer.paths, QStringList({ package }));
    EXPECT_TRUE(presenter.alerts.isEmpty());
}

} // namespace

namespace
{

class RecordingWebRecipeService : public WebRecipeService
{
public:
    QVariantMap plistFromRecipeMO(const ManagedObject* recipe) override
    {
        return { { QStringLiteral("name"), recipe->valueForKey(QStringLiteral("name")) } };
    }
    void uploadRecipePlist(const QVariantMap& plist, bool searchFlag) override
    {
        recipes.append({ plist, searchFlag });
    }
    void uploadImageData(const QByteArray& data, int imageType, const QVariant& recipeID) override
    {
        images.append({ data, imageType, recipeID });
    }
    struct Image {
        QByteArray data;
        int type;
        QVariant recipeID;
    };
    QList<std::pair<QVariantMap, bool>> recipes;
    QList<Image> images;
};

class ExportTest : public ControllerFixture
{
public:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        controller.reset();
        KitchoraController::Neighbours neighbours;
        neighbours.recipeController = &recipe;
        neighbours.webRecipeService = &web;
        neighbours.beginFirstSubmitUsernameSheet = [this](ManagedObject* r) { usernameSheets.append(r); };
        controller
            = std::make_unique<KitchoraController>(presenter, neighbours, KitchoraController::Environment());
        controller->setMainWindowAccess(&window);
        controller->awakeFromNib();
        controller->applicationWillFinishLaunching();
        controller->applicationDidFinishLaunching();
        clock.advance(0);
        soup = makeRecipe(QStringLiteral("Soup"));
        stew = makeRecipe(QStringLiteral("Stew"));
    }

    ManagedObject* makeRecipe(const QString& name)
    {
        ManagedObject* r
            = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), context());
        r->setValueForKey(name, QStringLiteral("name"));
        r->mutableSetValueForKey(QStringLiteral("collections")).addObject(controller->libraryCollection());
        return r;
    }

    static QByteArray utf16WithBom(const QString& text)
    {
        return QByteArray("\xFF\xFE", 2)
            + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    }

    QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    RecordingWebRecipeService web;
    QList<ManagedObject*> usernameSheets;
    ManagedObject* soup = nullptr;
    ManagedObject* stew = nullptr;
};

TEST_F(ExportTest, SelectExportTypeBySender)
{
    using Kind = Presenter::ExportTypeSender::Kind;
    struct Case {
        const char* label;
        Kind kind;
        int tag;
        qint64 storedBefore;
        qint64 storedAfter;
        QString required; // empty: none set
    };
    const QList<Case> cases = {
        { "pop-up", Kind::PopUp, 3, 1, 3, QStringLiteral("rtf") },
        { "menu item", Kind::MenuItem, 2, 1, 2, QStringLiteral("pdf") },
        { "save panel reads the default", Kind::SavePanel, 3, 4, 4, QStringLiteral("txt") },
        { "other sender keeps the format", Kind::Other, 3, 1, 1, QStringLiteral("vrc") },
        { "tag outside the formats", Kind::PopUp, 9, 1, 9, QString() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        defaults.defaults().setInteger(c.storedBefore, exportFormat);
        QString required;
        Presenter::ExportTypeSender sender { c.kind, c.tag, [&](const QString& e) { required = e; } };
        controller->selectExportType(&sender);
        EXPECT_EQ(defaults.defaults().integerForKey(exportFormat), c.storedAfter);
        EXPECT_EQ(required, c.required);
    }

    defaults.defaults().setInteger(3, exportFormat);
    Log::Capture log;
    controller->selectExportType(nullptr);
    EXPECT_EQ(defaults.defaults().integerForKey(exportFormat), 3);
    EXPECT_TRUE(log.contains(QStringLiteral("selectExportType: nil sender not accepted.")));
}

TEST_F(ExportTest, CardTextAndPlainTextAreUtf16WithByteOrderMark)
{
    recipe.current = soup;
    const QString card = VRCManagedObjectWriter().stringFromRecipeManagedObject(soup);
    EXPECT_EQ(controller->exportData(KitchoraController::VRCExportFormat), utf16WithBom(card));
    const QString page = dynamic_cast<RecipeMO*>(soup)->attributedString().string();
    ASSERT_TRUE(page.contains(QStringLiteral("Soup")));
    EXPECT_EQ(controller->exportData(KitchoraController::TXTExportFormat), utf16WithBom(page));
    EXPECT_TRUE(controller->exportData(9).isEmpty());
}

TEST_F(ExportTest, SelectedRecipesWithoutCurrentOneAreJoinedByOneNewline)
{
    window.selected = { soup, stew };
    VRCManagedObjectWriter writer;
    EXPECT_EQ(controller->exportData(KitchoraController::VRCExportFormat),
        utf16WithBom(
            writer.stringFromRecipeManagedObject(soup) + u'\n' + writer.stringFromRecipeManagedObject(stew)));

    MutableAttributedString joined(dynamic_cast<RecipeMO*>(soup)->attributedString());
    joined.appendAttributedString(AttributedString(QStringLiteral("\n")));
    joined.appendAttributedString(dynamic_cast<RecipeMO*>(stew)->attributedString());
    const QByteArray rtf = controller->exportData(KitchoraController::RTFExportFormat);
    EXPECT_EQ(rtf, RTFWriter::RTFFromAttributedString(joined));
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
}

TEST_F(ExportTest, ExportWritesTheChosenFormatAsAPlainDocument)
{
    recipe.current = soup;
    const QString path = root.filePath(QStringLiteral("Soup.vrc"));
    presenter.exportAnswer = path;
    presenter.popUpTag = KitchoraController::VRCExportFormat;

    controller->exportAction();

    ASSERT_EQ(presenter.exportPanels.size(), 1);
    EXPECT_EQ(presenter.exportPanels.first().suggestedName, QStringLiteral("Soup"));
    EXPECT_EQ(presenter.exportPanels.first().title, QStringLiteral("Export"));
    EXPECT_EQ(readFile(path), controller->exportData(KitchoraController::VRCExportFormat));
    EXPECT_EQ(QFile::permissions(path) & 0x7077, // owner, group, others
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    EXPECT_TRUE(presenter.errors.isEmpty());
}

TEST_F(ExportTest, BeforeAnyFormatWasChosenTheShownFirstOneIsExported)
{
    recipe.current = soup;
    const QString path = root.filePath(QStringLiteral("Soup.vrc"));
    presenter.exportAnswer = path;

    controller->exportAction();

    EXPECT_EQ(presenter.exportPanels.first().selectedFormat, int(KitchoraController::VRCExportFormat));
    EXPECT_EQ(presenter.requiredFileTypes, QStringList({ QStringLiteral("vrc") }));
    EXPECT_EQ(readFile(path), controller->exportData(KitchoraController::VRCExportFormat));
}

TEST_F(ExportTest, NothingSelectedSuggestsExportedRecipesAndCancelWritesNothing)
{
    presenter.exportAnswer.clear();
    controller->exportAction();
    ASSERT_EQ(presenter.exportPanels.size(), 1);
    EXPECT_EQ(presenter.exportPanels.first().suggestedName, QStringLiteral("Exported Recipes"));
    EXPECT_TRUE(QDir(root.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(ExportTest, PdfIsAPdfDocument)
{
    recipe.current = soup;
    const QString path = root.filePath(QStringLiteral("Soup.pdf"));
    presenter.exportAnswer = path;
    presenter.popUpTag = KitchoraController::PDFExportFormat;

    controller->exportAction();

    const QByteArray pdf = readFile(path);
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_TRUE(pdf.contains("/Type /Page") || pdf.contains("/Type/Page"));
    EXPECT_EQ(presenter.requiredFileTypes.last(), QStringLiteral("pdf"));
}

TEST_F(ExportTest, FailedExportIsShownAndLeavesWhatWasThere)
{
    recipe.current = soup;
    QDir(root.path()).mkdir(QStringLiteral("Soup.txt"));
    const QList<std::pair<const char*, QString>> paths = {
        { "folder that does not exist", root.filePath(QStringLiteral("missing/Soup.txt")) },
        { "a folder of that name", root.filePath(QStringLiteral("Soup.txt")) },
    };
    for (const auto& [label, path] : paths) {
        for (int format :
            { int(KitchoraController::TXTExportFormat), int(KitchoraController::PDFExportFormat) }) {
            SCOPED_TRACE(std::string(label) + " " + std::to_string(format));
            presenter.errors.clear();
            presenter.exportAnswer = path;
            presenter.popUpTag = format;
            Log::Capture log;
            controller->exportAction();
            EXPECT_EQ(presenter.errors.size(), 1);
            EXPECT_TRUE(log.contains(QStringLiteral("unable to export")));
        }
    }
    EXPECT_TRUE(QFileInfo(root.filePath(QStringLiteral("Soup.txt"))).isDir());
    EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("missing"))));
}

TEST_F(ExportTest, SharingWithThePlaceholderNameAsksForANameAndUploadsNothing)
{
    soup->setValueForKey(true, QStringLiteral("share"));
    recipe.current = soup;
    controller->addToOnline();
    EXPECT_EQ(usernameSheets, QList<ManagedObject*>({ soup }));
    EXPECT_TRUE(web.recipes.isEmpty());

    defaults.defaults().setObject(QStringLiteral("cook"), KROnlineUsername);
    controller->addToOnline();
    ASSERT_EQ(web.recipes.size(), 1);
    EXPECT_EQ(web.recipes.first().first.value(QStringLiteral("name")), QStringLiteral("Soup"));
    EXPECT_TRUE(web.recipes.first().second);

    // A recipe not marked for sharing, handed in by a menu item, stays home.
    stew->setValueForKey(false, QStringLiteral("share"));
    controller->addToOnline(stew);
    EXPECT_EQ(web.recipes.size(), 1);
}

TEST_F(ExportTest, PictureGoesUpOnlyForARecipeTheServiceKnows)
{
    recipe.current = soup;
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    RecipeControllerService::setImageOfRecipe(soup, image);
    ASSERT_TRUE(soup->valueForKey(QStringLiteral("hasImage")).toBool());

    controller->addImageToOnline(); // online ID 0: never uploaded
    EXPECT_TRUE(web.images.isEmpty());

    soup->setValueForKey(qint64(42), QStringLiteral("onlineID"));
    controller->addImageToOnline();
    ASSERT_EQ(web.images.size(), 1);
    EXPECT_EQ(web.images.first().type, 2);
    EXPECT_EQ(web.images.first().recipeID.toLongLong(), 42);
    EXPECT_FALSE(web.images.first().data.isEmpty());
}

TEST_F(ExportTest, ChosenPictureBecomesTheRecipesAndANonPictureChangesNothing)
{
    recipe.current = soup;
    const QString picture = root.filePath(QStringLiteral("dish.png"));
    QImage image(16, 12, QImage::Format_RGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(picture));
    presenter.openAnswers.enqueue({ picture });
    controller->openImage();
    EXPECT_TRUE(soup->valueForKey(QStringLiteral("hasImage")).toBool());
    EXPECT_EQ(presenter.openPanels.last().title, QStringLiteral("Choose Image"));
    EXPECT_TRUE(presenter.openPanels.last().fileTypes.contains(QStringLiteral("png")));

    const QByteArray before = soup->valueForKeyPath(QStringLiteral("image.data")).toByteArray();
    const QString notPicture = root.filePath(QStringLiteral("notes.png"));
    QFile text(notPicture);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();
    presenter.openAnswers.enqueue({ notPicture });
    controller->openImage();
    EXPECT_EQ(presenter.errors.size(), 1);
    EXPECT_EQ(soup->valueForKeyPath(QStringLiteral("image.data")).toByteArray(), before);

    controller->openImage(); // cancelled
    EXPECT_EQ(soup->valueForKeyPath(QStringLiteral("image.data")).toByteArray(), before);
}

TEST_F(ExportTest, OpenActionOpensTheChosenCardsThenSaves)
{
    const QString path = root.filePath(QStringLiteral("pie.vrc"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BEGIN:VRECIPECARD\nVERSION:1.0\nNAME:Pie\nEND:VRECIPECARD\n");
    file.close();
    presenter.openAnswers.enqueue({ path });

    controller->openAction();

    ASSERT_EQ(presenter.openPanels.size(), 1);
    EXPECT_EQ(presenter.openPanels.first().title, QStringLiteral("Choose Files"));
    EXPECT_TRUE(presenter.openPanels.first().multipleSelection);
    EXPECT_FALSE(context()->hasChanges());
    const QList<ManagedObject*> recent
        = controller->importedCollection()->mutableSetValueForKey(QStringLiteral("recipes")).allObjects();
    ASSERT_EQ(recent.size(), 1);
    EXPECT_EQ(recent.first()->valueForKey(QStringLiteral("name")), QStringLiteral("Pie"));
}

} // namespace

namespace
{

using AddIngredientTest = OpenFilesTest;

TEST_F(AddIngredientTest, AddFindsOrMakesTheNamedIngredientAndCancelChangesNothing)
{
    const auto ingredientsNamed = [this](const QString& name) {
        FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("Ingredient"));
        request.setPredicate(*Predicate::predicateWithFormat(QStringLiteral("name == \"%1\"").arg(name)));
        return context()->countForFetchRequest(request);
    };
    presenter.ingredientAnswers.enqueue(QStringLiteral("quokkaberry jam"));
    presenter.ingredientAnswers.enqueue(QStringLiteral("quokkaberry jam"));
    controller->addIngredient();
    EXPECT_EQ(ingredientsNamed(QStringLiteral("quokkaberry jam")), 1);
    controller->addIngredient(); // the same name again: still one
    EXPECT_EQ(ingredientsNamed(QStringLiteral("quokkaberry jam")), 1);
    ASSERT_TRUE(presenter.lastCompletion);
    EXPECT_EQ(presenter.lastCompletion(QStringLiteral("quokkaberry j")), QStringLiteral("quokkaberry jam"));

    const qint64 before = context()->countForFetchRequest(
        FetchRequest::fetchRequestWithEntityName(QStringLiteral("Ingredient")));
    controller->addIngredient();
    EXPECT_EQ(context()->countForFetchRequest(
                  FetchRequest::fetchRequestWithEntityName(QStringLiteral("Ingredient"))),
        before);
    EXPECT_EQ(presenter.ingredientSheets, 3);
}

} // namespace
