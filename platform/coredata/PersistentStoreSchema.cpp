#include "AttributeDescription.h"
#include "ManagedObjectModel.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"
#include "PersistentStorePrivate.h"
#include "RelationshipDescription.h"

#include <QSet>
#include <QUuid>
#include <sqlite3.h>

using namespace PersistentStorePrivate;

namespace
{

// A table of an entity family with the indexes on its to-one key columns.
QStringList entityTableStatements(const QString& name, const QStringList& tableColumns)
{
    QStringList columns { QStringLiteral("pk INTEGER PRIMARY KEY"), QStringLiteral("ent INTEGER NOT NULL") };
    for (const QString& column : tableColumns)
        columns.append(quoted(column));
    QStringList sql;
    sql << QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted(name), columns.join(QStringLiteral(", ")));
    for (const QString& column : tableColumns) {
        if (column.startsWith(QStringLiteral("r_")) && !column.endsWith(QStringLiteral("_ent")))
            sql << QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                       .arg(quoted(QStringLiteral("i_") + name + QLatin1Char('_') + column), quoted(name),
                           quoted(column));
    }
    return sql;
}

// A table of pairs of a many-to-many relationship, searchable from both sides.
QStringList joinTableStatements(const QString& name)
{
    return {
        QStringLiteral("CREATE TABLE %1 (a INTEGER NOT NULL, a_ent INTEGER, b INTEGER NOT NULL, "
                       "b_ent INTEGER, PRIMARY KEY (a, b)) WITHOUT ROWID")
            .arg(quoted(name)),
        QStringLiteral("CREATE INDEX %1 ON %2 (b)")
            .arg(quoted(QStringLiteral("i_") + name + QStringLiteral("_b")), quoted(name)),
    };
}

} // namespace

// --- layout ---

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
        for (const EntityDescription* entity : root->selfAndDescendants())
            layoutEntity(table.get(), entity);
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

// Gives the entity's stored attributes and to-one keys their columns, adding those its
// family does not have yet.
void PersistentStore::layoutEntity(TableLayout* table, const EntityDescription* entity)
{
    EntityLayout& layout = m_entityLayouts[size_t(entity->entityIndex())];
    layout.entity = entity;
    layout.table = table;
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

// --- a new file ---

bool PersistentStore::createSchema(QString* message)
{
    for (const QString& statement : schemaStatements()) {
        if (!m_db.exec(statement, message)) {
            m_db.exec(QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    if (!writeInitialMetadata(message)) {
        m_db.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    if (!m_db.exec(QStringLiteral("COMMIT"), message)) {
        m_db.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return true;
}

// The whole schema of the current model, after opening its transaction.
QStringList PersistentStore::schemaStatements() const
{
    QStringList sql;
    sql << QStringLiteral("BEGIN IMMEDIATE");
    sql << QStringLiteral("PRAGMA application_id = %1").arg(applicationID);
    sql << QStringLiteral("PRAGMA user_version = %1").arg(schemaFormat);
    sql << QStringLiteral("CREATE TABLE meta (key TEXT PRIMARY KEY, value)");
    sql << QStringLiteral("CREATE TABLE entities (id INTEGER PRIMARY KEY, name TEXT UNIQUE NOT NULL)");
    for (const auto& table : m_tables)
        sql << entityTableStatements(table->name, table->columns);
    QSet<QString> joins;
    for (const EntityDescription* entity : m_model->entities()) {
        for (const RelationshipDescription* relationship : entity->relationships()) {
            if (!relationship->isManyToMany() || relationship->entity() != entity)
                continue;
            const QString name = joinTableName(relationship, nullptr);
            if (joins.contains(name))
                continue;
            joins.insert(name);
            sql << joinTableStatements(name);
        }
    }
    return sql;
}

bool PersistentStore::writeInitialMetadata(QString* message)
{
    const QVariantMap meta {
        { StoreTypeKey, PersistentStoreCoordinator::SQLiteStoreType },
        { StoreUUIDKey, QUuid::createUuid().toString(QUuid::WithoutBraces) },
        { ModelVersionKey, m_model->version() },
        { ModelVersionHashKey, QString::fromLatin1(m_model->versionHash()) },
    };
    SqlStatement insert
        = m_db.prepare(QStringLiteral("INSERT INTO meta (key, value) VALUES (?, ?)"), message);
    if (!insert)
        return false;
    for (auto it = meta.begin(); it != meta.end(); ++it) {
        insert.reset();
        insert.bindText(1, it.key());
        insert.bind(2, it.value());
        if (!insert.run()) {
            *message = m_db.lastError();
            return false;
        }
    }
    return true;
}

// --- every opening ---

// Gives each entity of the model its number in the file, numbering new ones.
bool PersistentStore::loadEntityIDs(QString* message)
{
    QHash<QString, qint64> ids;
    if (!readEntityIDs(&ids, message))
        return false;
    for (const EntityDescription* entity : m_model->entities()) {
        if (ids.contains(entity->name()))
            continue;
        SqlStatement insert = m_db.prepare(QStringLiteral("INSERT INTO entities (name) VALUES (?)"), message);
        if (!insert)
            return false;
        insert.bindText(1, entity->name());
        if (!insert.run()) {
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

// Entity numbers by name, as the file has them.
bool PersistentStore::readEntityIDs(QHash<QString, qint64>* ids, QString* message)
{
    SqlStatement select = m_db.prepare(QStringLiteral("SELECT id, name FROM entities"), message);
    if (!select)
        return false;
    while (select.step() == SQLITE_ROW)
        ids->insert(select.text(1), select.int64(0));
    return true;
}

bool PersistentStore::ensureIndexes(QString* message)
{
    for (const EntityDescription* entity : m_model->entities()) {
        for (const AttributeDescription* attribute : entity->attributes()) {
            for (const QString& statement : indexStatements(entity, attribute)) {
                if (!m_db.exec(statement, message))
                    return false;
            }
        }
    }
    return true;
}

// The indexes an attribute asks for, on the entity that declares it: by value (in code point
// order for strings) and by each folded form it is searched in.
QStringList PersistentStore::indexStatements(
    const EntityDescription* entity, const AttributeDescription* attribute) const
{
    const EntityLayout& entityLayout = layout(entity);
    const int column = entityLayout.attributeColumns[size_t(attribute->index())];
    if ((!attribute->isIndexed() && attribute->foldedIndexes().isEmpty()) || attribute->entity() != entity
        || column < 0)
        return {};
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
    return sql;
}

QStringList PersistentStore::tableColumns(const QString& table)
{
    QStringList columns;
    SqlStatement info = m_db.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)"));
    if (!info)
        return columns;
    info.bindText(1, table);
    while (info.step() == SQLITE_ROW)
        columns.append(info.text(0));
    return columns;
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

// --- migration ---

// What a migration has learnt of the file so far. message receives SQLite's reason for a failure.
struct PersistentStore::Migration {
    QString* message = nullptr;
    QStringList existingTables;
    QHash<QString, qint64> storedEntities; // by name
    QSet<QString> wantedTables { QStringLiteral("meta"), QStringLiteral("entities") };
};

// Brings an older store to the model's shape in one transaction: renamed entities, attributes
// and relationships keep their data (renamingIdentifier), new ones are added (attributes with
// their default), removed ones dropped. On any failure nothing changes.
bool PersistentStore::migrate(QString* message)
{
    // In order: renames come before anything that looks tables or columns up by their new name.
    static constexpr MigrationStep steps[] = {
        &PersistentStore::readStoredSchema,
        &PersistentStore::renameEntities,
        &PersistentStore::dropRemovedEntities,
        &PersistentStore::migrateEntityTables,
        &PersistentStore::migrateJoinTables,
        &PersistentStore::dropUnwantedTables,
        &PersistentStore::recordModelVersion,
    };
    if (!m_db.exec(QStringLiteral("BEGIN IMMEDIATE"), message))
        return false;
    Migration migration;
    migration.message = message;
    for (const MigrationStep step : steps) {
        if (!(this->*step)(migration)) {
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

bool PersistentStore::readStoredSchema(Migration& migration)
{
    {
        SqlStatement list = m_db.prepare(
            QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"), migration.message);
        if (!list)
            return false;
        while (list.step() == SQLITE_ROW)
            migration.existingTables.append(list.text(0));
    }
    return readEntityIDs(&migration.storedEntities, migration.message);
}

// Renamed entities keep their number, and a renamed root entity its table.
bool PersistentStore::renameEntities(Migration& migration)
{
    QStringList& existingTables = migration.existingTables;
    QHash<QString, qint64>& storedEntities = migration.storedEntities;
    for (const EntityDescription* entity : m_model->entities()) {
        const QString old = entity->renamingIdentifier();
        if (old.isEmpty() || storedEntities.contains(entity->name()) || !storedEntities.contains(old))
            continue;
        if (!m_db.exec(
                QStringLiteral("UPDATE entities SET name = '%1' WHERE name = '%2'").arg(entity->name(), old),
                migration.message))
            return false;
        storedEntities.insert(entity->name(), storedEntities.take(old));
        const QString oldTable = QStringLiteral("t_") + old;
        if (!entity->superentity() && existingTables.contains(oldTable)) {
            const QString newTable = QStringLiteral("t_") + entity->name();
            if (!m_db.exec(
                    QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quoted(oldTable), quoted(newTable)),
                    migration.message))
                return false;
            existingTables.replace(existingTables.indexOf(oldTable), newTable);
        }
    }
    return true;
}

// Rows of entities the model no longer has, and their numbers.
bool PersistentStore::dropRemovedEntities(Migration& migration)
{
    QSet<QString> modelEntities;
    for (const EntityDescription* entity : m_model->entities())
        modelEntities.insert(entity->name());
    for (auto it = migration.storedEntities.begin(); it != migration.storedEntities.end(); ++it) {
        if (modelEntities.contains(it.key()))
            continue;
        for (const QString& table : migration.existingTables) {
            if (table.startsWith(QStringLiteral("t_")) && tableColumns(table).contains(QStringLiteral("ent"))
                && !m_db.exec(
                    QStringLiteral("DELETE FROM %1 WHERE ent = %2").arg(quoted(table)).arg(it.value()),
                    migration.message))
                return false;
        }
        if (!m_db.exec(
                QStringLiteral("DELETE FROM entities WHERE id = %1").arg(it.value()), migration.message))
            return false;
    }
    return true;
}

bool PersistentStore::migrateEntityTables(Migration& migration)
{
    for (const auto& table : m_tables) {
        if (!migrateTable(*table, migration))
            return false;
    }
    return true;
}

// Creates a new family's table; in an existing one renames, adds and drops columns.
bool PersistentStore::migrateTable(const TableLayout& table, Migration& migration)
{
    migration.wantedTables.insert(table.name);
    if (!migration.existingTables.contains(table.name)) {
        for (const QString& statement : entityTableStatements(table.name, table.columns)) {
            if (!m_db.exec(statement, migration.message))
                return false;
        }
        return true;
    }
    QStringList present = tableColumns(table.name);
    for (const EntityDescription* entity : table.root->selfAndDescendants()) {
        for (const AttributeDescription* attribute : entity->attributes()) {
            if (attribute->entity() == entity && !attribute->isTransient()
                && !migrateAttributeColumn(table, entity, attribute, present, migration))
                return false;
        }
        for (const RelationshipDescription* relationship : entity->relationships()) {
            if (relationship->entity() == entity && !relationship->isToMany()
                && !migrateRelationshipColumn(table, relationship, present, migration))
                return false;
        }
    }
    for (const QString& column : present) {
        if (column == QLatin1String("pk") || column == QLatin1String("ent") || table.columns.contains(column))
            continue;
        if (!dropColumn(table, column, migration))
            return false;
    }
    return true;
}

// A renamed attribute's column is renamed; a new one is added and filled with the default.
bool PersistentStore::migrateAttributeColumn(const TableLayout& table, const EntityDescription* entity,
    const AttributeDescription* attribute, QStringList& present, Migration& migration)
{
    const QString column = attributeColumn(attribute->name());
    if (present.contains(column))
        return true;
    const QString old = attributeColumn(attribute->renamingIdentifier());
    if (!attribute->renamingIdentifier().isEmpty() && present.contains(old)) {
        if (!m_db.exec(QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %3")
                           .arg(quoted(table.name), quoted(old), quoted(column)),
                migration.message))
            return false;
        present.replace(present.indexOf(old), column);
        return true;
    }
    if (!m_db.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(quoted(table.name), quoted(column)),
            migration.message))
        return false;
    present.append(column);
    const QVariant value = encode(attribute, attribute->defaultValue());
    if (!value.isValid())
        return true;
    SqlStatement fill = m_db.prepare(
        QStringLiteral("UPDATE %1 SET %2 = ? WHERE ent IN (%3)")
            .arg(quoted(table.name), quoted(column), entityListByName(entity, migration.storedEntities)),
        migration.message);
    if (!fill)
        return false;
    fill.bind(1, value);
    return fill.run();
}

// A to-one's key and entity columns, renamed with the relationship or added with an index.
bool PersistentStore::migrateRelationshipColumn(const TableLayout& table,
    const RelationshipDescription* relationship, QStringList& present, Migration& migration)
{
    const QString column = relationshipColumn(relationship->name());
    if (present.contains(column))
        return true;
    const QString old = relationshipColumn(relationship->renamingIdentifier());
    const QString entityColumn = column + QStringLiteral("_ent");
    if (!relationship->renamingIdentifier().isEmpty() && present.contains(old)) {
        const QString oldEntityColumn = old + QStringLiteral("_ent");
        if (!m_db.exec(QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %3")
                           .arg(quoted(table.name), quoted(old), quoted(column)),
                migration.message)
            || !m_db.exec(QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %3")
                              .arg(quoted(table.name), quoted(oldEntityColumn), quoted(entityColumn)),
                migration.message))
            return false;
        present.replace(present.indexOf(old), column);
        present.replace(present.indexOf(oldEntityColumn), entityColumn);
        return true;
    }
    if (!m_db.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(quoted(table.name), quoted(column)),
            migration.message)
        || !m_db.exec(
            QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(quoted(table.name), quoted(entityColumn)),
            migration.message))
        return false;
    present << column << entityColumn;
    return m_db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
                         .arg(quoted(QStringLiteral("i_") + table.name + QLatin1Char('_') + column),
                             quoted(table.name), quoted(column)),
        migration.message);
}

// A column the model no longer has, with the indexes on it.
bool PersistentStore::dropColumn(const TableLayout& table, const QString& column, Migration& migration)
{
    // Indexes keep the name they had before a table was renamed: found by column.
    QStringList indexes;
    {
        SqlStatement find = m_db.prepare(
            QStringLiteral("SELECT il.name FROM pragma_index_list(?1) il, pragma_index_info(il.name) ii "
                           "WHERE ii.name = ?2"),
            migration.message);
        if (!find)
            return false;
        find.bindText(1, table.name);
        find.bindText(2, column);
        while (find.step() == SQLITE_ROW)
            indexes.append(find.text(0));
    }
    for (const QString& index : indexes) {
        if (!m_db.exec(QStringLiteral("DROP INDEX %1").arg(quoted(index)), migration.message))
            return false;
    }
    return m_db.exec(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(quoted(table.name), quoted(column)),
        migration.message);
}

// Tables of pairs, renamed with their owning entity or relationship.
bool PersistentStore::migrateJoinTables(Migration& migration)
{
    for (const EntityDescription* entity : m_model->entities()) {
        for (const RelationshipDescription* relationship : entity->relationships()) {
            if (relationship->isManyToMany() && relationship->entity() == entity
                && !migrateJoinTable(relationship, migration))
                return false;
        }
    }
    return true;
}

bool PersistentStore::migrateJoinTable(const RelationshipDescription* relationship, Migration& migration)
{
    bool ownerSide = false;
    const QString name = joinTableName(relationship, &ownerSide);
    if (migration.wantedTables.contains(name))
        return true;
    migration.wantedTables.insert(name);
    if (migration.existingTables.contains(name))
        return true;
    const RelationshipDescription* owner = ownerSide ? relationship : relationship->inverseRelationship();
    const QString oldEntity = owner->entity()->renamingIdentifier().isEmpty()
        ? owner->entity()->name()
        : owner->entity()->renamingIdentifier();
    const QString oldName
        = owner->renamingIdentifier().isEmpty() ? owner->name() : owner->renamingIdentifier();
    const QString old = QStringLiteral("j_%1_%2").arg(oldEntity, oldName);
    if (migration.existingTables.contains(old)) {
        if (!m_db.exec(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quoted(old), quoted(name)),
                migration.message))
            return false;
        migration.existingTables.replace(migration.existingTables.indexOf(old), name);
        return true;
    }
    for (const QString& statement : joinTableStatements(name)) {
        if (!m_db.exec(statement, migration.message))
            return false;
    }
    return true;
}

bool PersistentStore::dropUnwantedTables(Migration& migration)
{
    for (const QString& table : migration.existingTables) {
        if (!migration.wantedTables.contains(table) && !table.startsWith(QStringLiteral("sqlite_"))
            && !m_db.exec(QStringLiteral("DROP TABLE %1").arg(quoted(table)), migration.message))
            return false;
    }
    return true;
}

bool PersistentStore::recordModelVersion(Migration& migration)
{
    SqlStatement meta = m_db.prepare(
        QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)"), migration.message);
    if (!meta)
        return false;
    meta.bindText(1, ModelVersionKey);
    meta.bindInt64(2, m_model->version());
    if (!meta.run())
        return false;
    meta.reset();
    meta.bindText(1, ModelVersionHashKey);
    meta.bindText(2, QString::fromLatin1(m_model->versionHash()));
    return meta.run();
}
