#include "editors/ui/editcmd_form.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QVBoxLayout>

#include "core/gbk.h"
#include "display/tcmd.h"
#include "shell/context.h"
#include "editors/ui/screen_view.h"

namespace quelmo::ui {

EditCmdForm::EditCmdForm(Tglobal& g, QWidget* parent)
    : QWidget(parent), g_(g), cmdedit_(new QPlainTextEdit(this)), lcd_(new ScreenView(this)), status_(new QLabel(this)) {
    cmdedit_->setObjectName("cmdedit");
    lcd_->setObjectName("LCD");
    status_->setObjectName("bounds");
    cmdedit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    cmdedit_->setPlaceholderText(tr("Command text, for example CLS(0);BOX(10,10,100,80,1);"));

    auto* scroll = new QScrollArea(this);
    scroll->setWidget(lcd_);
    scroll->setAlignment(Qt::AlignCenter);
    auto* right = new QVBoxLayout;
    right->addWidget(scroll, 1);
    right->addWidget(status_);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(cmdedit_, 1);
    layout->addLayout(right, 2);

    g_.Cmd().Screen().SetSurface(lcd_->View());
    setObjectName("Teditcmdform");
    connect(cmdedit_, &QPlainTextEdit::textChanged, this, [this] {
        if (!loading_) dirty_ = true;
        Redraw();
    });
    Redraw();
}

EditCmdForm::~EditCmdForm() { g_.Cmd().Screen().SetSurface({}); }

void EditCmdForm::LoadText(const QString& text) {
    loading_ = true;
    cmdedit_->setPlainText(text);
    loading_ = false;
    dirty_ = false;
}

void EditCmdForm::SetScreenSize(int width, int height) {
    g_.Cmd().Screen().SetSurface(lcd_->Resize(width, height));
    Redraw();
}

void EditCmdForm::Redraw() {
    Tcmd& cmd = g_.Cmd();
    cmd.RunStatement("CLS(0)");
    cmd.RunText(Utf8ToGbk(cmdedit_->toPlainText().toStdString()));
    const auto b = cmd.Bounds();
    status_->setText(tr("Last drawn bounds: %1, %2, %3, %4").arg(b.x1).arg(b.y1).arg(b.x2).arg(b.y2));
    lcd_->update();
}

}  // namespace quelmo::ui
