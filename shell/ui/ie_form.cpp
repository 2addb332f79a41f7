#include "shell/ui/ie_form.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace quelmo::ui {

Tieform::Tieform(ShellHost&, QWidget* parent) : QWidget(parent), view_(new QPlainTextEdit) {
    setObjectName("Tieform");
    view_->setObjectName("WebBrowser1");
    view_->setAccessibleName("WebBrowser1");
    view_->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
}

void Tieform::Navigate(const QString& address) {
    address_ = address;
    view_->setPlainText(address);
}

}  // namespace quelmo::ui
