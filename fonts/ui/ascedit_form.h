#pragma once
// The ASC font dialog ("Setup ASC Font"): the face, the width rule and the characters of the
// ASC glyphs of one generated size.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace quelmo::ui {

class FacePreview;
class ShellHost;

class Tasceditform : public QDialog {
    Q_OBJECT
public:
    explicit Tasceditform(ShellHost& host, QWidget* parent = nullptr);

    void SetSize(int size) { size_ = size; }
    int Size() const { return size_; }
    FacePreview* Preview() const { return showfont_; }

public slots:
    void Ok();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Load();
    void Choose(int set);

    ShellHost& host_;
    int size_ = 24;
    int set_ = 0;
    QLabel* title_;
    QComboBox* zt_;
    FacePreview* showfont_;
    QCheckBox* cb1_;
    QRadioButton* rb1_;
    QRadioButton* rb2_;
    QPlainTextEdit* memoasc_;
    QPushButton* ok_;
};

}  // namespace quelmo::ui
