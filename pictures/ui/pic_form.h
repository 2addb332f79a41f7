#pragma once
// The picture list window: the pictures of a folder as 160 x 160 buttons in list order, which the
// user reorders by dragging, with the actions open folder, reflash, sort file name and Make. One
// class serves the flash list (Tpicform) and the SD card's list (Tsdpicform).
#include <QWidget>
#include <filesystem>
#include <functional>

#include "pictures/picture_list.h"

class QAction;
class QLabel;
class QListWidget;
class QProgressBar;
class QUrl;

namespace quelmo::ui {

class PicForm : public QWidget {
    Q_OBJECT
public:
    // The item data that names an item's file; the buttons carry it through a drag.
    static constexpr int kNameRole = Qt::UserRole + 1;

    // Reflashes at once; on the SD card's list the sd folder is created first.
    PicForm(PicLayout layout, const std::filesystem::path& workdir, QWidget* parent = nullptr);

    const PictureList& List() const { return list_; }
    QListWidget* Buttons() const { return bgp_; }
    QProgressBar* Progress() const { return progress_; }
    // The status line: the picture count, the text Make ends with, or the last error.
    QString StatusText() const;
    // Opens a folder in the desktop's file manager; QDesktopServices unless replaced.
    void SetFolderOpener(std::function<bool(const QUrl&)> opener) { open_url_ = std::move(opener); }

public slots:
    void OpenFolder();
    void Reflash();
    void SortFileName();
    void Make();

signals:
    // Make wrote pic.sbin and pic.idx.
    void Made();

private:
    void Fill();
    void TakeOrderFromButtons();
    void Relabel();
    void Report(const QString& text, bool error);

    PictureList list_;
    std::function<bool(const QUrl&)> open_url_;
    QListWidget* bgp_;
    QProgressBar* progress_;
    QLabel* status_;
    bool filling_ = false;
};

}  // namespace quelmo::ui
