#include "fonts/ui/fontedit_form.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/context.h"
#include "fonts/settings.h"
#include "fonts/ui/ascedit_form.h"
#include "fonts/ui/hzedit_form.h"
#include "fonts/ui/runfont_form.h"
#include "core/hashtable.h"
#include "shell/ui/shell_host.h"

namespace quelmo::ui {
namespace {

QLabel* Text(QWidget* parent, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setAccessibleName(text);
    return l;
}

QGroupBox* Group(QWidget* parent, const QString& caption) {
    auto* g = new QGroupBox(caption, parent);
    g->setObjectName("gb" + caption);
    g->setAccessibleName(caption);
    return g;
}

// The ASC and Chinese captions of the generated sizes.
struct SizeTexts {
    int size;
    const char* asc;
    const char* hz;
};
constexpr SizeTexts kSizeTexts[] = {
    {24, "12*24px half? ASC char", "24px small font library"},
    {32, "16*32px half? ASC char", "32px small font library"},
    {48, "24*48 px half? ASC char", "48px small font library"},
    {64, "32*64 px half? ASC char", "64px small font library"},
};

}  // namespace

Tfonteditform::Tfonteditform(ShellHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName("fonteditform");
    setWindowTitle("Characters pixels setup");
    auto* layout = new QVBoxLayout(this);

    auto* g12 = Group(this, "12px");
    auto* l12 = new QVBoxLayout(g12);
    l12->addWidget(Text(g12, "12px chinese (build in)"));
    l12->addWidget(Text(g12, "5*7 ASC standard char(build in)"));
    layout->addWidget(g12);

    auto* g16 = Group(this, "16px");
    auto* l16 = new QVBoxLayout(g16);
    l16->addWidget(Text(g16, "16px chinese (build in)"));
    l16->addWidget(Text(g16, "8*16 ASC standard char(build in)"));
    gbk16_ = new QCheckBox("Turn on GBK16 full font library", g16);
    gbk16_->setObjectName("gbk16");
    gbk16_->setAccessibleName(gbk16_->text());
    l16->addWidget(gbk16_);
    layout->addWidget(g16);
    connect(gbk16_, &QCheckBox::clicked, this,
            [this](bool on) { fontset::SetGbk16(host_.Context().Settings(), on); });

    for (const auto& t : kSizeTexts) {
        auto* g = Group(this, QStringLiteral("%1px").arg(t.size));
        auto* grid = new QGridLayout(g);
        auto add_line = [&](int row, const char* caption, const char* kind, std::map<int, QLabel*>& lines) {
            grid->addWidget(Text(g, caption), row, 0);
            auto* line = new QLabel(g);
            line->setObjectName(QStringLiteral("zt%1%2").arg(t.size).arg(kind));
            grid->addWidget(line, row, 1);
            auto* edit = new QPushButton("setup", g);
            edit->setObjectName(QStringLiteral("edit%1%2").arg(t.size).arg(kind));
            edit->setAccessibleName("setup");
            grid->addWidget(edit, row, 2);
            lines[t.size] = line;
            return edit;
        };
        const int n = t.size;
        connect(add_line(0, t.asc, "asc", asc_lines_), &QPushButton::clicked, this, [this, n] { EditAsc(n); });
        connect(add_line(1, t.hz, "hz", hz_lines_), &QPushButton::clicked, this, [this, n] { EditChinese(n); });
        grid->setColumnStretch(1, 1);
        grid->setColumnMinimumWidth(0, 190);
        layout->addWidget(g);
    }

    auto* note = Text(this, "Note: Need to finish all above 8 setup, then can generate pixel data");
    note->setObjectName("note");
    layout->addWidget(note);
    make_ = new QPushButton("Make", this);
    make_->setObjectName("Button1");
    make_->setAccessibleName("Make");
    layout->addWidget(make_, 0, Qt::AlignLeft);
    layout->addStretch(1);
    connect(make_, &QPushButton::clicked, this, &Tfonteditform::Make);

    hz_ = new ThzeditForm(host_, this);
    asc_ = new Tasceditform(host_, this);
    run_ = new Trunfontform(host_, this);
    connect(hz_, &QDialog::finished, this, &Tfonteditform::Refresh);
    connect(asc_, &QDialog::finished, this, &Tfonteditform::Refresh);
    Refresh();
}

void Tfonteditform::showEvent(QShowEvent* event) {
    Refresh();
    QWidget::showEvent(event);
}

void Tfonteditform::changeEvent(QEvent* event) {
    // Brought to the front again (another window may have changed the settings meanwhile).
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Refresh();
    QWidget::changeEvent(event);
}

void Tfonteditform::Refresh() {
    const THashTable& store = host_.Context().Settings();
    for (const auto& line : fontset::StatusLines(store)) {
        QLabel* label = (line.chinese ? hz_lines_ : asc_lines_)[line.size];
        label->setText(QString::fromStdString(line.text));
        label->setAccessibleName(label->text());
        // The lines still to set up stand out, so the user sees why Make is off.
        label->setStyleSheet(line.set ? QString() : QStringLiteral("color: #b00000"));
    }
    make_->setEnabled(fontset::MakeEnabled(store));
    gbk16_->setChecked(fontset::Gbk16(store));
}

void Tfonteditform::EditChinese(int size) {
    hz_->SetSize(size);
    hz_->open();
}

void Tfonteditform::EditAsc(int size) {
    asc_->SetSize(size);
    asc_->open();
}

void Tfonteditform::Make() {
    if (!fontset::MakeEnabled(host_.Context().Settings())) return;
    run_->open();
}

}  // namespace quelmo::ui
