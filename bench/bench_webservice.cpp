// The web recipe service client against the loopback service stub: 1,000 search requests, four
// in flight at a time as the client's queue allows, each answered with a page of 20 results as a
// property list. Reports requests per second and the main thread's longest stall (the longest
// gap between turns of its event loop, seen by a 1 ms timer), which stays small because replies
// are parsed off the main thread. The stub runs on a thread of its own.
#include "QLMKitchoraCloudAgent.h"
#include "WebServiceStub.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <functional>

namespace
{

constexpr int requestCount = 1000;

QVariantList page()
{
    QVariantList results;
    for (int i = 0; i < 20; ++i) {
        results.append(QVariantMap { { "id", 1000 + i },
            { "name", QStringLiteral("Recipe %1 with a longer name").arg(i) }, { "cuisine", "Thai" },
            { "rating", 3.5 } });
    }
    return results;
}

void BM_SearchRequests(benchmark::State& state)
{
    QThread serviceThread;
    QObject onServiceThread;
    onServiceThread.moveToThread(&serviceThread);
    serviceThread.start();
    WebServiceStub* stub = nullptr;
    QMetaObject::invokeMethod(
        &onServiceThread,
        [&stub] {
            stub = new WebServiceStub;
            stub->route("GET", "/search.xml", WebServiceStub::Reply::plist(page()));
        },
        Qt::BlockingQueuedConnection);
    QLMKitchoraCloudAgent agent(stub->baseURL());

    for (auto _ : state) {
        int done = 0;
        int failed = 0;
        qint64 longestStallNs = 0;
        QElapsedTimer sinceTick;
        sinceTick.start();
        QTimer probe;
        probe.setInterval(1);
        QObject::connect(&probe, &QTimer::timeout, &probe, [&] {
            longestStallNs = std::max(longestStallNs, sinceTick.nsecsElapsed() - 1000000);
            sinceTick.restart();
        });
        probe.start();

        QElapsedTimer clock;
        clock.start();
        // Four in flight: each reply sends the next request, as the queue would start it.
        int sent = 0;
        std::function<void()> sendNext = [&] {
            if (sent == requestCount)
                return;
            const int i = sent++;
            agent.searchForTerms(
                { QStringLiteral("egg"), QStringLiteral("milk %1").arg(i) }, 1,
                [&](const QVariant& reply) {
                    done += reply.toList().size() == 20 ? 1 : 0;
                    sendNext();
                },
                [&](const Error&) {
                    ++failed;
                    ++done;
                    sendNext();
                });
        };
        for (int i = 0; i < OperationQueue::kDefaultMaxConcurrentOperationCount; ++i)
            sendNext();
        QEventLoop loop;
        while (done < requestCount)
            loop.processEvents(QEventLoop::WaitForMoreEvents);
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        probe.stop();
        if (failed > 0)
            state.SkipWithError("requests failed");
        state.counters["requests_per_s"] = requestCount / seconds;
        state.counters["longest_main_stall_ms"] = double(longestStallNs) / 1e6;
    }

    QMetaObject::invokeMethod(
        &onServiceThread, [&stub] { delete stub; }, Qt::BlockingQueuedConnection);
    serviceThread.quit();
    serviceThread.wait();
}

} // namespace

BENCHMARK(BM_SearchRequests)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
