#include "AttributeDescription.h"
#include "CoreDataErrors.h"
#include "Decimal.h"
#include "ManagedObject.h"
#include "PersistentStore.h"
#include "PersistentStorePrivate.h"
#include "RelationshipDescription.h"

#include <QDataStream>
#include <QDateTime>
#include <QFileInfo>
#include <QIODevice>
#include <QTimeZone>
#include <QUrl>
#include <sqlite3.h>

using namespace PersistentStorePrivate;

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

void PersistentStore::bindValue(
    SqlStatement& statement, int index, const AttributeDescription* attribute, const QVariant& value) const
{
    using Type = AttributeDescription::AttributeType;
    if (!value.isValid() || value.isNull()) {
        statement.bindNull(index);
        return;
    }
    switch (attribute->attributeType()) {
    case Type::String:
        if (value.metaType() == QMetaType::fromType<QString>()) {
            statement.bindTextInPlace(index, *static_cast<const QString*>(value.constData()));
            return;
        }
        break;
    case Type::Integer16:
    case Type::Integer32:
    case Type::Integer64:
    case Type::Boolean:
        statement.bindInt64(index, value.toLongLong());
        return;
    case Type::Double:
    case Type::Float:
        statement.bindDouble(index, value.toDouble());
        return;
    case Type::Date:
        statement.bindInt64(index, value.toDateTime().toMSecsSinceEpoch());
        return;
    default:
        break;
    }
    statement.bind(index, encode(attribute, value));
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

// The WHERE clause (with its keyword) for rows of the entity that match a compiled predicate;
// empty when every row of the table qualifies.
QString PersistentStore::rowConditions(
    const EntityDescription* entity, bool includeSubentities, const QString& where) const
{
    QStringList conditions;
    if (!(includeSubentities && entity == layout(entity).table->root))
        conditions << QStringLiteral("t0.ent IN (%1)").arg(entityList(entity, includeSubentities));
    if (!where.isEmpty())
        conditions << QLatin1Char('(') + where + QLatin1Char(')');
    return conditions.isEmpty() ? QString()
                                : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

bool PersistentStore::fetchRows(const EntityDescription* entity, bool includeSubentities,
    const QString& where, const QVariantList& bindings, const QString& orderBy, const RowHandler& handler,
    QString* message, bool* refused)
{
    const TableLayout* table = layout(entity).table;
    const QString sql = QStringLiteral("SELECT %1 FROM %2 t0").arg(table->selectListT0, quoted(table->name))
        + rowConditions(entity, includeSubentities, where) + QStringLiteral(" ORDER BY ")
        + (orderBy.isEmpty() ? QStringLiteral("t0.pk") : orderBy);
    SqlStatement statement = m_db.prepare(sql, message);
    if (refused)
        *refused = !statement;
    if (!statement)
        return false;
    for (int i = 0; i < bindings.size(); ++i)
        statement.bind(i + 1, bindings.at(i));
    int rc;
    while ((rc = statement.step()) == SQLITE_ROW) {
        const EntityDescription* rowEntity = entityForStoreID(statement.int64(1));
        if (!rowEntity)
            continue;
        handler(rowEntity, statement.int64(0), statement);
    }
    statement.reset();
    if (rc != SQLITE_DONE) {
        if (message)
            *message = m_db.lastError();
        return false;
    }
    return true;
}

qint64 PersistentStore::countRows(const EntityDescription* entity, bool includeSubentities,
    const QString& where, const QVariantList& bindings, QString* message, bool* refused)
{
    const TableLayout* table = layout(entity).table;
    const QString sql = QStringLiteral("SELECT count(*) FROM %1 t0").arg(quoted(table->name))
        + rowConditions(entity, includeSubentities, where);
    SqlStatement statement = m_db.prepare(sql, message);
    if (refused)
        *refused = !statement;
    if (!statement)
        return -1;
    for (int i = 0; i < bindings.size(); ++i)
        statement.bind(i + 1, bindings.at(i));
    const int rc = statement.step();
    const qint64 count = rc == SQLITE_ROW ? statement.int64(0) : -1;
    if (rc != SQLITE_ROW && message)
        *message = m_db.lastError();
    return count;
}

void PersistentStore::fillObject(ManagedObject* object, SqlStatement& row) const
{
    const EntityDescription* entity = object->entity();
    const EntityLayout& entityLayout = layout(entity);
    for (const AttributeDescription* attribute : entity->attributes()) {
        const int column = entityLayout.attributeColumns[size_t(attribute->index())];
        object->attributeSlot(attribute->index())
            = column < 0 ? attribute->defaultValue() : decode(attribute, row, column);
    }
    for (const RelationshipDescription* relationship : entity->relationships()) {
        ManagedObject::RelationSlot& slot = object->relationSlot(relationship->index());
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
    SqlStatement statement = m_db.prepare(
        QStringLiteral("SELECT %1 FROM %2 WHERE pk = ?").arg(table->selectList, quoted(table->name)));
    if (!statement)
        return false;
    statement.bindInt64(1, object->objectID().referenceKey());
    const bool found = statement.step() == SQLITE_ROW;
    if (found)
        fillObject(object, statement);
    return found;
}

bool PersistentStore::loadToMany(const ManagedObject* owner, const RelationshipDescription* relationship,
    const std::function<void(const EntityDescription*, qint64)>& handler)
{
    SqlStatement statement = m_db.prepare(toManySql(relationship));
    if (!statement)
        return false;
    statement.bindInt64(1, owner->objectID().referenceKey());
    int rc;
    while ((rc = statement.step()) == SQLITE_ROW) {
        if (const EntityDescription* entity = entityForStoreID(statement.int64(1)))
            handler(entity, statement.int64(0));
    }
    return rc == SQLITE_DONE;
}

// Keys and entity numbers of a to-many's members, given the owner's key: from the table of pairs
// or from the to-one inverse's column.
QString PersistentStore::toManySql(const RelationshipDescription* relationship) const
{
    if (relationship->isManyToMany()) {
        bool ownerSide = false;
        const QString table = joinTableName(relationship, &ownerSide);
        return ownerSide ? QStringLiteral("SELECT b, b_ent FROM %1 WHERE a = ?").arg(quoted(table))
                         : QStringLiteral("SELECT a, a_ent FROM %1 WHERE b = ?").arg(quoted(table));
    }
    const RelationshipDescription* inverse = relationship->inverseRelationship();
    const EntityLayout& destination = layout(relationship->destinationEntity());
    const int column = destination.relationshipColumns[size_t(inverse->index())];
    return QStringLiteral("SELECT pk, ent FROM %1 WHERE %2 = ?")
        .arg(quoted(destination.table->name), quoted(destination.table->columns[column - 2]));
}

namespace
{

// "?, ?, ..." for a batch: one statement text, so it is prepared once; short batches repeat
// their last key.
const QString& batchPlaceholders()
{
    static const QString text = [] {
        QStringList marks;
        for (int i = 0; i < PersistentStore::kReadBatchSize; ++i)
            marks.append(QStringLiteral("?"));
        return marks.join(QStringLiteral(", "));
    }();
    return text;
}

void bindBatch(SqlStatement& statement, const QList<qint64>& keys)
{
    for (int i = 0; i < PersistentStore::kReadBatchSize; ++i)
        statement.bindInt64(i + 1, keys.at(std::min<qsizetype>(i, keys.size() - 1)));
}

} // namespace

bool PersistentStore::loadRows(const EntityDescription* entity, const QList<qint64>& keys,
    const std::function<void(qint64, SqlStatement&)>& handler)
{
    if (keys.isEmpty())
        return true;
    if (keys.size() > kReadBatchSize)
        return false;
    const TableLayout* table = layout(entity).table;
    SqlStatement statement
        = m_db.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE pk IN (%3)")
                           .arg(table->selectList, quoted(table->name), batchPlaceholders()));
    if (!statement)
        return false;
    bindBatch(statement, keys);
    int rc;
    while ((rc = statement.step()) == SQLITE_ROW)
        handler(statement.int64(0), statement);
    return rc == SQLITE_DONE;
}

bool PersistentStore::loadToManyOfOwners(const QList<qint64>& ownerKeys,
    const RelationshipDescription* relationship,
    const std::function<void(qint64, const EntityDescription*, qint64)>& handler)
{
    if (ownerKeys.isEmpty())
        return true;
    if (ownerKeys.size() > kReadBatchSize)
        return false;
    QString sql;
    if (relationship->isManyToMany()) {
        bool ownerSide = false;
        const QString table = joinTableName(relationship, &ownerSide);
        sql = ownerSide ? QStringLiteral("SELECT a, b, b_ent FROM %1 WHERE a IN (%2) ORDER BY a, b")
                        : QStringLiteral("SELECT b, a, a_ent FROM %1 WHERE b IN (%2) ORDER BY b, a");
        sql = sql.arg(quoted(table), batchPlaceholders());
    } else {
        const RelationshipDescription* inverse = relationship->inverseRelationship();
        const EntityLayout& destination = layout(relationship->destinationEntity());
        const QString column = quoted(
            destination.table->columns[destination.relationshipColumns[size_t(inverse->index())] - 2]);
        sql = QStringLiteral("SELECT %2, pk, ent FROM %1 WHERE %2 IN (%3) ORDER BY %2, pk")
                  .arg(quoted(destination.table->name), column, batchPlaceholders());
    }
    SqlStatement statement = m_db.prepare(sql);
    if (!statement)
        return false;
    bindBatch(statement, ownerKeys);
    int rc;
    while ((rc = statement.step()) == SQLITE_ROW) {
        if (const EntityDescription* entity = entityForStoreID(statement.int64(2)))
            handler(statement.int64(0), entity, statement.int64(1));
    }
    return rc == SQLITE_DONE;
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

// --- writing ---

// One save in progress. failure is the reason given when a pass fails.
struct PersistentStore::Save {
    // The highest key handed out per table, stored again at the end of the save.
    QHash<const TableLayout*, qint64> maxKeys;
    // SQLite's reason from preparing a statement; a failed pass may report it.
    QString message;
    QString failure;

    bool fail(const QString& why)
    {
        failure = why;
        return false;
    }
};

bool PersistentStore::saveChanges(const QList<ManagedObject*>& inserted, const QList<ManagedObject*>& updated,
    const QList<ManagedObject*>& deleted, Error* error)
{
    const QString name = QFileInfo(m_path).fileName();
    const auto saveError = [&](const QString& why) {
        return storeError(CoreDataErrors::PersistentStoreSaveError, m_path,
            QStringLiteral("The store “%1” could not be saved: %2").arg(name, why));
    };
    if (m_readOnly) {
        setError(error,
            saveError(
                QStringLiteral("the library is read-only and was left unchanged. %1").arg(m_readOnlyReason)));
        return false;
    }
    Save save;
    if (!m_db.exec(QStringLiteral("BEGIN IMMEDIATE"), &save.message)) {
        setError(error, saveError(save.message));
        return false;
    }
    const bool saved = assignKeys(inserted, save) && insertRows(inserted, save) && updateRows(updated, save)
        && writeJoinPairs(inserted, updated, save) && deleteRows(deleted, save) && storeHighestKeys(save)
        && (m_db.exec(QStringLiteral("COMMIT"), &save.message) || save.fail(save.message));
    if (!saved) {
        m_db.exec(QStringLiteral("ROLLBACK"));
        for (ManagedObject* object : inserted)
            object->m_newKey = 0;
        setError(error, saveError(save.failure));
    }
    return saved;
}

// Keys are never reused, so a URI of a deleted object never names a newer one.
bool PersistentStore::assignKeys(const QList<ManagedObject*>& inserted, Save& save)
{
    for (ManagedObject* object : inserted) {
        const TableLayout* table = layout(object->entity()).table;
        if (!save.maxKeys.contains(table)) {
            qint64 maxKey = 0;
            if (!highestKey(table, &maxKey, &save.message))
                return save.fail(save.message);
            save.maxKeys.insert(table, maxKey);
        }
        const qint64 key = save.maxKeys.value(table) + 1;
        save.maxKeys.insert(table, key);
        object->m_newKey = key;
    }
    return true;
}

// The highest key the table ever had: the one recorded in meta, or a higher one in the table.
bool PersistentStore::highestKey(const TableLayout* table, qint64* key, QString* message)
{
    qint64 maxKey = 0;
    {
        SqlStatement select = m_db.prepare(QStringLiteral("SELECT value FROM meta WHERE key = ?"), message);
        if (!select)
            return false;
        select.bindText(1, QStringLiteral("maxpk.") + table->name);
        if (select.step() == SQLITE_ROW)
            maxKey = select.int64(0);
    }
    SqlStatement max
        = m_db.prepare(QStringLiteral("SELECT max(pk) FROM %1").arg(quoted(table->name)), message);
    if (!max)
        return false;
    if (max.step() == SQLITE_ROW)
        maxKey = std::max(maxKey, max.int64(0));
    *key = maxKey;
    return true;
}

qint64 PersistentStore::keyOf(const Save& save, ManagedObject* object) const
{
    if (!object)
        return 0;
    Q_UNUSED(save);
    if (object->m_newKey != 0)
        return object->m_newKey;
    return object->objectID().isTemporaryID() ? 0 : object->objectID().referenceKey();
}

// A to-one's key and entity columns; NULL for none, or for a target that is not (or no longer)
// in the store.
void PersistentStore::bindTarget(
    SqlStatement& statement, int index, ManagedObject* target, const Save& save) const
{
    const qint64 key = keyOf(save, target);
    if (key == 0 || target->isDeleted()) {
        statement.bindNull(index);
        statement.bindNull(index + 1);
    } else {
        statement.bindInt64(index, key);
        statement.bindInt64(index + 1, layout(target->entity()).storeEntityID);
    }
}

namespace
{

// New rows go to SQLite this many to a statement: a statement a row costs it more than the rows.
constexpr qsizetype kRowsPerInsert = 32;

} // namespace

bool PersistentStore::insertRows(const QList<ManagedObject*>& inserted, Save& save)
{
    // Each entity's new rows in their order, through statements prepared once for the save.
    QHash<const EntityDescription*, QList<ManagedObject*>> byEntity;
    QList<const EntityDescription*> entities;
    for (ManagedObject* object : inserted) {
        QList<ManagedObject*>& rows = byEntity[object->entity()];
        if (rows.isEmpty())
            entities.append(object->entity());
        rows.append(object);
    }
    for (const EntityDescription* entity : std::as_const(entities)) {
        const QList<ManagedObject*>& rows = byEntity[entity];
        qsizetype done = 0;
        if (rows.size() >= kRowsPerInsert) {
            int columns = 0;
            SqlStatement insert = prepareInsert(entity, kRowsPerInsert, &columns, &save.message);
            if (!insert)
                return save.fail(save.message);
            for (; rows.size() - done >= kRowsPerInsert; done += kRowsPerInsert) {
                insert.reset();
                for (qsizetype i = 0; i < kRowsPerInsert; ++i)
                    bindInsert(insert, rows.at(done + i), save, int(i) * columns + 1);
                if (!insert.run())
                    return save.fail(m_db.lastError());
            }
        }
        if (done == rows.size())
            continue;
        int columns = 0;
        SqlStatement insert = prepareInsert(entity, 1, &columns, &save.message);
        if (!insert)
            return save.fail(save.message);
        for (; done < rows.size(); ++done) {
            insert.reset();
            bindInsert(insert, rows.at(done), save, 1);
            if (!insert.run())
                return save.fail(m_db.lastError());
        }
    }
    return true;
}

SqlStatement PersistentStore::prepareInsert(
    const EntityDescription* entity, qsizetype rows, int* columnCount, QString* message)
{
    const EntityLayout& entityLayout = layout(entity);
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
    const QString row = QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    QStringList values;
    for (qsizetype i = 0; i < rows; ++i)
        values.append(row);
    *columnCount = int(columns.size());
    return m_db.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                            .arg(quoted(entityLayout.table->name), columns.join(QLatin1Char(',')),
                                values.join(QLatin1Char(','))),
        message);
}

// Binds in the column order of prepareInsert().
void PersistentStore::bindInsert(
    SqlStatement& insert, ManagedObject* object, const Save& save, int first) const
{
    const EntityDescription* entity = object->entity();
    const EntityLayout& entityLayout = layout(entity);
    int index = first;
    insert.bindInt64(index++, object->m_newKey);
    insert.bindInt64(index++, entityLayout.storeEntityID);
    for (const AttributeDescription* attribute : entity->attributes()) {
        if (entityLayout.attributeColumns[size_t(attribute->index())] >= 0)
            bindValue(insert, index++, attribute, object->attributeSlot(attribute->index()));
    }
    for (const RelationshipDescription* relationship : entity->relationships()) {
        if (!relationship->isToMany()) {
            bindTarget(insert, index, object->toOneValue(relationship), save);
            index += 2;
        }
    }
}

bool PersistentStore::updateRows(const QList<ManagedObject*>& updated, Save& save)
{
    for (ManagedObject* object : updated) {
        if (!updateRow(object, save))
            return false;
    }
    return true;
}

// Writes only the properties the object changed, so that others' changes to the rest survive.
bool PersistentStore::updateRow(ManagedObject* object, Save& save)
{
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
        return true;
    SqlStatement update
        = m_db.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE pk = ?")
                           .arg(quoted(entityLayout.table->name), assignments.join(QStringLiteral(", "))),
            &save.message);
    if (!update)
        return save.fail(save.message);
    int index = 1;
    for (const AttributeDescription* attribute : attributes)
        bindValue(update, index++, attribute, object->attributeSlot(attribute->index()));
    for (const RelationshipDescription* relationship : toOnes) {
        bindTarget(update, index, object->toOneValue(relationship), save);
        index += 2;
    }
    update.bindInt64(index, object->objectID().referenceKey());
    if (!update.run())
        return save.fail(m_db.lastError());
    if (sqlite3_changes(m_db.handle()) != 1)
        return save.fail(QStringLiteral("%1 was deleted by another context")
                             .arg(object->objectID().URIRepresentation().toString()));
    return true;
}

// Pairs of many-to-many relationships, written from their owning side.
bool PersistentStore::writeJoinPairs(
    const QList<ManagedObject*>& inserted, const QList<ManagedObject*>& updated, Save& save)
{
    for (ManagedObject* object : inserted) {
        if (!writeObjectPairs(object, true, save))
            return save.fail(m_db.lastError());
    }
    for (ManagedObject* object : updated) {
        if (!writeObjectPairs(object, false, save))
            return save.fail(m_db.lastError());
    }
    return true;
}

// The pairs an object gained and lost since it was fetched (all of them for a new object).
bool PersistentStore::writeObjectPairs(ManagedObject* object, bool isNew, Save& save)
{
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
        const ManagedObject::Members& members = object->toManyMembers(relationship);
        const QList<ManagedObject*> current = members.list;
        const QList<ManagedObject*> before
            = isNew ? QList<ManagedObject*>() : object->m_originalToMany.value(index);
        // A collection of thousands gaining a few: each side is looked up, not searched.
        const QSet<ManagedObject*> beforeSet(before.cbegin(), before.cend());
        for (ManagedObject* member : before) {
            if (!members.contains(member) && keyOf(save, member) != 0
                && !writePair(table, object, member, false, save))
                return false;
        }
        for (ManagedObject* member : current) {
            if (!beforeSet.contains(member) && keyOf(save, member) != 0 && !member->isDeleted()
                && !writePair(table, object, member, true, save))
                return false;
        }
    }
    return true;
}

bool PersistentStore::writePair(
    const QString& table, ManagedObject* a, ManagedObject* b, bool add, Save& save)
{
    const QString sql = add
        ? QStringLiteral("INSERT OR IGNORE INTO %1 (a, a_ent, b, b_ent) VALUES (?, ?, ?, ?)")
        : QStringLiteral("DELETE FROM %1 WHERE a = ? AND b = ?");
    SqlStatement statement = m_db.prepare(sql.arg(quoted(table)), &save.message);
    if (!statement)
        return false;
    if (add) {
        statement.bindInt64(1, keyOf(save, a));
        statement.bindInt64(2, layout(a->entity()).storeEntityID);
        statement.bindInt64(3, keyOf(save, b));
        statement.bindInt64(4, layout(b->entity()).storeEntityID);
    } else {
        statement.bindInt64(1, keyOf(save, a));
        statement.bindInt64(2, keyOf(save, b));
    }
    return statement.run();
}

bool PersistentStore::deleteRows(const QList<ManagedObject*>& deleted, Save& save)
{
    for (ManagedObject* object : deleted) {
        if (!deleteRow(object, save))
            return false;
    }
    return true;
}

// The object's row and every pair it is in.
bool PersistentStore::deleteRow(ManagedObject* object, Save& save)
{
    const EntityLayout& entityLayout = layout(object->entity());
    const qint64 key = object->objectID().referenceKey();
    SqlStatement remove = m_db.prepare(
        QStringLiteral("DELETE FROM %1 WHERE pk = ?").arg(quoted(entityLayout.table->name)), &save.message);
    if (!remove)
        return save.fail(save.message);
    remove.bindInt64(1, key);
    if (!remove.run())
        return save.fail(m_db.lastError());
    for (const RelationshipDescription* relationship : object->entity()->relationships()) {
        if (!relationship->isManyToMany())
            continue;
        bool ownerSide = false;
        const QString table = joinTableName(relationship, &ownerSide);
        SqlStatement pairs
            = m_db.prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                               .arg(quoted(table), ownerSide ? QStringLiteral("a") : QStringLiteral("b")),
                &save.message);
        if (!pairs)
            return save.fail(save.message);
        pairs.bindInt64(1, key);
        if (!pairs.run())
            return save.fail(m_db.lastError());
    }
    return true;
}

bool PersistentStore::storeHighestKeys(Save& save)
{
    for (auto it = save.maxKeys.begin(); it != save.maxKeys.end(); ++it) {
        SqlStatement store = m_db.prepare(
            QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)"), &save.message);
        if (!store)
            return save.fail(save.message);
        store.bindText(1, QStringLiteral("maxpk.") + it.key()->name);
        store.bindInt64(2, it.value());
        if (!store.run())
            return save.fail(m_db.lastError());
    }
    return true;
}
