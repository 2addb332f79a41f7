#include "shell/menu_rules.h"

namespace quelmo {

std::optional<bool> MenuStates::Enabled(std::string_view c) const {
    if (c == "c1") return c1;
    if (c == "c2") return c2;
    if (c == "c3") return c3;
    if (c == "newprj") return newprj;
    if (c == "loadprj") return loadprj;
    if (c == "closeprj") return closeprj;
    if (c == "saveprj") return saveprj;
    if (c == "saveasprj") return saveasprj;
    if (c == "p1" || c == "p2" || c == "p3" || c == "p4" || c == "p5") return edit;
    return std::nullopt;
}

MenuStates MenuRules(bool project_open, int connection_state) {
    MenuStates m;
    m.ConnectionState = project_open ? connection_state : 0;
    m.c1 = project_open;
    m.newprj = !project_open;
    m.loadprj = !project_open;
    m.closeprj = project_open;
    m.saveprj = project_open;
    m.saveasprj = project_open;
    m.edit = project_open && m.ConnectionState > 0;
    m.c2 = m.ConnectionState != 0;
    m.c3 = m.ConnectionState == 1;
    return m;
}

}  // namespace quelmo
