// Grocery lists from recipes: one new list from 50 recipes of 12 ingredient lines each (lines of
// the same ingredients recur across the recipes, so amounts are summed and converted), and the
// same 50 recipes added one by one to an existing list, each line merged by name. Target: a new
// list in under 50 ms.
#include "BenchServices.h"
#include "EntityDescription.h"
#include "GroceryList.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeIngredientMO.h"
#include "RecipeMO.h"
#include "UnitsEngine.h"
#include "VirtualClock.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <memory>

namespace
{

constexpr int recipeCount = 50;
constexpr int linesPerRecipe = 12;
const char* const kLines[] = { "2 1/2 cups flour", "1 tsp. salt", "3 large eggs", "1 cup milk",
    "2 Tbsp. butter", "1/2 cup sugar", "1 can (14 oz) coconut milk", "4 oz. dark chocolate, chopped",
    "200 g rice", "1 onion, diced", "2 cloves garlic, minced", "500 ml chicken stock", "1 lb. ground beef",
    "1/4 tsp. black pepper", "3 tbsp. olive oil", "1 bunch parsley, chopped", "2 carrots, diced",
    "100 g parmesan cheese, grated", "1 pint cream", "2 tsp. baking powder", "1 cup sifted flour",
    "6 oz. cheddar cheese", "1 lemon", "1 tbsp. soy sauce" };
constexpr int kLineCount = sizeof(kLines) / sizeof(kLines[0]);

// 50 recipes in a store of their own, under the services the grocery items ask for objects.
struct Recipes {
    explicit Recipes(const ManagedObjectModel* model)
        : coordinator(model)
    {
        KitchoraServices::setShared(&services);
        context.setPersistentStoreCoordinator(&coordinator);
        services.context = &context;
        services.library = EntityDescription::insertNewObjectForEntityForName(
            QStringLiteral("ManualCollection"), &context);
        services.library->setValueForKey(
            QStringLiteral("RBCollectionKindMainLibrary"), QStringLiteral("kind"));
        for (int n = 0; n < recipeCount; ++n) {
            auto* recipe = dynamic_cast<RecipeMO*>(
                EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), &context));
            recipe->setValueForKey(QStringLiteral("Recipe %1").arg(n), QStringLiteral("name"));
            for (int i = 1; i < linesPerRecipe; ++i)
                recipe->addInstanceOfClass(QStringLiteral("RecipeIngredientMO"), quint64(i + 1));
            int i = 0;
            for (ManagedObject* item : recipe->sortedItemsForKey(QStringLiteral("ingredients"))) {
                dynamic_cast<RecipeIngredientMO*>(item)->setString(
                    QString::fromUtf8(kLines[(n * 7 + i * 5) % kLineCount]));
                ++i;
            }
            all.append(recipe);
        }
        clock.advance(0);
    }
    ~Recipes()
    {
        services.context = nullptr;
        services.library = nullptr;
        KitchoraServices::setShared(nullptr);
    }

    VirtualClock clock;
    BenchServices services;
    PersistentStoreCoordinator coordinator;
    ManagedObjectContext context;
    QList<RecipeMO*> all;
};

const ManagedObjectModel* libraryModel()
{
    static std::unique_ptr<ManagedObjectModel> model = [] {
        registerModelClasses();
        return ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json"));
    }();
    return model.get();
}

void BM_NewGroceryListFrom50Recipes(benchmark::State& state)
{
    if (!libraryModel()) {
        state.SkipWithError("no model");
        return;
    }
    Recipes recipes(libraryModel());
    qsizetype items = 0;
    for (auto _ : state) {
        std::unique_ptr<GroceryList> list = GroceryList::groceryListWithRecipes(recipes.all);
        if (!list) {
            state.SkipWithError("no list");
            return;
        }
        items = list->items().size();
        benchmark::DoNotOptimize(list);
    }
    state.counters["items"] = double(items);
    state.counters["lines"] = double(recipeCount * linesPerRecipe);
}
BENCHMARK(BM_NewGroceryListFrom50Recipes)->Unit(benchmark::kMillisecond);

void BM_Add50RecipesToAList(benchmark::State& state)
{
    if (!libraryModel()) {
        state.SkipWithError("no model");
        return;
    }
    Recipes recipes(libraryModel());
    qsizetype items = 0;
    for (auto _ : state) {
        GroceryList list;
        for (RecipeMO* recipe : recipes.all)
            list.addRecipe(QVariant::fromValue<ManagedObject*>(recipe));
        items = list.items().size();
    }
    state.counters["items"] = double(items);
}
BENCHMARK(BM_Add50RecipesToAList)->Unit(benchmark::kMillisecond);

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
