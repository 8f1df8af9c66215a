#include "ControllerFixture.h"
#include "CoreDataErrors.h"
#include "EntityDescription.h"
#include "Log.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace
{

class QuitTest : public ControllerFixture
{
public:
    // The library model with a Kitchen's name made mandatory, so that a nameless kitchen fails
    // validation with "missing mandatory property".
    QString modelWithMandatoryKitchenName()
    {
        QFile resource(QStringLiteral(":/Kitchora.model.json"));
        EXPECT_TRUE(resource.open(QIODevice::ReadOnly));
        QJsonObject root = QJsonDocument::fromJson(resource.readAll()).object();
        QJsonArray entities = root.value(QStringLiteral("entities")).toArray();
        for (qsizetype i = 0; i < entities.size(); ++i) {
            QJsonObject entity = entities.at(i).toObject();
            if (entity.value(QStringLiteral("name")).toString() != QStringLiteral("Kitchen"))
                continue;
            QJsonArray attributes = entity.value(QStringLiteral("attributes")).toArray();
            for (qsizetype j = 0; j < attributes.size(); ++j) {
                QJsonObject attribute = attributes.at(j).toObject();
                if (attribute.value(QStringLiteral("name")).toString() == QStringLiteral("name"))
                    attribute.insert(QStringLiteral("optional"), false);
                attributes[j] = attribute;
            }
            entity.insert(QStringLiteral("attributes"), attributes);
            entities[i] = entity;
        }
        root.insert(QStringLiteral("entities"), entities);
        const QString path = root_.filePath(QStringLiteral("model.json"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(root).toJson());
        return path;
    }

    ManagedObject* insertKitchen(const QString& name = QString())
    {
        ManagedObject* kitchen
            = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Kitchen"), context());
        if (!name.isNull())
            kitchen->setValueForKey(name, QStringLiteral("name"));
        return kitchen;
    }

    QTemporaryDir root_;
};

Error missingProperty(ManagedObject* object)
{
    Error error { CoreDataErrors::domain, CoreDataErrors::ValidationMissingMandatoryProperty,
        QStringLiteral("name of Kitchen is required."), {} };
    if (object)
        error.userInfo.insert(CoreDataErrors::validationObjectKey, QVariant::fromValue(object));
    return error;
}

TEST_F(QuitTest, SaveAndQuit)
{
    using Reply = KitchoraController::TerminateReply;
    struct Case {
        const char* name;
        std::function<void(QuitTest&)> arrange;
        // Injected save failure; none: the store's own save.
        std::function<bool(ManagedObjectContext&, Error*)> save;
        QList<int> answers; // alert answers: 0 quit anyway, 1 cancel
        QList<Reply> replies; // one per quit attempt
        int alerts;
        int errors;
    };
    const Case cases[] = {
        { "no changes", [](QuitTest&) {}, {}, {}, { Reply::Now }, 0, 0 },
        { "clean save", [](QuitTest& t) { t.insertKitchen(QStringLiteral("French")); }, {}, {},
            { Reply::Now }, 0, 0 },
        { "one missing property is repaired without asking", [](QuitTest& t) { t.insertKitchen(); }, {}, {},
            { Reply::Now }, 0, 0 },
        { "several validation errors: ask; after Cancel the next quit saves",
            [](QuitTest& t) {
                t.insertKitchen();
                t.insertKitchen();
                t.insertKitchen(QStringLiteral("Thai"));
            },
            {}, { 1 }, { Reply::Cancel, Reply::Now }, 1, 0 },
        { "missing property naming no object is reported, not retried forever",
            [](QuitTest& t) { t.insertKitchen(); },
            [](ManagedObjectContext&, Error* error) {
                *error = missingProperty(nullptr);
                return false;
            },
            { 0 }, { Reply::Now }, 1, 0 },
        { "missing property that keeps coming back stops after a bounded number of repairs",
            [](QuitTest& t) { t.insertKitchen(); },
            [](ManagedObjectContext& context, Error* error) {
                *error = missingProperty(
                    EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Kitchen"), &context));
                return false;
            },
            { 1 }, { Reply::Cancel }, 1, 0 },
        { "another error asks; Cancel stays", [](QuitTest& t) { t.insertKitchen(QStringLiteral("Thai")); },
            [](ManagedObjectContext&, Error* error) {
                *error = Error { CoreDataErrors::domain, CoreDataErrors::PersistentStoreSaveError,
                    QStringLiteral("disk full"), {} };
                return false;
            },
            { 1 }, { Reply::Cancel }, 1, 0 },
        { "an edit that cannot be committed is reported and the quit cancelled",
            [](QuitTest& t) {
                t.insertKitchen(QStringLiteral("Thai"));
                t.window.commits = false;
            },
            {}, {}, { Reply::Cancel }, 0, 1 },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        presenter = RecordingPresenter();
        window.commits = true;
        controller.reset();
        KitchoraController::Environment environment;
        environment.modelFile = modelWithMandatoryKitchenName();
        environment.saveMainContext = test.save;
        KitchoraController& c = makeController(environment);
        ASSERT_NE(c.managedObjectContext(), nullptr);
        test.arrange(*this);
        for (int answer : test.answers)
            presenter.alertAnswers.enqueue(answer);
        Log::Capture log;
        for (Reply expected : test.replies)
            EXPECT_EQ(c.applicationShouldTerminate(), expected);
        EXPECT_EQ(presenter.alerts.size(), test.alerts);
        EXPECT_EQ(presenter.errors.size(), test.errors);
        if (!test.save && test.errors == 0) {
            EXPECT_FALSE(context()->hasChanges());
        }
        // Start the next case from an empty store.
        controller.reset();
        for (const char* suffix : { "", "-wal", "-shm" })
            QFile::remove(KitchoraController::storePath() + QLatin1String(suffix));
    }
}

TEST_F(QuitTest, SeveralValidationErrorsDeleteOnlyTheIncompleteObjects)
{
    KitchoraController::Environment environment;
    environment.modelFile = modelWithMandatoryKitchenName();
    KitchoraController& c = makeController(environment);
    ManagedObject* nameless = insertKitchen();
    ManagedObject* alsoNameless = insertKitchen();
    ManagedObject* named = insertKitchen(QStringLiteral("Thai"));
    Error error;
    EXPECT_TRUE(c.saveContext(&error));
    EXPECT_EQ(error.code, CoreDataErrors::ValidationMultipleErrors);
    EXPECT_TRUE(nameless->isDeleted());
    EXPECT_TRUE(alsoNameless->isDeleted());
    EXPECT_FALSE(named->isDeleted());
}

TEST_F(QuitTest, WillTerminateWritesTheUsersFilesAndStopsTheUploader)
{
    KitchoraController& c = launch();
    window.expanded = { QStringLiteral("Library") };
    c.applicationWillTerminate();
    EXPECT_TRUE(c.uploaderShouldExit());
    EXPECT_EQ(window.collapsed, 1);
    EXPECT_TRUE(QFile::exists(QDir(c.applicationSupportFolder()).filePath(QStringLiteral("units.plist"))));
    EXPECT_EQ(defaults.defaults().arrayForKey(QStringLiteral("OutlineView Disclosure State Collections")),
        QVariantList({ QStringLiteral("Library") }));
}

TEST_F(QuitTest, UnconnectedRecipesAreRemoved)
{
    KitchoraController& c = launch();
    ManagedObject* loose
        = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), context());
    loose->setValueForKey(QStringLiteral("Loose"), QStringLiteral("name"));
    c.cleanupUnconnectedRecipes();
    EXPECT_TRUE(loose->isDeleted() || loose->managedObjectContext() == nullptr);
}

} // namespace
