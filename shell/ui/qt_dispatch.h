#pragma once
// The engine's main-thread dispatcher on the Qt event loop: work posted from the serial threads
// is run by the event loop, and the engine's message-pumping waits keep that loop running, so
// windows repaint and take clicks while an exchange waits for the module.
namespace quelmo::ui {

// Call once the application object exists, on the thread that runs it. The main window does
// this at start-up; window tests do it in their set-up.
void InstallQtDispatch();
// Back to the plain waits of the command line; call it once no port is open any more.
void RemoveQtDispatch();

}  // namespace quelmo::ui
