// Export of 1,000 selected recipes (the sample cards repeated, opened as a card file the way the
// program opens one) through the application controller, with no recipe on the page:
//   export_card_text   the cards as UTF-16 card text, as the export writes it
//   export_rtf         the recipe cards joined and written as RTF
//   build_cards        the recipe cards alone (most of export_rtf)
#include "KitchoraController.h"
#include "MainWindowAccess.h"
#include "ManagedObjectContext.h"
#include "Presenter.h"
#include "RecipeCardDocument.h"
#include "RecipeCollection.h"
#include "UserDefaults.h"
#include "VirtualClock.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace
{

constexpr int recipeCount = 1000;

class SilentPresenter : public Presenter
{
public:
    void presentError(const Error&) override { }
    int runAlert(const QString&, const QStringList&) override { return 0; }
    LibraryChoice chooseStartingLibrary() override { return LibraryChoice::Empty; }
    bool runPrintPanel(QPrinter&) override { return false; }
    QStringList runOpenPanel(const OpenPanel&) override { return {}; }
    QString runExportPanel(const ExportPanel&) override { return {}; }
    UsernameSheetAnswer runEditUsernameSheet(const QString&) override { return {}; }
    UsernameSheetAnswer runFirstSubmitUsernameSheet() override { return {}; }
    std::optional<QString> runAddIngredientSheet(
        const std::function<std::optional<QString>(const QString&)>&) override
    {
        return std::nullopt;
    }
    void beep() override { }
    int runSuppressibleAlert(const QString&, const QString&, const QStringList&, bool*) override { return 0; }
};

class SelectionWindow : public MainWindowAccess
{
public:
    bool commitEditing() override { return true; }
    void centerWindow() override { }
    QString outlineAutosaveName() const override { return {}; }
    QVariantList expandedStateArray() const override { return {}; }
    void restoreExpandedStateFromArray(const QVariantList&) override { }
    void collapseAllSearchFields() override { }
    QList<ManagedObject*> selectedRecipes() const override { return selected; }
    QList<ManagedObject*> selected;
};

struct Library {
    QTemporaryDir dir;
    VirtualClock clock;
    SilentPresenter presenter;
    SelectionWindow window;
    std::unique_ptr<KitchoraController> controller;
    bool ready = false;
};

Library& library()
{
    static Library* made = [] {
        auto* l = new Library;
        qputenv("XDG_DATA_HOME", l->dir.filePath(QStringLiteral("data")).toLocal8Bit());
        qputenv("XDG_CACHE_HOME", l->dir.filePath(QStringLiteral("cache")).toLocal8Bit());
        UserDefaults::setStandardUserDefaultsFile(l->dir.filePath(QStringLiteral("defaults.ini")));
        l->controller = std::make_unique<KitchoraController>(l->presenter);
        l->controller->setMainWindowAccess(&l->window);
        l->controller->awakeFromNib();
        l->controller->applicationWillFinishLaunching();
        l->clock.advance(0);

        QFile sample(QStringLiteral(KITCHORA_SOURCE_DIR "/resources/sample/SampleLibrary.vrc"));
        if (!sample.open(QIODevice::ReadOnly))
            return l;
        const QByteArray cards = sample.readAll();
        const QString path = l->dir.filePath(QStringLiteral("Many.vrc"));
        QFile many(path);
        if (!many.open(QIODevice::WriteOnly))
            return l;
        const qsizetype perCopy = cards.count("END:VRECIPECARD");
        for (qsizetype written = 0; written < recipeCount; written += perCopy)
            many.write(cards);
        many.close();
        l->controller->openFiles({ path });
        l->window.selected = l->controller->libraryCollection()
                                 ->mutableSetValueForKey(QStringLiteral("recipes"))
                                 .allObjects()
                                 .mid(0, recipeCount);
        l->ready = l->window.selected.size() == recipeCount;
        return l;
    }();
    return *made;
}

void exportFormat(benchmark::State& state, int format)
{
    Library& l = library();
    if (!l.ready) {
        state.SkipWithError("the library could not be made");
        return;
    }
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray data = l.controller->exportData(format);
        bytes = data.size();
        benchmark::DoNotOptimize(data.constData());
    }
    state.counters["recipes"] = double(l.window.selected.size());
    state.counters["bytes"] = double(bytes);
}

void export_card_text(benchmark::State& state)
{
    exportFormat(state, KitchoraController::VRCExportFormat);
}
BENCHMARK(export_card_text)->Unit(benchmark::kMillisecond);

void export_rtf(benchmark::State& state)
{
    exportFormat(state, KitchoraController::RTFExportFormat);
}
BENCHMARK(export_rtf)->Unit(benchmark::kMillisecond);

// The cards alone, as the RTF export builds them, to tell their cost from the writer's.
void build_cards(benchmark::State& state)
{
    Library& l = library();
    if (!l.ready) {
        state.SkipWithError("the library could not be made");
        return;
    }
    for (auto _ : state) {
        qsizetype length = 0;
        for (ManagedObject* recipe : l.window.selected)
            length += RecipeCardDocument::cardOf(recipe).length();
        benchmark::DoNotOptimize(length);
    }
}
BENCHMARK(build_cards)->Unit(benchmark::kMillisecond);

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
