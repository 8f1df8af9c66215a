// The search pane on the library of 100,000 recipes (see SearchBenchLibrary.h): from the last
// keystroke in a search field to the ranked results shown in the results table, painted. The
// pane's 0.75 s wait after the last keystroke is left out: a virtual clock jumps over it (the
// check-box slide it also runs is counted). The keystroke completes "chicken" in the first field,
// so the timing covers the field's own work (is it an ingredient name?), the search, the ranking,
// the table's reload, the choice of the first result and the painting of the visible rows.
// cold: in a fresh context on the store; warm: the same search typed again in that context.
#include "SVSearchField.h"
#include "SVSearchFieldView.h"
#include "SearchBenchLibrary.h"
#include "SearchController.h"
#include "SearchResultTableView.h"
#include "SearchView.h"

#include <QApplication>
#include <QLabel>
#include <benchmark/benchmark.h>

namespace
{

using namespace SearchBenchLibrary;

// Types the last letter of `text` into the row (the rest is there already) and waits the delay out.
double typeLastLetter(VirtualClock& clock, SVSearchFieldView* row, SearchResultTableView* table,
    const QString& text, double* cpu)
{
    row->searchField()->setText(text.left(text.size() - 1));
    const auto start = std::chrono::steady_clock::now();
    const double startCpu = cpuMs();
    row->searchField()->setText(text);
    row->search();
    clock.advance(SearchController::kSearchDelay);
    table->viewport()->repaint();
    *cpu = cpuMs() - startCpu;
    return msSince(start);
}

void BM_SearchPane(benchmark::State& state)
{
    Library& l = library();
    if (!l.ready) {
        state.SkipWithError("library not made");
        return;
    }
    double coldMs = 0;
    double warmMs = 0;
    double coldCpuMs = 0;
    double warmCpuMs = 0;
    qint64 results = 0;
    for (auto _ : state) {
        VirtualClock clock;
        BenchServices services;
        KitchoraServices::setShared(&services);
        {
            OpenedLibrary opened(l, services);
            SearchEngine engine;
            bool hidden = true;
            SearchController::Outlets outlets;
            outlets.searchResultsTableHidden = [&hidden] { return hidden; };
            outlets.setSearchResultsTableHidden = [&hidden](bool value) { hidden = value; };
            {
                SearchController controller(engine, nullptr, outlets);
                QWidget window;
                QWidget* pane = controller.searchPane(new QLabel(QStringLiteral("recipe list")));
                pane->setParent(&window);
                window.resize(900, 700);
                pane->setGeometry(0, 0, 900, 700);
                window.show();
                SVSearchFieldView* row = controller.searchView()->searchFields().at(0);
                SearchResultTableView* table = controller.searchResultsTableView();
                double cpu = 0;
                coldMs += typeLastLetter(clock, row, table, QStringLiteral("chicken"), &cpu);
                coldCpuMs += cpu;
                warmMs += typeLastLetter(clock, row, table, QStringLiteral("chicken"), &cpu);
                warmCpuMs += cpu;
                results = engine.localResultsDataSourceArray().size();
                if (table->selectedRows() != QList<int>({ 1 }))
                    state.SkipWithError("the first result was not chosen");
            }
        }
        KitchoraServices::setShared(nullptr);
    }
    state.counters["cold_ms"] = coldMs / double(state.iterations());
    state.counters["warm_ms"] = warmMs / double(state.iterations());
    state.counters["cold_cpu_ms"] = coldCpuMs / double(state.iterations());
    state.counters["warm_cpu_ms"] = warmCpuMs / double(state.iterations());
    state.counters["results"] = double(results);
}

} // namespace

BENCHMARK(BM_SearchPane)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
