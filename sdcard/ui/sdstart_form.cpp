#include "sdcard/ui/sdstart_form.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/context.h"
#include "link/device_link.h"
#include "shell/ui/messages.h"
#include "sdcard/ui/sd_widgets.h"
#include "shell/ui/shell_host.h"

namespace quelmo::ui {
namespace {

using sdui::Button;
using sdui::Text;
using sdui::Title;

}  // namespace

Tsdstartform::Tsdstartform(ShellHost& host, QWidget* parent)
    : QWidget(parent), host_(host), page_(host.Context().Workdir()) {
    setObjectName("sdstartform");
    setWindowTitle("SD(TF) card tool");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Title(this));
    layout->addWidget(
        Text(this, "note:SD/TF card is a tool, so data will not save within project file, please backup it alone!"));

    auto* form = new QFormLayout;
    label3_ = new QLabel(this);
    label3_->setObjectName("Label3");
    label4_ = new QLabel(this);
    label4_->setObjectName("Label4");
    form->addRow(Text(this, "sd/pic.sbin"), label3_);
    form->addRow(Text(this, "sd/rom.sbin"), label4_);
    layout->addLayout(form);

    auto* b1 = Button(this, "Button1", "create sd card needed image info");
    auto* b3 = Button(this, "Button3", "create sd flush upgrade data");
    auto* b2 = Button(this, "Button2", "init sd card and write in data");
    // The memory size the upgrade copy is made for when no module is connected.
    memory_ = new QComboBox(this);
    memory_->setObjectName("memsize");
    memory_->setAccessibleName("memory size without a module");
    memory_->addItem("connected module's memory", 0);
    for (int mb : {2, 4, 8, 16}) memory_->addItem(QStringLiteral("%1 MB (no module)").arg(mb), mb);
    auto* rom_row = new QHBoxLayout;
    rom_row->addWidget(b3);
    rom_row->addWidget(memory_);
    rom_row->addStretch(1);
    layout->addWidget(b1, 0, Qt::AlignLeft);
    layout->addLayout(rom_row);
    layout->addWidget(b2, 0, Qt::AlignLeft);
    layout->addStretch(1);

    connect(b1, &QPushButton::clicked, this, [this] { host_.Navigate("sdpic"); });
    connect(b2, &QPushButton::clicked, this, [this] { host_.Navigate("sdio"); });
    connect(b3, &QPushButton::clicked, this, &Tsdstartform::MakeUpgradeCopy);
    RefreshLabels();
}

void Tsdstartform::showEvent(QShowEvent* event) {
    RefreshLabels();
    QWidget::showEvent(event);
}

void Tsdstartform::changeEvent(QEvent* event) {
    // Brought to the front again: the SD picture list may have made sd/pic.sbin meanwhile.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) RefreshLabels();
    QWidget::changeEvent(event);
}

void Tsdstartform::RefreshLabels() {
    label3_->setText(QString::fromStdString(page_.PictureStatus()));
    label3_->setAccessibleName(label3_->text());
    label4_->setText(QString::fromStdString(page_.RomStatus()));
    label4_->setAccessibleName(label4_->text());
    // With a module connected its own memory size is used.
    memory_->setEnabled(host_.Link().ConnectionState != 1);
}

void Tsdstartform::MakeUpgradeCopy() {
    const int state = host_.Link().ConnectionState;
    // A connected module's own size wins over the offline choice.
    std::optional<int> memory;
    if (state != 1 && memory_->currentData().toInt() > 0) memory = memory_->currentData().toInt();
    auto done = page_.MakeRom(host_.Context().Rom(), state, memory, [this]() -> Status {
        host_.Refresh();
        return {};
    });
    RefreshLabels();
    if (!done) return Inform(this, QString::fromStdString(done.error().message), QMessageBox::Warning);
    Inform(this, QString::fromStdString(*done));
}

}  // namespace quelmo::ui
