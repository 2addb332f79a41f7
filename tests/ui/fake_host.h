#pragma once
// A frame for window tests: it owns a context over a temporary working folder, a project, a
// port and its link, and records what the window asked of it.
#include <QStringList>

#include <filesystem>
#include <string>

#include "shell/context.h"
#include "link/device_link.h"
#include "link/tcomm.h"
#include "project/project.h"
#include "shell/ui/shell_host.h"

namespace quelmo::test {

class FakeHost : public ui::ShellHost, public ProjectHost {
public:
    explicit FakeHost(const std::filesystem::path& workdir)
        : g_(workdir), project_(workdir, g_.Settings(), *this), link_(comm_, g_.Rom()) {}

    Tglobal& Context() override { return g_; }
    Tproject& Project() override { return project_; }
    DeviceLink& Link() override { return link_; }
    void Navigate(const std::string& name) override { pages.append(QString::fromStdString(name)); }
    void Refresh() override { ++refreshes; }
    void RefreshMenus() override { ++menu_refreshes; }
    bool& StopFlag() override { return stop_; }
    void PictureFolderChanged() override { ++picture_changes; }

    bool Ask(std::string_view) override { return false; }
    void Show(std::string_view) override {}

    QStringList pages;  // every Navigate, in order
    int refreshes = 0;
    int menu_refreshes = 0;
    int picture_changes = 0;

private:
    Tglobal g_;
    Tproject project_;
    TComm comm_;
    DeviceLink link_;
    bool stop_ = false;
};

}  // namespace quelmo::test
