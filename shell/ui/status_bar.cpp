#include "shell/ui/status_bar.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/device_link.h"

namespace quelmo::ui {
namespace {

QLabel* NamedLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAccessibleName(text.isEmpty() ? QString::fromLatin1(name) : text);
    return label;
}

constexpr int kBarWidth = 514;
constexpr int kBarHeight = 22;

}  // namespace

QImage StatusBarPanel::DrawFlashBar(const std::array<bool, 512>& columns) {
    QImage bar(kBarWidth, kBarHeight, QImage::Format_RGB32);
    bar.fill(Qt::white);
    const QRgb black = qRgb(0, 0, 0);
    for (int x = 0; x < kBarWidth; ++x) {
        bar.setPixel(x, 0, black);
        bar.setPixel(x, kBarHeight - 1, black);
    }
    for (int y = 0; y < kBarHeight; ++y) {
        bar.setPixel(0, y, black);
        bar.setPixel(kBarWidth - 1, y, black);
    }
    // Each column is a line from y 2 towards y 19, drawn without its end pixel as every line of
    // the program is: rows 2 .. 18.
    for (size_t i = 0; i < columns.size(); ++i) {
        const QRgb c = columns[i] ? qRgb(255, 0, 0) : qRgb(255, 255, 255);
        for (int y = 2; y < 19; ++y) bar.setPixel(static_cast<int>(i) + 1, y, c);
    }
    return bar;
}

StatusBarPanel::StatusBarPanel(QWidget* parent)
    : QWidget(parent),
      label1_(NamedLabel("Label1", QString(), this)),
      label2_(NamedLabel("Label2", QString(), this)),
      romimg_(NamedLabel("romimg", QString(), this)),
      label3_(NamedLabel("Label3", tr("0M"), this)),
      label4_(NamedLabel("Label4", tr("8M"), this)),
      label5_(NamedLabel("Label5", tr("16M"), this)),
      button1_(new QPushButton(tr("reflash display"), this)) {
    button1_->setObjectName("Button1");
    button1_->setAccessibleName(button1_->text());
    romimg_->setAccessibleName("romimg");
    romimg_->setFixedSize(kBarWidth, kBarHeight);
    bar_ = DrawFlashBar({});
    romimg_->setPixmap(QPixmap::fromImage(bar_));

    auto* lines = new QVBoxLayout;
    lines->addWidget(label1_);
    lines->addWidget(label2_);
    label1_->setMinimumWidth(320);

    // The scale sits under the bar: 0 at its left end, half in the middle, full at its right.
    auto* bar = new QGridLayout;
    bar->setHorizontalSpacing(0);
    bar->setVerticalSpacing(2);
    bar->addWidget(romimg_, 0, 0, 1, 3);
    bar->addWidget(label3_, 1, 0, Qt::AlignLeft);
    bar->addWidget(label4_, 1, 1, Qt::AlignHCenter);
    bar->addWidget(label5_, 1, 2, Qt::AlignRight);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->addLayout(lines);
    layout->addSpacing(16);
    layout->addLayout(bar);
    layout->addSpacing(16);
    layout->addWidget(button1_, 0, Qt::AlignVCenter);
    layout->addStretch(1);
}

void StatusBarPanel::Show(const StatusPanel& p) {
    label1_->setText(QString::fromStdString(p.Label1));
    label2_->setText(QString::fromStdString(p.Label2));
    label3_->setText(QString::fromStdString(p.Label3));
    label4_->setText(QString::fromStdString(p.Label4));
    label5_->setText(QString::fromStdString(p.Label5));
    for (QLabel* l : {label1_, label2_, label3_, label4_, label5_})
        l->setAccessibleName(l->text().isEmpty() ? l->objectName() : l->text());
    bar_ = DrawFlashBar(p.Columns);
    romimg_->setPixmap(QPixmap::fromImage(bar_));
}

}  // namespace quelmo::ui
