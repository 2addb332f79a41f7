#include "shell/ui/event_pump.h"

#include "shell/ui/qt_dispatch.h"

namespace quelmo::ui {

EventLoopPump::EventLoopPump() { InstallQtDispatch(); }

EventLoopPump::~EventLoopPump() { RemoveQtDispatch(); }

}  // namespace quelmo::ui
