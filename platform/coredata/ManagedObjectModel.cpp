#include "ManagedObjectModel.h"

#include "Decimal.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>
#include <algorithm>
#include <functional>

namespace
{

bool fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

bool deleteRuleFromName(const QString& name, RelationshipDescription::DeleteRule* rule)
{
    using Rule = RelationshipDescription::DeleteRule;
    static const QHash<QString, Rule> rules {
        { QStringLiteral("nullify"), Rule::Nullify },
        { QStringLiteral("cascade"), Rule::Cascade },
        { QStringLiteral("deny"), Rule::Deny },
        { QStringLiteral("noAction"), Rule::NoAction },
    };
    auto it = rules.find(name);
    if (it == rules.end())
        return false;
    *rule = *it;
    return true;
}

// A JSON default in the attribute's own type.
bool defaultFromJson(const AttributeDescription& attribute, const QVariant& json, QVariant* result)
{
    using Type = AttributeDescription::AttributeType;
    if (!json.isValid() || json.isNull()) {
        *result = QVariant();
        return true;
    }
    QVariant value = json;
    if (attribute.attributeType() == Type::Date && json.metaType().id() == QMetaType::QString) {
        QDateTime date = QDateTime::fromString(json.toString(), Qt::ISODateWithMs);
        if (!date.isValid())
            return false;
        value = date;
    } else if (attribute.attributeType() == Type::Decimal && json.metaType().id() == QMetaType::QString) {
        Decimal decimal = Decimal::decimalNumberWithString(json.toString());
        if (!decimal.isValid())
            return false;
        value = QVariant::fromValue(decimal);
    } else if (attribute.attributeType() == Type::Binary && json.metaType().id() == QMetaType::QString) {
        value = QByteArray::fromBase64(json.toString().toLatin1());
    }
    bool ok = false;
    *result = attribute.coerce(value, &ok);
    return ok;
}

} // namespace

ManagedObjectModel::~ManagedObjectModel() = default;

std::unique_ptr<ManagedObjectModel> ManagedObjectModel::modelWithContentsOfFile(
    const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, QStringLiteral("cannot read the model file %1: %2").arg(path, file.errorString()));
        return nullptr;
    }
    return modelWithJSON(file.readAll(), error);
}

std::unique_ptr<ManagedObjectModel> ManagedObjectModel::modelWithJSON(const QByteArray& json, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        fail(error,
            QStringLiteral("the model is not valid JSON: %1 at offset %2")
                .arg(parseError.errorString())
                .arg(parseError.offset));
        return nullptr;
    }
    if (!document.isObject()) {
        fail(error, QStringLiteral("the model must be a JSON object"));
        return nullptr;
    }
    std::unique_ptr<ManagedObjectModel> model(new ManagedObjectModel);
    if (!model->load(document.object().toVariantMap(), error))
        return nullptr;
    return model;
}

bool ManagedObjectModel::load(const QVariantMap& root, QString* error)
{
    if (!loadVersion(root, error))
        return false;
    if (!loadEntities(root.value(QStringLiteral("entities")).toList(), error))
        return false;
    if (!linkParents(error) || !checkInheritanceCycles(error))
        return false;
    if (!buildPropertyLists(error))
        return false;
    if (!linkRelationships(error))
        return false;
    if (!loadTemplates(root.value(QStringLiteral("fetchRequestTemplates")).toMap(), error))
        return false;
    computeVersionHash();
    return true;
}

bool ManagedObjectModel::loadVersion(const QVariantMap& root, QString* error)
{
    if (!root.contains(QStringLiteral("version")))
        return true;
    bool ok = false;
    m_version = root.value(QStringLiteral("version")).toInt(&ok);
    if (!ok || m_version < 1)
        return fail(error, QStringLiteral("\"version\" must be a positive integer"));
    return true;
}

// --- entities and their own properties ---

bool ManagedObjectModel::loadEntities(const QVariantList& entities, QString* error)
{
    if (entities.isEmpty())
        return fail(error, QStringLiteral("the model has no \"entities\""));
    for (const QVariant& entry : entities) {
        if (!loadEntity(entry.toMap(), error))
            return false;
    }
    return true;
}

bool ManagedObjectModel::loadEntity(const QVariantMap& map, QString* error)
{
    auto entity = std::make_unique<EntityDescription>();
    entity->m_name = map.value(QStringLiteral("name")).toString();
    if (entity->m_name.isEmpty())
        return fail(error, QStringLiteral("an entity has no name"));
    if (m_entitiesByName.contains(entity->m_name))
        return fail(error, QStringLiteral("entity %1 is defined twice").arg(entity->m_name));
    entity->m_className = map.value(QStringLiteral("class"), QStringLiteral("ManagedObject")).toString();
    entity->m_parentName = map.value(QStringLiteral("parent")).toString();
    entity->m_abstract = map.value(QStringLiteral("abstract")).toBool();
    entity->m_renamingIdentifier = map.value(QStringLiteral("renamingIdentifier")).toString();
    entity->m_model = this;
    entity->m_entityIndex = int(m_entities.size());
    for (const QVariant& attribute : map.value(QStringLiteral("attributes")).toList()) {
        if (!loadAttribute(*entity, attribute.toMap(), error))
            return false;
    }
    for (const QVariant& relationship : map.value(QStringLiteral("relationships")).toList()) {
        if (!loadRelationship(*entity, relationship.toMap(), error))
            return false;
    }
    m_entitiesByName.insert(entity->m_name, entity.get());
    m_entityList.push_back(entity.get());
    m_entities.push_back(std::move(entity));
    return true;
}

bool ManagedObjectModel::loadAttribute(EntityDescription& entity, const QVariantMap& map, QString* error)
{
    auto attribute = std::make_unique<AttributeDescription>();
    attribute->m_name = map.value(QStringLiteral("name")).toString();
    if (attribute->m_name.isEmpty())
        return fail(error, QStringLiteral("an attribute of %1 has no name").arg(entity.m_name));
    const QString typeName = map.value(QStringLiteral("type")).toString();
    if (!AttributeDescription::typeFromName(typeName, &attribute->m_type))
        return fail(error,
            QStringLiteral("attribute %1.%2 has the unknown type \"%3\"")
                .arg(entity.m_name, attribute->m_name, typeName));
    attribute->m_optional = map.value(QStringLiteral("optional"), true).toBool();
    attribute->m_transient = map.value(QStringLiteral("transient"), false).toBool();
    attribute->m_indexed = map.value(QStringLiteral("indexed"), false).toBool();
    attribute->m_foldedIndexes = map.value(QStringLiteral("foldedIndexes")).toStringList();
    for (const QString& form : attribute->m_foldedIndexes) {
        if (form != QLatin1String("c") && form != QLatin1String("d") && form != QLatin1String("cd"))
            return fail(error,
                QStringLiteral("attribute %1.%2 has the unknown folded index \"%3\"")
                    .arg(entity.m_name, attribute->m_name, form));
    }
    if (!attribute->m_foldedIndexes.isEmpty()
        && attribute->m_type != AttributeDescription::AttributeType::String)
        return fail(error,
            QStringLiteral("attribute %1.%2 has folded indexes but is not a string")
                .arg(entity.m_name, attribute->m_name));
    attribute->m_renamingIdentifier = map.value(QStringLiteral("renamingIdentifier")).toString();
    attribute->m_entity = &entity;
    if (!defaultFromJson(*attribute, map.value(QStringLiteral("default")), &attribute->m_defaultValue))
        return fail(error,
            QStringLiteral("attribute %1.%2 has a default that does not fit its type")
                .arg(entity.m_name, attribute->m_name));
    entity.m_ownAttributes.push_back(std::move(attribute));
    return true;
}

bool ManagedObjectModel::loadRelationship(EntityDescription& entity, const QVariantMap& map, QString* error)
{
    auto relationship = std::make_unique<RelationshipDescription>();
    relationship->m_name = map.value(QStringLiteral("name")).toString();
    if (relationship->m_name.isEmpty())
        return fail(error, QStringLiteral("a relationship of %1 has no name").arg(entity.m_name));
    relationship->m_destinationName = map.value(QStringLiteral("destination")).toString();
    relationship->m_inverseName = map.value(QStringLiteral("inverse")).toString();
    relationship->m_toMany = map.value(QStringLiteral("toMany"), false).toBool();
    relationship->m_optional = map.value(QStringLiteral("optional"), true).toBool();
    relationship->m_renamingIdentifier = map.value(QStringLiteral("renamingIdentifier")).toString();
    const QString rule = map.value(QStringLiteral("deleteRule"), QStringLiteral("nullify")).toString();
    if (!deleteRuleFromName(rule, &relationship->m_deleteRule))
        return fail(error,
            QStringLiteral("relationship %1.%2 has the unknown delete rule \"%3\"")
                .arg(entity.m_name, relationship->m_name, rule));
    relationship->m_entity = &entity;
    entity.m_ownRelationships.push_back(std::move(relationship));
    return true;
}

// --- inheritance ---

bool ManagedObjectModel::linkParents(QString* error)
{
    for (auto& entity : m_entities) {
        if (entity->m_parentName.isEmpty())
            continue;
        const EntityDescription* parent = m_entitiesByName.value(entity->m_parentName);
        if (!parent)
            return fail(error,
                QStringLiteral("entity %1 has the unknown parent %2")
                    .arg(entity->m_name, entity->m_parentName));
        entity->m_superentity = parent;
        const_cast<EntityDescription*>(parent)->m_subentities.append(entity.get());
    }
    return true;
}

bool ManagedObjectModel::checkInheritanceCycles(QString* error) const
{
    for (auto& entity : m_entities) {
        QSet<const EntityDescription*> seen;
        for (const EntityDescription* e = entity.get(); e; e = e->m_superentity) {
            if (seen.contains(e))
                return fail(error, QStringLiteral("entity %1 inherits from itself").arg(entity->m_name));
            seen.insert(e);
        }
    }
    return true;
}

std::vector<EntityDescription*> ManagedObjectModel::entitiesParentsFirst() const
{
    std::vector<EntityDescription*> ordered;
    QSet<EntityDescription*> done;
    std::function<void(EntityDescription*)> visit = [&](EntityDescription* e) {
        if (done.contains(e))
            return;
        if (e->m_superentity)
            visit(const_cast<EntityDescription*>(e->m_superentity));
        done.insert(e);
        ordered.push_back(e);
    };
    for (auto& entity : m_entities)
        visit(entity.get());
    return ordered;
}

bool ManagedObjectModel::buildPropertyLists(QString* error)
{
    // A child's lists start from its parent's, so parents go first.
    for (EntityDescription* entity : entitiesParentsFirst()) {
        if (!inheritAndIndexProperties(*entity, error))
            return false;
    }
    return true;
}

bool ManagedObjectModel::inheritAndIndexProperties(EntityDescription& entity, QString* error)
{
    if (const EntityDescription* parent = entity.m_superentity) {
        entity.m_attributes = parent->m_attributes;
        entity.m_relationships = parent->m_relationships;
        entity.m_attributesByName = parent->m_attributesByName;
        entity.m_relationshipsByName = parent->m_relationshipsByName;
    }
    for (auto& attribute : entity.m_ownAttributes) {
        if (entity.hasProperty(attribute->m_name))
            return fail(error,
                QStringLiteral("property %1.%2 is defined twice").arg(entity.m_name, attribute->m_name));
        attribute->m_index = int(entity.m_attributes.size());
        entity.m_attributes.push_back(attribute.get());
        entity.m_attributesByName.insert(attribute->m_name, attribute.get());
    }
    for (auto& relationship : entity.m_ownRelationships) {
        if (entity.hasProperty(relationship->m_name))
            return fail(error,
                QStringLiteral("property %1.%2 is defined twice").arg(entity.m_name, relationship->m_name));
        relationship->m_index = int(entity.m_relationships.size());
        entity.m_relationships.push_back(relationship.get());
        entity.m_relationshipsByName.insert(relationship->m_name, relationship.get());
    }
    return true;
}

// --- destinations and inverses ---

bool ManagedObjectModel::linkRelationships(QString* error)
{
    for (auto& entity : m_entities) {
        for (auto& relationship : entity->m_ownRelationships) {
            if (!linkRelationship(*entity, *relationship, error))
                return false;
        }
    }
    return true;
}

bool ManagedObjectModel::linkRelationship(
    const EntityDescription& entity, RelationshipDescription& relationship, QString* error) const
{
    // The destination must exist, and an inverse must name this relationship back.
    const QString where = entity.m_name + QLatin1Char('.') + relationship.m_name;
    relationship.m_destination = m_entitiesByName.value(relationship.m_destinationName);
    if (!relationship.m_destination)
        return fail(error,
            QStringLiteral("relationship %1 has the unknown destination \"%2\"")
                .arg(where, relationship.m_destinationName));
    if (relationship.m_inverseName.isEmpty())
        return true;
    const RelationshipDescription* inverse
        = relationship.m_destination->relationshipNamed(relationship.m_inverseName);
    if (!inverse)
        return fail(error,
            QStringLiteral("relationship %1 has the unknown inverse \"%2\"")
                .arg(where, relationship.m_inverseName));
    if (inverse->m_inverseName != relationship.m_name
        || !entity.isKindOfEntity(m_entitiesByName.value(inverse->m_destinationName)))
        return fail(error,
            QStringLiteral("relationship %1 and its inverse %2.%3 do not name each other")
                .arg(where, relationship.m_destinationName, relationship.m_inverseName));
    relationship.m_inverse = inverse;
    return true;
}

// --- templates and version hash ---

bool ManagedObjectModel::loadTemplates(const QVariantMap& templates, QString* error)
{
    for (auto it = templates.begin(); it != templates.end(); ++it) {
        const QVariantMap map = it.value().toMap();
        Template t;
        t.entityName = map.value(QStringLiteral("entity")).toString();
        t.predicateFormat = map.value(QStringLiteral("predicate")).toString();
        if (!m_entitiesByName.contains(t.entityName))
            return fail(error,
                QStringLiteral("fetch request template %1 names the unknown entity \"%2\"")
                    .arg(it.key(), t.entityName));
        if (!t.predicateFormat.isEmpty()) {
            QString parseError;
            std::optional<Predicate> predicate
                = Predicate::predicateWithFormat(t.predicateFormat, {}, &parseError);
            if (!predicate)
                return fail(error,
                    QStringLiteral("fetch request template %1 has an unreadable predicate: %2")
                        .arg(it.key(), parseError));
            t.predicate = std::make_shared<const Predicate>(*predicate);
        }
        m_templates.insert(it.key(), t);
    }
    return true;
}

void ManagedObjectModel::computeVersionHash()
{
    // The hash covers what is stored: entities, stored attributes and relationships.
    QStringList lines;
    for (const EntityDescription* entity : m_entityList) {
        QStringList parts { QStringLiteral("E:") + entity->m_name, entity->m_parentName };
        for (auto& attribute : entity->m_ownAttributes) {
            if (!attribute->m_transient)
                parts << QStringLiteral("A:%1:%2").arg(
                    attribute->m_name, AttributeDescription::nameOfType(attribute->m_type));
        }
        for (auto& relationship : entity->m_ownRelationships)
            parts << QStringLiteral("R:%1:%2:%3:%4")
                         .arg(relationship->m_name, relationship->m_destinationName,
                             relationship->m_inverseName)
                         .arg(relationship->m_toMany ? 1 : 0);
        lines << parts.join(QLatin1Char('|'));
    }
    lines.sort();
    m_versionHash
        = QCryptographicHash::hash(lines.join(QLatin1Char('\n')).toUtf8(), QCryptographicHash::Sha1).toHex();
}

std::optional<FetchRequest> ManagedObjectModel::fetchRequestTemplateForName(const QString& name) const
{
    auto it = m_templates.find(name);
    if (it == m_templates.end())
        return std::nullopt;
    FetchRequest request(m_entitiesByName.value(it->entityName));
    if (it->predicate)
        request.setPredicate(*it->predicate);
    return request;
}

std::optional<FetchRequest> ManagedObjectModel::fetchRequestFromTemplateWithName(
    const QString& name, const QVariantMap& variables) const
{
    auto it = m_templates.find(name);
    if (it == m_templates.end())
        return std::nullopt;
    FetchRequest request(m_entitiesByName.value(it->entityName));
    if (it->predicate)
        request.setPredicate(it->predicate->predicateWithSubstitutionVariables(variables));
    return request;
}

QString ManagedObjectModel::fetchRequestTemplatePredicateFormat(const QString& name) const
{
    return m_templates.value(name).predicateFormat;
}
