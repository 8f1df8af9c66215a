#include "Completions.h"

#include "EntityDescription.h"
#include "FetchRequest.h"
#include "IngredientMO.h"
#include "IsEmpty.h"
#include "KRTrieBucket.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "ParsingEngine.h"
#include "Predicate.h"
#include "SortDescriptor.h"

namespace
{

const QString kName = QStringLiteral("name");

// The library's main context and the application's error presentation, through the services
// the application installs at launch.
Completions::Sources sharedSources()
{
    return {
        [] { return &ParsingEngine::defaultParsingEngine(); },
        []() -> ManagedObjectContext* {
            KitchoraServices* services = KitchoraServices::shared();
            return services ? services->managedObjectContext() : nullptr;
        },
        [](const Error& error) {
            if (KitchoraServices* services = KitchoraServices::shared())
                services->presentError(error);
            else
                Log::log(error.localizedDescription);
        },
    };
}

std::unique_ptr<Completions>& sharedInstance()
{
    static std::unique_ptr<Completions> instance;
    return instance;
}

// The words of a word trie that begin with text, in key order.
void appendWords(QStringList& list, const OFTrie& trie, const QString& text)
{
    for (const OFTrieBucket* bucket : trie.completionsFromString(text)) {
        if (const auto* word = dynamic_cast<const KRTrieBucket*>(bucket))
            list.append(word->objectValue().toString());
    }
}

// The names of the ingredients whose names begin with text, in key order; keys left behind by
// renamed or deleted ingredients are passed over.
void appendIngredients(QStringList& list, const IngredientTrie* trie, const QString& text)
{
    if (!trie)
        return;
    for (const OFTrieBucket* bucket : trie->completionsFromString(text)) {
        const auto* krBucket = dynamic_cast<const KRTrieBucket*>(bucket);
        const auto* ingredient = krBucket
            ? dynamic_cast<const IngredientMO*>(KeyValueCoding::fromVariant(krBucket->objectValue()))
            : nullptr;
        if (ingredient && !ingredient->isDeleted())
            list.append(ingredient->name());
    }
}

std::optional<QStringList> completionsAmong(const QStringList& names, const QString& text)
{
    QStringList result { text };
    for (const QString& name : names) {
        if (name == text)
            return std::nullopt;
        if (name.startsWith(text, Qt::CaseInsensitive))
            result.append(name);
    }
    return result;
}

} // namespace

Completions::Completions(Sources sources)
    : m_sources(std::move(sources))
{
}

Completions& Completions::sharedCompletions()
{
    std::unique_ptr<Completions>& instance = sharedInstance();
    if (!instance)
        instance = std::make_unique<Completions>(sharedSources());
    return *instance;
}

void Completions::rebuildCompletions()
{
    sharedInstance().reset();
}

QStringList Completions::ingredientCompletions(const QString& text) const
{
    QStringList list { text };
    if (const ParsingEngine* engine = m_sources.parsingEngine ? m_sources.parsingEngine() : nullptr) {
        appendIngredients(list, engine->ingredientTrie().get(), text);
        appendWords(list, engine->modifierTrie(), text);
        appendWords(list, engine->measureTrie(), text);
    }
    // The typed text and a stored name that differ only in case are one entry.
    if (list.size() >= 2 && list.at(1).compare(list.at(0), Qt::CaseInsensitive) == 0)
        list.removeAt(1);
    return list;
}

std::optional<QStringList> Completions::completionsArrayForString(
    const QString& text, const EntityDescription* entity) const
{
    if (!entity)
        return std::nullopt;
    if (entity->name() == QLatin1String("Ingredient"))
        return ingredientCompletions(text);

    ManagedObjectContext* context
        = m_sources.managedObjectContext ? m_sources.managedObjectContext() : nullptr;
    if (!context)
        return std::nullopt;
    FetchRequest request(entity);
    // An object named like its entity (the placeholder category "Category") never completes.
    std::optional<Predicate> predicate
        = Predicate::predicateWithFormat(QStringLiteral("name != %@"), { entity->name() });
    if (predicate)
        request.setPredicate(*predicate);
    request.setSortDescriptors({ SortDescriptor(kName) });
    Error error;
    std::optional<QList<ManagedObject*>> objects = context->executeFetchRequest(request, &error);
    if (!objects) {
        if (m_sources.presentError)
            m_sources.presentError(error);
        return std::nullopt;
    }
    return CompletionsArray::subarrayWithCompletionsForString(*objects, text);
}

namespace CompletionsArray
{

std::optional<QStringList> subarrayWithCompletionsForString(const QStringList& names, const QString& text)
{
    if (isEmpty(text) || names.isEmpty())
        return std::nullopt;
    return completionsAmong(names, text);
}

std::optional<QStringList> subarrayWithCompletionsForString(
    const QList<ManagedObject*>& objects, const QString& text)
{
    if (isEmpty(text) || objects.isEmpty())
        return std::nullopt;
    const ManagedObject* last = objects.last();
    if (!last || !last->entity() || !last->entity()->attributeNamed(kName))
        return std::nullopt;
    QStringList names;
    names.reserve(objects.size());
    for (const ManagedObject* object : objects)
        names.append(object ? object->valueForKey(kName).toString() : QString());
    return completionsAmong(names, text);
}

} // namespace CompletionsArray
