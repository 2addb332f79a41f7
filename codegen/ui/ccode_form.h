#pragma once
// The C code window: command text in, C source that sends it out. Modal; it writes nothing to
// disk, the user copies the output.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QPlainTextEdit;

namespace quelmo::ui {

class Tccodeform : public QDialog {
    Q_OBJECT
public:
    explicit Tccodeform(QWidget* parent = nullptr);

    // The source box (gpucode), as the editors fill it before showing the window.
    void SetSource(const QString& text);
    QString Source() const;
    QString Output() const;
    // "convert to c".
    void Convert();

private:
    QPlainTextEdit* gpucode_;
    QComboBox* cb1_;
    QComboBox* cb2_;
    QCheckBox* r1_;
    QPlainTextEdit* ccc_;
};

}  // namespace quelmo::ui
