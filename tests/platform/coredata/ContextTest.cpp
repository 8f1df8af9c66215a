#include "CoreDataErrors.h"
#include "NotificationCenter.h"
#include "StoreFixture.h"
#include "UndoManager.h"

#include <QFile>
#include <QMutex>
#include <QTemporaryDir>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{

ManagedObject* objectOf(const QVariant& value)
{
    return value.value<ManagedObject*>();
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The undo manager must outlive the context's use of it.
struct DetachUndo {
    std::unique_ptr<ManagedObjectContext>& context;
    ~DetachUndo()
    {
        if (context)
            context->setUndoManager(nullptr);
    }
};

} // namespace

using ContextTest = StoreFixture;

TEST_F(ContextTest, UndoAndRedoRestoreTheGraph)
{
    UndoManager undo;
    context->setUndoManager(&undo);
    DetachUndo detach { context };
    ManagedObject* r = recipe(QStringLiteral("first"));
    ManagedObject* line = insert(QStringLiteral("Line"));
    line->setValueForKey(QVariant::fromValue(r), QStringLiteral("recipe"));
    undo.endUndoGrouping();
    ASSERT_TRUE(save());

    undo.beginUndoGrouping();
    r->setValueForKey(QStringLiteral("second"), QStringLiteral("name"));
    line->setValueForKey(QVariant(), QStringLiteral("recipe"));
    undo.endUndoGrouping();
    undo.undo();
    EXPECT_EQ(r->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("first"));
    EXPECT_EQ(objectOf(line->valueForKey(QStringLiteral("recipe"))), r);
    EXPECT_EQ(r->objectsForKey(QStringLiteral("ingredients")), QList<ManagedObject*> { line });
    undo.redo();
    EXPECT_EQ(r->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("second"));
    EXPECT_TRUE(r->objectsForKey(QStringLiteral("ingredients")).isEmpty());
    undo.undo();

    // Delete with its cascade, undone as one step.
    undo.beginUndoGrouping();
    context->deleteObject(r);
    context->processPendingChanges();
    undo.endUndoGrouping();
    EXPECT_TRUE(line->isDeleted());
    undo.undo();
    EXPECT_FALSE(r->isDeleted());
    EXPECT_FALSE(line->isDeleted());
    EXPECT_EQ(objectOf(line->valueForKey(QStringLiteral("recipe"))), r);

    // Undoing the first insert after it was saved deletes it again.
    undo.undo();
    undo.undo();
    EXPECT_TRUE(r->isDeleted() || r->managedObjectContext() == nullptr
        || !fetch(QStringLiteral("Recipe")).contains(r));
    EXPECT_TRUE(fetch(QStringLiteral("Recipe")).isEmpty());
    ASSERT_TRUE(save());
    openStack();
    EXPECT_TRUE(fetch(QStringLiteral("Recipe")).isEmpty());
}

TEST_F(ContextTest, DisabledRegistrationRecordsNothing)
{
    UndoManager undo;
    context->setUndoManager(&undo);
    DetachUndo detach { context };
    ManagedObject* r = recipe(QStringLiteral("a"));
    undo.endUndoGrouping();
    undo.disableUndoRegistration();
    r->setValueForKey(QStringLiteral("bookkeeping"), QStringLiteral("name"));
    undo.enableUndoRegistration();
    undo.beginUndoGrouping();
    r->setValueForKey(5, QStringLiteral("rating"));
    undo.endUndoGrouping();
    undo.undo();
    EXPECT_EQ(r->valueForKey(QStringLiteral("rating")).toLongLong(), 0);
    EXPECT_EQ(r->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("bookkeeping"));
}

TEST_F(ContextTest, NotificationsNameTheChangedObjects)
{
    ManagedObject* kept = recipe(QStringLiteral("kept"));
    ManagedObject* doomed = recipe(QStringLiteral("doomed"));
    ASSERT_TRUE(save());
    QList<QVariantMap> changes, saves;
    ScopedObserver a(NotificationCenter::defaultCenter(),
        NotificationCenter::defaultCenter().addObserver(ManagedObjectContext::ObjectsDidChangeNotification,
            context.get(), [&changes](const Notification& n) { changes.append(n.userInfo); }));
    ScopedObserver b(NotificationCenter::defaultCenter(),
        NotificationCenter::defaultCenter().addObserver(ManagedObjectContext::DidSaveNotification,
            context.get(), [&saves](const Notification& n) { saves.append(n.userInfo); }));
    ManagedObject* added = recipe(QStringLiteral("added"));
    kept->setValueForKey(QStringLiteral("kept2"), QStringLiteral("name"));
    context->deleteObject(doomed);
    context->processPendingChanges();
    ASSERT_EQ(changes.size(), 1);
    auto members = [](const QVariantMap& info, const QString& key) {
        QList<ManagedObject*> list;
        for (const QVariant& v : info.value(key).toList())
            list.append(v.value<ManagedObject*>());
        return list;
    };
    EXPECT_EQ(
        members(changes.first(), ManagedObjectContext::InsertedObjectsKey), QList<ManagedObject*> { added });
    EXPECT_EQ(
        members(changes.first(), ManagedObjectContext::UpdatedObjectsKey), QList<ManagedObject*> { kept });
    EXPECT_EQ(
        members(changes.first(), ManagedObjectContext::DeletedObjectsKey), QList<ManagedObject*> { doomed });
    context->processPendingChanges();
    EXPECT_EQ(changes.size(), 1); // nothing new, nothing posted
    ASSERT_TRUE(save());
    ASSERT_EQ(saves.size(), 1);
    EXPECT_EQ(
        members(saves.first(), ManagedObjectContext::InsertedObjectsKey), QList<ManagedObject*> { added });
    EXPECT_EQ(saves.first().value(ManagedObjectContext::DeletedObjectIDsKey).toList().size(), 1);
}

TEST_F(ContextTest, ContextsMergeSavedChangesAndKeepTheirOwn)
{
    ManagedObject* r = recipe(QStringLiteral("shared"));
    r->setValueForKey(1, QStringLiteral("rating"));
    ManagedObject* gone = recipe(QStringLiteral("gone"));
    ASSERT_TRUE(save());

    auto background = newContext();
    ManagedObject* mine = background->existingObjectWithID(r->objectID());
    ManagedObject* goneThere = background->existingObjectWithID(gone->objectID());
    ASSERT_TRUE(mine && goneThere);
    mine->setValueForKey(QStringLiteral("renamed there"), QStringLiteral("name"));

    r->setValueForKey(5, QStringLiteral("rating"));
    ManagedObject* line = insert(QStringLiteral("Line"));
    line->setValueForKey(QVariant::fromValue(r), QStringLiteral("recipe"));
    context->deleteObject(gone);
    Notification saved;
    {
        ScopedObserver o(NotificationCenter::defaultCenter(),
            NotificationCenter::defaultCenter().addObserver(ManagedObjectContext::DidSaveNotification,
                context.get(), [&saved](const Notification& n) { saved = n; }));
        ASSERT_TRUE(save());
    }
    background->mergeChangesFromContextDidSaveNotification(saved);
    EXPECT_EQ(mine->valueForKey(QStringLiteral("rating")).toLongLong(), 5);
    EXPECT_EQ(mine->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("renamed there"));
    EXPECT_EQ(mine->objectsForKey(QStringLiteral("ingredients")).size(), 1);
    EXPECT_EQ(background->objectRegisteredForID(goneThere->objectID()), nullptr);
    EXPECT_EQ(names(fetch(QStringLiteral("Recipe"), {}, {}, background.get())),
        QStringList { QStringLiteral("renamed there") });
    ASSERT_TRUE(save(background.get()));

    openStack();
    ManagedObject* stored = fetch(QStringLiteral("Recipe")).value(0);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("renamed there"));
    EXPECT_EQ(stored->valueForKey(QStringLiteral("rating")).toLongLong(), 5);
}

TEST_F(ContextTest, StoreTrumpTakesTheStoredValueOfAPropertyChangedOnBothSides)
{
    ManagedObject* r = recipe(QStringLiteral("original"));
    ASSERT_TRUE(save());
    auto other = newContext();
    other->setMergePolicy(ManagedObjectContext::MergePolicy::PropertyStoreTrump);
    ManagedObject* mine = other->existingObjectWithID(r->objectID());
    mine->setValueForKey(QStringLiteral("mine"), QStringLiteral("name"));
    mine->setValueForKey(2, QStringLiteral("rating"));
    r->setValueForKey(QStringLiteral("theirs"), QStringLiteral("name"));
    Notification saved;
    {
        ScopedObserver o(NotificationCenter::defaultCenter(),
            NotificationCenter::defaultCenter().addObserver(ManagedObjectContext::DidSaveNotification,
                context.get(), [&saved](const Notification& n) { saved = n; }));
        ASSERT_TRUE(save());
    }
    other->mergeChangesFromContextDidSaveNotification(saved);
    EXPECT_EQ(mine->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("theirs"));
    EXPECT_EQ(mine->valueForKey(QStringLiteral("rating")).toLongLong(), 2); // not changed in the store: stays
}

TEST_F(ContextTest, ABackgroundContextSavesAndTheMainContextMerges)
{
    ManagedObject* r = recipe(QStringLiteral("main"));
    ASSERT_TRUE(save());
    const ManagedObjectID id = r->objectID();
    QMutex mutex;
    QList<Notification> saves;
    ScopedObserver o(NotificationCenter::defaultCenter(),
        NotificationCenter::defaultCenter().addObserver(
            ManagedObjectContext::DidSaveNotification, nullptr, [&](const Notification& n) {
                QMutexLocker lock(&mutex);
                saves.append(n);
            }));
    bool saved = false;
    std::thread worker([&] {
        ManagedObjectContext background;
        background.setPersistentStoreCoordinator(coordinator.get());
        ManagedObject* mine = background.existingObjectWithID(id);
        if (!mine)
            return;
        mine->setValueForKey(3, QStringLiteral("rating"));
        for (int i = 0; i < 50; ++i)
            recipe(QStringLiteral("from the worker %1").arg(i), &background);
        saved = background.save();
    });
    worker.join();
    ASSERT_TRUE(saved);
    ASSERT_EQ(saves.size(), 1);
    context->mergeChangesFromContextDidSaveNotification(saves.first());
    EXPECT_EQ(r->valueForKey(QStringLiteral("rating")).toLongLong(), 3);
    EXPECT_EQ(
        context->countForFetchRequest(FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe"))),
        51);
}

TEST_F(ContextTest, SavingAnObjectDeletedElsewhereFails)
{
    ManagedObject* r = recipe(QStringLiteral("r"));
    ASSERT_TRUE(save());
    auto other = newContext();
    other->deleteObject(other->existingObjectWithID(r->objectID()));
    ASSERT_TRUE(save(other.get()));
    r->setValueForKey(QStringLiteral("changed"), QStringLiteral("name"));
    ManagedObject* extra = recipe(QStringLiteral("extra"));
    Error error;
    EXPECT_FALSE(context->save(&error));
    EXPECT_EQ(error.code, CoreDataErrors::PersistentStoreSaveError);
    EXPECT_TRUE(extra->isInserted()); // the whole save was refused
    EXPECT_TRUE(fetch(QStringLiteral("Recipe"), {}, {}, other.get()).isEmpty());
}

TEST_F(ContextTest, RemovingTheStoreInvalidatesItsObjects)
{
    ManagedObject* r = recipe(QStringLiteral("r"));
    ASSERT_TRUE(save());
    const QUrl uri = r->objectID().URIRepresentation();
    QList<ManagedObject*> invalidated;
    ScopedObserver o(NotificationCenter::defaultCenter(),
        NotificationCenter::defaultCenter().addObserver(
            ManagedObjectContext::ObjectsDidChangeNotification, context.get(), [&](const Notification& n) {
                for (const QVariant& v :
                    n.userInfo.value(ManagedObjectContext::InvalidatedObjectsKey).toList())
                    invalidated.append(v.value<ManagedObject*>());
            }));
    Error error;
    ASSERT_TRUE(coordinator->removePersistentStore(store, &error));
    EXPECT_EQ(invalidated, QList<ManagedObject*> { r });
    EXPECT_EQ(r->managedObjectContext(), nullptr);
    EXPECT_FALSE(r->valueForKey(QStringLiteral("name")).isValid());
    EXPECT_TRUE(coordinator->managedObjectIDForURIRepresentation(uri).isNull());
    store = coordinator->addPersistentStoreWithType(
        PersistentStoreCoordinator::SQLiteStoreType, QString(), path, {}, &error);
    ASSERT_TRUE(store) << error.localizedDescription.toStdString();
    const QList<ManagedObject*> again = fetch(QStringLiteral("Recipe"));
    ASSERT_EQ(again.size(), 1);
    EXPECT_NE(again.first(), r);
    EXPECT_EQ(again.first()->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("r"));
}

TEST_F(ContextTest, MetadataIsReadableFromThePath)
{
    auto metadata = PersistentStoreCoordinator::metadataForPersistentStoreOfType(
        PersistentStoreCoordinator::SQLiteStoreType, path);
    ASSERT_TRUE(metadata);
    EXPECT_EQ(metadata->value(PersistentStore::StoreTypeKey).toString(), QStringLiteral("SQLite"));
    EXPECT_EQ(metadata->value(PersistentStore::StoreUUIDKey).toString(), store->identifier());
    EXPECT_EQ(metadata->value(PersistentStore::ModelVersionKey).toInt(), 2);
    EXPECT_EQ(metadata->value(PersistentStore::ModelVersionHashKey).toByteArray(), model->versionHash());
    Error error;
    EXPECT_FALSE(PersistentStoreCoordinator::metadataForPersistentStoreOfType(
        PersistentStoreCoordinator::SQLiteStoreType, dir.filePath(QStringLiteral("none")), &error));
    EXPECT_FALSE(error.isNull());
}

TEST_F(ContextTest, DamagedOrForeignFilesAreNeverOverwritten)
{
    QTemporaryDir folder;
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    QByteArray foreignDB;
    {
        const QString foreignPath = folder.filePath(QStringLiteral("made.sqlite"));
        SqlConnection db;
        ASSERT_TRUE(db.open(foreignPath, 0x00000002 | 0x00000004, nullptr)); // read-write, create
        ASSERT_TRUE(
            db.exec(QStringLiteral("CREATE TABLE notes (body TEXT); INSERT INTO notes VALUES ('keep me')")));
        db.close();
        foreignDB = fileBytes(foreignPath);
    }
    QByteArray truncated = fileBytes(path);
    {
        coordinator->removePersistentStore(store);
        store = nullptr;
        truncated = fileBytes(path);
        truncated.truncate(600);
        truncated.replace(100, 50, QByteArray(50, 'x'));
    }
    const Case cases[] = {
        { "text.recipedb", QByteArray("just some words, not a database\n").repeated(100) },
        { "foreign.recipedb", foreignDB },
        { "damaged.recipedb", truncated },
    };
    for (const Case& c : cases) {
        const QString target = folder.filePath(QString::fromUtf8(c.name));
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.bytes);
        file.close();
        PersistentStoreCoordinator other(model.get());
        Error error;
        EXPECT_FALSE(other.addPersistentStoreWithType(
            PersistentStoreCoordinator::SQLiteStoreType, QString(), target, {}, &error))
            << c.name;
        EXPECT_TRUE(error.localizedDescription.contains(QString::fromUtf8(c.name)))
            << error.localizedDescription.toStdString();
        EXPECT_EQ(error.userInfo.value(CoreDataErrors::filePathKey).toString(), target);
        EXPECT_EQ(fileBytes(target), c.bytes) << c.name;
    }
}

TEST_F(ContextTest, ACrashDuringSaveLosesAtMostThatSave)
{
    // A child saves batches and is killed while saving; every committed batch must survive whole.
    context.reset();
    coordinator.reset();
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeEnds[0]);
        PersistentStoreCoordinator c(model.get());
        c.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, QString(), path);
        ManagedObjectContext ctx;
        ctx.setPersistentStoreCoordinator(&c);
        for (int batch = 1;; ++batch) {
            for (int i = 0; i < 200; ++i) {
                ManagedObject* r
                    = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), &ctx);
                r->setValueForKey(batch, QStringLiteral("rating"));
                for (int j = 0; j < 3; ++j) {
                    ManagedObject* line
                        = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Line"), &ctx);
                    line->setValueForKey(QVariant::fromValue(r), QStringLiteral("recipe"));
                }
            }
            if (!ctx.save())
                _exit(3);
            const char committed = 1;
            if (write(pipeEnds[1], &committed, 1) != 1)
                _exit(4);
        }
    }
    close(pipeEnds[1]);
    // Block until three batches are committed, then kill the child while it works on more.
    int committed = 0;
    char byte;
    while (committed < 3 && read(pipeEnds[0], &byte, 1) == 1)
        ++committed;
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    while (read(pipeEnds[0], &byte, 1) == 1)
        ++committed; // batches reported before the kill landed
    close(pipeEnds[0]);
    ASSERT_GE(committed, 3);

    openStack();
    const QList<ManagedObject*> recipes = fetch(QStringLiteral("Recipe"));
    QHash<qint64, int> perBatch;
    for (ManagedObject* r : recipes) {
        ++perBatch[r->valueForKey(QStringLiteral("rating")).toLongLong()];
        EXPECT_EQ(r->objectsForKey(QStringLiteral("ingredients")).size(), 3);
    }
    EXPECT_GE(perBatch.size(), committed);
    EXPECT_LE(perBatch.size(), committed + 1);
    for (auto it = perBatch.begin(); it != perBatch.end(); ++it)
        EXPECT_EQ(it.value(), 200) << "batch " << it.key();
    EXPECT_EQ(fetch(QStringLiteral("Line")).size(), recipes.size() * 3);
}

#ifndef NDEBUG
TEST_F(ContextTest, UseFromAnotherThreadIsCaughtInDebugBuilds)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ManagedObject* r = recipe(QStringLiteral("r"));
    EXPECT_DEATH(
        {
            std::thread other([r] { r->setValueForKey(QStringLiteral("x"), QStringLiteral("name")); });
            other.join();
        },
        "thread other than its own");
}
#endif

// Many objects leaving the change lists and coming back (deletes and their undo, on new and on
// saved objects): each is listed once, in the order it last joined, and the save writes each once.
TEST_F(ContextTest, ChangeListsHoldEachObjectOnceThroughManyDeletesAndUndo)
{
    UndoManager undo;
    context->setUndoManager(&undo);
    DetachUndo detach { context };
    QList<ManagedObject*> saved, fresh;
    for (int i = 0; i < 150; ++i)
        saved.append(recipe(QStringLiteral("saved %1").arg(i)));
    undo.endUndoGrouping();
    ASSERT_TRUE(save());
    for (int i = 0; i < 300; ++i)
        fresh.append(recipe(QStringLiteral("new %1").arg(i)));
    undo.endUndoGrouping();

    undo.beginUndoGrouping();
    for (int i = 0; i < 300; i += 3)
        context->deleteObject(fresh[i]);
    for (ManagedObject* object : saved)
        context->deleteObject(object);
    context->processPendingChanges();
    undo.endUndoGrouping();
    EXPECT_EQ(context->insertedObjects().size(), 200);
    EXPECT_EQ(context->deletedObjects(), saved);

    undo.undo();
    EXPECT_TRUE(context->deletedObjects().isEmpty());
    const QList<ManagedObject*> inserted = context->insertedObjects();
    EXPECT_EQ(QSet<ManagedObject*>(inserted.begin(), inserted.end()).size(), inserted.size());
    ASSERT_EQ(inserted.size(), 300);
    // Those that stayed keep their places ahead of those that came back.
    QList<ManagedObject*> stayed;
    for (int i = 0; i < 300; ++i) {
        if (i % 3 != 0)
            stayed.append(fresh[i]);
    }
    EXPECT_EQ(inserted.mid(0, 200), stayed);

    // Deleted again and brought back once more before saving.
    undo.redo();
    undo.undo();
    EXPECT_EQ(context->insertedObjects().size(), 300);
    ASSERT_TRUE(save());
    EXPECT_FALSE(context->hasChanges());
    openStack();
    EXPECT_EQ(fetch(QStringLiteral("Recipe")).size(), 450);
}
