#include "FuzzPredicate.h"

#include "EntityDescription.h"
#include "FuzzSupport.h"
#include "Log.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "Predicate.h"

#include <QDateTime>
#include <QSet>
#include <QTemporaryDir>
#include <QTimeZone>
#include <cstdio>
#include <memory>

using FuzzSupport::require;

namespace
{

// Recipes with lines, a category and collections: enough kinds of value for every operator.
const char modelJson[] = R"({
  "version": 1,
  "entities": [
    {"name": "Recipe",
     "attributes": [
       {"name": "name", "type": "string"},
       {"name": "rating", "type": "integer16"},
       {"name": "servings", "type": "integer64"},
       {"name": "cookTime", "type": "double"},
       {"name": "favorite", "type": "boolean", "default": false},
       {"name": "dateAdded", "type": "date"},
       {"name": "thumbnail", "type": "binary"}],
     "relationships": [
       {"name": "ingredients", "destination": "Line", "inverse": "recipe", "toMany": true, "deleteRule": "cascade"},
       {"name": "category", "destination": "Category", "inverse": "recipes"},
       {"name": "collections", "destination": "Collection", "inverse": "recipes", "toMany": true}]},
    {"name": "Line",
     "attributes": [{"name": "text", "type": "string"}, {"name": "index", "type": "integer32"}],
     "relationships": [{"name": "recipe", "destination": "Recipe", "inverse": "ingredients"}]},
    {"name": "Category",
     "attributes": [{"name": "name", "type": "string"}],
     "relationships": [{"name": "recipes", "destination": "Recipe", "inverse": "category", "toMany": true}]},
    {"name": "Collection",
     "attributes": [{"name": "kind", "type": "string"}],
     "relationships": [{"name": "recipes", "destination": "Recipe", "inverse": "collections", "toMany": true}]}
  ]
})";

QDateTime day(int n)
{
    return QDateTime::fromMSecsSinceEpoch(1600000000000LL + n * 86400000LL + n * 137, QTimeZone::utc());
}

// The store file lives in a temporary folder for the life of the process.
struct Store {
    Store()
        : dir(FuzzSupport::scratchFolderTemplate())
    {
        QString problem;
        model = ManagedObjectModel::modelWithJSON(QByteArray(modelJson), &problem);
        require(model != nullptr);
        require(dir.isValid());
        FuzzSupport::removeAtExit(dir.path());
        coordinator = std::make_unique<PersistentStoreCoordinator>(model.get());
        Error error;
        require(coordinator->addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType,
                    QString(), dir.filePath(QStringLiteral("Fuzz.recipedb")), {}, &error)
            != nullptr);
        context = std::make_unique<ManagedObjectContext>();
        context->setPersistentStoreCoordinator(coordinator.get());
        fill();
        require(context->save(&error));
        // Fetches start from the store, with nothing of these objects held in memory.
        context->reset();
    }

    ManagedObject* insert(const QString& entity)
    {
        return EntityDescription::insertNewObjectForEntityForName(entity, context.get());
    }

    void fill()
    {
        QList<ManagedObject*> categories;
        for (const QString& name : { QStringLiteral("Desserts"), QStringLiteral("déjeuner"), QString() }) {
            ManagedObject* category = insert(QStringLiteral("Category"));
            if (!name.isNull())
                category->setValueForKey(name, QStringLiteral("name"));
            categories.append(category);
        }
        QList<ManagedObject*> collections;
        for (const QString& kind : { QStringLiteral("library"), QStringLiteral("cache") }) {
            ManagedObject* collection = insert(QStringLiteral("Collection"));
            collection->setValueForKey(kind, QStringLiteral("kind"));
            collections.append(collection);
        }
        const QVariantList names { QStringLiteral("Crème brûlée"), QStringLiteral("creme BRULEE"),
            QStringLiteral("Salmon"), QStringLiteral("salad"), QStringLiteral("Ægg"), QVariant(),
            QStringLiteral(""), QString::fromUtf16(u"a\U0001F600z"), QStringLiteral("ab*c"),
            QStringLiteral("Zebra 2"), QStringLiteral("name"), QStringLiteral("%@ 'quoted' \"too\"") };
        const QStringList lineTexts { QStringLiteral("Sugar"), QStringLiteral("sügar"), QStringLiteral("egg"),
            QStringLiteral("2 cups flour") };
        for (int i = 0; i < names.size(); ++i) {
            ManagedObject* recipe = insert(QStringLiteral("Recipe"));
            recipe->setValueForKey(names.at(i), QStringLiteral("name"));
            if (i % 4 != 3)
                recipe->setValueForKey(i % 5 - 1, QStringLiteral("rating"));
            if (i % 3 != 1)
                recipe->setValueForKey(qint64(i) * 1000000007LL - 3, QStringLiteral("servings"));
            recipe->setValueForKey(i * 0.5 - 1.25, QStringLiteral("cookTime"));
            recipe->setValueForKey(i % 2 == 0, QStringLiteral("favorite"));
            if (i % 3 != 0)
                recipe->setValueForKey(day(i), QStringLiteral("dateAdded"));
            if (i % 5 == 1)
                recipe->setValueForKey(QByteArray("\x00\x01zz", 4), QStringLiteral("thumbnail"));
            if (i % 4 != 0)
                recipe->setValueForKey(QVariant::fromValue(categories.at(i % 3)), QStringLiteral("category"));
            for (int j = 0; j < i % 5; ++j) {
                ManagedObject* line = insert(QStringLiteral("Line"));
                line->setValueForKey(lineTexts.at((i + j) % lineTexts.size()), QStringLiteral("text"));
                line->setValueForKey(j, QStringLiteral("index"));
                line->setValueForKey(QVariant::fromValue(recipe), QStringLiteral("recipe"));
            }
            if (i % 3 == 0)
                recipe->mutableSetValueForKey(QStringLiteral("collections")).addObject(collections.at(0));
            if (i % 4 == 1)
                recipe->mutableSetValueForKey(QStringLiteral("collections")).addObject(collections.at(1));
        }
    }

    std::unique_ptr<ManagedObjectModel> model;
    QTemporaryDir dir;
    std::unique_ptr<PersistentStoreCoordinator> coordinator;
    std::unique_ptr<ManagedObjectContext> context;
};

Store& store()
{
    // Never deleted (its folder goes at exit): libFuzzer leaves through exit().
    static Store* instance = new Store;
    return *instance;
}

// %@ and %K take these in turn: key paths, strings, numbers, a date, lists, nil and a bool.
const QVariantList& arguments()
{
    static const QVariantList args { QStringLiteral("name"), QStringLiteral("S"), 2,
        QStringLiteral("ingredients.text"), 2.5,
        QVariantList { QStringLiteral("salad"), QStringLiteral("Zebra 2"), 3 }, day(4), QStringLiteral("*a*"),
        QVariantList { 1, 3 }, QVariant(), QStringLiteral("rating"), true, QStringLiteral("category.name"),
        QStringLiteral("ç"), QStringLiteral("dateAdded"), qint64(-3) };
    return args;
}

QSet<ManagedObject*> asSet(const QList<ManagedObject*>& list)
{
    return QSet<ManagedObject*>(list.begin(), list.end());
}

} // namespace

void fuzzPredicate(const uint8_t* data, size_t size)
{
    FuzzSupport::ensureApplication();
    Log::Capture quiet;
    Store& s = store();
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString problem;
    const std::optional<Predicate> predicate = Predicate::predicateWithFormat(text, arguments(), &problem);
    if (!predicate) {
        require(!problem.isEmpty());
        return;
    }

    const QString printed = predicate->predicateFormat();
    QString reprintProblem;
    const std::optional<Predicate> reread = Predicate::predicateWithFormat(printed, {}, &reprintProblem);
    require(reread.has_value());
    require(*reread == *predicate);

    Error error;
    FetchRequest all = FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe"));
    const std::optional<QList<ManagedObject*>> everything = s.context->executeFetchRequest(all, &error);
    require(everything.has_value());
    QSet<ManagedObject*> expected;
    for (ManagedObject* object : *everything) {
        if (predicate->evaluateWithObject(QVariant::fromValue(object)))
            expected.insert(object);
    }

    FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe"));
    request.setPredicate(*predicate);
    const std::optional<QList<ManagedObject*>> fetched = s.context->executeFetchRequest(request, &error);
    if (!fetched)
        std::fprintf(stderr, "fetch failed: %s\n", qUtf8Printable(error.localizedDescription));
    require(fetched.has_value());
    require(asSet(*fetched) == expected);
    require(fetched->size() == expected.size());
    require(s.context->countForFetchRequest(request, &error) == expected.size());

    // What the evaluator faulted in stays out of the next input's way.
    if (s.context->registeredObjects().size() > 2000)
        s.context->reset();
}
