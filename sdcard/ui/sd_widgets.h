#pragma once
// The controls both TF card windows build: captioned buttons, wrapped texts and the big title,
// each announced by its caption.
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QString>

namespace quelmo::ui::sdui {

inline QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    return b;
}

inline QLabel* Text(QWidget* parent, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setAccessibleName(text);
    l->setWordWrap(true);
    return l;
}

inline QLabel* Title(QWidget* parent) {
    QLabel* title = Text(parent, "SD(TF) card tool");
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);
    return title;
}

}  // namespace quelmo::ui::sdui
