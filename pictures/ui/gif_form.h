#pragma once
// The gif2jpg window (Tgifform): choose an animated GIF, convert it into one strip of its frames,
// save the strip as a JPEG into the picture folder, then look at the picture list.
#include <QWidget>
#include <filesystem>
#include <functional>
#include <optional>

#include "pictures/gif_strip.h"

class QLabel;
class QMovie;
class QPushButton;

namespace quelmo::ui {

class GifForm : public QWidget {
    Q_OBJECT
public:
    // Asks a yes/no question under a title; true for yes.
    using Asker = std::function<bool(const QString& title, const QString& question)>;
    static constexpr int kPreviewSize = 360;

    explicit GifForm(const std::filesystem::path& workdir, QWidget* parent = nullptr);

    // The overwrite question goes to a message box unless replaced.
    void SetAsker(Asker asker) { ask_ = std::move(asker); }
    QString StatusText() const;
    // The animation in the preview, or none.
    QMovie* Movie() const { return movie_; }
    const std::optional<pictures::GifStrip>& Strip() const { return strip_; }

public slots:
    // Takes the GIF the open dialog chose: previews it and forgets any earlier strip.
    void ChooseFile(const QString& path);
    void Convert();
    void Save();

signals:
    // The user wants to see the picture list taken up afresh.
    void CheckImage();

private:
    void ChooseWithDialog();
    void ReportError(const QString& text);

    std::filesystem::path workdir_;
    std::filesystem::path gif_;
    std::optional<pictures::GifStrip> strip_;
    Asker ask_;
    QMovie* movie_ = nullptr;
    QPushButton* choose_;
    QPushButton* convert_;
    QPushButton* save_;
    QLabel* image1_;
    QLabel* image2_;
    QLabel* status_;
};

}  // namespace quelmo::ui
