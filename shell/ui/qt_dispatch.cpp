#include "shell/ui/qt_dispatch.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <atomic>
#include <cstdint>

#include "core/dispatcher.h"

namespace quelmo::ui {
namespace {

// The serial threads wake the event loop through an eventfd that a socket notifier watches on
// the main thread, so nothing of Qt's is touched off the main thread. One wake is outstanding at
// a time, however many tasks were posted before the drain ran.
int g_wake_fd = -1;
QSocketNotifier* g_notifier = nullptr;
std::atomic<bool> g_drain_queued{false};

void Drain() {
    uint64_t count;
    while (::read(g_wake_fd, &count, sizeof count) > 0) {
    }
    g_drain_queued.store(false);
    MainDispatcher().RunPending();
}

void Wake() {
    if (g_drain_queued.exchange(true)) return;
    const uint64_t one = 1;
    if (::write(g_wake_fd, &one, sizeof one) != sizeof one) g_drain_queued.store(false);
}

// Runs the event loop (and with it the posted work) until `pred` holds or `ms` have passed.
// Sleeps in the event loop between events; a one-shot timer at the deadline wakes it.
bool PumpEvents(int ms, const std::function<bool()>& pred) {
    QDeadlineTimer deadline(ms < 0 ? 0 : ms, Qt::PreciseTimer);
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(static_cast<int>(deadline.remainingTime()));
    for (;;) {
        MainDispatcher().RunPending();
        if (pred && pred()) return true;
        if (deadline.hasExpired()) return false;
        // Blocks until something happens: a click, a repaint, posted work, or the timer.
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

}  // namespace

void InstallQtDispatch() {
    if (g_notifier) return;
    g_wake_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (g_wake_fd < 0) return;  // the plain waits stay; nothing posted is lost, only late
    g_notifier = new QSocketNotifier(g_wake_fd, QSocketNotifier::Read);
    QObject::connect(g_notifier, &QSocketNotifier::activated, [] { Drain(); });
    MainDispatcher().SetWakeHook(&Wake);
    SetPumpFunction(&PumpEvents);
    Wake();  // anything posted before now
}

void RemoveQtDispatch() {
    if (!g_notifier) return;
    SetPumpFunction(nullptr);
    MainDispatcher().SetWakeHook(nullptr);
    delete g_notifier;
    g_notifier = nullptr;
    ::close(g_wake_fd);
    g_wake_fd = -1;
    g_drain_queued.store(false);
}

}  // namespace quelmo::ui
