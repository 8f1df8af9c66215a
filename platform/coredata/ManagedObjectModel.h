#pragma once

#include "EntityDescription.h"
#include "FetchRequest.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>
#include <vector>

// The entities of an object store and its named fetch-request templates, loaded from JSON.
//
// Format (one object):
//   "version":  integer, the model's version; a store of a higher version does not open.
//   "entities": array of
//       { "name": "Recipe", "class": "RecipeMO" (optional, default ManagedObject),
//         "parent": "Base" (optional), "abstract": false (optional),
//         "renamingIdentifier": "OldName" (optional: the name in the previous version),
//         "attributes": [ { "name": "title", "type": "string", "optional": true, "transient": false,
//                           "default": <JSON value>, "renamingIdentifier": "oldTitle",
//                           "indexed": false (true: an index on the value, for sorting and comparing),
//                           "foldedIndexes": ["c", "cd"] (strings: indexes on the folded value for
//                           [c], [d] or [cd] comparisons) } ],
//         "relationships": [ { "name": "items", "destination": "Item", "inverse": "owner",
//                              "toMany": true, "optional": true, "deleteRule": "cascade",
//                              "renamingIdentifier": "oldItems" } ] }
//     types: string, integer16, integer32, integer64, decimal, double, float, boolean, date,
//     binary, transformable; delete rules: nullify (default), cascade, deny, noAction.
//     A date default is ISO 8601 text; a decimal default is a number or its text.
//   "fetchRequestTemplates": { "fetchByName": { "entity": "Item", "predicate": "name == $name" } }
//     ($variables are substituted when the template is used).
class ManagedObjectModel
{
public:
    ~ManagedObjectModel();
    ManagedObjectModel(const ManagedObjectModel&) = delete;
    ManagedObjectModel& operator=(const ManagedObjectModel&) = delete;

    // nullptr with a message in *error for unreadable or inconsistent input.
    static std::unique_ptr<ManagedObjectModel> modelWithJSON(
        const QByteArray& json, QString* error = nullptr);
    // A file path or a Qt resource path (":/Kitchora.model.json").
    static std::unique_ptr<ManagedObjectModel> modelWithContentsOfFile(
        const QString& path, QString* error = nullptr);

    int version() const { return m_version; }
    // Digest of everything that shapes the stored tables; equal hashes share one schema.
    QByteArray versionHash() const { return m_versionHash; }

    const std::vector<const EntityDescription*>& entities() const { return m_entityList; }
    const EntityDescription* entityNamed(const QString& name) const { return m_entitiesByName.value(name); }
    QHash<QString, const EntityDescription*> entitiesByName() const { return m_entitiesByName; }

    // The template as stored; nullopt when there is none of that name.
    std::optional<FetchRequest> fetchRequestTemplateForName(const QString& name) const;
    // The template with its $variables replaced; nullopt when the template is missing.
    std::optional<FetchRequest> fetchRequestFromTemplateWithName(
        const QString& name, const QVariantMap& variables) const;
    // The template's predicate format, for inspection.
    QString fetchRequestTemplatePredicateFormat(const QString& name) const;
    QStringList fetchRequestTemplateNames() const { return m_templates.keys(); }

private:
    ManagedObjectModel() = default;
    // Each step fails with a message in *error; the model is then unusable.
    bool load(const QVariantMap& root, QString* error);
    bool loadVersion(const QVariantMap& root, QString* error);
    bool loadEntities(const QVariantList& entities, QString* error);
    bool loadEntity(const QVariantMap& map, QString* error);
    static bool loadAttribute(EntityDescription& entity, const QVariantMap& map, QString* error);
    static bool loadRelationship(EntityDescription& entity, const QVariantMap& map, QString* error);
    bool linkParents(QString* error);
    bool checkInheritanceCycles(QString* error) const;
    std::vector<EntityDescription*> entitiesParentsFirst() const;
    bool buildPropertyLists(QString* error);
    static bool inheritAndIndexProperties(EntityDescription& entity, QString* error);
    bool linkRelationships(QString* error);
    bool linkRelationship(
        const EntityDescription& entity, RelationshipDescription& relationship, QString* error) const;
    bool loadTemplates(const QVariantMap& templates, QString* error);
    void computeVersionHash();

    struct Template {
        QString entityName;
        QString predicateFormat;
        std::shared_ptr<const Predicate> predicate;
    };

    int m_version = 1;
    QByteArray m_versionHash;
    std::vector<std::unique_ptr<EntityDescription>> m_entities;
    std::vector<const EntityDescription*> m_entityList;
    QHash<QString, const EntityDescription*> m_entitiesByName;
    QHash<QString, Template> m_templates;
};
