#pragma once
// The main window: it creates the application context and hosts the working windows.
#include <QMainWindow>
#include <filesystem>
#include <memory>

namespace quelmo {
class Tglobal;
class TComm;
class DeviceLink;
class Tproject;
}

namespace quelmo::ui {

class Teditcmdform;
class Tpjmform;
class Tccodeform;
class GifForm;
class PicForm;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const std::filesystem::path& workdir, QWidget* parent = nullptr);
    ~MainWindow() override;

    Tglobal& Global() { return *g_; }
    Teditcmdform* Design() const { return editcmd_; }
    Tpjmform* Pages() const { return pjm_; }
    // The working windows "editcmd" and "pjm" as tabs; the C code window made when first asked for.
    void Navigate(const QString& name);
    Tccodeform* CCode();

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
    class Host;
    std::unique_ptr<Tglobal> g_;
    std::unique_ptr<TComm> comm_;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<Host> host_;
    std::unique_ptr<Tproject> project_;
    class QTabWidget* tabs_ = nullptr;
    Teditcmdform* editcmd_ = nullptr;
    Tpjmform* pjm_ = nullptr;
    Tccodeform* ccode_ = nullptr;
    PicForm* pic_ = nullptr;
    PicForm* sdpic_ = nullptr;
    GifForm* gif_ = nullptr;
};

}  // namespace quelmo::ui
