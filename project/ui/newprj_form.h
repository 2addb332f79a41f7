#pragma once
// The new project dialog (Tnewprjform): the project's name and the archive it will be saved to.
// 'create' accepts only what the project would accept; anything else keeps the dialog open.
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace quelmo {
class Tproject;
}

namespace quelmo::ui {

class Tnewprjform : public QDialog {
    Q_OBJECT
public:
    Tnewprjform(const Tproject& project, QWidget* parent = nullptr);

    QString ProjectName() const;
    QString ProjectFile() const;

private:
    void Choose();
    void Create();

    const Tproject& project_;
    QLineEdit* name_;
    QLineEdit* file_;
};

}  // namespace quelmo::ui
