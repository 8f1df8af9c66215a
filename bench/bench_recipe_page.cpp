// The recipe page on a recipe of 40 ingredient lines, 30 directions and 5 notes, in a library store
// on disk, the page 800 by 900 on the offscreen platform. Times:
//   show          selecting the recipe in the list until its card is laid out on the page (the
//                 card built anew from the recipe each time)
//   keystroke     one letter typed at the end of direction 15 in editing mode: the rules, the
//                 change mirrored into the page's document and laid out
//   leave_editing leaving editing mode: the card written back into the recipe and the store saved
#include "ConstantManager.h"
#include "EntityDescription.h"
#include "FirstRunLibrary.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "PersistentStoreCoordinator.h"
#include "RVRecipeView.h"
#include "RVTextView.h"
#include "RecipeCardAttributes.h"
#include "RecipeController.h"
#include "RecipeMO.h"
#include "UndoManager.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>

namespace
{

// One library store with the big recipe, and the page showing it.
struct PageBench {
    FirstRunLibrary library;
    ManagedObjectContext& context = library.context;
    UndoManager undoManager;
    RecipeMO* recipe = nullptr;
    ManagedObject* selection = nullptr;
    std::unique_ptr<RecipeController> controller;
    RVTextView* view = nullptr;

    bool setUp()
    {
        if (!library.setUp(QStringLiteral("Page.recipedb")))
            return false;
        context.setUndoManager(&undoManager);

        recipe = dynamic_cast<RecipeMO*>(
            EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), &context));
        if (!recipe)
            return false;
        recipe->setName(QStringLiteral("Harvest Vegetable Stew"));
        fill(QStringLiteral("RecipeIngredientMO"), QStringLiteral("ingredients"), 40,
            [](ManagedObject* line, int n) {
                line->setValueForKey(QStringLiteral("%1 cups diced carrot number %2").arg(n % 4 + 1).arg(n),
                    QStringLiteral("string"));
            });
        fill(QStringLiteral("DirectionMO"), QStringLiteral("directions"), 30, [](ManagedObject* step, int n) {
            step->setValueForKey(
                QStringLiteral("Stir the pot for %1 minutes over a medium flame, then taste and season "
                               "with salt and pepper before the next step.")
                    .arg(n + 2),
                QStringLiteral("text"));
        });
        fill(QStringLiteral("NoteMO"), QStringLiteral("notes"), 5, [](ManagedObject* note, int n) {
            note->setValueForKey(
                QStringLiteral("Keeps for %1 days in the refrigerator.").arg(n + 2), QStringLiteral("text"));
        });
        Error error;
        if (!context.save(&error))
            return false;
        undoManager.removeAllActions();

        RecipeController::Outlets outlets;
        outlets.managedObjectContext = [this] { return &context; };
        outlets.recipeListSelection = [this] { return selection; };
        controller = std::make_unique<RecipeController>(std::move(outlets));
        QWidget* page = controller->recipePage();
        page->resize(800, 900);
        page->show();
        view = controller->recipeView()->textView();
        QApplication::processEvents();
        return true;
    }

    void fill(const QString& className, const QString& key, int count,
        const std::function<void(ManagedObject*, int)>& set)
    {
        for (int i = 1; i < count; ++i)
            recipe->addInstanceOfClass(className, quint64(i + 1));
        int n = 0;
        for (ManagedObject* item : recipe->sortedItemsForKey(key))
            set(item, n++);
    }

    void select(ManagedObject* object)
    {
        selection = object;
        controller->observedSelectionDidChange(
            RecipeControllerService::ObservedController::RecipeList, QStringLiteral("selection"));
        // Laid out to the end.
        benchmark::DoNotOptimize(view->document()->documentLayout()->documentSize());
    }

    // The run of direction 15.
    Range direction15() const
    {
        const AttributedString& card = controller->page().textStorage();
        for (qsizetype at = 0; at < card.length();) {
            Range run;
            const QString value = controller->page().fieldAtIndex(at, &run);
            if (value == QLatin1String("directions.text")
                && card.attributeAtIndex(RVIndexAttribute, at).toInt() == 15)
                return run;
            at = maxRange(run);
        }
        return {};
    }

    void typeLetter()
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_S, Qt::NoModifier, QStringLiteral("s"));
        QApplication::sendEvent(view, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_S, Qt::NoModifier, QStringLiteral("s"));
        QApplication::sendEvent(view, &release);
        benchmark::DoNotOptimize(view->document()->documentLayout()->documentSize());
    }

    void enterEditingAtDirection15()
    {
        controller->setEditable(true);
        const Range field = direction15();
        RecipeEditingModel& page = controller->page();
        page.setEditRange(field);
        page.setIsEditing(true);
        page.setSelectedRange({ maxRange(field), 0 });
    }
};

PageBench* bench()
{
    static PageBench* instance = [] {
        auto* made = new PageBench;
        if (!made->setUp()) {
            delete made;
            return static_cast<PageBench*>(nullptr);
        }
        return made;
    }();
    return instance;
}

using Clock = std::chrono::steady_clock;

void BM_ShowRecipe(benchmark::State& state)
{
    if (!bench()) {
        state.SkipWithError("no store");
        return;
    }
    PageBench& page = *bench();
    for (auto _ : state) {
        page.select(nullptr);
        page.recipe->setCached(false);
        const auto start = Clock::now();
        page.select(page.recipe);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.counters["characters"] = double(page.controller->page().textStorage().length());
}
BENCHMARK(BM_ShowRecipe)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_Keystroke(benchmark::State& state)
{
    if (!bench()) {
        state.SkipWithError("no store");
        return;
    }
    PageBench& page = *bench();
    page.select(page.recipe);
    page.enterEditingAtDirection15();
    const qsizetype before = page.controller->page().textStorage().length();
    for (auto _ : state) {
        const auto start = Clock::now();
        page.typeLetter();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    // Every keystroke reached the card.
    state.counters["typed"] = double(page.controller->page().textStorage().length() - before);
    page.controller->setEditable(false);
}
BENCHMARK(BM_Keystroke)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_LeaveEditing(benchmark::State& state)
{
    if (!bench()) {
        state.SkipWithError("no store");
        return;
    }
    PageBench& page = *bench();
    page.select(page.recipe);
    for (auto _ : state) {
        page.enterEditingAtDirection15();
        page.typeLetter();
        const auto start = Clock::now();
        page.controller->setEditable(false);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(BM_LeaveEditing)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    useFirstRunDefaults();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
