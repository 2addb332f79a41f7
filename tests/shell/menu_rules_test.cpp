#include "shell/menu_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quelmo {
namespace {

struct Case {
    bool open;
    int state_in;
    int state_out;
    bool c1, c2, c3, newprj, loadprj, closeprj, saveprj, saveasprj, edit;
};

TEST(MenuRules, EnablingByProjectAndConnectionState) {
    const std::vector<Case> cases = {
        // no project: everything but create and open is off, and the state reads 0 again
        {false, 0, 0, false, false, false, true, true, false, false, false, false},
        {false, 1, 0, false, false, false, true, true, false, false, false, false},
        {false, 2, 0, false, false, false, true, true, false, false, false, false},
        // project open, not connected: file entries, connect, no editing
        {true, 0, 0, true, false, false, false, false, true, true, true, false},
        // connected to a module: everything
        {true, 1, 1, true, true, true, false, false, true, true, true, true},
        // offline editing: editing and command send, but no upload
        {true, 2, 2, true, true, false, false, false, true, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("open " + std::to_string(c.open) + " state " + std::to_string(c.state_in));
        const MenuStates m = MenuRules(c.open, c.state_in);
        EXPECT_EQ(m.ConnectionState, c.state_out);
        EXPECT_EQ(m.c1, c.c1);
        EXPECT_EQ(m.c2, c.c2);
        EXPECT_EQ(m.c3, c.c3);
        EXPECT_EQ(m.newprj, c.newprj);
        EXPECT_EQ(m.loadprj, c.loadprj);
        EXPECT_EQ(m.closeprj, c.closeprj);
        EXPECT_EQ(m.saveprj, c.saveprj);
        EXPECT_EQ(m.saveasprj, c.saveasprj);
        EXPECT_EQ(m.edit, c.edit);
    }
}

TEST(MenuRules, LookupByComponentName) {
    const MenuStates m = MenuRules(true, 2);
    for (const char* name : {"p1", "p2", "p3", "p4", "p5", "c1", "c2", "closeprj", "saveprj", "saveasprj"})
        EXPECT_EQ(m.Enabled(name), true) << name;
    for (const char* name : {"c3", "newprj", "loadprj"}) EXPECT_EQ(m.Enabled(name), false) << name;
    // start, exit, the tool entries and about are never touched.
    for (const char* name : {"start", "exit", "F4", "C4", "N3", "GIFJPG1", "N18"})
        EXPECT_FALSE(m.Enabled(name).has_value()) << name;
}

}  // namespace
}  // namespace quelmo
