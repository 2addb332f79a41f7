#pragma once
// The main window (Tmainform): the menus, the top bar with 'return' and the project label, the
// working windows as maximised sub-windows shown one at a time, and the status panel. It owns
// the shared port Comm1 with its exchange state and the open project; the application context
// belongs to the caller and outlives it.
#include <QMainWindow>
#include <map>
#include <memory>
#include <string>

#include "link/device_link.h"
#include "link/tcomm.h"
#include "project/project.h"
#include "sdcard/drive_monitor.h"
#include "shell/navigation.h"
#include "shell/ui/event_pump.h"
#include "shell/ui/shell_host.h"
#include "shell/ui/window_table.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QPushButton;

namespace quelmo::ui {

class StatusBarPanel;

namespace main_text {
inline constexpr const char* kDropDesign =
    "是否放弃已经编辑的页面语句？(使用结束设计，可将设计语句存入串口命令发送区)";
inline constexpr const char* kProjectFilter = "GPU数据文件 (*.gpu)";
inline constexpr const char* kSaveAsTitle = "工程另存为";
inline constexpr const char* kSaveAsFilter = "*.gpu ";
}  // namespace main_text

class Tmainform : public QMainWindow, public ShellHost, private ProjectHost {
    Q_OBJECT
public:
    // Runs the workspace start-up rule (a project left open is restored and its image built),
    // then creates every window of `windows` in table order and shows the start page.
    explicit Tmainform(Tglobal& g, const WindowTable& windows = ProgramWindows(), QWidget* parent = nullptr);
    // Saves the open project's settings, so the next start restores it.
    ~Tmainform() override;

    // ShellHost
    Tglobal& Context() override { return g_; }
    Tproject& Project() override { return project_; }
    DeviceLink& Link() override { return link_; }
    void Navigate(const std::string& name) override;
    void Refresh() override;
    void RefreshMenus() override;
    void RefreshStatus() override;
    bool& StopFlag() override { return stop_; }
    void NewProject() override;
    void OpenProject() override;
    void ResetHistory() override;
    bool RunAction(const std::string& name) override;
    void ProjectOpened() override;
    void PictureFolderChanged() override;
    const PictureList* MadePictureList() override;
    std::string EditAreaText() override;
    void SetEditAreaText(const std::string& text) override;
    std::vector<std::string> PageCaptions() override;
    void ImportIntoDesign() override;
    void ShowCCode(const std::string& text) override;
    bool ImageBuilt() override { return image_built_; }

    // Brings the window `name` to the front, maximised; a name not in the table shows nothing.
    void ShowWindow(const std::string& name);
    const std::string& CurrentWindow() const { return current_; }
    // The working window of that name, or null.
    QWidget* Window(const std::string& name) const;
    // Shows a modal window of the table over the frame until the user closes it.
    void ShowModal(const std::string& name);
    const Navigation& History() const { return history_; }
    TComm& Comm1() { return comm1_; }

public slots:
    // 'return'
    void Return();
    void SaveProject();
    void SaveProjectAs();
    void CloseProject();
    void Exit();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // ProjectHost
    bool Ask(std::string_view question) override;
    void Show(std::string_view message) override;

    void BuildMenus(const WindowTable& windows);
    QAction* AddEntry(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut = {});
    void CreateWindows(const WindowTable& windows);
    // Builds the image: from the settings in memory while a project is open, else from the
    // base image alone. Windows that show the image redraw.
    void BuildImage();
    void Report(const Status& s);

    Tglobal& g_;
    TComm comm1_;
    DeviceLink link_;
    Tproject project_;
    EventLoopPump pump_;
    Navigation history_;
    std::string current_;
    bool stop_ = false;
    bool image_built_ = true;  // the last build completed
    // Card arrival and removal, routed to the SD card writer.
    std::unique_ptr<sd::DriveMonitor> drives_;

    QPushButton* button2_;
    QLabel* gcname_;
    QMdiArea* mdi_;
    StatusBarPanel* status_;
    std::map<std::string, QMdiSubWindow*> windows_;
    std::map<std::string, QWidget*> modal_;
    std::map<std::string, QAction*> actions_;
};

}  // namespace quelmo::ui
