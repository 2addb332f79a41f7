#include "editors/ui/chooser_forms.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/workdir.h"
#include "core/gbk.h"
#include "display/tgd.h"
#include "editors/choosers.h"
#include "pictures/picture.h"
#include "pictures/picture_list.h"
#include "pictures/ui/picture_image.h"

namespace quelmo::ui {
namespace {

constexpr int kSwatchW = 64, kSwatchH = 32;
constexpr int kThumb = 160;

QString FromGbk(const std::string& s) { return QString::fromStdString(GbkToUtf8(s)); }

}  // namespace

std::optional<int> ChooserDialog::Run() {
    if (exec() != QDialog::Accepted) return std::nullopt;
    return chosen_;
}

void ChooserDialog::Pick(int value) {
    chosen_ = value;
    accept();
}

// ---- colours

Tselcolorform::Tselcolorform(QWidget* parent) : ChooserDialog(parent) {
    setObjectName("Tselcolorform");
    setWindowTitle("choose color");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    for (int i = 0; i < Tgd::kColours; ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(QStringLiteral("color%1").arg(i));
        b->setAccessibleName(QString::number(i));
        b->setFixedSize(kSwatchW, kSwatchH);
        b->setIconSize(QSize(kSwatchW, kSwatchH));
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, [this, i] { Pick(i); });
        grid->addWidget(b, i / 8, i % 8);
    }
    layout->addLayout(grid);
    for (const char* note : {"note:", "64 quick color number color, will change when scc run, so choose corresponding color no.",
                             "color no change by scc code sequence, so current color may not the real color!"})
        layout->addWidget(new QLabel(QString::fromUtf8(note), this));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void Tselcolorform::ShowPalette(const Tgd& screen) {
    const auto colours = SwatchColours(screen);
    for (int i = 0; i < Tgd::kColours; ++i) {
        QPixmap pm(kSwatchW, kSwatchH);
        pm.fill(palette().color(QPalette::Button));
        QPainter p(&pm);
        p.setPen(palette().color(QPalette::ButtonText));
        QFont f = p.font();
        f.setPixelSize(11);
        p.setFont(f);
        p.drawText(QRect(0, 8, 16, kSwatchH - 8), Qt::AlignLeft | Qt::AlignTop, QString::number(i));
        p.fillRect(QRect(QPoint(16, 6), QPoint(kSwatchW - 2, kSwatchH - 7)), QColor::fromRgb(colours[i]));
        p.end();
        findChild<QToolButton*>(QStringLiteral("color%1").arg(i))->setIcon(QIcon(pm));
    }
}

std::optional<int> Tselcolorform::Choose(const Tgd& screen) {
    ShowPalette(screen);
    return Run();
}

// ---- pictures

Tselpicform::Tselpicform(std::filesystem::path workdir, QWidget* parent)
    : ChooserDialog(parent), workdir_(std::move(workdir)) {
    setObjectName("Tselpicform");
    setWindowTitle("choose image");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        "note:choose image is to use image file in pic folder, not complied image data, so only consistant after compile",
        this));
    auto* reflash = new QPushButton("reflash", this);
    reflash->setObjectName("reflash");
    reflash->setAccessibleName("reflash");
    connect(reflash, &QPushButton::clicked, this, [this] { Reflash(true); });
    layout->addWidget(reflash, 0, Qt::AlignLeft);
    auto* scroll = new QScrollArea(this);
    bgp_ = new QWidget;
    bgp_->setObjectName("bgp");
    grid_ = new QGridLayout(bgp_);
    grid_->setSpacing(4);
    scroll->setWidget(bgp_);
    scroll->setWidgetResizable(true);
    layout->addWidget(scroll, 1);
    resize(5 * (kThumb + 4) + 40, 2 * (kThumb + 4) + 100);
}

void Tselpicform::Reflash(bool force) {
    // The folder as it stands (names, sizes, times): while it is unchanged the buttons stay.
    const std::filesystem::path folder = WorkspaceOf(workdir_) / "pic";
    const std::string listing = PictureList::FolderState(folder);
    if (!force && listing == listing_) return;
    listing_ = listing;

    // The picture list made since the folder last changed has the thumbnails already. Else a
    // list of our own: a picture that cannot be decoded ends it there, and the thumbnails are
    // the quick ones, the decoder scaling each picture down on the way.
    const PictureList* made = made_ ? made_() : nullptr;
    std::optional<PictureList> own;
    if (!made || made->Layout() != PicLayout::kFlash || made->StateAtReflash().empty() ||
        made->StateAtReflash() != listing) {
        own.emplace(PictureList::ForFlash(workdir_));
        (void)own->Reflash(Tjpglist::Thumbs::kPreview);
        made = &*own;
    }
    std::vector<QImage> images;
    for (const auto& item : made->Items())
        images.push_back(item.slot >= 0 ? ToQImage(made->Builder().Slot(item.slot).thumbnail) : QImage());

    bgp_->setUpdatesEnabled(false);
    while (QLayoutItem* item = grid_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    thumbs_.clear();
    const auto choices = PictureChoices(static_cast<int>(images.size()));
    QFont caption_font = font();
    const QFontMetrics metrics(caption_font);
    for (size_t p = 0; p < images.size(); ++p) {
        QPixmap pm(kThumb, kThumb);
        pm.fill(Qt::white);
        QPainter painter(&pm);
        QImage image = images[p];
        if (!image.isNull()) {
            if (image.width() > kThumb || image.height() > kThumb)
                image = image.scaled(kThumb, kThumb, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            painter.drawImage((kThumb - image.width()) / 2, (kThumb - image.height()) / 2, image);
        }
        const QString caption = FromGbk(choices[p].caption);
        painter.setFont(caption_font);
        painter.fillRect(QRect(0, 0, metrics.horizontalAdvance(caption) + 4, metrics.height()), Qt::white);
        painter.setPen(Qt::black);
        painter.drawText(2, metrics.ascent(), caption);
        painter.end();
        thumbs_.push_back(pm);

        auto* b = new QToolButton(bgp_);
        const QString n = QString::number(p + 1);
        b->setObjectName(QStringLiteral("pic%1").arg(p));
        b->setText(n);
        b->setAccessibleName(n);
        b->setToolTip(n + ".jpg");
        b->setIcon(QIcon(pm));
        b->setIconSize(QSize(kThumb, kThumb));
        b->setFixedSize(kThumb + 4, kThumb + 4);
        const int value = choices[p].value;
        connect(b, &QToolButton::clicked, this, [this, value] { Pick(value); });
        grid_->addWidget(b, static_cast<int>(p) / 5, static_cast<int>(p) % 5);
    }
    bgp_->setUpdatesEnabled(true);
}

std::optional<int> Tselpicform::Choose() {
    Reflash();
    return Run();
}

// ---- characters and pages

Tselascform::Tselascform(QWidget* parent) : ChooserDialog(parent) {
    setObjectName("Tselascform");
    setWindowTitle("choose chars or page");
    auto* layout = new QVBoxLayout(this);

    auto* asc = new QGroupBox("choose chars", this);
    asc->setObjectName("asc");
    asc->setToolTip("click touch buton, add follow chars into input buffer");
    auto* asc_grid = new QGridLayout(asc);
    asc_grid->setSpacing(1);
    for (int c = 32; c <= 126; ++c) {
        auto* b = new QToolButton(asc);
        const QString ch = QString(QChar(c));
        b->setObjectName(QStringLiteral("asc%1").arg(c));
        b->setText(c == '&' ? QStringLiteral("&&") : ch);
        b->setAccessibleName(c == ' ' ? QStringLiteral("space") : ch);
        b->setFixedSize(26, 24);
        connect(b, &QToolButton::clicked, this, [this, c] { Pick(c); });
        asc_grid->addWidget(b, (c - 32) / 19, (c - 32) % 19);
    }
    layout->addWidget(asc);

    auto* psel = new QGroupBox("choose iamge", this);
    psel->setObjectName("psel");
    psel->setToolTip("click touch button, jump to select page");
    auto* psel_layout = new QVBoxLayout(psel);
    auto* scroll = new QScrollArea(psel);
    psel_ = new QWidget;
    psel_grid_ = new QGridLayout(psel_);
    psel_grid_->setSpacing(1);
    scroll->setWidget(psel_);
    scroll->setWidgetResizable(true);
    scroll->setMinimumHeight(160);
    psel_layout->addWidget(scroll);
    layout->addWidget(psel, 1);

    layout->addWidget(new QLabel("can also be the three controls below", this));
    auto* controls = new QHBoxLayout;
    const struct {
        const char* caption;
        int value;
    } kControls[] = {{"back (back)", 1}, {"clear (CE)", 2}, {"input done(CR)", 13}};
    for (const auto& c : kControls) {
        auto* b = new QPushButton(c.caption, this);
        b->setObjectName(QStringLiteral("ctrl%1").arg(c.value));
        b->setAccessibleName(c.caption);
        const int value = c.value;
        connect(b, &QPushButton::clicked, this, [this, value] { Pick(value); });
        controls->addWidget(b);
    }
    layout->addLayout(controls);
    resize(560, 520);
}

void Tselascform::Rebuild(const std::vector<std::string>& page_captions) {
    while (QLayoutItem* item = psel_grid_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const Choice& choice : KeyChoices(page_captions)) {
        if (choice.value < 129) continue;  // the characters and controls are fixed buttons
        const int pos = choice.value - 129;
        auto* b = new QToolButton(psel_);
        b->setObjectName(QStringLiteral("psel%1").arg(pos));
        const QString caption = FromGbk(choice.caption);
        b->setText(QString(caption).replace('&', "&&"));
        b->setAccessibleName(caption);
        b->setMinimumWidth(96);
        const int value = choice.value;
        connect(b, &QToolButton::clicked, this, [this, value] { Pick(value); });
        psel_grid_->addWidget(b, pos / 5, pos % 5);
    }
}

std::optional<int> Tselascform::Choose(const std::vector<std::string>& page_captions) {
    Rebuild(page_captions);
    return Run();
}

}  // namespace quelmo::ui
