#include "pictures/ui/pic_form.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include "pictures/ui/notice.h"
#include "pictures/ui/picture_image.h"

namespace quelmo::ui {
namespace {

namespace fs = std::filesystem;

QString Path(const fs::path& path) { return QString::fromStdString(path.string()); }

// One picture as a 160 x 160 button: the thumbnail in the middle, the item text (position and
// file name) in the top-left corner over a light patch so it reads on any picture.
class PicButtonDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {pictures::kThumbSize, pictures::kThumbSize};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QRect cell(option.rect.topLeft(), QSize(pictures::kThumbSize, pictures::kThumbSize));
        const bool selected = option.state & QStyle::State_Selected;
        QStyle* style = option.widget ? option.widget->style() : QApplication::style();
        QStyleOptionButton button;
        button.rect = cell;
        button.palette = option.palette;
        button.state = QStyle::State_Enabled | (selected ? QStyle::State_Sunken : QStyle::State_Raised);
        painter->save();
        painter->setClipRect(cell);
        style->drawControl(QStyle::CE_PushButtonBevel, &button, painter, option.widget);

        const QImage thumb = index.data(Qt::DecorationRole).value<QImage>();
        if (!thumb.isNull())
            painter->drawImage(cell.x() + (cell.width() - thumb.width()) / 2,
                               cell.y() + (cell.height() - thumb.height()) / 2, thumb);
        // Thumbnails as large as the button cover its bevel; the outline keeps the buttons apart.
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawRect(cell.adjusted(0, 0, -1, -1));

        const QString text = index.data(Qt::DisplayRole).toString();
        const QFontMetrics metrics(option.font);
        const QRect label(cell.topLeft(), QSize(std::min(metrics.horizontalAdvance(text) + 4, cell.width()),
                                                 metrics.height() + 2));
        painter->fillRect(label, QColor(255, 255, 255, 200));
        painter->setFont(option.font);
        painter->setPen(Qt::black);
        painter->drawText(label.adjusted(2, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                          metrics.elidedText(text, Qt::ElideRight, cell.width() - 4));
        if (selected) {
            painter->setPen(QPen(option.palette.highlight(), 3));
            painter->drawRect(cell.adjusted(1, 1, -2, -2));
        }
        painter->restore();
    }
};

QString DoneText(PicLayout layout) {
    return layout == PicLayout::kFlash ? QStringLiteral("生成完成!") : QStringLiteral("图片生成完成!");
}

}  // namespace

PicForm::PicForm(PicLayout layout, const fs::path& workdir, QWidget* parent)
    : QWidget(parent),
      list_(layout == PicLayout::kFlash ? PictureList::ForFlash(workdir) : PictureList::ForSdCard(workdir)),
      open_url_([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      bgp_(new QListWidget(this)),
      progress_(new QProgressBar(this)),
      status_(new QLabel(this)) {
    const bool flash = layout == PicLayout::kFlash;
    setObjectName(flash ? "Tpicform" : "Tsdpicform");
    setWindowTitle(flash ? tr("picture list") : tr("SD card picture list"));
    if (!flash) {
        std::error_code ec;
        fs::create_directories(list_.Output(), ec);
    }

    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    struct Action {
        const char* name;
        QString text;
        void (PicForm::*run)();
    };
    for (const Action& a : {Action{"openfolder", tr("open folder"), &PicForm::OpenFolder},
                            Action{"reflash", tr("reflash"), &PicForm::Reflash},
                            Action{"sortfilename", tr("sort file name"), &PicForm::SortFileName},
                            Action{"make", tr("Make"), &PicForm::Make}}) {
        QAction* action = bar->addAction(a.text);
        action->setObjectName(a.name);
        connect(action, &QAction::triggered, this, a.run);
    }
    auto* folder = new QLabel(tr("folder: %1").arg(Path(list_.Folder())), this);
    folder->setObjectName("folder");
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);

    // A wrapping left-to-right list, so a drop lands between two buttons and moves the row.
    bgp_->setObjectName("bgp");
    bgp_->setAccessibleName("bgp");
    bgp_->setItemDelegate(new PicButtonDelegate(bgp_));
    bgp_->setViewMode(QListView::ListMode);
    bgp_->setFlow(QListView::LeftToRight);
    bgp_->setWrapping(true);
    bgp_->setResizeMode(QListView::Adjust);
    bgp_->setUniformItemSizes(true);
    bgp_->setSpacing(4);
    bgp_->setMovement(QListView::Static);
    bgp_->setSelectionMode(QAbstractItemView::SingleSelection);
    bgp_->setDragDropMode(QAbstractItemView::InternalMove);
    bgp_->setDefaultDropAction(Qt::MoveAction);
    // A drop moves the row in place, or inserts a copy and removes the original.
    connect(bgp_->model(), &QAbstractItemModel::rowsMoved, this, &PicForm::TakeOrderFromButtons);
    connect(bgp_->model(), &QAbstractItemModel::rowsRemoved, this, &PicForm::TakeOrderFromButtons);

    progress_->setObjectName("progress");
    progress_->setRange(0, 100);
    progress_->setValue(0);
    status_->setObjectName("status");
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout_box = new QVBoxLayout(this);
    layout_box->addWidget(bar);
    layout_box->addWidget(folder);
    layout_box->addWidget(bgp_, 1);
    layout_box->addWidget(progress_);
    layout_box->addWidget(status_);
    resize(740, 600);

    Reflash();
}

QString PicForm::StatusText() const { return status_->text(); }

void PicForm::OpenFolder() {
    std::error_code ec;
    fs::create_directories(list_.Folder(), ec);
    if (ec) return Report(tr("cannot create %1: %2").arg(Path(list_.Folder()), QString::fromStdString(ec.message())), true);
    if (!open_url_(QUrl::fromLocalFile(Path(list_.Folder()))))
        Report(tr("cannot open %1 in the file manager").arg(Path(list_.Folder())), true);
}

void PicForm::Reflash() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Status s = list_.Reflash();
    Fill();
    QApplication::restoreOverrideCursor();
    if (!s) return Report(QString::fromStdString(s.error().message), true);
    status_->setText(tr("%n picture(s)", nullptr, static_cast<int>(list_.Items().size())));
}

void PicForm::SortFileName() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Status s = list_.SortFileName();
    Fill();
    QApplication::restoreOverrideCursor();
    if (!s) return Report(QString::fromStdString(s.error().message), true);
    status_->setText(tr("%n picture(s), named after their places", nullptr, static_cast<int>(list_.Items().size())));
}

void PicForm::Make() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    progress_->setValue(0);
    auto made = list_.Make([this](int percent) {
        progress_->setValue(percent);
        if (progress_->isVisible()) progress_->repaint();
    });
    QApplication::restoreOverrideCursor();
    if (!made) return Report(QString::fromStdString(made.error().message), true);
    QString text = DoneText(list_.Layout());
    for (const std::string& note : *made) text += "\n" + QString::fromStdString(note);
    Report(text, false);
    emit Made();
}

void PicForm::Fill() {
    filling_ = true;
    bgp_->clear();
    const auto& items = list_.Items();
    for (size_t p = 0; p < items.size(); ++p) {
        auto* item = new QListWidgetItem(QString::fromStdString(list_.ItemText(p)));
        item->setData(kNameRole, QString::fromStdString(items[p].name));
        if (items[p].slot < 0) {
            item->setToolTip(tr("not loaded: the list holds %1 pictures").arg(list_.Builder().Capacity()));
        } else {
            const PictureSlot& slot = list_.Builder().Slot(items[p].slot);
            item->setData(Qt::DecorationRole, ToQImage(slot.thumbnail));
            QString tip = QStringLiteral("%1 x %2").arg(slot.width).arg(slot.height);
            if (slot.width >= pictures::kMaxOutputWidth || slot.height >= pictures::kMaxOutputHeight)
                tip += tr(": too large for the module, left out");
            item->setToolTip(tip);
        }
        bgp_->addItem(item);
    }
    filling_ = false;
}

void PicForm::TakeOrderFromButtons() {
    if (filling_) return;
    // Bring each button's picture to the button's place; the names in one folder are unique.
    const auto& items = list_.Items();
    for (int p = 0; p < bgp_->count(); ++p) {
        const std::string name = bgp_->item(p)->data(kNameRole).toString().toStdString();
        for (size_t j = static_cast<size_t>(p); j < items.size(); ++j)
            if (items[j].name == name) {
                if (j != static_cast<size_t>(p)) (void)list_.MoveItem(j, static_cast<size_t>(p));
                break;
            }
    }
    Relabel();
}

void PicForm::Relabel() {
    for (int p = 0; p < bgp_->count() && static_cast<size_t>(p) < list_.Items().size(); ++p)
        bgp_->item(p)->setText(QString::fromStdString(list_.ItemText(static_cast<size_t>(p))));
}

void PicForm::Report(const QString& text, bool error) {
    status_->setText(text);
    OpenNotice(this, error ? QMessageBox::Warning : QMessageBox::Information, text);
}

}  // namespace quelmo::ui
