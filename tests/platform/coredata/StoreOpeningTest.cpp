#include "CoreDataErrors.h"
#include "Log.h"
#include "StoreFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>
#include <csignal>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList companionsOf(const QString& path)
{
    QStringList present;
    for (const char* suffix : { "-wal", "-shm", "-journal" }) {
        if (QFileInfo::exists(path + QString::fromLatin1(suffix)))
            present.append(QString::fromLatin1(suffix));
    }
    return present;
}

bool execRaw(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK
        && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// A default VFS that ends the process on the main database file's write after the first `budget`,
// as a power cut or a kill would: what was written stays, nothing after it happens.
namespace KillingVfs
{

sqlite3_vfs* base = nullptr;
sqlite3_vfs vfs;
const sqlite3_io_methods* baseMethods = nullptr;
sqlite3_io_methods countingMethods;
int budget = 0;

int countedWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset)
{
    if (budget-- <= 0)
        _exit(0);
    return baseMethods->xWrite(file, data, amount, offset);
}

int open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
{
    const int rc = base->xOpen(base, name, file, flags, outFlags);
    if (rc == SQLITE_OK && (flags & SQLITE_OPEN_MAIN_DB) && file->pMethods) {
        baseMethods = file->pMethods;
        countingMethods = *baseMethods;
        countingMethods.xWrite = countedWrite;
        file->pMethods = &countingMethods;
    }
    return rc;
}

void install(int writes)
{
    base = sqlite3_vfs_find(nullptr);
    vfs = *base;
    vfs.zName = "killing";
    vfs.xOpen = open;
    budget = writes;
    sqlite3_vfs_register(&vfs, 1);
}

} // namespace KillingVfs

class StoreOpeningTest : public StoreFixture
{
protected:
    void TearDown() override { PersistentStore::setWritabilityCheckForTesting(nullptr); }

    // The fixture's store with two recipes, closed.
    void saveSampleAndClose()
    {
        recipe(QStringLiteral("Bread"));
        recipe(QStringLiteral("Soup"));
        ASSERT_TRUE(save());
        closeStack();
    }

    void closeStack()
    {
        context.reset();
        coordinator.reset();
        store = nullptr;
    }

    // Opens `at` with a fresh coordinator; the store, or nullptr with `error` set.
    PersistentStore* openAt(const QString& at, const QVariantMap& options = {}, Error* error = nullptr)
    {
        closeStack();
        coordinator = std::make_unique<PersistentStoreCoordinator>(model.get());
        store = coordinator->addPersistentStoreWithType(
            PersistentStoreCoordinator::SQLiteStoreType, QString(), at, options, error);
        if (store)
            context = newContext();
        return store;
    }

    // Runs `body` in a child process and returns its exit status.
    template <typename Body> int inChild(Body body)
    {
        closeStack();
        const pid_t child = fork();
        if (child == 0)
            body(); // ends the process
        int status = -1;
        waitpid(child, &status, 0);
        return status;
    }
};

TEST_F(StoreOpeningTest, CreationKilledAtAnyWriteReopensAsAWorkingStore)
{
    // A kill at every main-file write of the creation in turn, until one creation completes. The
    // first commit writes the schema's pages with a journal of the empty file; the switch to the
    // write-ahead log then rewrites the header with a journal of the whole file.
    QSet<quint32> hotJournalSizes;
    bool completed = false;
    for (int writes = 0; !completed && writes < 1000; ++writes) {
        SCOPED_TRACE(writes);
        const QString at = dir.filePath(QStringLiteral("Killed%1.recipedb").arg(writes));
        const int status = inChild([&] {
            KillingVfs::install(writes);
            PersistentStoreCoordinator c(model.get());
            const bool created
                = c.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, QString(), at);
            _exit(created ? 1 : 0);
        });
        ASSERT_TRUE(WIFEXITED(status));
        completed = WEXITSTATUS(status) == 1;
        const QByteArray journal = fileBytes(at + QStringLiteral("-journal"));
        if (journal.size() >= 20 && QFileInfo(at).size() > 0)
            hotJournalSizes.insert(qFromBigEndian<quint32>(journal.constData() + 16));

        Error error;
        ASSERT_TRUE(openAt(at, {}, &error)) << error.localizedDescription.toStdString();
        EXPECT_TRUE(fetch(QStringLiteral("Recipe")).isEmpty());
        recipe(QStringLiteral("Bread"));
        ASSERT_TRUE(save());
        ASSERT_TRUE(openAt(at, {}, &error)) << error.localizedDescription.toStdString();
        EXPECT_EQ(names(fetch(QStringLiteral("Recipe"))), QStringList { QStringLiteral("Bread") });
        closeStack();
    }
    EXPECT_TRUE(completed);
    // Both kinds of journal were left behind and recovered.
    EXPECT_TRUE(hotJournalSizes.contains(0));
    EXPECT_GE(hotJournalSizes.size(), 2);
}

TEST_F(StoreOpeningTest, UnwritableLibraryOpensReadOnly)
{
    saveSampleAndClose();
    const QString folder = QFileInfo(path).absolutePath();
    const QString canonical = QFileInfo(path).absoluteFilePath();
    struct Case {
        const char* name;
        QString unwritable; // what the writability check refuses
        QVariantMap options;
        QString reason;
    };
    const QList<Case> cases {
        { "folder", folder, {}, QStringLiteral("The folder “%1” cannot be written.").arg(folder) },
        { "file", canonical, {}, QStringLiteral("The file “Test.recipedb” is read-only.") },
        { "option", QString(), { { PersistentStoreCoordinator::ReadOnlyOption, true } }, QString() },
    };
    const QByteArray before = fileBytes(path);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString unwritable = c.unwritable;
        PersistentStore::setWritabilityCheckForTesting(
            [unwritable](const QString& at) { return QFileInfo(at).absoluteFilePath() != unwritable; });
        Log::Capture log;
        Error error;
        ASSERT_TRUE(openAt(path, c.options, &error)) << error.localizedDescription.toStdString();
        EXPECT_TRUE(store->isReadOnly());
        EXPECT_FALSE(store->readOnlyReason().isEmpty());
        if (!c.reason.isEmpty()) {
            EXPECT_EQ(store->readOnlyReason(), c.reason);
        }
        EXPECT_TRUE(log.contains(QStringLiteral("read-only"))) << log.lines().join(u'\n').toStdString();
        EXPECT_TRUE(log.contains(store->readOnlyReason()));
        EXPECT_EQ(names(fetch(QStringLiteral("Recipe"))),
            (QStringList { QStringLiteral("Bread"), QStringLiteral("Soup") }));
        EXPECT_EQ(fetch(QStringLiteral("Recipe"), QStringLiteral("name ==[c] 'soup'")).size(), 1);
        EXPECT_EQ(companionsOf(path), QStringList());

        recipe(QStringLiteral("Cake"));
        EXPECT_FALSE(context->save(&error));
        EXPECT_EQ(error.code, CoreDataErrors::PersistentStoreSaveError);
        EXPECT_TRUE(error.localizedDescription.contains(QStringLiteral("read-only")))
            << error.localizedDescription.toStdString();
        EXPECT_TRUE(error.localizedDescription.contains(store->readOnlyReason()));
        closeStack();
        EXPECT_EQ(fileBytes(path), before);
        EXPECT_EQ(companionsOf(path), QStringList());
    }
    PersistentStore::setWritabilityCheckForTesting(nullptr);
    ASSERT_TRUE(openAt(path));
    EXPECT_FALSE(store->isReadOnly());
    EXPECT_TRUE(store->readOnlyReason().isEmpty());
}

TEST_F(StoreOpeningTest, ReadOnlyStoreThatNeedsAnUpgradeIsRefused)
{
    saveSampleAndClose();
    ASSERT_TRUE(execRaw(path, "UPDATE meta SET value = 1 WHERE key = 'KitchoraModelVersion'"));
    const QByteArray before = fileBytes(path);
    Error error;
    EXPECT_FALSE(openAt(path, { { PersistentStoreCoordinator::ReadOnlyOption, true } }, &error));
    EXPECT_TRUE(error.localizedDescription.contains(QStringLiteral("read-only")))
        << error.localizedDescription.toStdString();
    EXPECT_TRUE(error.localizedDescription.contains(QStringLiteral("upgraded")));
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(companionsOf(path), QStringList());
}

TEST_F(StoreOpeningTest, LibraryWithoutWritePermissionOpensReadOnly)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "modes do not stop root from writing";
    saveSampleAndClose();
    const QByteArray before = fileBytes(path);
    struct Case {
        QString protectedPath;
        mode_t mode;
    };
    const Case cases[] = { { QFileInfo(path).absolutePath(), 0555 }, { path, 0444 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.protectedPath.toStdString());
        const QByteArray name = QFile::encodeName(c.protectedPath);
        struct stat original;
        ASSERT_EQ(stat(name.constData(), &original), 0);
        ASSERT_EQ(chmod(name.constData(), c.mode), 0);
        Error error;
        const bool opened = openAt(path, {}, &error);
        const bool readOnly = opened && store->isReadOnly();
        const QStringList found = opened ? names(fetch(QStringLiteral("Recipe"))) : QStringList();
        if (opened)
            recipe(QStringLiteral("Cake"));
        const bool saved = opened && context->save();
        closeStack();
        chmod(name.constData(), original.st_mode & 07777);
        ASSERT_TRUE(opened) << error.localizedDescription.toStdString();
        EXPECT_TRUE(readOnly);
        EXPECT_EQ(found, (QStringList { QStringLiteral("Bread"), QStringLiteral("Soup") }));
        EXPECT_FALSE(saved);
        EXPECT_EQ(fileBytes(path), before);
        EXPECT_EQ(companionsOf(path), QStringList());
    }
}

TEST_F(StoreOpeningTest, FileOfPartPagesIsRefusedUntouched)
{
    saveSampleAndClose();
    const QByteArray good = fileBytes(path);
    ASSERT_EQ(good.size() % 4096, 0);
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const QList<Case> cases {
        { "one byte short", good.left(good.size() - 1) },
        { "one byte over", good + QByteArray(1, '\0') },
        { "one page short", good.left(good.size() - 4096) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(path, c.bytes);
        Error error;
        EXPECT_FALSE(openAt(path, {}, &error));
        EXPECT_EQ(error.code, CoreDataErrors::PersistentStoreInvalidType);
        EXPECT_EQ(error.localizedDescription,
            QStringLiteral("The file “Test.recipedb” is not a library store or is damaged."));
        EXPECT_EQ(fileBytes(path), c.bytes);
        EXPECT_EQ(companionsOf(path), QStringList());
    }
}

TEST_F(StoreOpeningTest, ModelVersionThatIsNoIntegerIsRefusedUntouched)
{
    saveSampleAndClose();
    const QByteArray good = fileBytes(path);
    struct Case {
        const char* value;
        bool opens;
    };
    const Case cases[] = { { "'abc'", false }, { "'2x'", false }, { "''", false }, { "2.5", false },
        { "x'02'", false }, { "'2'", true }, { "2", true } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        writeBytes(path, good);
        const QByteArray sql
            = QByteArray("UPDATE meta SET value = ") + c.value + " WHERE key = 'KitchoraModelVersion'";
        ASSERT_TRUE(execRaw(path, sql.constData()));
        const QByteArray before = fileBytes(path);
        Error error;
        PersistentStore* opened = openAt(path, {}, &error);
        EXPECT_EQ(opened != nullptr, c.opens) << error.localizedDescription.toStdString();
        if (c.opens) {
            EXPECT_EQ(fetch(QStringLiteral("Recipe")).size(), 2);
            closeStack();
            continue;
        }
        EXPECT_EQ(error.code, CoreDataErrors::PersistentStoreInvalidType);
        EXPECT_EQ(fileBytes(path), before);
        EXPECT_EQ(companionsOf(path), QStringList());
    }
}

TEST_F(StoreOpeningTest, RefusedOpenAndMetadataReadLeaveNoFilesBehind)
{
    saveSampleAndClose();
    const QByteArray good = fileBytes(path);
    EXPECT_TRUE(PersistentStoreCoordinator::metadataForPersistentStoreOfType(
        PersistentStoreCoordinator::SQLiteStoreType, path));
    EXPECT_EQ(companionsOf(path), QStringList());

    struct Case {
        const char* name;
        const char* sql;
        QVariantMap options;
    };
    const QVariantMap noMigration { { PersistentStoreCoordinator::MigratePersistentStoresAutomaticallyOption,
        false } };
    const Case cases[] = {
        { "no metadata", "DROP TABLE meta", {} },
        { "newer model", "UPDATE meta SET value = 99 WHERE key = 'KitchoraModelVersion'", {} },
        { "upgrade not allowed", "UPDATE meta SET value = 1 WHERE key = 'KitchoraModelVersion'",
            noMigration },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(path, good);
        ASSERT_TRUE(execRaw(path, c.sql));
        ASSERT_EQ(companionsOf(path), QStringList());
        Error error;
        EXPECT_FALSE(openAt(path, c.options, &error));
        EXPECT_EQ(companionsOf(path), QStringList());
        PersistentStoreCoordinator::metadataForPersistentStoreOfType(
            PersistentStoreCoordinator::SQLiteStoreType, path);
        EXPECT_EQ(companionsOf(path), QStringList());
    }
}

TEST_F(StoreOpeningTest, StoreThatCannotBeCreatedLeavesNoFile)
{
    const QString at = dir.filePath(QStringLiteral("Full.recipedb"));
    const int status = inChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { 4096, 4096 };
        setrlimit(RLIMIT_FSIZE, &limit);
        PersistentStoreCoordinator c(model.get());
        Error error;
        const bool opened = c.addPersistentStoreWithType(
            PersistentStoreCoordinator::SQLiteStoreType, QString(), at, {}, &error);
        _exit(opened ? 1 : error.code == CoreDataErrors::PersistentStoreOpenError ? 0 : 2);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(QFileInfo::exists(at));
    EXPECT_EQ(companionsOf(at), QStringList());
}

} // namespace
