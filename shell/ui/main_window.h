#pragma once
// The main window: it creates the application context and hosts the working windows.
#include <QMainWindow>
#include <filesystem>
#include <memory>

namespace quelmo {
class Tglobal;
}

namespace quelmo::ui {

class EditCmdForm;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const std::filesystem::path& workdir, QWidget* parent = nullptr);
    ~MainWindow() override;

    Tglobal& Global() { return *g_; }
    EditCmdForm* Design() const { return editcmd_; }

private:
    std::unique_ptr<Tglobal> g_;
    EditCmdForm* editcmd_;
};

}  // namespace quelmo::ui
