#include "AFHTTPClient.h"
#include "AFNetworkingErrors.h"
#include "AFPropertyListRequestOperation.h"
#include "EventLoopWait.h"
#include "NotificationCenter.h"
#include "WebServiceStub.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

namespace
{

// Runs one operation through a queue and records which block came, on which thread.
struct Outcome {
    int successes = 0;
    int failures = 0;
    QVariant value;
    Error error;
    bool onMainThread = true;
};

class AFOperationTest : public ::testing::Test
{
protected:
    URLRequest request(const QString& path, const QByteArray& method = "GET") const
    {
        URLRequest request;
        request.url = stub.baseURL().resolved(QUrl(path));
        request.method = method;
        return request;
    }

    template <class T> std::shared_ptr<T> run(const URLRequest& request, Outcome& outcome, bool wait = true)
    {
        auto operation = std::make_shared<T>(request);
        operation->setCompletionBlockWithSuccess(
            [&outcome](AFHTTPRequestOperation&, const QVariant& value) {
                ++outcome.successes;
                outcome.value = value;
                outcome.onMainThread &= QThread::currentThread() == QCoreApplication::instance()->thread();
            },
            [&outcome](AFHTTPRequestOperation&, const Error& error) {
                ++outcome.failures;
                outcome.error = error;
                outcome.onMainThread &= QThread::currentThread() == QCoreApplication::instance()->thread();
            });
        queue.addOperation(operation);
        if (wait) {
            EXPECT_TRUE(waitUntil([&] { return outcome.successes + outcome.failures > 0; }));
        }
        return operation;
    }

    void TearDown() override { stub.settle(); }

    WebServiceStub stub;
    OperationQueue queue;
};

} // namespace

TEST_F(AFOperationTest, PropertyListReplyIsParsedAndDeliveredOnTheMainThread)
{
    stub.route("GET", "/recipes/1.xml", WebServiceStub::Reply::plist(QVariantMap { { "name", "Soup" } }));
    Outcome outcome;
    auto operation = run<AFPropertyListRequestOperation>(request("recipes/1.xml"), outcome);
    EXPECT_EQ(outcome.successes, 1);
    EXPECT_EQ(outcome.failures, 0);
    EXPECT_TRUE(outcome.onMainThread);
    EXPECT_EQ(outcome.value.toMap().value("name").toString(), "Soup");
    EXPECT_TRUE(operation->isFinished());
}

TEST_F(AFOperationTest, ReplyChecksTable)
{
    struct Case {
        const char* name;
        WebServiceStub::Reply reply;
        int expectedCode; // 0: success
        const char* descriptionFragment;
    };
    const QList<Case> cases {
        { "404 with XML", WebServiceStub::Reply::text("<a/>", "application/xml", 404),
            AFNetworkingErrors::BadStatusCode, "Expected status code in (200-299), got 404" },
        { "500 with a property list", WebServiceStub::Reply::plist(QVariantMap { { "a", 1 } }, 500),
            AFNetworkingErrors::BadStatusCode, "got 500" },
        { "200 HTML with a body", WebServiceStub::Reply::text("<html/>", "text/html"),
            AFNetworkingErrors::BadContentType, "got text/html" },
        { "200 HTML, empty", WebServiceStub::Reply::text({}, "text/html"), 0, "" },
        { "200 not a property list", WebServiceStub::Reply::text("not a plist", "application/x-plist"),
            PropertyList::ReadCorruptError, "" },
    };
    for (const Case& c : cases) {
        stub.route("GET", "/case", c.reply);
        Outcome outcome;
        run<AFPropertyListRequestOperation>(request("case"), outcome);
        if (c.expectedCode == 0) {
            EXPECT_EQ(outcome.successes, 1) << c.name;
            EXPECT_FALSE(outcome.value.isValid()) << c.name;
        } else {
            EXPECT_EQ(outcome.failures, 1) << c.name;
            EXPECT_EQ(outcome.error.code, c.expectedCode) << c.name;
            EXPECT_TRUE(outcome.error.localizedDescription.contains(c.descriptionFragment))
                << c.name << ": " << qPrintable(outcome.error.localizedDescription);
        }
    }
}

TEST_F(AFOperationTest, PlainOperationHandsOverRawBytesOfAnyType)
{
    stub.route("GET", "/recipes/3/image", WebServiceStub::Reply::text("JPEGBYTES", "image/jpeg"));
    Outcome outcome;
    run<AFHTTPRequestOperation>(request("recipes/3/image"), outcome);
    EXPECT_EQ(outcome.successes, 1);
    EXPECT_EQ(outcome.value.toByteArray(), QByteArray("JPEGBYTES"));
}

TEST_F(AFOperationTest, ConnectionFailuresEndInTheFailureBlock)
{
    // The transport itself tries a dropped request again, so the service drops every one.
    WebServiceStub::Reply drop;
    drop.drop = true;
    stub.route("GET", "/x", drop);
    Outcome dropped;
    run<AFHTTPRequestOperation>(request("x"), dropped);
    EXPECT_EQ(dropped.failures, 1);
    EXPECT_EQ(dropped.error.domain, NSURLErrorDomain);

    WebServiceStub::Reply held;
    held.hold = true;
    stub.failNext(1, held);
    URLRequest slow = request("slow");
    slow.timeoutInterval = 0.2;
    Outcome timedOut;
    run<AFHTTPRequestOperation>(slow, timedOut);
    EXPECT_EQ(timedOut.failures, 1);
    EXPECT_EQ(timedOut.error.code, AFNetworkingErrors::TimedOut);
}

TEST_F(AFOperationTest, RepliesLargerThanTheLimitFail)
{
    WebServiceStub::Reply huge = WebServiceStub::Reply::text({}, "application/xml");
    huge.claimedLength = AFURLConnectionOperation::kMaximumResponseLength + 1;
    stub.route("GET", "/huge", huge);
    Outcome outcome;
    run<AFPropertyListRequestOperation>(request("huge"), outcome);
    EXPECT_EQ(outcome.failures, 1);
    EXPECT_EQ(outcome.error.code, AFNetworkingErrors::DataLengthExceedsMaximum);
}

TEST_F(AFOperationTest, DeeplyNestedPropertyListFailsCleanly)
{
    QByteArray body = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    for (int i = 0; i < 2000; ++i)
        body += "<array>";
    for (int i = 0; i < 2000; ++i)
        body += "</array>";
    body += "</plist>";
    stub.route("GET", "/deep", WebServiceStub::Reply::text(body, "application/xml"));
    Outcome outcome;
    run<AFPropertyListRequestOperation>(request("deep"), outcome);
    EXPECT_EQ(outcome.failures, 1);
    EXPECT_EQ(outcome.error.domain, PropertyList::errorDomain());
}

namespace
{

// An output that takes nothing, as a full disk would.
class RefusingDevice : public QIODevice
{
protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override { return 0; }
};

} // namespace

TEST_F(AFOperationTest, AChunkTheOutputRefusesFailsTheOperation)
{
    stub.route("GET", "/body", WebServiceStub::Reply::text("some bytes", "text/plain"));
    auto operation = std::make_shared<AFHTTPRequestOperation>(request("body"));
    auto refusing = std::make_unique<RefusingDevice>();
    refusing->open(QIODevice::WriteOnly);
    operation->setOutputStream(std::move(refusing));
    Outcome outcome;
    operation->setCompletionBlockWithSuccess(
        [&](AFHTTPRequestOperation&, const QVariant&) { ++outcome.successes; },
        [&](AFHTTPRequestOperation&, const Error& error) {
            ++outcome.failures;
            outcome.error = error;
        });
    queue.addOperation(operation);
    ASSERT_TRUE(waitUntil([&] { return outcome.successes + outcome.failures > 0; }));
    EXPECT_EQ(outcome.successes, 0);
    EXPECT_EQ(outcome.error.code, AFNetworkingErrors::CannotWriteToFile);
}

TEST_F(AFOperationTest, CancelBeforeStartAndTwiceCallsNoBlock)
{
    WebServiceStub::Reply held;
    held.hold = true;
    stub.route("GET", "/held", held);
    queue.setMaxConcurrentOperationCount(1);
    Outcome first;
    Outcome second;
    auto running = run<AFHTTPRequestOperation>(request("held"), first, false);
    auto waiting = run<AFHTTPRequestOperation>(request("held"), second, false);
    EXPECT_TRUE(running->isExecuting());
    EXPECT_TRUE(waiting->isReady());
    waiting->cancel();
    waiting->cancel();
    EXPECT_TRUE(waiting->isFinished());
    EXPECT_TRUE(waiting->isCancelled());
    running->cancel();
    EXPECT_TRUE(running->isFinished());
    EXPECT_EQ(running->error().code, AFNetworkingErrors::Cancelled);
    // Nothing was posted for either.
    QEventLoop loop;
    loop.processEvents();
    EXPECT_EQ(first.successes + first.failures + second.successes + second.failures, 0);
    EXPECT_EQ(queue.operationCount(), 0);
    // Cancelling a finished operation, or starting it again, does nothing.
    running->cancel();
    running->start();
    EXPECT_TRUE(running->isFinished());
}

TEST_F(AFOperationTest, StateTransitionsTable)
{
    using State = AFURLConnectionOperation::State;
    class Probe : public AFURLConnectionOperation
    {
    public:
        using AFURLConnectionOperation::AFURLConnectionOperation;
        using AFURLConnectionOperation::setState;
    };
    struct Case {
        State from;
        State to;
        bool cancelled;
        State expected;
    };
    const QList<Case> cases {
        { State::Ready, State::Executing, false, State::Executing },
        { State::Ready, State::Paused, false, State::Paused },
        { State::Ready, State::Finished, false, State::Ready },
        { State::Ready, State::Finished, true, State::Finished },
        { State::Executing, State::Finished, false, State::Finished },
        { State::Executing, State::Paused, false, State::Paused },
        { State::Executing, State::Ready, false, State::Executing },
        { State::Finished, State::Executing, false, State::Finished },
        { State::Finished, State::Ready, false, State::Finished },
        { State::Paused, State::Ready, false, State::Ready },
        { State::Paused, State::Executing, false, State::Paused },
    };
    for (const Case& c : cases) {
        auto probe = std::make_shared<Probe>(request("x"));
        if (c.from == State::Executing || c.from == State::Finished)
            probe->setState(State::Executing);
        if (c.from == State::Finished)
            probe->setState(State::Finished);
        if (c.from == State::Paused)
            probe->setState(State::Paused);
        ASSERT_EQ(probe->state(), c.from);
        if (c.cancelled)
            probe->cancel();
        probe->setState(c.to);
        EXPECT_EQ(probe->state(), c.expected) << int(c.from) << " -> " << int(c.to);
    }
    EXPECT_EQ(AFURLConnectionOperation::stateName(State::Executing), "isExecuting");
}

TEST_F(AFOperationTest, QueueRunsAtMostFourByPriority)
{
    WebServiceStub::Reply held;
    held.hold = true;
    stub.route("GET", "/held", held);
    QList<std::shared_ptr<AFHTTPRequestOperation>> operations;
    for (int i = 0; i < 6; ++i) {
        auto operation = std::make_shared<AFHTTPRequestOperation>(request("held"));
        operation->setQueuePriority(i == 5 ? AFURLConnectionOperation::High : AFURLConnectionOperation::Low);
        operations.append(operation);
    }
    for (int i = 0; i < 4; ++i)
        queue.addOperation(operations.at(i));
    queue.addOperation(operations.at(4));
    queue.addOperation(operations.at(5));
    EXPECT_EQ(std::count_if(
                  operations.cbegin(), operations.cend(), [](const auto& op) { return op->isExecuting(); }),
        4);
    ASSERT_TRUE(waitUntil([&] { return stub.heldCount() == 4; }));
    stub.releaseHeld();
    ASSERT_TRUE(waitUntil([&] { return operations.at(0)->isFinished(); }));
    // The high-priority latecomer goes before the one that waited longer.
    ASSERT_TRUE(waitUntil([&] { return operations.at(5)->isExecuting() || operations.at(5)->isFinished(); }));
    ASSERT_TRUE(waitUntil([&] { return stub.heldCount() >= 1; }));
    stub.releaseHeld();
    ASSERT_TRUE(waitUntil([&] { return stub.heldCount() >= 1 || operations.at(4)->isFinished(); }));
    stub.releaseHeld();
    ASSERT_TRUE(waitUntil([&] { return queue.operationCount() == 0; }));
}

TEST_F(AFOperationTest, BatchReportsProgressAfterEachAndCompletesOnce)
{
    AFHTTPClient client(stub.baseURL());
    stub.route("GET", "/a", WebServiceStub::Reply::text("a", "text/plain"));
    stub.route("GET", "/b", WebServiceStub::Reply::text("b", "text/plain", 500));
    int own = 0;
    auto first = client.HTTPRequestOperationWithRequest(
        client.requestWithMethod("GET", "a", {}), [&](AFHTTPRequestOperation&, const QVariant&) { ++own; },
        nullptr);
    auto second = client.HTTPRequestOperationWithRequest(client.requestWithMethod("GET", "b", {}), nullptr,
        [&](AFHTTPRequestOperation&, const Error&) { ++own; });
    QList<qsizetype> progress;
    int completions = 0;
    qsizetype completedCount = 0;
    client.enqueueBatchOfHTTPRequestOperations(
        { first, second },
        [&](qsizetype finished, qsizetype total) {
            EXPECT_EQ(total, 2);
            progress.append(finished);
        },
        [&](const QList<std::shared_ptr<AFHTTPRequestOperation>>& operations) {
            ++completions;
            completedCount = operations.size();
            EXPECT_EQ(own, 2);
        });
    ASSERT_TRUE(waitUntil([&] { return completions == 1; }));
    EXPECT_EQ(progress.size(), 2);
    EXPECT_EQ(progress.last(), 2);
    EXPECT_EQ(completedCount, 2);
}

TEST_F(AFOperationTest, PausedDownloadAsksForTheRestOnResume)
{
    int calls = 0;
    stub.route("GET", "/file", [&calls](const WebServiceStub::Request&) {
        WebServiceStub::Reply reply = WebServiceStub::Reply::text("rest", "text/plain", 206);
        reply.headers.append(qMakePair(QByteArray("Content-Range"), QByteArray("bytes 6-9/10")));
        reply.hold = ++calls == 1;
        return reply;
    });
    int started = 0;
    int finishedOrPaused = 0;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    ScopedObserver startObserver(center,
        center.addObserver(
            AFNetworkingOperationDidStartNotification, nullptr, [&](const Notification&) { ++started; }));
    ScopedObserver finishObserver(center,
        center.addObserver(AFNetworkingOperationDidFinishNotification, nullptr,
            [&](const Notification&) { ++finishedOrPaused; }));

    Outcome outcome;
    auto operation = run<AFHTTPRequestOperation>(request("file"), outcome, false);
    ASSERT_TRUE(waitUntil([&] { return stub.heldCount() == 1; }));
    operation->pause();
    EXPECT_TRUE(operation->isPaused());
    EXPECT_EQ(finishedOrPaused, 1);
    operation->resume();
    ASSERT_TRUE(waitUntil([&] { return outcome.successes + outcome.failures > 0; }));
    EXPECT_EQ(outcome.successes, 1);
    EXPECT_EQ(stub.requests().at(1).header("Range"), QByteArray("bytes=0-"));
    EXPECT_EQ(operation->offsetContentLength(), 6);
    EXPECT_EQ(operation->totalContentLength(), 10);
    EXPECT_EQ(started, 2);
    EXPECT_EQ(finishedOrPaused, 2);
}
