#pragma once
// The upload window ("sync"): a full sync of the flash image or an upload of just the small
// fonts, the pages or the pictures, with the upload log and the 64 x 64 sector map that fills in
// as sectors finish. Runs pump the event loop while they wait for the module, so the window
// stays usable; a run does not start while another is going on.
#include <QImage>
#include <QWidget>
#include <array>

#include "link/upload.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace quelmo::ui {

class ShellHost;

// The sector map, a 514 x 514 picture: sector s is the 6 x 6 cell at (8 * (s % 64) + 1,
// 8 * (s / 64) + 1) in its state's colour.
class SectorMapView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSide = 514;

    explicit SectorMapView(QWidget* parent = nullptr);
    const QImage& Picture() const { return picture_; }
    // Draws the cells whose state changed since they were last drawn (all of them when `all`).
    void Draw(const std::array<SyncUpload::Cell, kMaxSectors>& map, bool all);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    std::array<SyncUpload::Cell, kMaxSectors> drawn_{};
};

class Tsyncform : public QWidget {
    Q_OBJECT
public:
    explicit Tsyncform(ShellHost& host, QWidget* parent = nullptr);

    SyncUpload& Upload() { return upload_; }
    SectorMapView* Map() const { return image1_; }
    // True while an upload button's runs are going on.
    bool Running() const { return running_; }

public slots:
    void SyncAll();         // bsync
    void UploadFonts();     // up3
    void UploadPages();     // up4
    void UploadPictures();  // up5
    void StopTransmission(); // Button1

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Press(SyncUpload::Button button);
    void SetRunning(bool running);
    void AddLog(const QString& line);

    ShellHost& host_;
    SyncUpload upload_;
    QPushButton* bsync_;
    QPushButton* up3_;
    QPushButton* up4_;
    QPushButton* up5_;
    QCheckBox* qzfg_;
    QPushButton* button1_;
    QLabel* label13_;
    QPlainTextEdit* rxmemo_;
    SectorMapView* image1_;
    bool running_ = false;
};

}  // namespace quelmo::ui
