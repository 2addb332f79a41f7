#pragma once
// The input method code table window ("input method code table configure"): the key
// configuration and code table texts, compiled into pymb.bin, with the error output, and the
// fetching of ready-made 320 x 240 resources. The texts are loaded from the workspace when the
// window is made and saved back when it goes (at program exit). Opening another project
// replaces the workspace's files, so the texts are also saved when the user leaves the window
// after editing them, and read again when it is shown with no edits pending; texts nobody
// edited are never written over a project's files.
#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>

#include "core/result.h"
#include "ime/pymb.h"

class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace quelmo::ui {

class ShellHost;

class Tpymbform : public QWidget {
    Q_OBJECT
public:
    // Fetches `url` into `target`, replacing it only when the whole file has arrived; false when
    // the download failed.
    using Fetch = std::function<bool(const std::string& url, const std::filesystem::path& target)>;

    explicit Tpymbform(ShellHost& host, QWidget* parent = nullptr);
    ~Tpymbform() override;

    // The server's address (QUELMO_SERVER unless set) and the download the frame provides.
    // Without either, the download button offers the resources that come with the program.
    void SetServer(const QString& address) { server_ = address; }
    void SetDownloader(Fetch fetch) { fetch_ = std::move(fetch); }

    // Writes both texts to srf.ini and srf.mb in the workspace.
    Status SaveTexts();

public slots:
    // "generate code table file".
    void Generate();
    // "download(320x240) configure text and image resources".
    void Download();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void LoadTexts();
    bool Edited() const;
    bool Download(const std::string& name, const std::filesystem::path& target);
    void UseReadyResources();
    void LoadKeyConfig(const std::filesystem::path& file);

    ShellHost& host_;
    ime::PymbBuilder builder_;  // keeps the letter digits from one build to the next
    QString server_;
    Fetch fetch_;
    QPlainTextEdit* srfini_;
    QPlainTextEdit* srfmb_;
    QListWidget* errors_;
    QPushButton* generate_;
    QPushButton* download_;
};

}  // namespace quelmo::ui
