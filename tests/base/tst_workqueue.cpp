#include "WorkQueue.h"

#include <QtTest>

#include <future>
#include <memory>
#include <vector>

namespace {

// Notes the thread it is destroyed on, and stays put while not moved from.
struct Tracked
{
    int value = 0;
    std::shared_ptr<std::thread::id> diedOn;
    Tracked(int v, std::shared_ptr<std::thread::id> where) : value(v), diedOn(std::move(where)) {}
    Tracked(Tracked &&) = default;
    Tracked &operator=(Tracked &&) = default;
    ~Tracked()
    {
        if (diedOn)
            *diedOn = std::this_thread::get_id();
    }
};

} // namespace

class TestWorkQueue : public QObject
{
    Q_OBJECT

private slots:
    // Items are handled in the order posted, on a thread other than the
    // poster's, and finish() handles what is still queued before it returns.
    void handlesInOrderAndFinishesTheQueue()
    {
        std::vector<int> handled;
        std::thread::id handler;
        std::promise<void> gate;
        std::shared_future<void> open = gate.get_future().share();
        WorkQueue<int> queue([&](int &item) {
            open.wait();
            handler = std::this_thread::get_id();
            handled.push_back(item);
        });
        for (int i = 1; i <= 5; ++i)
            QVERIFY(queue.post(i));
        QVERIFY(queue.busy());
        gate.set_value();
        queue.finish();
        QCOMPARE(handled, (std::vector<int>{1, 2, 3, 4, 5}));
        QVERIFY(handler != std::this_thread::get_id());
        QVERIFY(!queue.busy());
        QVERIFY(!queue.post(6)); // dropped after finish
        QCOMPARE(handled.size(), size_t(5));
    }

    // busy() covers an item being handled, not only queued ones; waitIdle
    // returns once it is done, or after its time when it is not.
    void busyWhileHandling()
    {
        std::promise<void> started;
        std::promise<void> gate;
        std::shared_future<void> open = gate.get_future().share();
        WorkQueue<int> queue([&](int &) {
            started.set_value();
            open.wait();
        });
        QVERIFY(queue.post(1));
        started.get_future().wait();
        QVERIFY(queue.busy());
        queue.waitIdle(20);
        QVERIFY(queue.busy());
        gate.set_value();
        queue.waitIdle(10000);
        QVERIFY(!queue.busy());
    }

    // An item is let go of on the queue's thread, where its handling was: a
    // slow destruction (closing a MIDI client) never blocks the poster.
    void itemsDieOnTheQueuesThread()
    {
        auto diedOn = std::make_shared<std::thread::id>();
        std::thread::id handler;
        {
            WorkQueue<Tracked> queue([&](Tracked &) { handler = std::this_thread::get_id(); });
            QVERIFY(queue.post(Tracked(1, diedOn)));
            queue.finish();
        }
        QVERIFY(handler != std::thread::id());
        QCOMPARE(*diedOn, handler);
    }
};

QTEST_MAIN(TestWorkQueue)
#include "tst_workqueue.moc"
