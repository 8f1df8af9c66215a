#include "RecipeMO.h"

#include "AmountFinding.h"
#include "BaseMOAdditions.h"
#include "ConstantManager.h"
#include "EntityDescription.h"
#include "IsEmpty.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ManagerObjectContextStateSaving.h"
#include "MutableObjectSet.h"
#include "PersistentStoreCoordinator.h"
#include "UndoManager.h"
#include "UserDefaults.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <vector>

namespace
{

const QString kLibraryKind = QStringLiteral("RBCollectionKindMainLibrary");
const QString kSearchCacheKind = QStringLiteral("RBCollectionKindSearchCache");
const QStringList kListKeys
    = { QStringLiteral("ingredients"), QStringLiteral("directions"), QStringLiteral("notes") };

// Bookkeeping changes: no undo registration while alive.
class UndoOff
{
public:
    UndoOff() { ManagerObjectContextStateSaving::disableUndoSavingState(); }
    ~UndoOff() { ManagerObjectContextStateSaving::enableUndoWithSavedState(); }
    UndoOff(const UndoOff&) = delete;
    UndoOff& operator=(const UndoOff&) = delete;
};

QString kindOf(const ManagedObject* collection)
{
    return collection ? collection->valueForKey(QStringLiteral("kind")).toString() : QString();
}

// The item's own text: an ingredient line's "displayString", a direction's or note's "text".
QVariant itemText(const ManagedObject* item)
{
    const bool line = item->entity() && item->entity()->name() == QLatin1String("RecipeIngredient");
    return item->valueForKey(line ? QStringLiteral("displayString") : QStringLiteral("text"));
}

void deleteItem(ManagedObject* item)
{
    if (auto* base = dynamic_cast<BaseMO*>(item)) {
        base->deleteFromManagedObjectContext();
        return;
    }
    if (ManagedObjectContext* context = item->managedObjectContext()) {
        context->deleteObject(item);
        item->setValueForKey(QVariant(), QStringLiteral("recipe"));
    }
}

QVariant objectVariant(ManagedObject* object)
{
    return QVariant::fromValue(object);
}

// Set while insertNewRecipeWithoutPlaceholderItems inserts; recipes are made on several threads.
thread_local bool s_withoutPlaceholderItems = false;

// The extent of the number that starts at `start`: digits, then a decimal part, a fraction
// ("1/2") or the fraction of a mixed number ("1 1/2").
qsizetype numberEnd(const QString& text, qsizetype start, const QChar decimalPoint)
{
    auto digitsFrom = [&text](qsizetype i) {
        while (i < text.size() && text.at(i).isDigit())
            ++i;
        return i;
    };
    auto digitAt = [&text](qsizetype i) { return i < text.size() && text.at(i).isDigit(); };

    qsizetype end = digitsFrom(start);
    if (end < text.size()) {
        const QChar next = text.at(end);
        if ((next == QLatin1Char('.') || next == decimalPoint) && digitAt(end + 1))
            return digitsFrom(end + 1);
        if (next == QLatin1Char('/') && digitAt(end + 1))
            return digitsFrom(end + 1);
        if (next == QLatin1Char(' ') && digitAt(end + 1)) {
            const qsizetype numerator = digitsFrom(end + 1);
            if (numerator < text.size() && text.at(numerator) == QLatin1Char('/') && digitAt(numerator + 1))
                return digitsFrom(numerator + 1);
        }
    }
    return end;
}

} // namespace

RecipeMO::UndoGroup::UndoGroup(ManagedObjectContext* context)
    : m_undoManager(context ? context->undoManager() : nullptr)
{
    if (m_undoManager)
        m_undoManager->beginUndoGrouping();
}

RecipeMO::UndoGroup::~UndoGroup()
{
    if (m_undoManager)
        m_undoManager->endUndoGrouping();
}

RecipeMO::~RecipeMO()
{
    RunLoop::cancel(m_defaultSetupToken);
    RunLoop::cancel(m_fetchSetupToken);
}

ManagedObject* RecipeMO::managedObjectForProxy(const QVariant& object)
{
    if (isEmpty(object))
        return nullptr;
    KeyValueCoding* value = KeyValueCoding::fromVariant(object);
    if (!value)
        return nullptr;
    if (auto* managed = dynamic_cast<ManagedObject*>(value))
        return managed;
    const QVariant idValue = value->valueForKey(QStringLiteral("objectID"));
    if (!idValue.canConvert<ManagedObjectID>())
        return nullptr;
    KitchoraServices* services = KitchoraServices::shared();
    ManagedObjectContext* context = services ? services->managedObjectContext() : nullptr;
    return context ? context->existingObjectWithID(idValue.value<ManagedObjectID>()) : nullptr;
}

ParagraphStyle RecipeMO::defaultParagraphStyle()
{
    ParagraphStyle style;
    style.lineSpacing = 2.0;
    return style;
}

// --- life cycle ---

void RecipeMO::awakeFromInsert()
{
    BaseMO::awakeFromInsert();
    if (isEmpty(primitiveValueForKey(QStringLiteral("name")))) {
        ConstantManager& manager = ConstantManager::defaultManager();
        manager.lock();
        const QString placeholder = manager.constantForKey(RVPlaceholderConstantKey, KRNameConstantGroup);
        manager.unlock();
        storeValue(placeholder, QStringLiteral("name"));
    }

    m_defaultSetupToken = RunLoop::postAfterDelay(0, [this] {
        m_defaultSetupToken = 0;
        defaultValueSetup();
    });

    if (ManagedObject* image
        = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Image"), managedObjectContext()))
        BaseMO::setValueForKey(objectVariant(image), QStringLiteral("image"));
    if (!s_withoutPlaceholderItems) {
        insertPlaceholder(QStringLiteral("Note"));
        insertPlaceholder(QStringLiteral("Direction"));
        insertPlaceholder(QStringLiteral("RecipeIngredient"));
    }

    storeValue(QStringLiteral(""), QStringLiteral("totalTime"));
    storeValue(QDateTime::currentDateTime(), QStringLiteral("dateAdded"));
    storeValue(true, QStringLiteral("defaultValues"));

    const QVariant autoShare = UserDefaults::standardUserDefaults().objectForKey(KRAutoShareRecipes);
    if (autoShare.isValid() && !autoShare.isNull()) {
        storeValue(
            UserDefaults::standardUserDefaults().boolForKey(KRAutoShareRecipes), QStringLiteral("share"));
        storeValue(false, QStringLiteral("changedSharing"));
    }

    m_cached = false;
    m_cachedAttributedString.reset();
}

RecipeMO* RecipeMO::insertNewRecipeWithoutPlaceholderItems(ManagedObjectContext* context)
{
    s_withoutPlaceholderItems = true;
    ManagedObject* object
        = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), context);
    s_withoutPlaceholderItems = false;
    auto* recipe = dynamic_cast<RecipeMO*>(object);
    if (!recipe && object)
        context->deleteObject(object);
    return recipe;
}

void RecipeMO::defaultValueSetup()
{
    UndoOff off;
    joinLibraryIfUnfiled();
}

// A recipe stored in no collection would be swept away as unconnected; when the deferred
// set-up has not filed it yet (a context whose thread never turns its run loop before saving),
// the save does.
void RecipeMO::willSave()
{
    BaseMO::willSave();
    if (!isInserted() || isDeleted())
        return;
    RunLoop::cancel(m_defaultSetupToken);
    m_defaultSetupToken = 0;
    joinLibraryIfUnfiled();
}

void RecipeMO::joinLibraryIfUnfiled()
{
    if (isDeleted() || !managedObjectContext() || !objectsForKey(QStringLiteral("collections")).isEmpty())
        return;
    if (ManagedObject* library = libraryCollection())
        BaseMO::setValueForKey(QVariantList { objectVariant(library) }, QStringLiteral("collections"));
}

ManagedObject* RecipeMO::libraryCollection()
{
    ManagedObjectContext* context = managedObjectContext();
    KitchoraServices* services = KitchoraServices::shared();
    if (services && context == services->managedObjectContext())
        return services->libraryCollection();
    if (!context || !context->persistentStoreCoordinator())
        return nullptr;
    std::optional<FetchRequest> request
        = context->persistentStoreCoordinator()->managedObjectModel()->fetchRequestTemplateForName(
            QStringLiteral("fetchLibrary"));
    if (!request)
        return nullptr;
    request->setFetchLimit(1);
    Error error;
    std::optional<QList<ManagedObject*>> result = context->executeFetchRequest(*request, &error);
    if (!result) {
        KitchoraServices::presentErrorOnMainThread(error);
        return nullptr;
    }
    return result->isEmpty() ? nullptr : result->first();
}

void RecipeMO::awakeFromFetch()
{
    BaseMO::awakeFromFetch();
    if (primitiveValueForKey(QStringLiteral("totalTime")).isNull())
        setPrimitiveValue(QStringLiteral(""), QStringLiteral("totalTime"));
    const QStringList entities
        = { QStringLiteral("RecipeIngredient"), QStringLiteral("Direction"), QStringLiteral("Note") };
    for (int i = 0; i < kListKeys.size(); ++i) {
        if (isEmpty(primitiveValueForKey(kListKeys.at(i))))
            insertPlaceholder(entities.at(i));
    }
    RunLoop::cancel(m_fetchSetupToken);
    m_fetchSetupToken = RunLoop::postAfterDelay(0, [this] {
        m_fetchSetupToken = 0;
        fetchSetup();
    });
    m_cached = false;
    m_cachedAttributedString.reset();
}

void RecipeMO::fetchSetup()
{
    UndoOff off;
    if (isFault() || isDeleted() || !managedObjectContext())
        return;
    if (!objectForKey(QStringLiteral("image"))) {
        if (ManagedObject* image = EntityDescription::insertNewObjectForEntityForName(
                QStringLiteral("Image"), managedObjectContext()))
            BaseMO::setValueForKey(objectVariant(image), QStringLiteral("image"));
    }
    removeExtraPlaceholders();
}

void RecipeMO::didTurnIntoFault()
{
    m_cachedAttributedString.reset();
    m_cached = false;
    BaseMO::didTurnIntoFault();
}

void RecipeMO::insertPlaceholder(const QString& entityName)
{
    ManagedObject* item
        = EntityDescription::insertNewObjectForEntityForName(entityName, managedObjectContext());
    if (!item)
        return;
    item->setValueForKey(1, QStringLiteral("index"));
    item->setValueForKey(objectVariant(this), QStringLiteral("recipe"));
}

// --- lists ---

bool RecipeMO::listForClass(const QString& className, QString* key, QString* entityName)
{
    static const QHash<QString, QPair<QString, QString>> lists = {
        { QStringLiteral("RecipeIngredientMO"),
            { QStringLiteral("ingredients"), QStringLiteral("RecipeIngredient") } },
        { QStringLiteral("DirectionMO"), { QStringLiteral("directions"), QStringLiteral("Direction") } },
        { QStringLiteral("NoteMO"), { QStringLiteral("notes"), QStringLiteral("Note") } },
    };
    const auto it = lists.constFind(className);
    if (it == lists.constEnd())
        return false;
    if (key)
        *key = it->first;
    if (entityName)
        *entityName = it->second;
    return true;
}

QList<ManagedObject*> RecipeMO::sortedItemsForKey(const QString& key) const
{
    // Each index read once, not once per comparison: items without one first.
    const QList<ManagedObject*> items = objectsForKey(key);
    struct Keyed {
        bool hasIndex;
        qlonglong index;
        ManagedObject* item;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(std::size_t(items.size()));
    for (ManagedObject* item : items) {
        const QVariant index = item->valueForKey(QStringLiteral("index"));
        keyed.push_back({ !index.isNull(), index.isNull() ? 0 : index.toLongLong(), item });
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (!a.hasIndex || !b.hasIndex)
            return !a.hasIndex && b.hasIndex;
        return a.index < b.index;
    });
    QList<ManagedObject*> sorted;
    sorted.reserve(items.size());
    for (const Keyed& k : keyed)
        sorted.append(k.item);
    return sorted;
}

void RecipeMO::addInstanceOfClass(const QString& className, quint64 index, quint64* insertedIndex)
{
    QString key;
    QString entityName;
    if (!listForClass(className, &key, &entityName)) {
        Log::logf(QStringLiteral("Unsupported add of class: %1 with index: %2\n"), className, index);
        return;
    }
    m_cached = false;
    UndoGroup group(managedObjectContext());
    ManagedObject* item
        = EntityDescription::insertNewObjectForEntityForName(entityName, managedObjectContext());
    if (!item)
        return;
    const quint64 count = quint64(objectsForKey(key).size());
    // 0 means the front; past the end means the end.
    const quint64 position = std::clamp<quint64>(index, 1, count + 1);
    insertIndex(position, key);
    item->setValueForKey(position, QStringLiteral("index"));
    item->setValueForKey(objectVariant(this), QStringLiteral("recipe"));
    if (insertedIndex)
        *insertedIndex = position;
}

void RecipeMO::insertIndex(quint64 index, const QString& key)
{
    const quint64 first = std::max<quint64>(index, 1) - 1;
    // Adding at the end moves nothing.
    if (first >= quint64(objectsForKey(key).size()))
        return;
    const QList<ManagedObject*> items = sortedItemsForKey(key);
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (quint64(i) >= first)
            items.at(i)->setValueForKey(quint64(i) + 2, QStringLiteral("index"));
    }
}

void RecipeMO::removeInstanceOfClass(const QString& className, quint64 index)
{
    QString key;
    if (!listForClass(className, &key, nullptr)) {
        Log::logf(QStringLiteral("Unsupported removal of class: %1 with index: %2\n"), className, index);
        return;
    }
    m_cached = false;
    UndoGroup group(managedObjectContext());
    for (ManagedObject* item : objectsForKey(key)) {
        const QVariant itemIndex = item->valueForKey(QStringLiteral("index"));
        if (!itemIndex.isNull() && itemIndex.toULongLong() == index) {
            deleteItem(item);
            break;
        }
    }
    if (objectsForKey(key).isEmpty())
        addInstanceOfClass(className, 1);
    recomputeIndexesForKey(key);
    setDirty(true);
}

void RecipeMO::recomputeIndexesForKey(const QString& key)
{
    const QList<ManagedObject*> items = sortedItemsForKey(key);
    m_cached = false;
    willChangeValueForKey(key);
    quint64 next = 1;
    for (ManagedObject* item : items) {
        if (item->isDeleted())
            continue;
        const QVariant current = item->valueForKey(QStringLiteral("index"));
        if (current.isNull() || current.toULongLong() != next)
            item->setValueForKey(next, QStringLiteral("index"));
        ++next;
    }
    didChangeValueForKey(key);
}

void RecipeMO::removeExtraPlaceholdersForCollectionKey(const QString& key)
{
    const QList<ManagedObject*> items = sortedItemsForKey(key);
    if (items.size() >= 2) {
        for (qsizetype i = 1; i < items.size(); ++i) {
            if (isEmpty(itemText(items.at(i))))
                deleteItem(items.at(i));
        }
    }
    recomputeIndexesForKey(key);
}

void RecipeMO::removeExtraPlaceholders()
{
    UndoOff off;
    for (const QString& key : kListKeys)
        removeExtraPlaceholdersForCollectionKey(key);
}

void RecipeMO::clearDefaults()
{
    UndoOff off;
    for (const QString& key : kListKeys) {
        for (ManagedObject* item : objectsForKey(key))
            deleteItem(item);
    }
    setCuisine(QVariant());
    setKitchen(QVariant());
    setCategory(QVariant());
    BaseMO::setValueForKey(QVariantList(), QStringLiteral("collections"));
    storeValue(false, QStringLiteral("defaultValues"));
}

// --- fields ---

void RecipeMO::storeValue(const QVariant& value, const QString& key)
{
    willChangeValueForKey(key);
    setPrimitiveValue(value, key);
    didChangeValueForKey(key);
}

void RecipeMO::setName(const QVariant& name)
{
    QVariant value = name;
    if (isEmpty(value)) {
        ConstantManager& manager = ConstantManager::defaultManager();
        manager.lock();
        value = manager.constantForKey(RVPlaceholderConstantKey, KRNameConstantGroup);
        manager.unlock();
    }
    if (isEmpty(value))
        return;
    storeValue(value, QStringLiteral("name"));
    setDirty(true);
}

void RecipeMO::setVocabularyEntry(const QVariant& value, const QString& key, const QString& entityName)
{
    QVariant stored = value;
    if (value.typeId() == QMetaType::QString)
        stored = objectVariant(BaseMOAdditions::findOrCreateManagedObjectForName(
            value.toString(), entityName, managedObjectContext()));
    BaseMO::setValueForKey(stored, key);
    setDirty(true);
}

void RecipeMO::setKitchen(const QVariant& kitchen)
{
    setVocabularyEntry(kitchen, QStringLiteral("kitchen"), QStringLiteral("Kitchen"));
}

void RecipeMO::setCategory(const QVariant& category)
{
    setVocabularyEntry(category, QStringLiteral("category"), QStringLiteral("Category"));
}

void RecipeMO::setCuisine(const QVariant& cuisine)
{
    setVocabularyEntry(cuisine, QStringLiteral("cuisine"), QStringLiteral("Cuisine"));
}

void RecipeMO::setRatingValue(const QVariant& rating)
{
    QVariant value = rating;
    if (rating.toDouble() < 0)
        value = 0.0f;
    else if (rating.toDouble() > 5)
        value = 5.0f;
    storeValue(value, QStringLiteral("rating"));
}

void RecipeMO::setRating(const QVariant& rating)
{
    {
        UndoGroup group(managedObjectContext());
        setRatingValue(rating);
        storeValue(true, QStringLiteral("ratedLocally"));
        storeValue(true, QStringLiteral("changedRating"));
    }
    setDirty(true);
}

void RecipeMO::setShare(const QVariant& share)
{
    UndoGroup group(managedObjectContext());
    storeValue(share, QStringLiteral("share"));
    storeValue(true, QStringLiteral("changedSharing"));
}

void RecipeMO::setEditing(const QVariant& editing)
{
    const QVariant current = primitiveValueForKey(QStringLiteral("editing"));
    if (current == editing
        || (current.isValid() && editing.isValid() && current.toBool() == editing.toBool()))
        return;
    UndoOff off;
    if (current.toBool() != editing.toBool())
        m_cached = false;
    storeValue(editing, QStringLiteral("editing"));
    if (!editing.toBool())
        removeExtraPlaceholders();
}

void RecipeMO::setEditingKeyWithNumber(const QVariant& editing)
{
    setValueForKey(editing, QStringLiteral("editing"));
}

void RecipeMO::setDirty(const QVariant& dirty)
{
    UndoOff off;
    willChangeValueForKey(QStringLiteral("dirty"));
    m_dirtyFlag = dirty.toBool();
    didChangeValueForKey(QStringLiteral("dirty"));
}

void RecipeMO::incrementCookCount()
{
    UndoOff off;
    storeValue(
        primitiveValueForKey(QStringLiteral("cookCount")).toLongLong() + 1, QStringLiteral("cookCount"));
}

void RecipeMO::scaleByFactor(const Decimal& factor)
{
    if (factor.isZero())
        return;
    {
        UndoGroup group(managedObjectContext());
        for (ManagedObject* line : objectsForKey(QStringLiteral("ingredients"))) {
            if (auto* base = dynamic_cast<BaseMO*>(line))
                base->scaleByFactor(factor);
        }
        const QString yield = valueForKey(QStringLiteral("yield")).toString();
        if (!isEmpty(yield)) {
            const auto digit = std::find_if(yield.begin(), yield.end(), [](QChar c) { return c.isDigit(); });
            if (digit != yield.end()) {
                const QLocale locale;
                const qsizetype start = digit - yield.begin();
                const qsizetype end = numberEnd(yield, start, locale.decimalPoint().at(0));
                QString number = yield.mid(start, end - start);
                number.replace(locale.decimalPoint(), QStringLiteral("."));
                const Decimal scaled
                    = AmountFinding::amountDecimalNumberValue(number).decimalNumberByMultiplyingBy(factor);
                QString text = yield;
                text.replace(start, end - start, scaled.descriptionWithLocale(locale));
                storeValue(text, QStringLiteral("yield"));
            }
        }
    }
    BaseMOAdditions::refreshDisplayString(this);
}

// --- collections ---

void RecipeMO::addCollectionsObject(ManagedObject* collection)
{
    if (!collection)
        return;
    QList<ManagedObject*> joined { collection };
    const QString kind = kindOf(collection);
    if (kind != kSearchCacheKind && kind != kLibraryKind) {
        ManagedObject* library = libraryCollection();
        if (library && library != collection)
            joined.append(library);
    }
    mutableSetValueForKey(QStringLiteral("collections")).addObjects(joined);
}

void RecipeMO::removeCollectionsObject(ManagedObject* collection)
{
    if (!collection)
        return;
    mutableSetValueForKey(QStringLiteral("collections")).removeObject(collection);
    if (kindOf(collection) == kLibraryKind) {
        ManagedObject* cache = nullptr;
        for (ManagedObject* other : objectsForKey(QStringLiteral("collections"))) {
            if (kindOf(other) == kSearchCacheKind) {
                cache = other;
                break;
            }
        }
        if (cache)
            BaseMO::setValueForKey(QVariantList { objectVariant(cache) }, QStringLiteral("collections"));
        else
            deleteFromManagedObjectContext();
    }
    if (KitchoraServices* services = KitchoraServices::shared())
        services->updateSmartCollections();
}

// --- key-value coding ---

QVariant RecipeMO::valueForKey(const QString& key) const
{
    if (key == QLatin1String("dirty"))
        return m_dirtyFlag;
    // Reading the card fills its cache, which is not part of the recipe's value.
    if (key == QLatin1String("attributedString"))
        return QVariant::fromValue(const_cast<RecipeMO*>(this)->attributedString());
    if (key == QLatin1String("string"))
        return const_cast<RecipeMO*>(this)->string();
    return BaseMO::valueForKey(key);
}

void RecipeMO::setValueForKey(const QVariant& value, const QString& key)
{
    using Setter = void (RecipeMO::*)(const QVariant&);
    static const QHash<QString, Setter> setters = {
        { QStringLiteral("name"), &RecipeMO::setName },
        { QStringLiteral("kitchen"), &RecipeMO::setKitchen },
        { QStringLiteral("category"), &RecipeMO::setCategory },
        { QStringLiteral("cuisine"), &RecipeMO::setCuisine },
        { QStringLiteral("rating"), &RecipeMO::setRating },
        { QStringLiteral("share"), &RecipeMO::setShare },
        { QStringLiteral("editing"), &RecipeMO::setEditing },
        { QStringLiteral("dirty"), &RecipeMO::setDirty },
    };
    if (const auto it = setters.constFind(key); it != setters.constEnd()) {
        (this->*(*it))(value);
        return;
    }
    if (key == QLatin1String("attributedString")) {
        if (value.canConvert<AttributedString>())
            setAttributedString(value.value<AttributedString>());
        return;
    }
    if (key == QLatin1String("collections")) {
        QList<ManagedObject*> wanted;
        for (const QVariant& element : value.toList()) {
            if (auto* collection = dynamic_cast<ManagedObject*>(KeyValueCoding::fromVariant(element)))
                wanted.append(collection);
        }
        const QList<ManagedObject*> current = objectsForKey(key);
        for (ManagedObject* collection : wanted) {
            if (!current.contains(collection))
                addCollectionsObject(collection);
        }
        for (ManagedObject* collection : current) {
            if (!wanted.contains(collection) && !isDeleted())
                removeCollectionsObject(collection);
        }
        return;
    }
    BaseMO::setValueForKey(value, key);
}

QStringList RecipeMO::keyPathsForValuesAffectingValueForKey(const QString& key) const
{
    QStringList keys = BaseMO::keyPathsForValuesAffectingValueForKey(key);
    if (key == QLatin1String("attributedString")) {
        keys << QStringLiteral("dirty") << QStringLiteral("editing") << QStringLiteral("name")
             << QStringLiteral("onlineID") << QStringLiteral("recipeDescription")
             << QStringLiteral("image.data") << QStringLiteral("cookTime") << QStringLiteral("prepTime")
             << QStringLiteral("totalTime") << QStringLiteral("cuisine") << QStringLiteral("category")
             << QStringLiteral("kitchen.name");
    }
    return keys;
}
