// The engine's main-thread work and waits under Qt's event loop: work posted from another
// thread runs on the main thread without anyone draining by hand, and PumpWait keeps Qt's
// events flowing while it waits.
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <thread>

#include "core/dispatcher.h"
#include "shell/ui/event_pump.h"

using namespace quelmo;

class TestEventPump : public QObject {
    Q_OBJECT
private slots:
    void workPostedFromAThreadRunsFromTheEventLoop() {
        ui::EventLoopPump pump;
        std::thread::id ran_on;
        bool ran = false;
        std::thread poster([&] { MainDispatcher().Post([&] {
            ran_on = std::this_thread::get_id();
            ran = true;
        }); });
        poster.join();
        QTRY_VERIFY_WITH_TIMEOUT(ran, 2000);
        QCOMPARE(ran_on, std::this_thread::get_id());
    }

    void pumpWaitLetsQtEventsThrough() {
        ui::EventLoopPump pump;
        bool fired = false;
        QTimer::singleShot(10, [&] { fired = true; });
        PumpWait(200);
        QVERIFY(fired);
    }

    void pumpUntilEndsWhenAPostedReplyArrives() {
        ui::EventLoopPump pump;
        std::atomic<bool> arrived = false;
        std::thread poster([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            MainDispatcher().Post([&] { arrived = true; });
        });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(PumpUntil(5000, [&] { return arrived.load(); }));
        QVERIFY(clock.elapsed() < 2000);
        poster.join();
        // Nothing arrives: the wait runs out and says so.
        QVERIFY(!PumpUntil(30, [] { return false; }));
    }

    void withoutThePumpTheWaitsAreThePlainOnes() {
        { ui::EventLoopPump pump; }
        bool fired = false;
        QTimer::singleShot(0, [&] { fired = true; });
        PumpWait(30);
        QVERIFY(!fired);
        QCoreApplication::processEvents();
        QVERIFY(fired);
    }
};

QTEST_MAIN(TestEventPump)
#include "test_event_pump.moc"
