#pragma once
// Ties the engine's main-thread dispatcher to Qt's event loop: work posted from the serial
// threads runs from the event loop, and PumpWait keeps the windows painted while it waits.
namespace quelmo::ui {

// While it lives, the main dispatcher is drained from the event loop and PumpWait pumps Qt's
// events. The main window holds one for as long as it owns the port.
class EventLoopPump {
public:
    EventLoopPump();
    ~EventLoopPump();
    EventLoopPump(const EventLoopPump&) = delete;
    EventLoopPump& operator=(const EventLoopPump&) = delete;
};

}  // namespace quelmo::ui
