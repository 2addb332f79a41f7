#pragma once
// The working windows of the main window, by name, in the order they are created.
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace quelmo::ui {

class ShellHost;

// Finds a working window by name once all are made; null for a name not in the table.
using WindowLookup = std::function<QWidget*(const std::string& name)>;

struct WindowEntry {
    std::string name;  // the name Navigate takes: "start", "prjini", "pic", ...
    std::function<QWidget*(ShellHost& host, QWidget* parent)> make;
    // Optional: connects the window to others once every window exists.
    std::function<void(QWidget* self, ShellHost& host, const WindowLookup& find)> wire = {};
    // A window shown modally over the frame from its menu entry (the C code window) rather
    // than a sub-window switched to by name.
    bool modal = false;
};
using WindowTable = std::vector<WindowEntry>;

// Every working window of the program.
const WindowTable& ProgramWindows();

}  // namespace quelmo::ui
