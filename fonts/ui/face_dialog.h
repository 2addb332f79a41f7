#pragma once
// What the two font dialogs share: the title line, the face list with its preview and the line
// naming the face used, the character box and OK. Each dialog adds its own choices between the
// preview and the character box and stores its own settings.
#include <QDialog>
#include <string>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;

namespace quelmo::ui {

class FacePreview;
class ShellHost;

class FaceDialog : public QDialog {
    Q_OBJECT
public:
    // The size being set up; the dialog reads its settings when shown.
    void SetSize(int size) { size_ = size; }
    int Size() const { return size_; }
    FacePreview* Preview() const { return showfont_; }

public slots:
    // OK: stores the choice and closes, or shows the refusal and stays open.
    virtual void Ok() = 0;

protected:
    // `sample` is what the preview shows.
    FaceDialog(ShellHost& host, const QString& sample, QWidget* parent);
    // The character box (`memo_name`) and OK, below what the dialog added to Layout().
    void FinishLayout(const char* memo_name);
    QVBoxLayout* Layout() const { return layout_; }

    // Shows the title, the face and the characters as stored.
    void ShowStored(const QString& title, const std::string& face_gbk, const std::string& chars_gbk);
    // The face and the characters in GBK, lines ended by CR LF (the font build drops them from
    // the list); false, with the refusal shown, when GBK cannot hold them.
    bool ReadChoice(std::string* face_gbk, std::string* chars_gbk);

    void showEvent(QShowEvent* event) override;
    virtual void Load() = 0;

    ShellHost& host_;
    int size_ = 24;
    QPlainTextEdit* memo_ = nullptr;

private:
    QVBoxLayout* layout_;
    QLabel* title_;
    QComboBox* zt_;
    FacePreview* showfont_;
    QPushButton* ok_ = nullptr;
};

}  // namespace quelmo::ui
