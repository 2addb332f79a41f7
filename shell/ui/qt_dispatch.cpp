#include "shell/ui/qt_dispatch.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <atomic>

#include "core/dispatcher.h"

namespace quelmo::ui {
namespace {

// One drain queued at a time, however many tasks were posted before it ran.
std::atomic<bool> g_drain_queued{false};

void Drain() {
    g_drain_queued.store(false);
    MainDispatcher().RunPending();
}

void Wake() {
    if (g_drain_queued.exchange(true)) return;
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, &Drain, Qt::QueuedConnection);
    else
        g_drain_queued.store(false);
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
    MainDispatcher().SetWakeHook(&Wake);
    SetPumpFunction(&PumpEvents);
    Wake();  // anything posted before now
}

void RemoveQtDispatch() {
    SetPumpFunction(nullptr);
    MainDispatcher().SetWakeHook(nullptr);
}

}  // namespace quelmo::ui
