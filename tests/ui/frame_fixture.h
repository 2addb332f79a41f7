#pragma once
// A main window over a working folder of its own, for the window tests.
#include <QAction>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "shell/context.h"
#include "link/device_link.h"
#include "project/project.h"
#include "shell/ui/main_form.h"

namespace quelmo::test {

struct Frame {
    explicit Frame(const std::filesystem::path& workdir = {}, const ui::WindowTable& windows = ui::ProgramWindows())
        : root(workdir.empty() ? std::filesystem::path(dir.path().toStdString()) : workdir),
          g(std::make_unique<Tglobal>(root)),
          main(std::make_unique<ui::Tmainform>(*g, windows)) {
        // Shown as the program shows it: windows fill themselves when they come to the front.
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    }
    ~Frame() {
        main.reset();
        g.reset();
    }

    // A project created and taken into offline editing, so every entry of 'edit' may be chosen.
    void OpenOffline(const std::string& name = "demo") {
        QVERIFY(main->Project().Create(name, root / (name + ".gpu")));
        main->Link().ConnectionState = 2;
        main->RefreshStatus();
    }

    QAction* Action(const char* name) const { return main->findChild<QAction*>(name); }
    // Chooses a menu entry as the user does; false when it is missing or disabled.
    bool Choose(const char* name) const {
        QAction* a = Action(name);
        if (!a || !a->isEnabled()) return false;
        a->trigger();
        return true;
    }

    QTemporaryDir dir;
    std::filesystem::path root;
    std::unique_ptr<Tglobal> g;
    std::unique_ptr<ui::Tmainform> main;
};

}  // namespace quelmo::test
