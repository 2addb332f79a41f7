#pragma once
// The main menu's enabling rules: which entries may be chosen, given whether a project is open
// and the connection state. Entries the rules do not name are always enabled.
#include <optional>
#include <string_view>

namespace quelmo {

struct MenuStates {
    // The connection state after the rules: no open project forces 0.
    int ConnectionState = 0;
    bool c1 = true;         // 'serial port connect'
    bool c2 = false;        // 'command send'
    bool c3 = false;        // 'upload data'
    bool newprj = true;
    bool loadprj = true;
    bool closeprj = true;
    bool saveprj = false;
    bool saveasprj = false;
    bool edit = true;       // the five 'edit' entries p1 .. p5

    // The state of the entry with this component name; nullopt for entries the rules leave alone.
    std::optional<bool> Enabled(std::string_view component) const;
};

// ConnectionState: 0 not connected, 1 connected to a module, 2 offline editing.
MenuStates MenuRules(bool project_open, int connection_state);

}  // namespace quelmo
