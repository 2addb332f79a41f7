#include "shell/ui/event_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include "core/dispatcher.h"

namespace quelmo::ui {
namespace {

// Qt's events and the dispatcher's work in turn. The dispatcher's own wait (1 ms at most) wakes
// at once when a serial thread posts, so replies are seen as soon as they arrive.
bool PumpEvents(int ms, const std::function<bool()>& pred) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const qint64 left = ms - clock.elapsed();
        if (MainDispatcher().RunUntil(left <= 0 ? 0 : static_cast<int>(std::min<qint64>(left, 1)), pred)) return true;
        if (clock.elapsed() >= ms) return pred && pred();
    }
}

}  // namespace

EventLoopPump::EventLoopPump() {
    MainDispatcher().SetWakeHook([] {
        // Any thread: a queued call lands on the main thread's event loop.
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [] { MainDispatcher().RunPending(); }, Qt::QueuedConnection);
    });
    SetPumpFunction(&PumpEvents);
}

EventLoopPump::~EventLoopPump() {
    SetPumpFunction(nullptr);
    MainDispatcher().SetWakeHook(nullptr);
}

}  // namespace quelmo::ui
