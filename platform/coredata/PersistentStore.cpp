#include "PersistentStore.h"

#include "CoreDataErrors.h"
#include "Decimal.h"
#include "ManagedObject.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "StringFolding.h"

#include <QDataStream>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QTimeZone>
#include <QUuid>
#include <QVarLengthArray>
#include <cstring>
#include <sqlite3.h>

const QString PersistentStore::StoreTypeKey = QStringLiteral("NSStoreType");
const QString PersistentStore::StoreUUIDKey = QStringLiteral("NSStoreUUID");
const QString PersistentStore::ModelVersionKey = QStringLiteral("KitchoraModelVersion");
const QString PersistentStore::ModelVersionHashKey = QStringLiteral("KitchoraModelVersionHash");

namespace
{

// Marks our files ("KTCH"), so that a foreign SQLite file is told apart before anything is written.
constexpr int applicationID = 0x4B544348;
// The layout of the bookkeeping tables; the model's own version is in the metadata.
constexpr int schemaFormat = 1;

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

QString quoted(const QString& name)
{
    QString escaped = name;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString attributeColumn(const QString& name)
{
    return QStringLiteral("a_") + name;
}

QString relationshipColumn(const QString& name)
{
    return QStringLiteral("r_") + name;
}

Error storeError(int code, const QString& path, const QString& message)
{
    Error error;
    error.domain = CoreDataErrors::domain;
    error.code = code;
    error.localizedDescription = message;
    error.userInfo.insert(CoreDataErrors::filePathKey, path);
    return error;
}

void setError(Error* target, const Error& error)
{
    if (target)
        *target = error;
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

} // namespace

void PersistentStore::registerFunctions()
{
    sqlite3* db = m_db.handle();
    const int flags = SQLITE_UTF16 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    sqlite3_create_function_v2(db, "kfold", 3, flags, nullptr, foldFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "kends", 2, flags, nullptr, endsFunction, nullptr, nullptr, nullptr);
    sqlite3_create_collation_v2(db, "KCP", SQLITE_UTF16, nullptr, codePointCollation, nullptr);
}

bool PersistentStore::ensureIndexes(QString* message)
{
    for (const EntityDescription* entity : m_model->entities()) {
        const EntityLayout& entityLayout = layout(entity);
        for (const AttributeDescription* attribute : entity->attributes()) {
            const int column = entityLayout.attributeColumns[size_t(attribute->index())];
            if ((!attribute->isIndexed() && attribute->foldedIndexes().isEmpty())
                || attribute->entity() != entity || column < 0)
                continue;
            const QString table = entityLayout.table->name;
            const QString name = entityLayout.table->columns[column - 2];
            const QString prefix = QStringLiteral("i_") + table + QLatin1Char('_') + name;
            const bool string = attribute->attributeType() == AttributeDescription::AttributeType::String;
            QStringList sql;
            if (attribute->isIndexed())
                sql << QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3%4)")
                           .arg(quoted(prefix), quoted(table), quoted(name),
                               string ? QStringLiteral(" COLLATE KCP") : QString());
            for (const QString& form : attribute->foldedIndexes())
                sql << QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (kfold(%3, %4, %5))")
                           .arg(quoted(prefix + QLatin1Char('_') + form), quoted(table), quoted(name))
                           .arg(form.contains(QLatin1Char('c')) ? 1 : 0)
                           .arg(form.contains(QLatin1Char('d')) ? 1 : 0);
            for (const QString& statement : sql) {
                if (!m_db.exec(statement, message))
                    return false;
            }
        }
    }
    return true;
}

QString PersistentStore::orderByFor(
    const EntityDescription* entity, const QList<SortDescriptor>& descriptors) const
{
    using Type = AttributeDescription::AttributeType;
    const EntityLayout& entityLayout = layout(entity);
    QStringList terms;
    for (const SortDescriptor& descriptor : descriptors) {
        const AttributeDescription* attribute = entity->attributeNamed(descriptor.key());
        if (!attribute)
            return QString();
        const int column = entityLayout.attributeColumns[size_t(attribute->index())];
        const Type type = attribute->attributeType();
        if (column < 0 || type == Type::Decimal || type == Type::Transformable || type == Type::Binary)
            return QString();
        QString term = QStringLiteral("t0.") + quoted(entityLayout.table->columns[column - 2]);
        if (type == Type::String) {
            if (descriptor.selector() == SortDescriptor::Selector::CaseInsensitiveCompare)
                term = QStringLiteral("kfold(%1, 1, 0)").arg(term);
            term += QStringLiteral(" COLLATE KCP");
        }
        terms.append(term + (descriptor.ascending() ? QString() : QStringLiteral(" DESC")));
    }
    terms.append(QStringLiteral("t0.pk"));
    return terms.join(QStringLiteral(", "));
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
    const Error notAStore = storeError(CoreDataErrors::PersistentStoreInvalidType, path,
        QStringLiteral("The file “%1” is not a library store or is damaged.").arg(name));
    // The header tells SQLite files and ours apart before SQLite touches the file (it would, for
    // example, roll back a hot journal of a foreign database).
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            setError(error,
                storeError(CoreDataErrors::PersistentStoreOpenError, path,
                    QStringLiteral("The file “%1” could not be read: %2").arg(name, file.errorString())));
            return std::nullopt;
        }
        const QByteArray header = file.read(100);
        const bool sqlite = header.size() == 100 && header.startsWith(QByteArray("SQLite format 3\0", 16));
        const quint32 id = sqlite ? (quint32(quint8(header[68])) << 24 | quint32(quint8(header[69])) << 16
                               | quint32(quint8(header[70])) << 8 | quint32(quint8(header[71])))
                                  : 0;
        if (id != quint32(applicationID)) {
            setError(error, notAStore);
            return std::nullopt;
        }
    }
    SqlConnection db;
    QString message;
    if (!db.open(path, SQLITE_OPEN_READONLY, &message)) {
        setError(error, notAStore);
        return std::nullopt;
    }
    SqlStatement* appID = db.prepare(QStringLiteral("PRAGMA application_id"), &message);
    if (!appID || appID->step() != SQLITE_ROW || appID->int64(0) != applicationID) {
        setError(error, notAStore);
        return std::nullopt;
    }
    SqlStatement* meta = db.prepare(QStringLiteral("SELECT key, value FROM meta"), &message);
    if (!meta) {
        setError(error, notAStore);
        return std::nullopt;
    }
    QVariantMap result;
    int rc;
    while ((rc = meta->step()) == SQLITE_ROW) {
        const QString key = meta->text(0);
        if (!key.startsWith(QStringLiteral("maxpk.")))
            result.insert(key, meta->value(1));
    }
    if (rc != SQLITE_DONE || !result.contains(StoreUUIDKey)) {
        setError(error, notAStore);
        return std::nullopt;
    }
    return result;
}

bool PersistentStore::open(const QVariantMap& options, Error* error)
{
    const QString name = QFileInfo(m_path).fileName();
    const QFileInfo info(m_path);
    const bool exists = info.exists() && info.size() > 0;
    if (info.exists() && !info.isFile()) {
        setError(error,
            storeError(CoreDataErrors::PersistentStoreOpenError, m_path,
                QStringLiteral("The store “%1” is not a file.").arg(name)));
        return false;
    }
    QString message;
    if (exists) {
        // Identify the file before anything could write to it.
        std::optional<QVariantMap> metadata = readMetadata(m_path, error);
        if (!metadata)
            return false;
        m_metadata = *metadata;
        const int storeVersion = m_metadata.value(ModelVersionKey).toInt();
        if (storeVersion > m_model->version()) {
            setError(error,
                storeError(CoreDataErrors::PersistentStoreIncompatibleVersionHash, m_path,
                    QStringLiteral("The store “%1” was made by a newer version of the program "
                                   "(model version %2; this one reads up to %3).")
                        .arg(name)
                        .arg(storeVersion)
                        .arg(m_model->version())));
            return false;
        }
        if (!m_db.open(m_path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, &message)) {
            setError(error,
                storeError(CoreDataErrors::PersistentStoreOpenError, m_path,
                    QStringLiteral("The store “%1” could not be opened: %2").arg(name, message)));
            return false;
        }
    } else {
        if (!m_db.open(
                m_path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, &message)) {
            setError(error,
                storeError(CoreDataErrors::PersistentStoreOpenError, m_path,
                    QStringLiteral("The store “%1” could not be created: %2").arg(name, message)));
            return false;
        }
        // Text stays UTF-16 as Qt holds it, so every string round-trips exactly.
        m_db.exec(QStringLiteral("PRAGMA encoding = 'UTF-16le'"));
    }
    registerFunctions();
    buildLayout();
    if (!exists) {
        // Created before the switch to the write-ahead log, so the header that identifies the
        // file is in the main file from the start.
        if (!createSchema(&message)) {
            setError(error,
                storeError(CoreDataErrors::PersistentStoreOpenError, m_path,
                    QStringLiteral("The store “%1” could not be created: %2").arg(name, message)));
            m_db.close();
            return false;
        }
    }
    // A larger page cache and memory-mapped reads: index updates of a big save touch many pages.
    if (!m_db.exec(QStringLiteral("PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL; "
                                  "PRAGMA cache_size = -32768; PRAGMA mmap_size = 268435456; PRAGMA "
                                  "wal_autocheckpoint = 16384;"),
            &message)) {
        setError(error,
            storeError(CoreDataErrors::PersistentStoreOpenError, m_path,
                QStringLiteral("The store “%1” could not be opened: %2").arg(name, message)));
        m_db.close();
        return false;
    }
    if (exists
        && (m_metadata.value(ModelVersionHashKey).toByteArray() != m_model->versionHash()
            || m_metadata.value(ModelVersionKey).toInt() != m_model->version())) {
        const bool allowed
            = options.value(PersistentStoreCoordinator::MigratePersistentStoresAutomaticallyOption, true)
                  .toBool()
            && options.value(PersistentStoreCoordinator::InferMappingModelAutomaticallyOption, true).toBool();
        if (!allowed) {
            setError(error,
                storeError(CoreDataErrors::PersistentStoreIncompatibleVersionHash, m_path,
                    QStringLiteral("The store “%1” was made by another version of the model.").arg(name)));
            m_db.close();
            return false;
        }
        if (!migrate(&message)) {
            setError(error,
                storeError(CoreDataErrors::MigrationError, m_path,
                    QStringLiteral("The store “%1” could not be upgraded: %2").arg(name, message)));
            m_db.close();
            return false;
        }
    }
    if (!ensureIndexes(&message)) {
        setError(error,
            storeError(CoreDataErrors::PersistentStoreOpenError, m_path,
                QStringLiteral("The store “%1” could not be indexed: %2").arg(name, message)));
        m_db.close();
        return false;
    }
    if (!loadEntityIDs(&message)) {
        setError(error,
            storeError(CoreDataErrors::PersistentStoreOpenError, m_path,
                QStringLiteral("The store “%1” could not be read: %2").arg(name, message)));
        m_db.close();
        return false;
    }
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

void PersistentStore::buildLayout()
{
    m_tables.clear();
    m_entityLayouts.assign(m_model->entities().size(), EntityLayout());
    for (const EntityDescription* root : m_model->entities()) {
        if (root->superentity())
            continue;
        auto table = std::make_unique<TableLayout>();
        table->root = root;
        table->name = QStringLiteral("t_") + root->name();
        const QList<const EntityDescription*> family = root->selfAndDescendants();
        for (const EntityDescription* entity : family) {
            EntityLayout& layout = m_entityLayouts[size_t(entity->entityIndex())];
            layout.entity = entity;
            layout.table = table.get();
            layout.attributeColumns.assign(entity->attributes().size(), -1);
            layout.relationshipColumns.assign(entity->relationships().size(), -1);
            for (const AttributeDescription* attribute : entity->attributes()) {
                if (attribute->isTransient())
                    continue;
                const QString column = attributeColumn(attribute->name());
                qsizetype position = table->columns.indexOf(column);
                if (position < 0) {
                    table->columns.append(column);
                    position = table->columns.size() - 1;
                }
                layout.attributeColumns[size_t(attribute->index())] = int(position) + 2;
            }
            for (const RelationshipDescription* relationship : entity->relationships()) {
                if (relationship->isToMany())
                    continue;
                const QString column = relationshipColumn(relationship->name());
                qsizetype position = table->columns.indexOf(column);
                if (position < 0) {
                    table->columns.append(column);
                    table->columns.append(column + QStringLiteral("_ent"));
                    position = table->columns.size() - 2;
                }
                layout.relationshipColumns[size_t(relationship->index())] = int(position) + 2;
            }
        }
        QStringList select { QStringLiteral("pk"), QStringLiteral("ent") };
        for (const QString& column : table->columns)
            select.append(quoted(column));
        table->selectList = select.join(QStringLiteral(", "));
        for (QString& column : select)
            column.prepend(QStringLiteral("t0."));
        table->selectListT0 = select.join(QStringLiteral(", "));
        m_tables.push_back(std::move(table));
    }
}

QString PersistentStore::joinTableName(const RelationshipDescription* relationship, bool* ownerSide) const
{
    const RelationshipDescription* owner = relationship;
    if (const RelationshipDescription* inverse = relationship->inverseRelationship()) {
        const QString mine = relationship->entity()->name() + QLatin1Char('.') + relationship->name();
        const QString theirs = inverse->entity()->name() + QLatin1Char('.') + inverse->name();
        if (theirs < mine)
            owner = inverse;
    }
    if (ownerSide)
        *ownerSide = owner == relationship;
    return QStringLiteral("j_%1_%2").arg(owner->entity()->name(), owner->name());
}

bool PersistentStore::createSchema(QString* message)
{
    QStringList sql;
    sql << QStringLiteral("BEGIN IMMEDIATE");
    sql << QStringLiteral("PRAGMA application_id = %1").arg(applicationID);
    sql << QStringLiteral("PRAGMA user_version = %1").arg(schemaFormat);
    sql << QStringLiteral("CREATE TABLE meta (key TEXT PRIMARY KEY, value)");
    sql << QStringLiteral("CREATE TABLE entities (id INTEGER PRIMARY KEY, name TEXT UNIQUE NOT NULL)");
    for (const auto& table : m_tables) {
        QStringList columns { QStringLiteral("pk INTEGER PRIMARY KEY"),
            QStringLiteral("ent INTEGER NOT NULL") };
        for (const QString& column : table->columns)
            columns.append(quoted(column));
        sql << QStringLiteral("CREATE TABLE %1 (%2)")
                   .arg(quoted(table->name), columns.join(QStringLiteral(", ")));
        for (const QString& column : table->columns) {
            if (column.startsWith(QStringLiteral("r_")) && !column.endsWith(QStringLiteral("_ent")))
                sql << QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                           .arg(quoted(QStringLiteral("i_") + table->name + QLatin1Char('_') + column),
                               quoted(table->name), quoted(column));
        }
    }
    QSet<QString> joins;
    for (const EntityDescription* entity : m_model->entities()) {
        for (const RelationshipDescription* relationship : entity->relationships()) {
            if (!relationship->isManyToMany() || relationship->entity() != entity)
                continue;
            const QString name = joinTableName(relationship, nullptr);
            if (joins.contains(name))
                continue;
            joins.insert(name);
            sql << QStringLiteral("CREATE TABLE %1 (a INTEGER NOT NULL, a_ent INTEGER, b INTEGER NOT NULL, "
                                  "b_ent INTEGER, PRIMARY KEY (a, b)) WITHOUT ROWID")
                       .arg(quoted(name));
            sql << QStringLiteral("CREATE INDEX %1 ON %2 (b)")
                       .arg(quoted(QStringLiteral("i_") + name + QStringLiteral("_b")), quoted(name));
        }
    }
    for (const QString& statement : sql) {
        if (!m_db.exec(statement, message)) {
            m_db.exec(QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    const QVariantMap meta {
        { StoreTypeKey, PersistentStoreCoordinator::SQLiteStoreType },
        { StoreUUIDKey, QUuid::createUuid().toString(QUuid::WithoutBraces) },
        { ModelVersionKey, m_model->version() },
        { ModelVersionHashKey, QString::fromLatin1(m_model->versionHash()) },
    };
    SqlStatement* insert
        = m_db.prepare(QStringLiteral("INSERT INTO meta (key, value) VALUES (?, ?)"), message);
    if (!insert) {
        m_db.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    for (auto it = meta.begin(); it != meta.end(); ++it) {
        insert->reset();
        insert->bindText(1, it.key());
        insert->bind(2, it.value());
        if (!insert->run()) {
            *message = m_db.lastError();
            m_db.exec(QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    if (!m_db.exec(QStringLiteral("COMMIT"), message)) {
        m_db.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return true;
}

bool PersistentStore::loadEntityIDs(QString* message)
{
    QHash<QString, qint64> ids;
    SqlStatement* select = m_db.prepare(QStringLiteral("SELECT id, name FROM entities"), message);
    if (!select)
        return false;
    while (select->step() == SQLITE_ROW)
        ids.insert(select->text(1), select->int64(0));
    select->reset();
    for (const EntityDescription* entity : m_model->entities()) {
        if (ids.contains(entity->name()))
            continue;
        SqlStatement* insert
            = m_db.prepare(QStringLiteral("INSERT INTO entities (name) VALUES (?)"), message);
        if (!insert)
            return false;
        insert->bindText(1, entity->name());
        if (!insert->run()) {
            *message = m_db.lastError();
            return false;
        }
        ids.insert(entity->name(), sqlite3_last_insert_rowid(m_db.handle()));
    }
    m_entitiesByStoreID.clear();
    for (const EntityDescription* entity : m_model->entities()) {
        const qint64 id = ids.value(entity->name());
        m_entityLayouts[size_t(entity->entityIndex())].storeEntityID = id;
        m_entitiesByStoreID.insert(id, entity);
    }
    return true;
}

// --- values ---

QVariant PersistentStore::encode(const AttributeDescription* attribute, const QVariant& value) const
{
    using Type = AttributeDescription::AttributeType;
    if (!value.isValid() || value.isNull())
        return QVariant();
    switch (attribute->attributeType()) {
    case Type::String:
        return value.toString();
    case Type::Integer16:
    case Type::Integer32:
    case Type::Integer64:
    case Type::Boolean:
        return QVariant::fromValue<qint64>(value.toLongLong());
    case Type::Double:
    case Type::Float:
        return value.toDouble();
    case Type::Decimal:
        return value.value<Decimal>().stringValue();
    case Type::Date:
        return QVariant::fromValue<qint64>(value.toDateTime().toMSecsSinceEpoch());
    case Type::Binary:
        return value.toByteArray();
    case Type::Transformable: {
        QByteArray bytes;
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream.setVersion(QDataStream::Qt_6_4);
        stream << value;
        return bytes;
    }
    }
    return QVariant();
}

QVariant PersistentStore::decode(const AttributeDescription* attribute, SqlStatement& row, int column) const
{
    using Type = AttributeDescription::AttributeType;
    if (row.isNull(column))
        return QVariant();
    switch (attribute->attributeType()) {
    case Type::String:
        return row.text(column);
    case Type::Integer16:
    case Type::Integer32:
    case Type::Integer64:
        return QVariant::fromValue<qint64>(row.int64(column));
    case Type::Boolean:
        return QVariant(row.int64(column) != 0);
    case Type::Double:
    case Type::Float:
        return row.real(column);
    case Type::Decimal: {
        const Decimal decimal = Decimal::decimalNumberWithString(row.text(column));
        return decimal.isValid() ? QVariant::fromValue(decimal) : QVariant();
    }
    case Type::Date:
        return QDateTime::fromMSecsSinceEpoch(row.int64(column), Qt::UTC);
    case Type::Binary:
        return row.blob(column);
    case Type::Transformable: {
        const QByteArray bytes = row.blob(column);
        QDataStream stream(bytes);
        stream.setVersion(QDataStream::Qt_6_4);
        QVariant value;
        stream >> value;
        return stream.status() == QDataStream::Ok ? value : QVariant();
    }
    }
    return QVariant();
}

// --- reading ---

QString PersistentStore::entityList(const EntityDescription* entity, bool includeSubentities) const
{
    QStringList ids;
    const QList<const EntityDescription*> entities
        = includeSubentities ? entity->selfAndDescendants() : QList<const EntityDescription*> { entity };
    for (const EntityDescription* e : entities)
        ids.append(QString::number(layout(e).storeEntityID));
    return ids.join(QLatin1Char(','));
}

bool PersistentStore::fetchRows(const EntityDescription* entity, bool includeSubentities,
    const QString& where, const QVariantList& bindings, const QString& orderBy, const RowHandler& handler,
    QString* message)
{
    const TableLayout* table = layout(entity).table;
    QString sql = QStringLiteral("SELECT %1 FROM %2 t0").arg(table->selectListT0, quoted(table->name));
    QStringList conditions;
    const bool wholeTable = includeSubentities && entity == table->root;
    if (!wholeTable)
        conditions << QStringLiteral("t0.ent IN (%1)").arg(entityList(entity, includeSubentities));
    if (!where.isEmpty())
        conditions << QLatin1Char('(') + where + QLatin1Char(')');
    if (!conditions.isEmpty())
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY ") + (orderBy.isEmpty() ? QStringLiteral("t0.pk") : orderBy);
    SqlStatement* statement = m_db.prepare(sql, message);
    if (!statement)
        return false;
    for (int i = 0; i < bindings.size(); ++i)
        statement->bind(i + 1, bindings.at(i));
    int rc;
    while ((rc = statement->step()) == SQLITE_ROW) {
        const EntityDescription* rowEntity = entityForStoreID(statement->int64(1));
        if (!rowEntity)
            continue;
        handler(rowEntity, statement->int64(0), *statement);
    }
    statement->reset();
    if (rc != SQLITE_DONE) {
        if (message)
            *message = m_db.lastError();
        return false;
    }
    return true;
}

qint64 PersistentStore::countRows(const EntityDescription* entity, bool includeSubentities,
    const QString& where, const QVariantList& bindings, QString* message)
{
    const TableLayout* table = layout(entity).table;
    QString sql = QStringLiteral("SELECT count(*) FROM %1 t0").arg(quoted(table->name));
    QStringList conditions;
    if (!(includeSubentities && entity == table->root))
        conditions << QStringLiteral("t0.ent IN (%1)").arg(entityList(entity, includeSubentities));
    if (!where.isEmpty())
        conditions << QLatin1Char('(') + where + QLatin1Char(')');
    if (!conditions.isEmpty())
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    SqlStatement* statement = m_db.prepare(sql, message);
    if (!statement)
        return -1;
    for (int i = 0; i < bindings.size(); ++i)
        statement->bind(i + 1, bindings.at(i));
    const int rc = statement->step();
    const qint64 count = rc == SQLITE_ROW ? statement->int64(0) : -1;
    if (rc != SQLITE_ROW && message)
        *message = m_db.lastError();
    statement->reset();
    return count;
}

void PersistentStore::fillObject(ManagedObject* object, SqlStatement& row) const
{
    const EntityDescription* entity = object->entity();
    const EntityLayout& entityLayout = layout(entity);
    for (const AttributeDescription* attribute : entity->attributes()) {
        const int column = entityLayout.attributeColumns[size_t(attribute->index())];
        object->m_attributes[size_t(attribute->index())]
            = column < 0 ? attribute->defaultValue() : decode(attribute, row, column);
    }
    for (const RelationshipDescription* relationship : entity->relationships()) {
        ManagedObject::RelationSlot& slot = object->m_relations[size_t(relationship->index())];
        slot.members.reset();
        slot.object = nullptr;
        slot.pendingKey = 0;
        slot.pendingEntity = nullptr;
        const int column = entityLayout.relationshipColumns[size_t(relationship->index())];
        if (column < 0 || row.isNull(column))
            continue;
        const EntityDescription* target = entityForStoreID(row.int64(column + 1));
        if (!target)
            continue;
        slot.pendingKey = row.int64(column);
        slot.pendingEntity = target;
    }
}

bool PersistentStore::loadObject(ManagedObject* object)
{
    const TableLayout* table = layout(object->entity()).table;
    SqlStatement* statement = m_db.prepare(
        QStringLiteral("SELECT %1 FROM %2 WHERE pk = ?").arg(table->selectList, quoted(table->name)));
    if (!statement)
        return false;
    statement->bindInt64(1, object->objectID().referenceKey());
    const bool found = statement->step() == SQLITE_ROW;
    if (found)
        fillObject(object, *statement);
    statement->reset();
    return found;
}

bool PersistentStore::loadToMany(const ManagedObject* owner, const RelationshipDescription* relationship,
    const std::function<void(const EntityDescription*, qint64)>& handler)
{
    QString sql;
    if (relationship->isManyToMany()) {
        bool ownerSide = false;
        const QString table = joinTableName(relationship, &ownerSide);
        sql = ownerSide ? QStringLiteral("SELECT b, b_ent FROM %1 WHERE a = ?").arg(quoted(table))
                        : QStringLiteral("SELECT a, a_ent FROM %1 WHERE b = ?").arg(quoted(table));
    } else {
        const RelationshipDescription* inverse = relationship->inverseRelationship();
        const EntityLayout& destination = layout(relationship->destinationEntity());
        const int column = destination.relationshipColumns[size_t(inverse->index())];
        sql = QStringLiteral("SELECT pk, ent FROM %1 WHERE %2 = ?")
                  .arg(quoted(destination.table->name), quoted(destination.table->columns[column - 2]));
    }
    SqlStatement* statement = m_db.prepare(sql);
    if (!statement)
        return false;
    statement->bindInt64(1, owner->objectID().referenceKey());
    int rc;
    while ((rc = statement->step()) == SQLITE_ROW) {
        if (const EntityDescription* entity = entityForStoreID(statement->int64(1)))
            handler(entity, statement->int64(0));
    }
    statement->reset();
    return rc == SQLITE_DONE;
}

// --- writing ---

bool PersistentStore::saveChanges(const QList<ManagedObject*>& inserted, const QList<ManagedObject*>& updated,
    const QList<ManagedObject*>& deleted, KeyMap* keys, Error* error)
{
    const QString name = QFileInfo(m_path).fileName();
    QString message;
    auto failure = [&](const QString& why) {
        m_db.exec(QStringLiteral("ROLLBACK"));
        keys->clear();
        setError(error,
            storeError(CoreDataErrors::PersistentStoreSaveError, m_path,
                QStringLiteral("The store “%1” could not be saved: %2").arg(name, why)));
        return false;
    };
    if (!m_db.exec(QStringLiteral("BEGIN IMMEDIATE"), &message)) {
        setError(error,
            storeError(CoreDataErrors::PersistentStoreSaveError, m_path,
                QStringLiteral("The store “%1” could not be saved: %2").arg(name, message)));
        return false;
    }

    // Keys are never reused, so a URI of a deleted object never names a newer one.
    QHash<const TableLayout*, qint64> maxKeys;
    for (ManagedObject* object : inserted) {
        const TableLayout* table = layout(object->entity()).table;
        if (!maxKeys.contains(table)) {
            SqlStatement* select
                = m_db.prepare(QStringLiteral("SELECT value FROM meta WHERE key = ?"), &message);
            if (!select)
                return failure(message);
            select->bindText(1, QStringLiteral("maxpk.") + table->name);
            qint64 maxKey = 0;
            if (select->step() == SQLITE_ROW)
                maxKey = select->int64(0);
            select->reset();
            SqlStatement* max
                = m_db.prepare(QStringLiteral("SELECT max(pk) FROM %1").arg(quoted(table->name)), &message);
            if (!max)
                return failure(message);
            if (max->step() == SQLITE_ROW)
                maxKey = std::max(maxKey, max->int64(0));
            max->reset();
            maxKeys.insert(table, maxKey);
        }
        const qint64 key = maxKeys.value(table) + 1;
        maxKeys.insert(table, key);
        keys->insert(object, key);
    }
    auto keyOf = [keys](ManagedObject* object) -> qint64 {
        if (!object)
            return 0;
        auto it = keys->find(object);
        if (it != keys->end())
            return *it;
        return object->objectID().isTemporaryID() ? 0 : object->objectID().referenceKey();
    };
    auto bindTarget = [&](SqlStatement* statement, int index, ManagedObject* target) {
        const qint64 key = keyOf(target);
        if (key == 0 || target->isDeleted()) {
            statement->bindNull(index);
            statement->bindNull(index + 1);
        } else {
            statement->bindInt64(index, key);
            statement->bindInt64(index + 1, layout(target->entity()).storeEntityID);
        }
    };

    // One statement per entity for the whole save.
    QHash<const EntityDescription*, SqlStatement*> inserts;
    for (ManagedObject* object : inserted) {
        const EntityDescription* entity = object->entity();
        const EntityLayout& entityLayout = layout(entity);
        SqlStatement* insert = inserts.value(entity);
        if (!insert) {
            QStringList columns { QStringLiteral("pk"), QStringLiteral("ent") };
            for (const AttributeDescription* attribute : entity->attributes()) {
                if (entityLayout.attributeColumns[size_t(attribute->index())] >= 0)
                    columns.append(quoted(attributeColumn(attribute->name())));
            }
            for (const RelationshipDescription* relationship : entity->relationships()) {
                if (!relationship->isToMany()) {
                    columns.append(quoted(relationshipColumn(relationship->name())));
                    columns.append(quoted(relationshipColumn(relationship->name()) + QStringLiteral("_ent")));
                }
            }
            QStringList marks;
            for (int i = 0; i < columns.size(); ++i)
                marks.append(QStringLiteral("?"));
            insert = m_db.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                      .arg(quoted(entityLayout.table->name), columns.join(QLatin1Char(',')),
                                          marks.join(QLatin1Char(','))),
                &message);
            if (!insert)
                return failure(message);
            inserts.insert(entity, insert);
        }
        insert->reset();
        int index = 1;
        insert->bindInt64(index++, keys->value(object));
        insert->bindInt64(index++, entityLayout.storeEntityID);
        for (const AttributeDescription* attribute : entity->attributes()) {
            if (entityLayout.attributeColumns[size_t(attribute->index())] >= 0)
                insert->bind(index++, encode(attribute, object->m_attributes[size_t(attribute->index())]));
        }
        for (const RelationshipDescription* relationship : entity->relationships()) {
            if (!relationship->isToMany()) {
                bindTarget(insert, index, object->toOneValue(relationship));
                index += 2;
            }
        }
        if (!insert->run())
            return failure(m_db.lastError());
    }

    for (ManagedObject* object : updated) {
        const EntityDescription* entity = object->entity();
        const EntityLayout& entityLayout = layout(entity);
        QStringList assignments;
        QList<const AttributeDescription*> attributes;
        QList<const RelationshipDescription*> toOnes;
        for (auto it = object->m_originalAttributes.begin(); it != object->m_originalAttributes.end(); ++it) {
            const AttributeDescription* attribute = entity->attributes()[size_t(it.key())];
            if (entityLayout.attributeColumns[size_t(it.key())] < 0)
                continue;
            assignments.append(quoted(attributeColumn(attribute->name())) + QStringLiteral(" = ?"));
            attributes.append(attribute);
        }
        for (auto it = object->m_originalToOne.begin(); it != object->m_originalToOne.end(); ++it) {
            const RelationshipDescription* relationship = entity->relationships()[size_t(it.key())];
            const QString column = relationshipColumn(relationship->name());
            assignments.append(quoted(column) + QStringLiteral(" = ?"));
            assignments.append(quoted(column + QStringLiteral("_ent")) + QStringLiteral(" = ?"));
            toOnes.append(relationship);
        }
        if (assignments.isEmpty())
            continue;
        SqlStatement* update
            = m_db.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE pk = ?")
                               .arg(quoted(entityLayout.table->name), assignments.join(QStringLiteral(", "))),
                &message);
        if (!update)
            return failure(message);
        int index = 1;
        for (const AttributeDescription* attribute : attributes)
            update->bind(index++, encode(attribute, object->m_attributes[size_t(attribute->index())]));
        for (const RelationshipDescription* relationship : toOnes) {
            bindTarget(update, index, object->toOneValue(relationship));
            index += 2;
        }
        update->bindInt64(index, object->objectID().referenceKey());
        if (!update->run())
            return failure(m_db.lastError());
        if (sqlite3_changes(m_db.handle()) != 1)
            return failure(QStringLiteral("%1 was deleted by another context")
                               .arg(object->objectID().URIRepresentation().toString()));
    }

    // Pairs of many-to-many relationships, written from their owning side.
    auto writePair = [&](const QString& table, ManagedObject* a, ManagedObject* b, bool add) {
        const QString sql = add
            ? QStringLiteral("INSERT OR IGNORE INTO %1 (a, a_ent, b, b_ent) VALUES (?, ?, ?, ?)")
            : QStringLiteral("DELETE FROM %1 WHERE a = ? AND b = ?");
        SqlStatement* statement = m_db.prepare(sql.arg(quoted(table)), &message);
        if (!statement)
            return false;
        if (add) {
            statement->bindInt64(1, keyOf(a));
            statement->bindInt64(2, layout(a->entity()).storeEntityID);
            statement->bindInt64(3, keyOf(b));
            statement->bindInt64(4, layout(b->entity()).storeEntityID);
        } else {
            statement->bindInt64(1, keyOf(a));
            statement->bindInt64(2, keyOf(b));
        }
        return statement->run();
    };
    auto pairsOf = [&](ManagedObject* object, bool isNew) {
        for (const RelationshipDescription* relationship : object->entity()->relationships()) {
            if (!relationship->isManyToMany())
                continue;
            bool ownerSide = false;
            const QString table = joinTableName(relationship, &ownerSide);
            if (!ownerSide)
                continue;
            const int index = relationship->index();
            if (!isNew && !object->m_originalToMany.contains(index))
                continue;
            const QList<ManagedObject*> current = object->toManyMembers(relationship).list;
            const QList<ManagedObject*> before
                = isNew ? QList<ManagedObject*>() : object->m_originalToMany.value(index);
            for (ManagedObject* member : before) {
                if (!current.contains(member) && keyOf(member) != 0
                    && !writePair(table, object, member, false))
                    return false;
            }
            for (ManagedObject* member : current) {
                if (!before.contains(member) && keyOf(member) != 0 && !member->isDeleted()
                    && !writePair(table, object, member, true))
                    return false;
            }
        }
        return true;
    };
    for (ManagedObject* object : inserted) {
        if (!pairsOf(object, true))
            return failure(m_db.lastError());
    }
    for (ManagedObject* object : updated) {
        if (!pairsOf(object, false))
            return failure(m_db.lastError());
    }

    for (ManagedObject* object : deleted) {
        const EntityLayout& entityLayout = layout(object->entity());
        const qint64 key = object->objectID().referenceKey();
        SqlStatement* remove = m_db.prepare(
            QStringLiteral("DELETE FROM %1 WHERE pk = ?").arg(quoted(entityLayout.table->name)), &message);
        if (!remove)
            return failure(message);
        remove->bindInt64(1, key);
        if (!remove->run())
            return failure(m_db.lastError());
        for (const RelationshipDescription* relationship : object->entity()->relationships()) {
            if (!relationship->isManyToMany())
                continue;
            bool ownerSide = false;
            const QString table = joinTableName(relationship, &ownerSide);
            SqlStatement* pairs
                = m_db.prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                                   .arg(quoted(table), ownerSide ? QStringLiteral("a") : QStringLiteral("b")),
                    &message);
            if (!pairs)
                return failure(message);
            pairs->bindInt64(1, key);
            if (!pairs->run())
                return failure(m_db.lastError());
        }
    }

    for (auto it = maxKeys.begin(); it != maxKeys.end(); ++it) {
        SqlStatement* store = m_db.prepare(
            QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)"), &message);
        if (!store)
            return failure(message);
        store->bindText(1, QStringLiteral("maxpk.") + it.key()->name);
        store->bindInt64(2, it.value());
        if (!store->run())
            return failure(m_db.lastError());
    }
    if (!m_db.exec(QStringLiteral("COMMIT"), &message))
        return failure(message);
    return true;
}

QStringList PersistentStore::tableColumns(const QString& table)
{
    QStringList columns;
    SqlStatement* info = m_db.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)"));
    if (!info)
        return columns;
    info->bindText(1, table);
    while (info->step() == SQLITE_ROW)
        columns.append(info->text(0));
    info->reset();
    return columns;
}

// Brings an older store to the model's shape in one transaction: renamed entities, attributes
// and relationships keep their data (renamingIdentifier), new ones are added (attributes with
// their default), removed ones dropped. On any failure nothing changes.
bool PersistentStore::migrate(QString* message)
{
    if (!m_db.exec(QStringLiteral("BEGIN IMMEDIATE"), message))
        return false;
    auto fail = [this](const QString&) {
        m_db.exec(QStringLiteral("ROLLBACK"));
        return false;
    };
    auto exec = [&](const QString& sql) { return m_db.exec(sql, message); };

    QStringList existingTables;
    {
        SqlStatement* list
            = m_db.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"), message);
        if (!list)
            return fail(*message);
        while (list->step() == SQLITE_ROW)
            existingTables.append(list->text(0));
        list->reset();
    }
    QHash<QString, qint64> storedEntities;
    {
        SqlStatement* list = m_db.prepare(QStringLiteral("SELECT id, name FROM entities"), message);
        if (!list)
            return fail(*message);
        while (list->step() == SQLITE_ROW)
            storedEntities.insert(list->text(1), list->int64(0));
        list->reset();
    }

    // Entities: renames first, so their rows and tables carry over.
    for (const EntityDescription* entity : m_model->entities()) {
        const QString old = entity->renamingIdentifier();
        if (old.isEmpty() || storedEntities.contains(entity->name()) || !storedEntities.contains(old))
            continue;
        if (!exec(
                QStringLiteral("UPDATE entities SET name = '%1' WHERE name = '%2'").arg(entity->name(), old)))
            return fail(*message);
        storedEntities.insert(entity->name(), storedEntities.take(old));
        const QString oldTable = QStringLiteral("t_") + old;
        if (!entity->superentity() && existingTables.contains(oldTable)) {
            const QString newTable = QStringLiteral("t_") + entity->name();
            if (!exec(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quoted(oldTable), quoted(newTable))))
                return fail(*message);
            existingTables.replace(existingTables.indexOf(oldTable), newTable);
        }
    }
    // Rows of entities the model no longer has.
    QSet<QString> modelEntities;
    for (const EntityDescription* entity : m_model->entities())
        modelEntities.insert(entity->name());
    for (auto it = storedEntities.begin(); it != storedEntities.end(); ++it) {
        if (modelEntities.contains(it.key()))
            continue;
        for (const QString& table : existingTables) {
            if (table.startsWith(QStringLiteral("t_")) && tableColumns(table).contains(QStringLiteral("ent"))
                && !exec(QStringLiteral("DELETE FROM %1 WHERE ent = %2").arg(quoted(table)).arg(it.value())))
                return fail(*message);
        }
        if (!exec(QStringLiteral("DELETE FROM entities WHERE id = %1").arg(it.value())))
            return fail(*message);
    }

    QSet<QString> wantedTables { QStringLiteral("meta"), QStringLiteral("entities") };
    for (const auto& table : m_tables) {
        wantedTables.insert(table->name);
        if (!existingTables.contains(table->name)) {
            QStringList columns { QStringLiteral("pk INTEGER PRIMARY KEY"),
                QStringLiteral("ent INTEGER NOT NULL") };
            for (const QString& column : table->columns)
                columns.append(quoted(column));
            if (!exec(QStringLiteral("CREATE TABLE %1 (%2)")
                          .arg(quoted(table->name), columns.join(QStringLiteral(", ")))))
                return fail(*message);
            for (const QString& column : table->columns) {
                if (column.startsWith(QStringLiteral("r_")) && !column.endsWith(QStringLiteral("_ent"))
                    && !exec(QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                                 .arg(quoted(QStringLiteral("i_") + table->name + QLatin1Char('_') + column),
                                     quoted(table->name), quoted(column))))
                    return fail(*message);
            }
            continue;
        }
        QStringList present = tableColumns(table->name);
        // Renamed and new columns.
        for (const EntityDescription* entity : table->root->selfAndDescendants()) {
            for (const AttributeDescription* attribute : entity->attributes()) {
                if (attribute->entity() != entity || attribute->isTransient())
                    continue;
                const QString column = attributeColumn(attribute->name());
                if (present.contains(column))
                    continue;
                const QString old = attributeColumn(attribute->renamingIdentifier());
                if (!attribute->renamingIdentifier().isEmpty() && present.contains(old)) {
                    if (!exec(QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %3")
                                  .arg(quoted(table->name), quoted(old), quoted(column))))
                        return fail(*message);
                    present.replace(present.indexOf(old), column);
                    continue;
                }
                if (!exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                              .arg(quoted(table->name), quoted(column))))
                    return fail(*message);
                present.append(column);
                const QVariant value = encode(attribute, attribute->defaultValue());
                if (value.isValid()) {
                    SqlStatement* fill = m_db.prepare(QStringLiteral("UPDATE %1 SET %2 = ? WHERE ent IN (%3)")
                                                          .arg(quoted(table->name), quoted(column),
                                                              entityListByName(entity, storedEntities)),
                        message);
                    if (!fill)
                        return fail(*message);
                    fill->bind(1, value);
                    if (!fill->run())
                        return fail(m_db.lastError());
                }
            }
            for (const RelationshipDescription* relationship : entity->relationships()) {
                if (relationship->entity() != entity || relationship->isToMany())
                    continue;
                const QString column = relationshipColumn(relationship->name());
                if (present.contains(column))
                    continue;
                const QString old = relationshipColumn(relationship->renamingIdentifier());
                if (!relationship->renamingIdentifier().isEmpty() && present.contains(old)) {
                    if (!exec(QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %3")
                                  .arg(quoted(table->name), quoted(old), quoted(column)))
                        || !exec(QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %3")
                                     .arg(quoted(table->name), quoted(old + QStringLiteral("_ent")),
                                         quoted(column + QStringLiteral("_ent")))))
                        return fail(*message);
                    present.replace(present.indexOf(old), column);
                    present.replace(
                        present.indexOf(old + QStringLiteral("_ent")), column + QStringLiteral("_ent"));
                } else {
                    if (!exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                                  .arg(quoted(table->name), quoted(column)))
                        || !exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                                     .arg(quoted(table->name), quoted(column + QStringLiteral("_ent")))))
                        return fail(*message);
                    present << column << column + QStringLiteral("_ent");
                    if (!exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
                                  .arg(quoted(QStringLiteral("i_") + table->name + QLatin1Char('_') + column),
                                      quoted(table->name), quoted(column))))
                        return fail(*message);
                }
            }
        }
        // Columns the model no longer has.
        for (const QString& column : present) {
            if (column == QLatin1String("pk") || column == QLatin1String("ent")
                || table->columns.contains(column))
                continue;
            // Indexes keep the name they had before a table was renamed: find them by column.
            QStringList indexes;
            SqlStatement* find = m_db.prepare(
                QStringLiteral("SELECT il.name FROM pragma_index_list(?1) il, pragma_index_info(il.name) ii "
                               "WHERE ii.name = ?2"),
                message);
            if (!find)
                return fail(*message);
            find->bindText(1, table->name);
            find->bindText(2, column);
            while (find->step() == SQLITE_ROW)
                indexes.append(find->text(0));
            find->reset();
            for (const QString& index : indexes) {
                if (!exec(QStringLiteral("DROP INDEX %1").arg(quoted(index))))
                    return fail(*message);
            }
            if (!exec(
                    QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(quoted(table->name), quoted(column))))
                return fail(*message);
        }
    }

    // Tables of pairs, renamed with their owning entity or relationship.
    for (const EntityDescription* entity : m_model->entities()) {
        for (const RelationshipDescription* relationship : entity->relationships()) {
            if (!relationship->isManyToMany() || relationship->entity() != entity)
                continue;
            bool ownerSide = false;
            const QString name = joinTableName(relationship, &ownerSide);
            if (wantedTables.contains(name))
                continue;
            wantedTables.insert(name);
            if (existingTables.contains(name))
                continue;
            const RelationshipDescription* owner
                = ownerSide ? relationship : relationship->inverseRelationship();
            const QString oldEntity = owner->entity()->renamingIdentifier().isEmpty()
                ? owner->entity()->name()
                : owner->entity()->renamingIdentifier();
            const QString oldName
                = owner->renamingIdentifier().isEmpty() ? owner->name() : owner->renamingIdentifier();
            const QString old = QStringLiteral("j_%1_%2").arg(oldEntity, oldName);
            if (existingTables.contains(old)) {
                if (!exec(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quoted(old), quoted(name))))
                    return fail(*message);
                existingTables.replace(existingTables.indexOf(old), name);
                continue;
            }
            if (!exec(
                    QStringLiteral("CREATE TABLE %1 (a INTEGER NOT NULL, a_ent INTEGER, b INTEGER NOT NULL, "
                                   "b_ent INTEGER, PRIMARY KEY (a, b)) WITHOUT ROWID")
                        .arg(quoted(name)))
                || !exec(QStringLiteral("CREATE INDEX %1 ON %2 (b)")
                             .arg(quoted(QStringLiteral("i_") + name + QStringLiteral("_b")), quoted(name))))
                return fail(*message);
        }
    }
    for (const QString& table : existingTables) {
        if (!wantedTables.contains(table) && !table.startsWith(QStringLiteral("sqlite_"))
            && !exec(QStringLiteral("DROP TABLE %1").arg(quoted(table))))
            return fail(*message);
    }

    SqlStatement* meta
        = m_db.prepare(QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)"), message);
    if (!meta)
        return fail(*message);
    meta->bindText(1, ModelVersionKey);
    meta->bindInt64(2, m_model->version());
    if (!meta->run())
        return fail(m_db.lastError());
    meta->reset();
    meta->bindText(1, ModelVersionHashKey);
    meta->bindText(2, QString::fromLatin1(m_model->versionHash()));
    if (!meta->run())
        return fail(m_db.lastError());
    if (!exec(QStringLiteral("COMMIT")))
        return fail(*message);
    return true;
}

QString PersistentStore::entityListByName(
    const EntityDescription* entity, const QHash<QString, qint64>& storedIDs) const
{
    QStringList ids;
    for (const EntityDescription* e : entity->selfAndDescendants()) {
        if (storedIDs.contains(e->name()))
            ids.append(QString::number(storedIDs.value(e->name())));
    }
    return ids.isEmpty() ? QStringLiteral("NULL") : ids.join(QLatin1Char(','));
}
