// Recipe cards at library scale: 10,000 recipes being edited, each with a yield, a category,
// 8 ingredient lines, 4 directions and a note. Builds every card, then takes every card back
// with its title, one ingredient line and one direction changed (each line re-parsed).
#include "BenchServices.h"
#include "ConstantManager.h"
#include "EntityDescription.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeCardAttributes.h"
#include "RecipeIngredientMO.h"
#include "RecipeMO.h"
#include "UnitsEngine.h"
#include "VirtualClock.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>

namespace
{

constexpr int recipeCount = 10000;

const char* const kLines[] = { "2 1/2 cups flour, sifted", "1 tsp. salt", "3 large eggs", "1 cup milk",
    "2 Tbsp. butter", "1/2 cup sugar", "1 can (14 oz) coconut milk", "4 oz. dark chocolate, chopped" };

void fillList(RecipeMO* recipe, const QString& className, const QString& key, int count,
    const std::function<void(ManagedObject*, int)>& fill)
{
    for (int i = 1; i < count; ++i)
        recipe->addInstanceOfClass(className, quint64(i + 1));
    int n = 0;
    for (ManagedObject* item : recipe->sortedItemsForKey(key))
        fill(item, n++);
}

// The stretch of the run with this value key path and index (index 0: any).
Range runOf(const AttributedString& card, const QString& keyPath, int index)
{
    for (qsizetype i = 0; i < card.length();) {
        Range range;
        const QVariant here
            = card.attributeAtIndexLongestEffectiveRange(RVValueAttribute, i, &range, { 0, card.length() });
        if (here.toString() == keyPath
            && (index == 0 || card.attributeAtIndex(RVIndexAttribute, i).toInt() == index))
            return range;
        i = maxRange(range);
    }
    return { 0, 0 };
}

void BM_BuildAndTakeBackCards(benchmark::State& state)
{
    registerModelClasses();
    ConstantManager::importRecipeViewingConstants();
    ConstantManager::importRecipeImportConstants();
    auto model = ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json"));
    if (!model) {
        state.SkipWithError("no model");
        return;
    }
    for (auto _ : state) {
        VirtualClock clock;
        BenchServices services;
        KitchoraServices::setShared(&services);
        PersistentStoreCoordinator coordinator(model.get());
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(&coordinator);
        services.context = &context;
        services.library = EntityDescription::insertNewObjectForEntityForName(
            QStringLiteral("ManualCollection"), &context);
        services.library->setValueForKey(
            QStringLiteral("RBCollectionKindMainLibrary"), QStringLiteral("kind"));

        QList<RecipeMO*> recipes;
        for (int n = 0; n < recipeCount; ++n) {
            auto* recipe = dynamic_cast<RecipeMO*>(
                EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), &context));
            recipe->setValueForKey(QStringLiteral("Recipe %1").arg(n), QStringLiteral("name"));
            recipe->setValueForKey(QStringLiteral("4"), QStringLiteral("yield"));
            recipe->setValueForKey(QStringLiteral("Category %1").arg(n % 20), QStringLiteral("category"));
            fillList(recipe, QStringLiteral("RecipeIngredientMO"), QStringLiteral("ingredients"), 8,
                [](ManagedObject* item, int i) {
                    dynamic_cast<RecipeIngredientMO*>(item)->setString(kLines[i]);
                });
            fillList(recipe, QStringLiteral("DirectionMO"), QStringLiteral("directions"), 4,
                [n](ManagedObject* item, int i) {
                    item->setValueForKey(
                        QStringLiteral("Step %1 of recipe %2.").arg(i + 1).arg(n), QStringLiteral("text"));
                });
            fillList(
                recipe, QStringLiteral("NoteMO"), QStringLiteral("notes"), 1, [](ManagedObject* item, int) {
                    item->setValueForKey(QStringLiteral("Keeps a day."), QStringLiteral("text"));
                });
            recipe->setValueForKey(true, QStringLiteral("editing"));
            recipes.append(recipe);
        }
        clock.advance(0);

        auto start = std::chrono::steady_clock::now();
        qint64 characters = 0;
        for (RecipeMO* recipe : recipes) {
            recipe->setDirty(true);
            characters += recipe->attributedString().length();
        }
        const double buildMs = msSince(start);

        start = std::chrono::steady_clock::now();
        for (RecipeMO* recipe : recipes) {
            MutableAttributedString card(recipe->attributedString());
            card.replaceCharactersInRange(
                runOf(card, QStringLiteral("directions.text"), 2), QStringLiteral("Whisk until smooth."));
            card.replaceCharactersInRange(
                runOf(card, QStringLiteral("baseIngredient.name"), 3), QStringLiteral("2 cups buttermilk"));
            card.replaceCharactersInRange(
                runOf(card, QStringLiteral("name"), 0), QStringLiteral("Edited recipe"));
            recipe->setAttributedString(card);
        }
        const double takeBackMs = msSince(start);
        const RecipeMO* last = recipes.last();
        if (last->valueForKey(QStringLiteral("name")).toString() != QLatin1String("Edited recipe")
            || last->sortedItemsForKey(QStringLiteral("ingredients")).size() != 8
            || last->sortedItemsForKey(QStringLiteral("directions")).size() != 4)
            state.SkipWithError("card not taken back");

        state.counters["build_ms"] = buildMs;
        state.counters["cards_built_per_s"] = recipeCount / (buildMs / 1000.0);
        state.counters["take_back_ms"] = takeBackMs;
        state.counters["cards_taken_back_per_s"] = recipeCount / (takeBackMs / 1000.0);
        state.counters["chars_per_card"] = double(characters) / recipeCount;
        services.context = nullptr;
        services.library = nullptr;
        KitchoraServices::setShared(nullptr);
    }
}
BENCHMARK(BM_BuildAndTakeBackCards)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    UnitsEngine::defaultEngine().loadUnits(QString());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
