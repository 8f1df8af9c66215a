#include "PersistentStore.h"

#include "CoreDataErrors.h"
#include "Log.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "PersistentStorePrivate.h"
#include "StringFolding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QMutex>
#include <QMutexLocker>
#include <QVarLengthArray>
#include <cstring>
#include <sqlite3.h>

using namespace PersistentStorePrivate;

const QString PersistentStore::StoreTypeKey = QStringLiteral("NSStoreType");
const QString PersistentStore::StoreUUIDKey = QStringLiteral("NSStoreUUID");
const QString PersistentStore::ModelVersionKey = QStringLiteral("KitchoraModelVersion");
const QString PersistentStore::ModelVersionHashKey = QStringLiteral("KitchoraModelVersionHash");

namespace
{

struct Registry {
    QMutex mutex;
    quint32 next = 0;
    QHash<quint32, PersistentStore*> stores;
    QHash<quint32, QString> identifiers;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

QString textOf(sqlite3_value* value)
{
    const void* data = sqlite3_value_text16(value);
    return stringFromUtf16Bytes(data, sqlite3_value_bytes16(value));
}

// kfold(text, caseInsensitive, diacriticInsensitive): the evaluator's folding, in SQL.
void foldFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
        sqlite3_result_value(context, argv[0]);
        return;
    }
    // ASCII text folds to itself, lower-cased for case folding: no marks, nothing to compose.
    // Handled here without the heap, as most searched text is plain ASCII.
    {
        const void* data = sqlite3_value_text16(argv[0]);
        const int units = sqlite3_value_bytes16(argv[0]) / 2;
        QVarLengthArray<char16_t, 256> buffer(units);
        if (units > 0)
            memcpy(buffer.data(), data, size_t(units) * 2);
        const bool lower = sqlite3_value_int(argv[1]) != 0;
        bool ascii = true;
        for (char16_t& unit : buffer) {
            if (unit >= 0x80) {
                ascii = false;
                break;
            }
            if (lower && unit >= u'A' && unit <= u'Z')
                unit = char16_t(unit + (u'a' - u'A'));
        }
        if (ascii) {
            sqlite3_result_text16(context, buffer.constData(), units * 2, SQLITE_TRANSIENT);
            return;
        }
    }
    const QString folded = StringFolding::fold(
        textOf(argv[0]), sqlite3_value_int(argv[1]) != 0, sqlite3_value_int(argv[2]) != 0);
    sqlite3_result_text16(context, folded.utf16(), int(folded.size() * sizeof(QChar)), SQLITE_TRANSIENT);
}

// kcontains(text, needle, caseInsensitive, diacriticInsensitive): whether the folded text holds
// the needle, which the caller has folded the same way. Plain ASCII text is searched where it
// lies, lower-cased as it is read, so the common case makes no folded copy for every row.
void containsFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT || sqlite3_value_type(argv[1]) != SQLITE_TEXT) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = static_cast<const unsigned char*>(sqlite3_value_text16(argv[0]));
    const int textUnits = sqlite3_value_bytes16(argv[0]) / 2;
    const auto* needle = static_cast<const unsigned char*>(sqlite3_value_text16(argv[1]));
    const int needleUnits = sqlite3_value_bytes16(argv[1]) / 2;
    const bool lower = sqlite3_value_int(argv[2]) != 0;
    // SQLite's buffers may not be aligned for char16_t.
    auto unitAt = [](const unsigned char* units, int i) {
        char16_t unit;
        memcpy(&unit, units + 2 * i, 2);
        return unit;
    };
    bool ascii = true;
    for (int i = 0; ascii && i < textUnits; ++i)
        ascii = unitAt(text, i) < 0x80;
    for (int i = 0; ascii && i < needleUnits; ++i)
        ascii = unitAt(needle, i) < 0x80;
    if (!ascii) {
        const QString folded = StringFolding::fold(textOf(argv[0]), lower, sqlite3_value_int(argv[3]) != 0);
        sqlite3_result_int(context, folded.contains(textOf(argv[1])) ? 1 : 0);
        return;
    }
    auto folded = [&](int i) {
        const char16_t unit = unitAt(text, i);
        return lower && unit >= u'A' && unit <= u'Z' ? char16_t(unit + (u'a' - u'A')) : unit;
    };
    for (int start = 0; start + needleUnits <= textUnits; ++start) {
        int matched = 0;
        while (matched < needleUnits && folded(start + matched) == unitAt(needle, matched))
            ++matched;
        if (matched == needleUnits) {
            sqlite3_result_int(context, 1);
            return;
        }
    }
    sqlite3_result_int(context, 0);
}

// kends(text, suffix)
void endsFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT || sqlite3_value_type(argv[1]) != SQLITE_TEXT) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_int(context, textOf(argv[0]).endsWith(textOf(argv[1])) ? 1 : 0);
}

// Code point order, as the evaluator and sort descriptors compare strings.
int codePointCollation(void*, int length1, const void* data1, int length2, const void* data2)
{
    // Copied to aligned buffers (SQLite's may not be); no heap for ordinary lengths.
    QVarLengthArray<char16_t, 256> bufferA(length1 / 2), bufferB(length2 / 2);
    memcpy(bufferA.data(), data1, size_t(bufferA.size()) * 2);
    memcpy(bufferB.data(), data2, size_t(bufferB.size()) * 2);
    const QString a
        = QString::fromRawData(reinterpret_cast<const QChar*>(bufferA.constData()), bufferA.size());
    const QString b
        = QString::fromRawData(reinterpret_cast<const QChar*>(bufferB.constData()), bufferB.size());
    return StringFolding::compareCodePoints(a, b);
}

// SQLite errors that say the file could not be read now, not that its content is wrong.
bool isAccessError(int code)
{
    switch (code & 0xff) {
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_IOERR:
    case SQLITE_NOMEM:
    case SQLITE_PERM:
        return true;
    default:
        return false;
    }
}

// The model version the metadata records: 0 when it records none, nullopt when the value is not
// an integer (nor text that is one), which no version of the program writes.
std::optional<qint64> modelVersionOf(const QVariantMap& metadata)
{
    if (!metadata.contains(PersistentStore::ModelVersionKey))
        return 0;
    const QVariant value = metadata.value(PersistentStore::ModelVersionKey);
    if (value.typeId() == QMetaType::LongLong)
        return value.toLongLong();
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    const QString text = value.toString();
    const qsizetype digitsFrom = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    bool ok = text.size() > digitsFrom;
    for (qsizetype i = digitsFrom; ok && i < text.size(); ++i)
        ok = text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9');
    const qint64 version = ok ? text.toLongLong(&ok) : 0;
    return ok ? std::optional<qint64>(version) : std::nullopt;
}

// The meta table of a file whose header is ours; nullopt when SQLite disagrees or the table is
// unreadable, has no UUID or no integer model version. When SQLite could not read the file at all,
// `unreadable` says why.
std::optional<QVariantMap> readMetaTable(const ReadOnlyTarget& target, QString* unreadable)
{
    SqlConnection db;
    QString message;
    if (!db.open(target.name, target.flags, &message)) {
        *unreadable = message;
        return std::nullopt;
    }
    const auto failed = [&db, unreadable]() -> std::optional<QVariantMap> {
        if (isAccessError(sqlite3_errcode(db.handle())))
            *unreadable = db.lastError();
        return std::nullopt;
    };
    {
        SqlStatement appID = db.prepare(QStringLiteral("PRAGMA application_id"), &message);
        if (!appID || appID.step() != SQLITE_ROW)
            return failed();
        if (appID.int64(0) != applicationID)
            return std::nullopt;
    }
    SqlStatement meta = db.prepare(QStringLiteral("SELECT key, value FROM meta"), &message);
    if (!meta)
        return failed();
    QVariantMap result;
    int rc;
    while ((rc = meta.step()) == SQLITE_ROW) {
        const QString key = meta.text(0);
        if (!key.startsWith(QStringLiteral("maxpk.")))
            result.insert(key, meta.value(1));
    }
    if (rc != SQLITE_DONE)
        return failed();
    if (!result.contains(PersistentStore::StoreUUIDKey) || !modelVersionOf(result))
        return std::nullopt;
    return result;
}

// Tells our stores from other and damaged files by their header and meta table, writing nothing.
std::optional<QVariantMap> identifyStore(const QString& path, Error* error)
{
    const QString name = QFileInfo(path).fileName();
    FileHeader header;
    QString readError;
    if (!readFileHeader(path, &header, &readError)) {
        setError(error,
            storeError(CoreDataErrors::PersistentStoreOpenError, path,
                QStringLiteral("The file “%1” could not be read: %2").arg(name, readError)));
        return std::nullopt;
    }
    const Error notAStore = storeError(CoreDataErrors::PersistentStoreInvalidType, path,
        QStringLiteral("The file “%1” is not a library store or is damaged.").arg(name));
    if (!header.complete || header.applicationID != quint32(applicationID)
        || !hasWholePages(header, fileSize(path + QStringLiteral("-wal")) > 0)) {
        setError(error, notAStore);
        return std::nullopt;
    }
    std::optional<QVariantMap> metadata = readMetaTable(readOnlyTarget(path), &readError);
    if (!metadata && !readError.isEmpty())
        setError(error,
            storeError(CoreDataErrors::PersistentStoreOpenError, path,
                QStringLiteral("The file “%1” could not be read: %2").arg(name, readError)));
    else if (!metadata)
        setError(error, notAStore);
    return metadata;
}

// SQLite rolls a hot journal back at the first read through a connection that may write.
void rollBackJournal(const QString& path)
{
    SqlConnection db;
    QString message;
    if (db.open(path, SQLITE_OPEN_READWRITE, &message))
        db.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"), &message);
}

} // namespace

void PersistentStore::registerFunctions()
{
    sqlite3* db = m_db.handle();
    const int flags = SQLITE_UTF16 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    sqlite3_create_function_v2(db, "kfold", 3, flags, nullptr, foldFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "kends", 2, flags, nullptr, endsFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(
        db, "kcontains", 4, flags, nullptr, containsFunction, nullptr, nullptr, nullptr);
    sqlite3_create_collation_v2(db, "KCP", SQLITE_UTF16, nullptr, codePointCollation, nullptr);
}

PersistentStore::PersistentStore(
    PersistentStoreCoordinator* coordinator, const ManagedObjectModel* model, const QString& path)
    : m_coordinator(coordinator)
    , m_model(model)
    , m_path(path)
{
}

PersistentStore::~PersistentStore()
{
    close();
}

void PersistentStore::close()
{
    if (m_storeNumber) {
        Registry& r = registry();
        QMutexLocker lock(&r.mutex);
        r.stores.remove(m_storeNumber);
    }
    m_db.close();
}

QString PersistentStore::type() const
{
    return PersistentStoreCoordinator::SQLiteStoreType;
}

QVariantMap PersistentStore::metadata() const
{
    return m_metadata;
}

PersistentStore* PersistentStore::storeForNumber(quint32 number)
{
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    return r.stores.value(number);
}

QString PersistentStore::identifierForNumber(quint32 number)
{
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    return r.identifiers.value(number);
}

bool PersistentStore::checkpoint(Error* error)
{
    // A read-only store has nothing of its own in a log, and may not write the file.
    if (m_readOnly)
        return true;
    QString message;
    if (!m_db.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"), &message)) {
        setError(error,
            storeError(CoreDataErrors::PersistentStoreSaveError, m_path,
                QStringLiteral("The store “%1” could not be checkpointed: %2").arg(m_path, message)));
        return false;
    }
    return true;
}

// --- opening ---

std::optional<QVariantMap> PersistentStore::readMetadata(const QString& path, Error* error)
{
    const QString name = QFileInfo(path).fileName();
    if (!QFileInfo(path).isFile()) {
        setError(error,
            storeError(CoreDataErrors::PersistentStoreOpenError, path,
                QStringLiteral("The file “%1” doesn’t exist.").arg(name)));
        return std::nullopt;
    }
    const Companions before = companionsOf(path);
    std::optional<QVariantMap> metadata = identifyStore(path, error);
    removeCreatedFiles(path, before);
    return metadata;
}

bool PersistentStore::failOpening(Error* error, int code, const QString& description)
{
    setError(error, storeError(code, m_path, description));
    m_db.close();
    return false;
}

// A refused open leaves the folder as it found it.
bool PersistentStore::open(const QVariantMap& options, Error* error)
{
    const Companions before = companionsOf(m_path);
    if (!openFiles(options, error)) {
        m_db.close();
        removeCreatedFiles(m_path, before);
        return false;
    }
    if (m_readOnly)
        Log::log(QStringLiteral("The store “%1” was opened read-only. %2").arg(m_path, m_readOnlyReason));
    return true;
}

bool PersistentStore::openFiles(const QVariantMap& options, Error* error)
{
    const QString name = QFileInfo(m_path).fileName();
    const QFileInfo info(m_path);
    if (info.exists() && !info.isFile())
        return failOpening(error, CoreDataErrors::PersistentStoreOpenError,
            QStringLiteral("The store “%1” is not a file.").arg(name));
    decideAccess(options);
    if (!m_readOnly && !recoverInterruptedCreation(name, error))
        return false;
    const bool exists = fileSize(m_path) > 0;
    if (!(exists ? openExistingFile(name, error) : createFile(name, error)))
        return false;
    registerFunctions();
    buildLayout();
    QString message;
    // Created before the switch to the write-ahead log, so the header that identifies the file is
    // in the main file from the start.
    if (!exists && !createSchema(&message))
        return failOpening(error, CoreDataErrors::PersistentStoreOpenError,
            QStringLiteral("The store “%1” could not be created: %2").arg(name, message));
    if (!configureConnection(&message))
        return failOpening(error, CoreDataErrors::PersistentStoreOpenError,
            QStringLiteral("The store “%1” could not be opened: %2").arg(name, message));
    if (exists && !matchesModel() && !migrateOnOpen(options, name, error))
        return false;
    // A read-only store is queried without the indexes it lacks.
    if (!m_readOnly && !ensureIndexes(&message))
        return failOpening(error, CoreDataErrors::PersistentStoreOpenError,
            QStringLiteral("The store “%1” could not be indexed: %2").arg(name, message));
    if (!loadEntityIDs(&message))
        return failOpening(error, CoreDataErrors::PersistentStoreOpenError,
            QStringLiteral("The store “%1” could not be read: %2").arg(name, message));
    return registerOpenStore(error);
}

// An existing store that cannot be written is opened read-only, so that it says so at once rather
// than failing at its first save.
void PersistentStore::decideAccess(const QVariantMap& options)
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (options.value(PersistentStoreCoordinator::ReadOnlyOption, false).toBool())
        m_readOnlyReason = QStringLiteral("Read-only access was asked for.");
    else if (fileSize(m_path) > 0 && !isWritable(folder))
        m_readOnlyReason
            = QStringLiteral("The folder “%1” cannot be written.").arg(QDir::toNativeSeparators(folder));
    else if (fileSize(m_path) > 0 && !isWritable(m_path))
        m_readOnlyReason = QStringLiteral("The file “%1” is read-only.").arg(QFileInfo(m_path).fileName());
    m_readOnly = !m_readOnlyReason.isEmpty();
}

// A store killed in its first commit keeps a hot rollback journal, which the read-only
// identification cannot roll back. Done only for files whose header is ours or not yet whole, and
// never while another process could be writing.
bool PersistentStore::recoverInterruptedCreation(const QString& name, Error* error)
{
    const std::optional<quint32> initialPages = hotJournalInitialPages(m_path + QStringLiteral("-journal"));
    FileHeader header;
    QString readError;
    if (!initialPages || !readFileHeader(m_path, &header, &readError) || isLockedElsewhere(m_path))
        return true;
    const bool ours = header.complete && header.applicationID == quint32(applicationID);
    if (*initialPages == 0 && (ours || !header.complete))
        return discardInterruptedCreation(name, error);
    if (*initialPages > 0 && ours)
        rollBackJournal(m_path);
    return true;
}

// Rolling back the file's creation leaves an empty file; the store is then created anew. The file
// is emptied before the journal goes, so that a second interruption finds the same state.
bool PersistentStore::discardInterruptedCreation(const QString& name, Error* error)
{
    QFile file(m_path);
    QFile journal(m_path + QStringLiteral("-journal"));
    if (!file.resize(0))
        return failOpening(error, CoreDataErrors::PersistentStoreOpenError,
            QStringLiteral("The store “%1” could not be opened: %2").arg(name, file.errorString()));
    if (!journal.remove())
        return failOpening(error, CoreDataErrors::PersistentStoreOpenError,
            QStringLiteral("The store “%1” could not be opened: %2").arg(name, journal.errorString()));
    return true;
}

// Identifies the file before anything could write to it.
bool PersistentStore::openExistingFile(const QString& name, Error* error)
{
    std::optional<QVariantMap> metadata = readMetadata(m_path, error);
    if (!metadata)
        return false;
    m_metadata = *metadata;
    const qint64 storeVersion = modelVersionOf(m_metadata).value_or(0);
    if (storeVersion > m_model->version())
        return failOpening(error, CoreDataErrors::PersistentStoreIncompatibleVersionHash,
            QStringLiteral("The store “%1” was made by a newer version of the program "
                           "(model version %2; this one reads up to %3).")
                .arg(name)
                .arg(storeVersion)
                .arg(m_model->version()));
    QString message;
    const ReadOnlyTarget target
        = m_readOnly ? readOnlyTarget(m_path) : ReadOnlyTarget { m_path, SQLITE_OPEN_READWRITE };
    if (!m_db.open(target.name, target.flags | SQLITE_OPEN_FULLMUTEX, &message))
        return failOpening(error, CoreDataErrors::PersistentStoreOpenError,
            QStringLiteral("The store “%1” could not be opened: %2").arg(name, message));
    return true;
}

bool PersistentStore::createFile(const QString& name, Error* error)
{
    QString message;
    if (m_readOnly)
        return failOpening(error, CoreDataErrors::PersistentStoreOpenError,
            QStringLiteral("The store “%1” could not be created: %2").arg(name, m_readOnlyReason));
    if (!m_db.open(m_path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, &message))
        return failOpening(error, CoreDataErrors::PersistentStoreOpenError,
            QStringLiteral("The store “%1” could not be created: %2").arg(name, message));
    // Text stays UTF-16 as Qt holds it, so every string round-trips exactly.
    m_db.exec(QStringLiteral("PRAGMA encoding = 'UTF-16le'"));
    return true;
}

bool PersistentStore::configureConnection(QString* message)
{
    // A larger page cache and memory-mapped reads: index updates of a big save touch many pages.
    // A read-only store keeps its journal mode, as switching it writes.
    if (m_readOnly)
        return m_db.exec(
            QStringLiteral("PRAGMA cache_size = -32768; PRAGMA mmap_size = 268435456;"), message);
    return m_db.exec(QStringLiteral("PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL; "
                                    "PRAGMA cache_size = -32768; PRAGMA mmap_size = 268435456; PRAGMA "
                                    "wal_autocheckpoint = 16384;"),
        message);
}

bool PersistentStore::matchesModel() const
{
    return m_metadata.value(ModelVersionHashKey).toByteArray() == m_model->versionHash()
        && modelVersionOf(m_metadata) == qint64(m_model->version());
}

bool PersistentStore::migrateOnOpen(const QVariantMap& options, const QString& name, Error* error)
{
    if (m_readOnly)
        return failOpening(error, CoreDataErrors::PersistentStoreIncompatibleVersionHash,
            QStringLiteral("The store “%1” is read-only and must be upgraded before this version of the "
                           "program can open it. %2")
                .arg(name, m_readOnlyReason));
    const bool allowed
        = options.value(PersistentStoreCoordinator::MigratePersistentStoresAutomaticallyOption, true).toBool()
        && options.value(PersistentStoreCoordinator::InferMappingModelAutomaticallyOption, true).toBool();
    if (!allowed)
        return failOpening(error, CoreDataErrors::PersistentStoreIncompatibleVersionHash,
            QStringLiteral("The store “%1” was made by another version of the model.").arg(name));
    QString message;
    if (!migrate(&message))
        return failOpening(error, CoreDataErrors::MigrationError,
            QStringLiteral("The store “%1” could not be upgraded: %2").arg(name, message));
    return true;
}

// Takes the metadata as the file now has it and hands out the store's number.
bool PersistentStore::registerOpenStore(Error* error)
{
    std::optional<QVariantMap> metadata = readMetadata(m_path, error);
    if (!metadata) {
        m_db.close();
        return false;
    }
    m_metadata = *metadata;
    m_identifier = m_metadata.value(StoreUUIDKey).toString();
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    m_storeNumber = ++r.next;
    r.stores.insert(m_storeNumber, this);
    r.identifiers.insert(m_storeNumber, m_identifier);
    return true;
}
