// Cooking mode on a recipe of 40 directions and 12 ingredient lines, on a 1280 by 800 offscreen
// screen. Times:
//   enter  entering cooking mode (window, views, the directions' text picture, the speech
//          synthesizer) until the first frame of the whole window is rendered; then leaving
//   frame  one frame of a step animation: the scroll moved half way and the directions' visible
//          area rendered
#include "RVFullScreenContentView.h"
#include "RVFullScreenController.h"
#include "RVFullScreenDirectionView.h"
#include "RVFullScreenWindow.h"

#include <QApplication>
#include <QImage>
#include <QScrollArea>
#include <benchmark/benchmark.h>
#include <chrono>

namespace
{

using Clock = std::chrono::steady_clock;

CookingRecipe bigRecipe()
{
    CookingRecipe recipe;
    recipe.name = QStringLiteral("Harvest Vegetable Stew");
    for (int i = 1; i <= 12; ++i)
        recipe.ingredients.append(QStringLiteral("%1 1/2 cups diced carrot number %2").arg(i % 4 + 1).arg(i));
    for (int i = 1; i <= 40; ++i) {
        recipe.directions.append(
            QStringLiteral("Stir the pot for %1 minutes over a medium flame at 350°F, then "
                           "taste and season with salt and pepper before the next step.")
                .arg(i));
        recipe.shownDirections.append(recipe.directions.last());
    }
    return recipe;
}

RVFullScreenController::Outlets outlets()
{
    RVFullScreenController::Outlets outlets;
    outlets.screenSize = [] { return QSize(1280, 800); };
    outlets.updateSystemActivity = [] { return 0; };
    return outlets;
}

void BM_EnterCookingMode(benchmark::State& state)
{
    RVFullScreenController controller(outlets());
    const CookingRecipe recipe = bigRecipe();
    QImage frame(1280, 800, QImage::Format_RGB32);
    for (auto _ : state) {
        const auto start = Clock::now();
        controller.enterFullScreenForRecipe(recipe);
        controller.window()->render(&frame);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        controller.exitFullScreen(RVFullScreenController::Sender::RecipeController);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    state.counters["directions"] = double(recipe.directions.size());
}
BENCHMARK(BM_EnterCookingMode)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_StepAnimationFrame(benchmark::State& state)
{
    RVFullScreenController controller(outlets());
    controller.enterFullScreenForRecipe(bigRecipe());
    RVFullScreenDirectionView* directions = controller.contentView()->directionView();
    auto* area = qobject_cast<QScrollArea*>(directions->parentWidget()->parentWidget());
    if (!area) {
        state.SkipWithError("no scroll area");
        return;
    }
    QWidget* viewport = area->viewport();
    QImage frame(viewport->size(), QImage::Format_RGB32);
    // The scroll to the second step, frame after frame, over and over.
    controller.contentView()->nextStep();
    double progress = 0.0;
    for (auto _ : state) {
        progress = progress >= 1.0 ? 0.0 : progress + 1.0 / 30;
        const auto start = Clock::now();
        directions->setProgress(progress, 1);
        viewport->render(&frame);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    controller.exitFullScreen(RVFullScreenController::Sender::RecipeController);
}
BENCHMARK(BM_StepAnimationFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(300);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
