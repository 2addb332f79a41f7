#include "editors/ui/screen_view.h"

#include <QPainter>

namespace quelmo::ui {

ScreenView::ScreenView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    Resize(320, 240);
}

Framebuffer ScreenView::Resize(int width, int height) {
    pixels_ = std::make_unique<PixelBuffer>(width, height);
    updateGeometry();
    update();
    return pixels_->View();
}

void ScreenView::SetScale(int scale) {
    scale_ = std::max(1, scale);
    updateGeometry();
    update();
}

QPoint ScreenView::ToScreen(QPoint p) const {
    // Floor division, so points left of or above the picture map to negative pixels.
    auto floor_div = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    return QPoint(floor_div(p.x(), scale_), floor_div(p.y(), scale_));
}

QImage ScreenView::Image() const {
    const Framebuffer fb = pixels_->View();
    return QImage(reinterpret_cast<const uchar*>(fb.pixels), fb.width, fb.height, fb.stride * 4, QImage::Format_RGB32)
        .copy();
}

QSize ScreenView::sizeHint() const { return QSize(pixels_->width() * scale_, pixels_->height() * scale_); }

void ScreenView::paintEvent(QPaintEvent*) {
    const Framebuffer fb = pixels_->View();
    const QImage image(reinterpret_cast<const uchar*>(fb.pixels), fb.width, fb.height, fb.stride * 4,
                       QImage::Format_RGB32);
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRect(0, 0, fb.width * scale_, fb.height * scale_), image);
}

}  // namespace quelmo::ui
