#include "ManagedObject.h"

#include "EntityDescription.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "MutableObjectSet.h"

#include <QMutex>
#include <atomic>
#include <memory>
#include <mutex>

namespace
{

struct ClassRegistry {
    QMutex mutex;
    QHash<QString, ManagedObject::Factory> factories;
};

ClassRegistry& classRegistry()
{
    static ClassRegistry registry;
    return registry;
}

void registerMetaTypes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        QMetaType::registerConverter<ManagedObject*, KeyValueCoding*>(
            [](ManagedObject* object) -> KeyValueCoding* { return object; });
    });
}

ManagedObject* objectFromVariant(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<ManagedObject*>())
        return value.value<ManagedObject*>();
    return dynamic_cast<ManagedObject*>(KeyValueCoding::fromVariant(value));
}

QVariant variantOf(ManagedObject* object)
{
    return object ? QVariant::fromValue(object) : QVariant();
}

QVariant listVariant(const QList<ManagedObject*>& objects)
{
    QVariantList list;
    list.reserve(objects.size());
    for (ManagedObject* object : objects)
        list.append(QVariant::fromValue(object));
    return list;
}

} // namespace

void ManagedObject::Members::add(ManagedObject* object)
{
    if (contains(object))
        return;
    list.append(object);
    if (!set.isEmpty())
        set.insert(object);
    else if (list.size() >= kIndexedFrom)
        set = QSet<ManagedObject*>(list.cbegin(), list.cend());
}

void ManagedObject::Members::remove(ManagedObject* object)
{
    if (set.isEmpty()) {
        list.removeOne(object);
    } else if (set.remove(object)) {
        list.removeOne(object);
    }
}

ManagedObject::ManagedObject()
{
    registerMetaTypes();
}

ManagedObject::~ManagedObject()
{
    freeRowStorage();
}

void ManagedObject::registerClass(const QString& className, Factory factory)
{
    registerMetaTypes();
    ClassRegistry& registry = classRegistry();
    QMutexLocker lock(&registry.mutex);
    registry.factories.insert(className, std::move(factory));
}

ManagedObject::Factory ManagedObject::factoryForClass(const QString& className)
{
    ClassRegistry& registry = classRegistry();
    QMutexLocker lock(&registry.mutex);
    return registry.factories.value(className);
}

ManagedObject* ManagedObject::createInstance(const QString& className)
{
    const Factory factory = factoryForClass(className);
    return factory ? factory() : new ManagedObject;
}

void ManagedObject::attach(
    ManagedObjectContext* context, const EntityDescription* entity, const ManagedObjectID& id)
{
    freeRowStorage();
    m_context = context;
    m_entity = entity;
    m_objectID = id;
}

namespace
{

// Ahead of a row's values: their numbers, for taking them down without the entity.
struct RowHeader {
    quint32 attributes;
    quint32 relations;
};
// Keeps the values behind it as aligned as operator new's own blocks.
constexpr size_t kRowHeaderSize = __STDCPP_DEFAULT_NEW_ALIGNMENT__;
static_assert(kRowHeaderSize >= sizeof(RowHeader) && kRowHeaderSize % alignof(QVariant) == 0);

} // namespace

// One allocation for the values and the relationship slots: every object read or made has both.
void ManagedObject::allocateRowStorage() const
{
    static_assert(sizeof(QVariant) % alignof(RelationSlot) == 0);
    const size_t attributes = m_entity ? m_entity->attributes().size() : 0;
    const size_t relations = m_entity ? m_entity->relationships().size() : 0;
    char* block = static_cast<char*>(
        ::operator new(kRowHeaderSize + attributes * sizeof(QVariant) + relations * sizeof(RelationSlot)));
    *reinterpret_cast<RowHeader*>(block) = { quint32(attributes), quint32(relations) };
    auto* values = reinterpret_cast<QVariant*>(block + kRowHeaderSize);
    std::uninitialized_value_construct_n(values, attributes);
    auto* relationSlots = reinterpret_cast<RelationSlot*>(values + attributes);
    std::uninitialized_value_construct_n(relationSlots, relations);
    m_attributes = values;
    m_relations = relationSlots;
}

void ManagedObject::freeRowStorage() const
{
    if (!m_attributes)
        return;
    QVariant* values = m_attributes;
    RelationSlot* relationSlots = m_relations;
    m_attributes = nullptr;
    m_relations = nullptr;
    char* block = reinterpret_cast<char*>(values) - kRowHeaderSize;
    const RowHeader header = *reinterpret_cast<const RowHeader*>(block);
    std::destroy_n(values, header.attributes);
    std::destroy_n(relationSlots, header.relations);
    ::operator delete(block);
}

bool ManagedObject::isUpdated() const
{
    return !m_inserted && !m_deleted
        && (!m_originalAttributes.isEmpty() || !m_originalToOne.isEmpty() || !m_originalToMany.isEmpty());
}

void ManagedObject::fireFault() const
{
    if (!m_fault)
        return;
    if (m_context)
        m_context->fulfillFault(const_cast<ManagedObject*>(this));
    m_fault = false;
}

QVariant ManagedObject::attributeValue(const AttributeDescription* attribute) const
{
    ensureLoaded();
    return attributeSlot(attribute->index());
}

ManagedObject* ManagedObject::toOneValue(const RelationshipDescription* relationship) const
{
    ensureLoaded();
    RelationSlot& slot = relationSlot(relationship->index());
    if (slot.pendingKey != 0) {
        slot.object = m_context
            ? m_context->objectForRow(slot.pendingEntity, m_objectID.storeNumber(), slot.pendingKey)
            : nullptr;
        slot.pendingKey = 0;
        slot.pendingEntity = nullptr;
    }
    return slot.object;
}

const ManagedObject::Members& ManagedObject::toManyMembers(const RelationshipDescription* relationship) const
{
    RelationSlot& slot = relationSlot(relationship->index());
    if (!slot.members) {
        slot.members = std::make_unique<Members>();
        if (m_context && !m_objectID.isTemporaryID() && !m_invalid)
            m_context->loadToMany(const_cast<ManagedObject*>(this), relationship, *slot.members);
    }
    return *slot.members;
}

ManagedObject::Members& ManagedObject::mutableMembers(const RelationshipDescription* relationship)
{
    toManyMembers(relationship);
    return *relationSlot(relationship->index()).members;
}

QList<ManagedObject*> ManagedObject::objectsForKey(const QString& key) const
{
    const RelationshipDescription* relationship = m_entity ? m_entity->relationshipNamed(key) : nullptr;
    if (!relationship || !relationship->isToMany())
        return {};
    willAccessValueForKey(key);
    QList<ManagedObject*> result = toManyMembers(relationship).list;
    didAccessValueForKey(key);
    return result;
}

ManagedObject* ManagedObject::objectForKey(const QString& key) const
{
    const RelationshipDescription* relationship = m_entity ? m_entity->relationshipNamed(key) : nullptr;
    if (!relationship || relationship->isToMany())
        return nullptr;
    willAccessValueForKey(key);
    ManagedObject* result = toOneValue(relationship);
    didAccessValueForKey(key);
    return result;
}

QVariant ManagedObject::valueForKey(const QString& key) const
{
    if (m_context)
        m_context->checkThread();
    if (!m_entity)
        return valueForUndefinedKey(key);
    if (const AttributeDescription* attribute = m_entity->attributeNamed(key)) {
        willAccessValueForKey(key);
        QVariant value = attributeValue(attribute);
        didAccessValueForKey(key);
        return value;
    }
    if (const RelationshipDescription* relationship = m_entity->relationshipNamed(key)) {
        willAccessValueForKey(key);
        QVariant value = relationship->isToMany() ? listVariant(toManyMembers(relationship).list)
                                                  : variantOf(toOneValue(relationship));
        didAccessValueForKey(key);
        return value;
    }
    return valueForUndefinedKey(key);
}

QVariant ManagedObject::primitiveValueForKey(const QString& key) const
{
    if (!m_entity)
        return QVariant();
    if (const AttributeDescription* attribute = m_entity->attributeNamed(key))
        return attributeValue(attribute);
    if (const RelationshipDescription* relationship = m_entity->relationshipNamed(key))
        return relationship->isToMany() ? listVariant(toManyMembers(relationship).list)
                                        : variantOf(toOneValue(relationship));
    return QVariant();
}

void ManagedObject::setValueForKey(const QVariant& value, const QString& key)
{
    if (m_context)
        m_context->checkThread();
    if (!m_entity) {
        setValueForUndefinedKey(value, key);
        return;
    }
    if (const AttributeDescription* attribute = m_entity->attributeNamed(key)) {
        bool ok = false;
        const QVariant coerced = attribute->coerce(value, &ok);
        if (!ok) {
            Log::log(QStringLiteral("%1: unacceptable value of type %2 for the attribute \"%3\"")
                         .arg(m_entity->name(), QString::fromLatin1(value.typeName()), key));
            return;
        }
        willChangeValueForKey(key);
        storeAttribute(attribute, coerced);
        didChangeValueForKey(key);
        return;
    }
    if (const RelationshipDescription* relationship = m_entity->relationshipNamed(key)) {
        if (relationship->isToMany()) {
            QList<ManagedObject*> targets;
            for (const QVariant& element : value.toList()) {
                if (ManagedObject* target = objectFromVariant(element))
                    targets.append(target);
            }
            willChangeValueForKey(key);
            setToMany(relationship, targets);
            didChangeValueForKey(key);
            return;
        }
        ManagedObject* target = objectFromVariant(value);
        if (value.isValid() && !value.isNull() && !target) {
            Log::log(QStringLiteral("%1: the value for the relationship \"%2\" is not an object")
                         .arg(m_entity->name(), key));
            return;
        }
        willChangeValueForKey(key);
        setToOne(relationship, target);
        didChangeValueForKey(key);
        return;
    }
    setValueForUndefinedKey(value, key);
}

QVariant ManagedObject::valueForUndefinedKey(const QString& key) const
{
    Log::log(QStringLiteral("%1: this class is not key value coding-compliant for the key %2.")
                 .arg(m_entity ? m_entity->name() : QStringLiteral("ManagedObject"), key));
    return QVariant();
}

void ManagedObject::setValueForUndefinedKey(const QVariant& value, const QString& key)
{
    Q_UNUSED(value);
    Log::log(QStringLiteral("%1: this class is not key value coding-compliant for the key %2.")
                 .arg(m_entity ? m_entity->name() : QStringLiteral("ManagedObject"), key));
}

void ManagedObject::setPrimitiveValue(const QVariant& value, const QString& key)
{
    if (!m_entity)
        return;
    if (const AttributeDescription* attribute = m_entity->attributeNamed(key)) {
        bool ok = false;
        const QVariant coerced = attribute->coerce(value, &ok);
        if (ok)
            storeAttribute(attribute, coerced);
        return;
    }
    if (const RelationshipDescription* relationship = m_entity->relationshipNamed(key)) {
        if (!relationship->isToMany()) {
            storeToOne(relationship, objectFromVariant(value));
            return;
        }
        QList<ManagedObject*> targets;
        for (const QVariant& element : value.toList()) {
            if (ManagedObject* target = objectFromVariant(element))
                targets.append(target);
        }
        const QList<ManagedObject*> current = toManyMembers(relationship).list;
        for (ManagedObject* object : current) {
            if (!targets.contains(object))
                storeRemove(relationship, object);
        }
        for (ManagedObject* object : targets)
            storeAdd(relationship, object);
    }
}

MutableObjectSet ManagedObject::mutableSetValueForKey(const QString& key)
{
    const RelationshipDescription* relationship = m_entity ? m_entity->relationshipNamed(key) : nullptr;
    if (!relationship || !relationship->isToMany()) {
        Log::log(QStringLiteral("%1: \"%2\" is not a to-many relationship")
                     .arg(m_entity ? m_entity->name() : QStringLiteral("ManagedObject"), key));
        return MutableObjectSet(nullptr, nullptr);
    }
    return MutableObjectSet(this, relationship);
}

// --- recorded primitive changes ---

void ManagedObject::storeAttribute(const AttributeDescription* attribute, const QVariant& value)
{
    ensureLoaded();
    const int index = attribute->index();
    QVariant& slot = attributeSlot(index);
    const QVariant old = slot;
    if (!m_inserted && !m_originalAttributes.contains(index))
        m_originalAttributes.insert(index, old);
    slot = value;
    if (m_context) {
        m_context->registerUndo([this, attribute, old] {
            willChangeValueForKey(attribute->name());
            storeAttribute(attribute, old);
            didChangeValueForKey(attribute->name());
        });
        m_context->objectDidChange(this);
    }
}

void ManagedObject::storeToOne(const RelationshipDescription* relationship, ManagedObject* target)
{
    ManagedObject* old = toOneValue(relationship);
    if (old == target)
        return;
    const int index = relationship->index();
    if (!m_inserted && !m_originalToOne.contains(index))
        m_originalToOne.insert(index, old);
    relationSlot(index).object = target;
    if (m_context) {
        m_context->registerUndo([this, relationship, old] {
            willChangeValueForKey(relationship->name());
            storeToOne(relationship, old);
            didChangeValueForKey(relationship->name());
        });
        m_context->objectDidChange(this);
    }
}

void ManagedObject::storeAdd(const RelationshipDescription* relationship, ManagedObject* target)
{
    Members& members = mutableMembers(relationship);
    if (members.contains(target))
        return;
    const int index = relationship->index();
    if (!m_inserted && !m_originalToMany.contains(index))
        m_originalToMany.insert(index, members.list);
    members.add(target);
    if (m_context) {
        m_context->registerUndo([this, relationship, target] {
            willChangeValueForKey(relationship->name());
            storeRemove(relationship, target);
            didChangeValueForKey(relationship->name());
        });
        m_context->objectDidChange(this);
    }
}

void ManagedObject::storeRemove(const RelationshipDescription* relationship, ManagedObject* target)
{
    Members& members = mutableMembers(relationship);
    if (!members.contains(target))
        return;
    const int index = relationship->index();
    if (!m_inserted && !m_originalToMany.contains(index))
        m_originalToMany.insert(index, members.list);
    members.remove(target);
    if (m_context) {
        m_context->registerUndo([this, relationship, target] {
            willChangeValueForKey(relationship->name());
            storeAdd(relationship, target);
            didChangeValueForKey(relationship->name());
        });
        m_context->objectDidChange(this);
    }
}

// --- relationship changes with inverse upkeep ---

void ManagedObject::inverseLink(const RelationshipDescription* relationship, ManagedObject* other, bool link)
{
    const RelationshipDescription* inverse = relationship->inverseRelationship();
    if (!inverse || !other)
        return;
    const QString inverseKey = inverse->name();
    if (inverse->isToMany()) {
        other->willChangeValueForKey(inverseKey);
        if (link)
            other->storeAdd(inverse, this);
        else
            other->storeRemove(inverse, this);
        other->didChangeValueForKey(inverseKey);
        return;
    }
    ManagedObject* previous = other->toOneValue(inverse);
    if (link) {
        if (previous == this)
            return;
        if (previous) {
            // The other object leaves its previous partner.
            previous->willChangeValueForKey(relationship->name());
            if (relationship->isToMany())
                previous->storeRemove(relationship, other);
            else
                previous->storeToOne(relationship, nullptr);
            previous->didChangeValueForKey(relationship->name());
        }
        other->willChangeValueForKey(inverseKey);
        other->storeToOne(inverse, this);
        other->didChangeValueForKey(inverseKey);
    } else if (previous == this) {
        other->willChangeValueForKey(inverseKey);
        other->storeToOne(inverse, nullptr);
        other->didChangeValueForKey(inverseKey);
    }
}

void ManagedObject::setToOne(const RelationshipDescription* relationship, ManagedObject* target)
{
    ManagedObject* old = toOneValue(relationship);
    if (old == target)
        return;
    if (relationship->inverseRelationship()) {
        if (old)
            inverseLink(relationship, old, false);
        if (target)
            inverseLink(relationship, target, true);
    }
    storeToOne(relationship, target);
}

void ManagedObject::addToMany(const RelationshipDescription* relationship, ManagedObject* target)
{
    if (!target || toManyMembers(relationship).contains(target))
        return;
    if (relationship->inverseRelationship())
        inverseLink(relationship, target, true);
    storeAdd(relationship, target);
}

void ManagedObject::removeToMany(const RelationshipDescription* relationship, ManagedObject* target)
{
    if (!target || !toManyMembers(relationship).contains(target))
        return;
    if (relationship->inverseRelationship())
        inverseLink(relationship, target, false);
    storeRemove(relationship, target);
}

void ManagedObject::setToMany(
    const RelationshipDescription* relationship, const QList<ManagedObject*>& targets)
{
    const QList<ManagedObject*> current = toManyMembers(relationship).list;
    const QSet<ManagedObject*> wanted(targets.begin(), targets.end());
    for (ManagedObject* object : current) {
        if (!wanted.contains(object))
            removeToMany(relationship, object);
    }
    for (ManagedObject* object : targets)
        addToMany(relationship, object);
}

// --- observers ---

void ManagedObject::willChangeValueForKey(const QString& key)
{
    if (!m_observing || m_observing->observers.empty())
        return;
    QSet<QString> affected;
    for (const ObserverEntry& entry : m_observing->observers) {
        if (entry.key == key || keyPathsForValuesAffectingValueForKey(entry.key).contains(key))
            affected.insert(entry.key);
    }
    // A marker entry opens the frame of this key; the affected keys follow with their old values.
    std::vector<PendingNotice>& pending = m_observing->pendingNotices;
    pending.push_back({ QStringLiteral("\x01") + key, QVariant() });
    for (const QString& observed : affected)
        pending.push_back({ observed, valueForKey(observed) });
}

void ManagedObject::didChangeValueForKey(const QString& key)
{
    if (!m_observing || m_observing->pendingNotices.empty())
        return;
    std::vector<PendingNotice>& pending = m_observing->pendingNotices;
    const QString marker = QStringLiteral("\x01") + key;
    auto begin = pending.end();
    for (auto it = pending.end(); it != pending.begin();) {
        --it;
        if (it->key == marker) {
            begin = it;
            break;
        }
    }
    if (begin == pending.end())
        return;
    std::vector<PendingNotice> notices(begin + 1, pending.end());
    pending.erase(begin, pending.end());
    for (const PendingNotice& notice : notices)
        notifyObservers(notice.key, notice.oldValue);
}

void ManagedObject::notifyObservers(const QString& key, const QVariant& oldValue)
{
    const QVariant newValue = valueForKey(key);
    // Copy: an observer may add or remove observers.
    if (!m_observing)
        return;
    std::vector<ObserverEntry> observers = m_observing->observers;
    for (const ObserverEntry& entry : observers) {
        if (entry.key == key)
            entry.observer(this, key, oldValue, newValue);
    }
}

void ManagedObject::willAccessValueForKey(const QString& key) const
{
    Q_UNUSED(key);
    ensureLoaded();
}

void ManagedObject::didAccessValueForKey(const QString& key) const
{
    Q_UNUSED(key);
}

quint64 ManagedObject::addObserver(const QString& key, Observer observer)
{
    static std::atomic<quint64> next { 0 };
    const quint64 token = ++next;
    if (!m_observing)
        m_observing = std::make_unique<Observing>();
    m_observing->observers.push_back({ token, key, std::move(observer) });
    return token;
}

void ManagedObject::removeObserver(quint64 token)
{
    if (!m_observing)
        return;
    std::vector<ObserverEntry>& observers = m_observing->observers;
    for (auto it = observers.begin(); it != observers.end(); ++it) {
        if (it->token == token) {
            observers.erase(it);
            return;
        }
    }
}

QStringList ManagedObject::keyPathsForValuesAffectingValueForKey(const QString& key) const
{
    Q_UNUSED(key);
    return {};
}

// --- change state ---

QVariantMap ManagedObject::changedValues() const
{
    QVariantMap result;
    if (!m_entity)
        return result;
    if (m_inserted) {
        for (const AttributeDescription* attribute : m_entity->attributes()) {
            const QVariant& value = attributeSlot(attribute->index());
            if (!attribute->isTransient() && value.isValid())
                result.insert(attribute->name(), value);
        }
        for (const RelationshipDescription* relationship : m_entity->relationships()) {
            if (relationship->isToMany()) {
                if (!toManyMembers(relationship).list.isEmpty())
                    result.insert(relationship->name(), listVariant(toManyMembers(relationship).list));
            } else if (ManagedObject* target = toOneValue(relationship)) {
                result.insert(relationship->name(), variantOf(target));
            }
        }
        return result;
    }
    for (auto it = m_originalAttributes.begin(); it != m_originalAttributes.end(); ++it) {
        const AttributeDescription* attribute = m_entity->attributes()[size_t(it.key())];
        const QVariant& current = attributeSlot(it.key());
        if (!attribute->isTransient() && current != it.value())
            result.insert(attribute->name(), current);
    }
    for (auto it = m_originalToOne.begin(); it != m_originalToOne.end(); ++it) {
        const RelationshipDescription* relationship = m_entity->relationships()[size_t(it.key())];
        ManagedObject* current = toOneValue(relationship);
        if (current != it.value())
            result.insert(relationship->name(), variantOf(current));
    }
    for (auto it = m_originalToMany.begin(); it != m_originalToMany.end(); ++it) {
        const RelationshipDescription* relationship = m_entity->relationships()[size_t(it.key())];
        const Members& members = toManyMembers(relationship);
        const QSet<ManagedObject*> original(it.value().begin(), it.value().end());
        if (original != QSet<ManagedObject*>(members.list.cbegin(), members.list.cend()))
            result.insert(relationship->name(), listVariant(members.list));
    }
    return result;
}

QVariantMap ManagedObject::committedValuesForKeys(const QStringList& keys) const
{
    QVariantMap result;
    if (!m_entity)
        return result;
    const QStringList wanted = keys.isEmpty() ? m_entity->propertyNames() : keys;
    for (const QString& key : wanted) {
        if (const AttributeDescription* attribute = m_entity->attributeNamed(key)) {
            if (attribute->isTransient())
                continue;
            const int index = attribute->index();
            result.insert(key,
                m_originalAttributes.contains(index) ? m_originalAttributes.value(index)
                                                     : attributeValue(attribute));
        } else if (const RelationshipDescription* relationship = m_entity->relationshipNamed(key)) {
            const int index = relationship->index();
            if (relationship->isToMany())
                result.insert(key,
                    listVariant(m_originalToMany.contains(index) ? m_originalToMany.value(index)
                                                                 : toManyMembers(relationship).list));
            else
                result.insert(key,
                    variantOf(m_originalToOne.contains(index) ? m_originalToOne.value(index)
                                                              : toOneValue(relationship)));
        }
    }
    return result;
}

void ManagedObject::clearChanges()
{
    m_originalAttributes.clear();
    m_originalToOne.clear();
    m_originalToMany.clear();
}

void ManagedObject::forgetRow() const
{
    freeRowStorage();
}

void ManagedObject::turnIntoFault()
{
    willTurnIntoFault();
    clearChanges();
    forgetRow();
    m_fault = true;
    m_prefilled = false;
    didTurnIntoFault();
}

void ManagedObject::dropPrefill() const
{
    if (!m_prefilled)
        return;
    m_prefilled = false;
    forgetRow();
}
