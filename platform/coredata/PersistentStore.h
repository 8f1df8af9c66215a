#pragma once

#include "EntityDescription.h"
#include "Error.h"
#include "SortDescriptor.h"
#include "SqlConnection.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AttributeDescription;
class EntityDescription;
class ManagedObject;
class ManagedObjectModel;
class PersistentStoreCoordinator;
class RelationshipDescription;

// One SQLite store file. Sub-entities share their root entity's table; a to-one relationship is
// a key column on its own side, a to-many with a to-one inverse lives in that inverse's column,
// other to-many relationships get a table of pairs. Metadata sits in a table of its own so that
// it can be read from the file alone.
class PersistentStore
{
public:
    // The most objects one batched read takes.
    static constexpr int kReadBatchSize = 256;
    ~PersistentStore();
    PersistentStore(const PersistentStore&) = delete;
    PersistentStore& operator=(const PersistentStore&) = delete;

    QString type() const;
    // The store's UUID, kept in the file.
    QString identifier() const { return m_identifier; }
    QString path() const { return m_path; }
    QVariantMap metadata() const;
    PersistentStoreCoordinator* persistentStoreCoordinator() const { return m_coordinator; }
    quint32 storeNumber() const { return m_storeNumber; }
    // A read-only store reads as any other; every save fails and nothing is written to its files.
    // It is opened so when its folder or file cannot be written, or when asked to.
    bool isReadOnly() const { return m_readOnly; }
    // Why the store is read-only, naming the folder or file; empty when it is not.
    QString readOnlyReason() const { return m_readOnlyReason; }

    // Moves the write-ahead log into the main file, so the file alone is the whole store
    // (before copying or replacing it).
    bool checkpoint(Error* error = nullptr);

    // Process-wide lookup of open stores by their number, and of the UUID of any number handed out.
    static PersistentStore* storeForNumber(quint32 number);
    static QString identifierForNumber(quint32 number);

    // Metadata keys.
    static const QString StoreTypeKey;
    static const QString StoreUUIDKey;
    static const QString ModelVersionKey;
    static const QString ModelVersionHashKey;

    // Leaves no file beside the store that was not there before.
    static std::optional<QVariantMap> readMetadata(const QString& path, Error* error);

    // Test seam: replaces the check whether a file or folder can be written (access(W_OK) by
    // default, which root passes whatever the modes); nullptr restores the default.
    static void setWritabilityCheckForTesting(std::function<bool(const QString& path)> check);

    // An ORDER BY list for sort descriptors on stored attributes; empty when SQL cannot order them
    // as the descriptors do.
    QString orderByFor(const EntityDescription* entity, const QList<SortDescriptor>& descriptors) const;

private:
    friend class PersistentStoreCoordinator;
    friend class ManagedObjectContext;
    friend class PredicateSqlCompiler;

    struct TableLayout;
    struct EntityLayout {
        const EntityDescription* entity = nullptr;
        TableLayout* table = nullptr;
        std::vector<int> attributeColumns; // per attribute index; -1 when not stored
        std::vector<int> relationshipColumns; // per relationship index; key column of a to-one, else -1
        qint64 storeEntityID = 0;
    };
    struct TableLayout {
        const EntityDescription* root = nullptr;
        QString name;
        QStringList columns; // after "pk" and "ent"
        QString selectList; // "pk","ent",columns...
        QString selectListT0; // the same, qualified by the alias t0
    };
    struct JoinTable {
        QString name;
        const RelationshipDescription* owner = nullptr; // the side whose objects go in column "a"
    };
    using RowHandler = std::function<void(const EntityDescription* entity, qint64 key, SqlStatement& row)>;

    // Working state of one migration and of one save; defined where they are used.
    struct Migration;
    struct Save;
    using MigrationStep = bool (PersistentStore::*)(Migration& migration);

    PersistentStore(
        PersistentStoreCoordinator* coordinator, const ManagedObjectModel* model, const QString& path);

    // Opening (PersistentStore.cpp). Each step that fails sets error and closes the connection.
    bool open(const QVariantMap& options, Error* error);
    bool openFiles(const QVariantMap& options, Error* error);
    void decideAccess(const QVariantMap& options);
    bool recoverInterruptedCreation(const QString& name, Error* error);
    bool discardInterruptedCreation(const QString& name, Error* error);
    bool openExistingFile(const QString& name, Error* error);
    bool createFile(const QString& name, Error* error);
    bool configureConnection(QString* message);
    bool matchesModel() const;
    bool migrateOnOpen(const QVariantMap& options, const QString& name, Error* error);
    bool registerOpenStore(Error* error);
    bool failOpening(Error* error, int code, const QString& description);
    void registerFunctions();
    void close();

    // Layout and schema (PersistentStoreSchema.cpp).
    void buildLayout();
    void layoutEntity(TableLayout* table, const EntityDescription* entity);
    bool createSchema(QString* message);
    QStringList schemaStatements() const;
    bool writeInitialMetadata(QString* message);
    bool loadEntityIDs(QString* message);
    bool readEntityIDs(QHash<QString, qint64>* ids, QString* message);
    bool ensureIndexes(QString* message);
    QStringList indexStatements(const EntityDescription* entity, const AttributeDescription* attribute) const;
    QStringList tableColumns(const QString& table);
    QString entityListByName(const EntityDescription* entity, const QHash<QString, qint64>& storedIDs) const;

    // Migration (PersistentStoreSchema.cpp): the steps run in order in one transaction.
    bool migrate(QString* message);
    bool readStoredSchema(Migration& migration);
    bool renameEntities(Migration& migration);
    bool dropRemovedEntities(Migration& migration);
    bool migrateEntityTables(Migration& migration);
    bool migrateJoinTables(Migration& migration);
    bool dropUnwantedTables(Migration& migration);
    bool recordModelVersion(Migration& migration);
    bool migrateTable(const TableLayout& table, Migration& migration);
    bool migrateAttributeColumn(const TableLayout& table, const EntityDescription* entity,
        const AttributeDescription* attribute, QStringList& present, Migration& migration);
    bool migrateRelationshipColumn(const TableLayout& table, const RelationshipDescription* relationship,
        QStringList& present, Migration& migration);
    bool dropColumn(const TableLayout& table, const QString& column, Migration& migration);
    bool migrateJoinTable(const RelationshipDescription* relationship, Migration& migration);

    const EntityLayout& layout(const EntityDescription* entity) const
    {
        return m_entityLayouts[size_t(entity->entityIndex())];
    }
    const EntityDescription* entityForStoreID(qint64 id) const { return m_entitiesByStoreID.value(id); }
    QString joinTableName(const RelationshipDescription* relationship, bool* ownerSide) const;

    // Reading (PersistentStoreRows.cpp; callers hold the coordinator's lock). `refused` is set when
    // SQLite would not prepare the statement (a condition nested deeper than its parser takes):
    // nothing was read, and the caller may ask again without the condition.
    bool fetchRows(const EntityDescription* entity, bool includeSubentities, const QString& where,
        const QVariantList& bindings, const QString& orderBy, const RowHandler& handler, QString* message,
        bool* refused = nullptr);
    // -1 on error.
    qint64 countRows(const EntityDescription* entity, bool includeSubentities, const QString& where,
        const QVariantList& bindings, QString* message, bool* refused = nullptr);
    QString rowConditions(
        const EntityDescription* entity, bool includeSubentities, const QString& where) const;
    void fillObject(ManagedObject* object, SqlStatement& row) const;
    bool loadObject(ManagedObject* object);
    bool loadToMany(const ManagedObject* owner, const RelationshipDescription* relationship,
        const std::function<void(const EntityDescription*, qint64)>& handler);
    QString toManySql(const RelationshipDescription* relationship) const;
    // The same for many objects at once: rows of the table `entity` lives in, by key, and the
    // members of one to-many for many owners (owner key first). A key list longer than
    // kReadBatchSize is refused.
    bool loadRows(const EntityDescription* entity, const QList<qint64>& keys,
        const std::function<void(qint64, SqlStatement&)>& handler);
    bool loadToManyOfOwners(const QList<qint64>& ownerKeys, const RelationshipDescription* relationship,
        const std::function<void(qint64, const EntityDescription*, qint64)>& handler);

    // Writing (PersistentStoreRows.cpp): one transaction, in passes. A pass that fails leaves the
    // reason in the Save and the transaction to be rolled back.
    // On success each inserted object holds the key of its new row in m_newKey, for the caller
    // to take; on failure none does.
    bool saveChanges(const QList<ManagedObject*>& inserted, const QList<ManagedObject*>& updated,
        const QList<ManagedObject*>& deleted, Error* error);
    bool assignKeys(const QList<ManagedObject*>& inserted, Save& save);
    bool highestKey(const TableLayout* table, qint64* key, QString* message);
    bool insertRows(const QList<ManagedObject*>& inserted, Save& save);
    // An INSERT of `rows` rows of the entity; *columns receives the parameters of each row.
    SqlStatement prepareInsert(
        const EntityDescription* entity, qsizetype rows, int* columns, QString* message);
    // Binds the object's row from parameter `first` on.
    void bindInsert(SqlStatement& insert, ManagedObject* object, const Save& save, int first) const;
    bool updateRows(const QList<ManagedObject*>& updated, Save& save);
    bool updateRow(ManagedObject* object, Save& save);
    bool writeJoinPairs(
        const QList<ManagedObject*>& inserted, const QList<ManagedObject*>& updated, Save& save);
    bool writeObjectPairs(ManagedObject* object, bool isNew, Save& save);
    bool writePair(const QString& table, ManagedObject* a, ManagedObject* b, bool add, Save& save);
    bool deleteRows(const QList<ManagedObject*>& deleted, Save& save);
    bool deleteRow(ManagedObject* object, Save& save);
    bool storeHighestKeys(Save& save);
    qint64 keyOf(const Save& save, ManagedObject* object) const;
    void bindTarget(SqlStatement& statement, int index, ManagedObject* target, const Save& save) const;

    QVariant encode(const AttributeDescription* attribute, const QVariant& value) const;
    // Binds what encode() gives, the common types without a converted copy; a text is bound in
    // place, so the value must stay as it is until the statement has run.
    void bindValue(SqlStatement& statement, int index, const AttributeDescription* attribute,
        const QVariant& value) const;
    QVariant decode(const AttributeDescription* attribute, SqlStatement& row, int column) const;
    QString entityList(const EntityDescription* entity, bool includeSubentities) const;

    PersistentStoreCoordinator* m_coordinator;
    const ManagedObjectModel* m_model;
    QString m_path;
    QString m_identifier;
    quint32 m_storeNumber = 0;
    SqlConnection m_db;
    std::vector<std::unique_ptr<TableLayout>> m_tables;
    std::vector<EntityLayout> m_entityLayouts;
    QHash<qint64, const EntityDescription*> m_entitiesByStoreID;
    QVariantMap m_metadata;
    bool m_readOnly = false;
    QString m_readOnlyReason;
};
