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
class GifForm;
class PicForm;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const std::filesystem::path& workdir, QWidget* parent = nullptr);
    ~MainWindow() override;

    Tglobal& Global() { return *g_; }
    EditCmdForm* Design() const { return editcmd_; }

    // The picture windows, each a window of its own, made the first time it is asked for.
    PicForm* PictureList();
    PicForm* SdPictureList();
    GifForm* Gif2Jpg();

public slots:
    void ShowPictureList();
    void ShowSdPictureList();
    void ShowGif2Jpg();
    // Builds the flash image afresh from the workspace and redraws the design screen with it.
    void RebuildImage();

private:
    std::unique_ptr<Tglobal> g_;
    EditCmdForm* editcmd_ = nullptr;
    PicForm* pic_ = nullptr;
    PicForm* sdpic_ = nullptr;
    GifForm* gif_ = nullptr;
};

}  // namespace quelmo::ui
