#include "codegen/ui/ccode_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "codegen/ccode.h"
#include "core/gbk.h"

namespace quelmo::ui {

Tccodeform::Tccodeform(QWidget* parent) : QDialog(parent) {
    setObjectName("Tccodeform");
    setWindowTitle("C code generate");
    setModal(true);

    gpucode_ = new QPlainTextEdit(this);
    gpucode_->setObjectName("gpucode");
    gpucode_->setAccessibleName("GPU code");
    cb1_ = new QComboBox(this);
    cb1_->setObjectName("cb1");
    cb1_->setAccessibleName("Chinese convert method");
    cb1_->addItems({"standard GB2312 chinese (for editor which support GB2312)",
                    "Hex Convert chinese (for editor only support unicode)"});
    cb2_ = new QComboBox(this);
    cb2_->setObjectName("cb2");
    cb2_->setAccessibleName("Code method");
    cb2_->addItems({"standard c code", "arduino code"});
    r1_ = new QCheckBox("force single line code", this);
    r1_->setObjectName("r1");
    r1_->setAccessibleName("force single line code");
    auto* convert = new QPushButton("convert to c", this);
    convert->setObjectName("Button1");
    convert->setAccessibleName("convert to c");
    auto* copy = new QPushButton("copy", this);
    copy->setObjectName("copy");
    copy->setAccessibleName("copy");
    ccc_ = new QPlainTextEdit(this);
    ccc_->setObjectName("ccc");
    ccc_->setAccessibleName("ccc");
    ccc_->setReadOnly(true);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    gpucode_->setFont(fixed);
    ccc_->setFont(fixed);

    auto* options = new QGroupBox("Convert method", this);
    auto* form = new QFormLayout(options);
    form->addRow("Chinese convert method", cb1_);
    form->addRow("Code method", cb2_);
    form->addRow(r1_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(convert);
    buttons->addWidget(copy);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("GPU code", this));
    layout->addWidget(gpucode_, 1);
    layout->addWidget(options);
    layout->addLayout(buttons);
    layout->addWidget(ccc_, 1);
    resize(720, 560);

    connect(convert, &QPushButton::clicked, this, &Tccodeform::Convert);
    connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(ccc_->toPlainText()); });
}

void Tccodeform::SetSource(const QString& text) { gpucode_->setPlainText(text); }
QString Tccodeform::Source() const { return gpucode_->toPlainText(); }
QString Tccodeform::Output() const { return ccc_->toPlainText(); }

void Tccodeform::Convert() {
    QString text = gpucode_->toPlainText();
    text.replace("\n", "\r\n");
    CCodeOptions options;
    options.hex = cb1_->currentIndex() == 1;
    options.arduino = cb2_->currentIndex() == 1;
    options.single_line = r1_->isChecked();
    QStringList lines;
    for (const std::string& line : GenerateCCode(Utf8ToGbk(text.toStdString()), options))
        lines << QString::fromStdString(GbkToUtf8(line));
    ccc_->setPlainText(lines.join('\n'));
}

}  // namespace quelmo::ui
