#pragma once
// The one seam for the program's modal boxes and file dialogs. In the program each call opens a
// real modal box; a test installs a Responder, which answers every box in its place and keeps
// a record of them, so no test ever waits on a box.
#include <QColor>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace quelmo::ui {

struct Box {
    enum Kind { Question, Message, OpenFile, SaveFile, Colour };
    Kind kind = Message;
    QString title;
    QString text;      // the question or message; a file dialog's caption
    QString filter;    // file dialogs: the name filter
    QString path;      // file dialogs: the folder or file name it starts with
    QMessageBox::Icon icon = QMessageBox::Information;
};

// Questions are Yes/No boxes titled "系统提示" with the information icon.
inline constexpr const char* kQuestionTitle = "系统提示";

// A Yes/No question; true for Yes.
bool Ask(QWidget* parent, const QString& text);
// A plain message with an OK button, titled with the application's name.
void Inform(QWidget* parent, const QString& text, QMessageBox::Icon icon = QMessageBox::Information);
// File dialogs: the chosen path, empty when cancelled. `path` is the folder or file name the
// dialog starts with.
QString ChooseOpenFile(QWidget* parent, const QString& caption, const QString& filter,
                       const QString& path = QString());
QString ChooseSaveFile(QWidget* parent, const QString& caption, const QString& filter,
                       const QString& path = QString());
// The desktop colour dialog: the chosen colour, invalid when cancelled.
QColor ChooseColour(QWidget* parent, const QColor& initial);

// Answers every box while it lives: questions from `answers` (No once they run out), file
// dialogs from `files`, colour dialogs from `colours` (each cancelled once it runs out). Records every box in `boxes`.
class Responder {
public:
    Responder();
    ~Responder();
    Responder(const Responder&) = delete;
    Responder& operator=(const Responder&) = delete;

    std::deque<bool> answers;
    std::deque<QString> files;
    std::deque<QColor> colours;  // colour dialogs (cancelled once they run out)
    std::vector<Box> boxes;
    // Called for every box after it is recorded (tests that act while a box is "open").
    std::function<void(const Box&)> on_box;

    // The texts of the boxes so far.
    QStringList Texts() const;

private:
    Responder* previous_;
};

}  // namespace quelmo::ui
