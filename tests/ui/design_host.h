#pragma once
// A small frame for the design editor window tests: a context over a scratch working folder,
// a port that is never opened, and a record of what the windows asked of the frame.
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "shell/context.h"
#include "flash/trom.h"
#include "link/device_link.h"
#include "link/tcomm.h"
#include "project/project.h"
#include "shell/ui/messages.h"
#include "shell/ui/shell_host.h"

namespace quelmo::test {

struct DesignHost : ui::ShellHost, ProjectHost {
    DesignHost()
        : g(std::filesystem::path(dir.path().toStdString())), link(comm, g.Rom()), project(g.Workdir(), g.Settings(), *this) {
        link.OnMessage = [](const std::string& text) { ui::Inform(nullptr, QString::fromStdString(text)); };
    }

    Tglobal& Context() override { return g; }
    Tproject& Project() override { return project; }
    DeviceLink& Link() override { return link; }
    void Navigate(const std::string& name) override { navigations.push_back(name); }
    void Refresh() override { ++refreshes; }
    void RefreshMenus() override {}
    bool& StopFlag() override { return stop; }
    std::string EditAreaText() override { return edit_area; }
    void SetEditAreaText(const std::string& text) override { edit_area = text; }
    std::vector<std::string> PageCaptions() override { return captions; }
    void ImportIntoDesign() override { ++imports; }
    void ShowCCode(const std::string& text) override { ccode.push_back(text); }
    bool Ask(std::string_view) override { return false; }
    void Show(std::string_view) override {}

    QTemporaryDir dir;
    Tglobal g;
    TComm comm;
    DeviceLink link;
    Tproject project;
    bool stop = false;
    std::string edit_area;  // GBK
    std::vector<std::string> captions;
    std::vector<std::string> navigations;
    std::vector<std::string> ccode;
    int refreshes = 0;
    int imports = 0;
};

}  // namespace quelmo::test
