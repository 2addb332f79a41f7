#include "fonts/ui/face_preview.h"

#include <QLabel>
#include <QPainter>

#include <algorithm>

#include "core/gbk.h"
#include "fonts/canvas.h"

namespace quelmo::ui {

QLabel* MakeUsedFaceLine(FacePreview* preview, QWidget* parent) {
    auto* line = new QLabel(parent);
    line->setObjectName("usedface");
    QObject::connect(preview, &FacePreview::Resolved, line, [line](const QString& family) {
        line->setText(family.isEmpty() ? QStringLiteral("实际字体: -") : QStringLiteral("实际字体: ") + family);
        line->setAccessibleName(line->text());
    });
    return line;
}

QComboBox* MakeFaceList(QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName("zt");
    list->setAccessibleName("zt");
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setMaxVisibleItems(20);
    for (const auto& face : MonoCanvas::Faces()) list->addItem(QString::fromStdString(face));
    list->setEditText(QStringLiteral("宋体"));
    return list;
}

FacePreview::FacePreview(const QString& sample, int cell, QWidget* parent)
    : QWidget(parent),
      sample_gbk_(Utf8ToGbk(sample.toStdString())),
      cell_(cell),
      canvas_(std::make_unique<MonoCanvas>()) {
    setObjectName("showfont");
    setAccessibleName("showfont");
    setMinimumHeight(cell + 8);
}

FacePreview::~FacePreview() = default;

void FacePreview::SetFace(const QString& face) {
    canvas_->SelectFont(face.toStdString(), cell_, 0);
    resolved_ = QString::fromStdString(canvas_->SelectedFace());
    const int width = std::clamp(canvas_->TextWidth(sample_gbk_), 1, MonoCanvas::kWidth);
    canvas_->FillWhite(0, 0, width, cell_);
    canvas_->DrawText(0, 0, sample_gbk_);
    image_ = QImage(width, cell_, QImage::Format_RGB32);
    for (int y = 0; y < cell_; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        for (int x = 0; x < width; ++x) row[x] = canvas_->IsBlack(x, y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
    }
    setToolTip(resolved_.isEmpty() ? tr("no installed face") : resolved_);
    updateGeometry();
    update();
    emit Resolved(resolved_);
}

QSize FacePreview::sizeHint() const { return {std::max(image_.width() + 8, 200), cell_ + 8}; }

void FacePreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.drawImage(4, 4, image_);
}

}  // namespace quelmo::ui
