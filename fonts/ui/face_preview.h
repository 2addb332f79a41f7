#pragma once
// The face list and preview shared by the two font dialogs. The preview is drawn by the
// rasteriser's own canvas, so it shows the face exactly as the font build will resolve and
// draw it (a name that is not installed shows fontconfig's match for it).
#include <QComboBox>
#include <QImage>
#include <QWidget>
#include <memory>
#include <string>

namespace quelmo {
class MonoCanvas;
}

class QLabel;

namespace quelmo::ui {

class FacePreview;

// An editable list of the installed faces, sorted; the dialogs accept any face text.
QComboBox* MakeFaceList(QWidget* parent);
// A line naming the installed face the preview (and the font build) uses for the name.
QLabel* MakeUsedFaceLine(FacePreview* preview, QWidget* parent);

class FacePreview : public QWidget {
    Q_OBJECT
public:
    // `sample` is the text drawn; `cell` the cell height in pixels.
    FacePreview(const QString& sample, int cell, QWidget* parent = nullptr);
    ~FacePreview() override;

    // Draws the sample in `face` (UTF-8 name as typed).
    void SetFace(const QString& face);
    // The family the name resolved to, empty when no face could be loaded.
    QString ResolvedFace() const { return resolved_; }
    const QImage& Image() const { return image_; }
    QSize sizeHint() const override;

signals:
    // The family the face name resolved to, after every SetFace.
    void Resolved(const QString& family);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string sample_gbk_;
    int cell_;
    std::unique_ptr<MonoCanvas> canvas_;
    QImage image_;
    QString resolved_;
};

}  // namespace quelmo::ui
