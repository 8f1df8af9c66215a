#pragma once

// The library of 100,000 recipes the search benchmarks run on: each recipe has 10 ingredient lines
// whose ingredients, and the two halves of whose names, are drawn from the 5,000 ingredient names
// of data/ingredient-names.txt. The library starts as the program's first run leaves it (library
// collection, placeholder entries), is filled through the recipe model and saved; it is made once
// per process (KITCHORA_BENCH_LIBRARY names a file to keep it in between runs).
#include "BaseMOAdditions.h"
#include "BenchServices.h"
#include "ConstantManager.h"
#include "EntityDescription.h"
#include "FetchRequest.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeCollection.h"
#include "RecipeMO.h"
#include "SearchEngine.h"
#include "VirtualClock.h"

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <random>
#include <time.h>

namespace SearchBenchLibrary
{

constexpr int recipeCount = 100000;
constexpr int linesPerRecipe = 10;
constexpr int batchSize = 10000;

inline QStringList ingredientNames()
{
    QFile file(QStringLiteral(KITCHORA_BENCH_DATA "/ingredient-names.txt"));
    QStringList names;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return names;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.trimmed().isEmpty())
            names.append(QString::fromUtf8(line.trimmed()));
    }
    return names;
}

inline ManagedObject* libraryIn(const std::optional<QList<ManagedObject*>>& collections)
{
    for (ManagedObject* collection : collections.value_or(QList<ManagedObject*>())) {
        if (static_cast<RecipeCollection*>(collection)->isLibrary())
            return collection;
    }
    return nullptr;
}

struct Library {
    std::unique_ptr<ManagedObjectModel> model;
    QTemporaryDir dir;
    QString path;
    bool ready = false;
};

// Made once per process.
inline Library& library()
{
    static Library* made = [] {
        auto* l = new Library;
        registerModelClasses();
        useFirstRunDefaults();
        ConstantManager::importRecipeViewingConstants();
        ConstantManager::importRecipeImportConstants();
        const QStringList names = ingredientNames();
        l->model = ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json"));
        if (!l->model || names.size() < 100)
            return l;
        // KITCHORA_BENCH_LIBRARY names a file to keep the library in between runs (made when missing).
        const QString kept = qEnvironmentVariable("KITCHORA_BENCH_LIBRARY");
        l->path = kept.isEmpty() ? l->dir.filePath(QStringLiteral("Bench.recipedb")) : kept;
        if (!kept.isEmpty() && QFile::exists(kept)) {
            l->ready = true;
            return l;
        }
        const auto start = std::chrono::steady_clock::now();
        VirtualClock clock;
        BenchServices services;
        KitchoraServices::setShared(&services);
        PersistentStoreCoordinator coordinator(l->model.get());
        coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, l->path);
        {
            // The first run: the library and the placeholder entries.
            ManagedObjectContext context;
            context.setPersistentStoreCoordinator(&coordinator);
            services.context = &context;
            ManagedObject* libraryCollection = EntityDescription::insertNewObjectForEntityForName(
                QStringLiteral("ManualCollection"), &context);
            libraryCollection->setValueForKey(KRCollectionKindMainLibrary, QStringLiteral("kind"));
            libraryCollection->setValueForKey(QStringLiteral("Recipe Library"), QStringLiteral("name"));
            BaseMOAdditions::findOrCreatePlaceholderEntries(&context);
            services.library = libraryCollection;
            SearchEngine makesTheCache; // as the program's first search does; saved at its quit
            for (const QString& name : names)
                EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Ingredient"), &context)
                    ->setValueForKey(name, QStringLiteral("name"));
            clock.advance(0);
            if (!context.save())
                return l;
            services.context = nullptr;
            services.library = nullptr;
        }
        std::mt19937 random(11);
        auto pick = [&] { return qsizetype(random() % quint32(names.size())); };
        for (int first = 0; first < recipeCount; first += batchSize) {
            // A context per batch, so the made objects are let go of as the program would.
            ManagedObjectContext context;
            context.setPersistentStoreCoordinator(&coordinator);
            services.context = &context;
            const auto collections = context.executeFetchRequest(
                FetchRequest::fetchRequestWithEntityName(QStringLiteral("RecipeCollection")));
            services.library = libraryIn(collections);
            const auto fetched = context.executeFetchRequest(
                FetchRequest::fetchRequestWithEntityName(QStringLiteral("Ingredient")));
            QHash<QString, ManagedObject*> byName;
            for (ManagedObject* ingredient : fetched.value_or(QList<ManagedObject*>()))
                byName.insert(ingredient->valueForKey(QStringLiteral("name")).toString(), ingredient);
            for (int n = first; n < first + batchSize; ++n) {
                // As the program makes one: with its placeholder items, the ingredient placeholder
                // becoming the first line.
                auto* recipe = static_cast<RecipeMO*>(
                    EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), &context));
                recipe->setValueForKey(QStringLiteral("%1 with %2").arg(names.at(pick()), names.at(pick())),
                    QStringLiteral("name"));
                recipe->setValueForKey(int(n % 6), QStringLiteral("rating"));
                QList<qsizetype> chosen;
                while (chosen.size() < linesPerRecipe) {
                    const qsizetype i = pick();
                    if (!chosen.contains(i))
                        chosen.append(i);
                }
                ManagedObject* line = recipe->objectsForKey(QStringLiteral("ingredients")).value(0);
                for (int index = 1; index <= linesPerRecipe; ++index) {
                    if (!line)
                        line = EntityDescription::insertNewObjectForEntityForName(
                            QStringLiteral("RecipeIngredient"), &context);
                    const QString& name = names.at(chosen.at(index - 1));
                    line->setValueForKey(
                        QVariant::fromValue(byName.value(name)), QStringLiteral("baseIngredient"));
                    line->setValueForKey(name, QStringLiteral("displayString"));
                    line->setValueForKey(index, QStringLiteral("index"));
                    line->setValueForKey(
                        QVariant::fromValue<ManagedObject*>(recipe), QStringLiteral("recipe"));
                    line = nullptr;
                }
            }
            clock.advance(0); // the deferred set-up: each recipe joins the library
            if (!context.save())
                return l;
            services.context = nullptr;
            services.library = nullptr;
        }
        coordinator.persistentStores().value(0)->checkpoint();
        KitchoraServices::setShared(nullptr);
        malloc_trim(0);
        std::fprintf(stderr, "generated %d recipes in %.1f s\n", recipeCount,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        l->ready = true;
        return l;
    }();
    return *made;
}

// The generated library as the program opens it: its store in a fresh main context, and the
// services pointing at the context and the library collection until this goes. The services must
// outlive it.
struct OpenedLibrary {
    OpenedLibrary(Library& l, BenchServices& services)
        : coordinator(l.model.get())
        , m_services(services)
    {
        coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, l.path);
        context.setPersistentStoreCoordinator(&coordinator);
        services.context = &context;
        services.library = libraryIn(context.executeFetchRequest(
            FetchRequest::fetchRequestWithEntityName(QStringLiteral("RecipeCollection"))));
    }
    ~OpenedLibrary()
    {
        m_services.context = nullptr;
        m_services.library = nullptr;
    }
    OpenedLibrary(const OpenedLibrary&) = delete;
    OpenedLibrary& operator=(const OpenedLibrary&) = delete;

    PersistentStoreCoordinator coordinator;
    ManagedObjectContext context;

private:
    BenchServices& m_services;
};

// This thread's processor time: the figure that stays put while the machine is busy.
inline double cpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

} // namespace SearchBenchLibrary
