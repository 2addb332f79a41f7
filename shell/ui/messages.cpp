#include "shell/ui/messages.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>

namespace quelmo::ui {
namespace {

Responder* g_responder = nullptr;

// The responder's reply to `box`: sets *yes for questions, gives the path for file dialogs.
bool Respond(const Box& box, bool* yes, QString* file, QColor* colour = nullptr) {
    if (!g_responder) return false;
    Responder& r = *g_responder;
    r.boxes.push_back(box);
    if (box.kind == Box::Question) {
        *yes = !r.answers.empty() && r.answers.front();
        if (!r.answers.empty()) r.answers.pop_front();
    } else if (box.kind == Box::OpenFile || box.kind == Box::SaveFile) {
        *file = r.files.empty() ? QString() : r.files.front();
        if (!r.files.empty()) r.files.pop_front();
    } else if (box.kind == Box::Colour && colour) {
        *colour = r.colours.empty() ? QColor() : r.colours.front();
        if (!r.colours.empty()) r.colours.pop_front();
    }
    if (r.on_box) r.on_box(box);
    return true;
}

}  // namespace

Responder::Responder() : previous_(g_responder) { g_responder = this; }
Responder::~Responder() { g_responder = previous_; }

QStringList Responder::Texts() const {
    QStringList out;
    for (const Box& b : boxes) out << b.text;
    return out;
}

bool Ask(QWidget* parent, const QString& text) {
    Box box{Box::Question, QString::fromUtf8(kQuestionTitle), text, {}, {}, QMessageBox::Information};
    bool yes = false;
    QString unused;
    if (Respond(box, &yes, &unused)) return yes;
    QMessageBox mb(QMessageBox::Information, box.title, text, QMessageBox::Yes | QMessageBox::No, parent);
    mb.setDefaultButton(QMessageBox::No);
    return mb.exec() == QMessageBox::Yes;
}

void Inform(QWidget* parent, const QString& text, QMessageBox::Icon icon) {
    Box box{Box::Message, QApplication::applicationDisplayName(), text, {}, {}, icon};
    bool yes = false;
    QString unused;
    if (Respond(box, &yes, &unused)) return;
    QMessageBox mb(icon, box.title, text, QMessageBox::Ok, parent);
    mb.exec();
}

QString ChooseOpenFile(QWidget* parent, const QString& caption, const QString& filter, const QString& path) {
    Box box{Box::OpenFile, caption, caption, filter, path, QMessageBox::NoIcon};
    bool yes = false;
    QString file;
    if (Respond(box, &yes, &file)) return file;
    return QFileDialog::getOpenFileName(parent, caption, path, filter);
}

QString ChooseSaveFile(QWidget* parent, const QString& caption, const QString& filter, const QString& path) {
    Box box{Box::SaveFile, caption, caption, filter, path, QMessageBox::NoIcon};
    bool yes = false;
    QString file;
    if (Respond(box, &yes, &file)) return file;
    return QFileDialog::getSaveFileName(parent, caption, path, filter);
}

QColor ChooseColour(QWidget* parent, const QColor& initial) {
    Box box{Box::Colour, {}, {}, {}, {}, QMessageBox::NoIcon};
    bool yes = false;
    QString unused;
    QColor colour;
    if (Respond(box, &yes, &unused, &colour)) return colour;
    return QColorDialog::getColor(initial, parent);
}

}  // namespace quelmo::ui
