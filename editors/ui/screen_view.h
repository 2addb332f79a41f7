#pragma once
// Shows the simulated screen: a QImage over the framebuffer's own memory, scaled up by a whole
// factor so every module pixel stays a sharp square.
#include <QImage>
#include <QWidget>

#include "display/framebuffer.h"

namespace quelmo::ui {

class ScreenView : public QWidget {
    Q_OBJECT
public:
    explicit ScreenView(QWidget* parent = nullptr);

    // Makes a new black screen of the given size; the returned view stays valid until the next resize.
    Framebuffer Resize(int width, int height);
    Framebuffer View() { return pixels_ ? pixels_->View() : Framebuffer{}; }
    int Scale() const { return scale_; }
    void SetScale(int scale);
    // The screen pixel under a point of the widget: each pixel covers scale x scale points.
    QPoint ToScreen(QPoint widget_point) const;
    // The shown pixels as an image (a copy).
    QImage Image() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<PixelBuffer> pixels_;
    int scale_ = 2;
};

}  // namespace quelmo::ui
