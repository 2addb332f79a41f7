#include "editors/ui/editcmd_form.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>
#include <algorithm>

#include "core/catalogue.h"
#include "core/gbk.h"
#include "core/hashtable.h"
#include "display/tcmd.h"
#include "shell/context.h"
#include "display/png.h"
#include "display/tgd.h"
#include "editors/ui/chooser_forms.h"
#include "editors/ui/design_commands.h"
#include "editors/ui/screen_view.h"
#include "flash/trom.h"
#include "shell/ui/messages.h"
#include "shell/ui/shell_host.h"

namespace quelmo::ui {
namespace {

QString FromGbk(std::string_view s) { return QString::fromStdString(GbkToUtf8(s)); }
std::string ToGbk(const QString& s) { return Utf8ToGbk(s.toStdString()); }

// The kinds of undo step.
enum StepKind { kPalette, kDelete, kCopy, kClear, kType, kGrid, kChooser, kDrag, kKeyMove, kDirect, kGroupOpen, kGroupEnd };

// The marker of the current line: a small red arrow.
QIcon MarkerIcon() {
    QPixmap pm(12, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(220, 0, 0));
    p.setPen(Qt::NoPen);
    const QPointF tri[] = {{2, 1}, {11, 6}, {2, 11}};
    p.drawPolygon(tri, 3);
    return QIcon(pm);
}

QIcon NoMarkerIcon() {
    QPixmap pm(12, 12);
    pm.fill(Qt::transparent);
    return QIcon(pm);
}

QToolButton* ToolButton(QWidget* parent, const char* name, const QString& text, const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    // Read out by its caption, the hint as what it does.
    b->setAccessibleName(text);
    b->setAccessibleDescription(hint);
    return b;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    return b;
}

bool IsUndo(const QKeyEvent* e) { return e->matches(QKeySequence::Undo); }
bool IsRedo(const QKeyEvent* e) {
    return e->matches(QKeySequence::Redo) ||
           (e->key() == Qt::Key_Y && (e->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) ||
           (e->key() == Qt::Key_Z && (e->modifiers() & ~Qt::KeypadModifier) == (Qt::ControlModifier | Qt::ShiftModifier));
}

}  // namespace

Teditcmdform::Teditcmdform(ShellHost& host, QWidget* parent)
    : QWidget(parent), host_(host), cmd_(host.Context().Cmd()), state_(host.Context().Editor()) {
    setObjectName("Teditcmdform");
    setWindowTitle(tr("assist design"));
    undo_ = new QUndoStack(this);

    // Left: the command palette.
    cbg_ = new QScrollArea(this);
    cbg_->setObjectName("CBG");
    cbg_->setAccessibleName("CBG");
    cbg_->setWidgetResizable(true);
    cbg_->setMinimumWidth(190);
    auto* palette = new QWidget;
    BuildPalette(palette);
    cbg_->setWidget(palette);

    // Centre: the screen on its grey panel, with the run buttons above it.
    panel12_ = new QWidget;
    panel12_->setObjectName("Panel12");
    panel12_->setAutoFillBackground(true);
    QPalette grey = panel12_->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    panel12_->setPalette(grey);
    panel12_->installEventFilter(this);
    lcd_ = new ScreenView(panel12_);
    lcd_->setObjectName("LCD");
    lcd_->setAccessibleName("LCD");
    lcd_->SetScale(1);
    lcd_->setMouseTracking(true);
    lcd_->setFocusPolicy(Qt::ClickFocus);
    lcd_->installEventFilter(this);
    panel_scroll_ = new QScrollArea(this);
    panel_scroll_->setWidget(panel12_);
    panel_scroll_->setWidgetResizable(true);

    auto* button1 = Button(this, "Button1", "simulate display");
    auto* button19 = Button(this, "Button19", "run command");
    auto* button13 = Button(this, "Button13", "end design");
    hpsp_ = Button(this, "hpsp", "switch screen");
    auto* button11 = Button(this, "Button11", "import command");
    auto* button20 = Button(this, "Button20", "reflash");
    button11->hide();
    button20->hide();
    zoom_ = new QComboBox(this);
    zoom_->setObjectName("zoom");
    zoom_->setAccessibleName("zoom");
    for (int z = 1; z <= 4; ++z) zoom_->addItem(QStringLiteral("%1x").arg(z), z);
    auto* savepng = Button(this, "savepng", "Save screen as PNG");

    auto* run_row = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(button19), static_cast<QWidget*>(button1), static_cast<QWidget*>(hpsp_),
                       static_cast<QWidget*>(zoom_), static_cast<QWidget*>(savepng), static_cast<QWidget*>(button13)})
        run_row->addWidget(w);
    run_row->addStretch(1);

    // Right: the line tools, undo and redo, and the code lines.
    auto* sb1 = ToolButton(this, "SpeedButton1", tr("clear"), "all clear");
    auto* sb2 = ToolButton(this, "SpeedButton2", tr("delete"), "delete current line");
    auto* sb3 = ToolButton(this, "SpeedButton3", tr("copy"), "copy current line");
    auto* sb4 = ToolButton(this, "SpeedButton4", tr("C"), "convert to C code");
    auto* undo_button = ToolButton(this, "undo", tr("undo"), "undo");
    auto* redo_button = ToolButton(this, "redo", tr("redo"), "redo");
    undo_button->setEnabled(false);
    redo_button->setEnabled(false);
    connect(undo_, &QUndoStack::canUndoChanged, undo_button, &QWidget::setEnabled);
    connect(undo_, &QUndoStack::canRedoChanged, redo_button, &QWidget::setEnabled);
    connect(undo_button, &QToolButton::clicked, undo_, &QUndoStack::undo);
    connect(redo_button, &QToolButton::clicked, undo_, &QUndoStack::redo);
    auto* tools = new QHBoxLayout;
    for (QToolButton* b : {sb1, sb2, sb3, sb4, undo_button, redo_button}) tools->addWidget(b);
    tools->addStretch(1);
    cmdlist_ = new QListWidget(this);
    cmdlist_->setObjectName("cmdlist");
    cmdlist_->setAccessibleName("cmdlist");
    cmdlist_->setMinimumWidth(220);
    auto* right = new QWidget(this);
    auto* right_layout = new QVBoxLayout(right);
    right_layout->setContentsMargins(0, 0, 0, 0);
    right_layout->addLayout(tools);
    right_layout->addWidget(cmdlist_, 1);

    // Below: the current line (or group) and the parameter grid.
    ym1_ = new QGroupBox("current code line", this);
    ym1_->setObjectName("ym1");
    cmdedit_ = new QLineEdit(ym1_);
    cmdedit_->setObjectName("cmdedit");
    cmdedit_->setAccessibleName("cmdedit");
    cmdedit_->installEventFilter(this);
    cmdms_ = new QPlainTextEdit(ym1_);
    cmdms_->setObjectName("cmdms");
    cmdms_->setAccessibleName("cmdms");
    cmdms_->setReadOnly(true);
    cmdms_->setPlainText(QString::fromUtf8("语法描述："));
    auto* ym1_layout = new QVBoxLayout(ym1_);
    ym1_layout->addWidget(cmdedit_);
    ym1_layout->addWidget(cmdms_, 1);

    ym2_ = new QGroupBox("control (code line group)", this);
    ym2_->setObjectName("ym2");
    yjz_ = new QPlainTextEdit(ym2_);
    yjz_->setObjectName("yjz");
    yjz_->setAccessibleName("yjz");
    auto* button2 = Button(ym2_, "Button2", "direct edit");
    auto* button3 = Button(ym2_, "Button3", "assist design");
    auto* ym2_layout = new QVBoxLayout(ym2_);
    ym2_layout->addWidget(yjz_, 1);
    auto* ym2_buttons = new QHBoxLayout;
    ym2_buttons->addWidget(button2);
    ym2_buttons->addWidget(button3);
    ym2_buttons->addStretch(1);
    ym2_layout->addLayout(ym2_buttons);

    ym_ = new QStackedWidget(this);  // ym2 lies exactly over ym1
    ym_->addWidget(ym1_);
    ym_->addWidget(ym2_);

    ve_ = new QTableWidget(0, 3, this);
    ve_->setObjectName("ve");
    ve_->setAccessibleName("ve");
    ve_->setHorizontalHeaderLabels({"name", "value", ""});
    ve_->verticalHeader()->hide();
    ve_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
    ve_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    ve_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    ve_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Fixed);
    ve_->setColumnWidth(2, 28);
    ve_->installEventFilter(this);
    ve_->viewport()->installEventFilter(this);

    auto* bottom = new QWidget(this);
    auto* bottom_layout = new QHBoxLayout(bottom);
    bottom_layout->setContentsMargins(0, 0, 0, 0);
    bottom_layout->addWidget(ym_, 3);
    bottom_layout->addWidget(ve_, 2);

    auto* centre = new QWidget(this);
    auto* centre_layout = new QVBoxLayout(centre);
    centre_layout->setContentsMargins(0, 0, 0, 0);
    centre_layout->addLayout(run_row);
    centre_layout->addWidget(panel_scroll_, 1);

    auto* top = new QSplitter(Qt::Horizontal, this);
    top->addWidget(cbg_);
    top->addWidget(centre);
    top->addWidget(right);
    top->setStretchFactor(1, 1);
    auto* vertical = new QSplitter(Qt::Vertical, this);
    vertical->addWidget(top);
    vertical->addWidget(bottom);
    vertical->setStretchFactor(0, 3);
    vertical->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(vertical);

    selcolor_ = new Tselcolorform(this);
    selpic_ = new Tselpicform(host.Context().Workdir(), this);
    selpic_->SetMadeList([&host] { return host.MadePictureList(); });
    selasc_ = new Tselascform(this);

    // The interpreter draws on LCD; every frame object draws its frame there too.
    cmd_.Screen().SetSurface(lcd_->View());
    frames_.reserve(kFramePool);
    for (int i = 0; i < kFramePool; ++i) frames_.emplace_back(cmd_, state_, lcd_->View());
    CentreScreen();

    connect(button19, &QPushButton::clicked, this, &Teditcmdform::RunCommand);
    connect(button1, &QPushButton::clicked, this, &Teditcmdform::SimulateDisplay);
    connect(button13, &QPushButton::clicked, this, &Teditcmdform::EndDesign);
    connect(button11, &QPushButton::clicked, this, &Teditcmdform::ImportCommand);
    connect(button20, &QPushButton::clicked, this, [this] {
        if (grid_line_ >= 0 && grid_line_ < static_cast<int>(lines_.size())) cmdedit_->setText(FromGbk(lines_[grid_line_]));
    });
    connect(hpsp_, &QPushButton::clicked, this, [this] {
        SwitchScreenNow();
        undo_->push(new SwitchScreenStep(*this, "switch screen"));
    });
    connect(zoom_, &QComboBox::currentIndexChanged, this, [this](int index) { SetZoom(index + 1); });
    connect(savepng, &QPushButton::clicked, this, &Teditcmdform::SaveScreenPng);
    connect(sb1, &QToolButton::clicked, this, &Teditcmdform::AllClear);
    connect(sb2, &QToolButton::clicked, this, &Teditcmdform::DeleteLine);
    connect(sb3, &QToolButton::clicked, this, &Teditcmdform::CopyLine);
    connect(sb4, &QToolButton::clicked, this, &Teditcmdform::ConvertToC);
    connect(button2, &QPushButton::clicked, this, &Teditcmdform::DirectEdit);
    connect(button3, &QPushButton::clicked, this, &Teditcmdform::AssistDesign);
    connect(cmdlist_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { Select(cmdlist_->row(item)); });
    connect(cmdedit_, &QLineEdit::textEdited, this, &Teditcmdform::CmdEditEdited);
    connect(ve_, &QTableWidget::cellChanged, this, &Teditcmdform::GridItemChanged);

    // Undo and redo anywhere in the window; the code line box hands its own keys over too.
    auto* undo_action = new QAction(this);
    undo_action->setShortcut(QKeySequence::Undo);
    undo_action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(undo_action, &QAction::triggered, undo_, &QUndoStack::undo);
    addAction(undo_action);
    for (const QKeySequence& keys : {QKeySequence(QKeySequence::Redo), QKeySequence(Qt::CTRL | Qt::Key_Y),
                                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
        auto* redo_action = new QAction(this);
        redo_action->setShortcut(keys);
        redo_action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(redo_action, &QAction::triggered, undo_, &QUndoStack::redo);
        addAction(redo_action);
    }
}

Teditcmdform::~Teditcmdform() {
    // The controls go while the state they report to still lives: an open grid editor commits
    // its value as it is destroyed.
    undo_->clear();
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        child->removeEventFilter(this);
        child->disconnect(this);
    }
    for (QObject* watched : {static_cast<QObject*>(lcd_), static_cast<QObject*>(panel12_), static_cast<QObject*>(cmdedit_),
                             static_cast<QObject*>(ve_), static_cast<QObject*>(ve_->viewport())})
        watched->removeEventFilter(this);
    ve_->disconnect(this);
    cmdedit_->disconnect(this);
    cmdlist_->disconnect(this);
    // The interpreter outlives this window: it must not keep drawing into LCD's freed pixels.
    cmd_.Screen().SetSurface(Framebuffer{});
}

bool Teditcmdform::DesignDirty() const { return state_.design_dirty == 1; }

// ---- palette

void Teditcmdform::BuildPalette(QWidget* holder) {
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(1);
    const Catalogue& catalogue = Catalogue::Shared();
    int shown = 0;
    for (int category : catalogue.PaletteCategories()) {
        const QString name = FromGbk(Catalogue::CategoryName(category));
        auto* header = new QToolButton(holder);
        header->setObjectName(QStringLiteral("CBG_category%1").arg(category));
        header->setText(name);
        header->setAccessibleName(name);
        header->setCheckable(true);
        header->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        auto* body = new QWidget(holder);
        body->setObjectName(QStringLiteral("CBG_commands%1").arg(category));
        auto* body_layout = new QVBoxLayout(body);
        body_layout->setContentsMargins(8, 0, 0, 4);
        body_layout->setSpacing(1);
        for (const std::string& caption : catalogue.Captions(category)) {
            const QString text = FromGbk(caption);
            auto* b = new QPushButton(text, body);
            b->setObjectName(QStringLiteral("CBG_") + FromGbk(caption.substr(caption.find(':') + 1)));
            b->setAccessibleName(text);
            b->setStyleSheet("text-align: left; padding: 2px 6px;");
            connect(b, &QPushButton::clicked, this, [this, caption] { PaletteButton(caption); });
            body_layout->addWidget(b);
        }
        // The first two categories start expanded, the others collapsed.
        const bool expanded = shown++ < 2;
        header->setChecked(expanded);
        header->setArrowType(expanded ? Qt::DownArrow : Qt::RightArrow);
        body->setVisible(expanded);
        connect(header, &QToolButton::toggled, body, [header, body](bool on) {
            body->setVisible(on);
            header->setArrowType(on ? Qt::DownArrow : Qt::RightArrow);
        });
        layout->addWidget(header);
        layout->addWidget(body);
    }
    layout->addStretch(1);
}

void Teditcmdform::PaletteButton(const std::string& caption) {
    const DesignState before = Snapshot();
    if (!AppendPaletteLine(Catalogue::Shared(), caption, lines_)) return;
    cmdlist_->addItem(new QListWidgetItem(NoMarkerIcon(), FromGbk(lines_.back())));
    RunCommand();
    Select(static_cast<int>(lines_.size()) - 1);
    Push(kPalette, before, tr("add %1").arg(FromGbk(lines_.back())));
}

// ---- loading and running

void Teditcmdform::LoadText(std::string_view gbk) {
    lines_ = LoadCodeLines(gbk);
    group_open_ = false;
    group_ = {};
    current_ = -1;
    grid_line_ = -1;
    state_.design_dirty = 0;
    undo_->clear();
    RebuildList();
    cmdedit_->clear();
    grid_.rows.clear();
    ShowGrid();
    ym_->setCurrentWidget(ym1_);
    RunCommand();
}

bool Teditcmdform::LoadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    LoadText(Utf8ToGbk(file.readAll().toStdString()));
    return true;
}

void Teditcmdform::ImportCommand() {
    const std::string area = host_.EditAreaText();
    LoadText(ImportText(SplitLines(area)));
}

void Teditcmdform::RunLines(bool frames) {
    const int mode = frames ? TAXclass::kRunAndFrame : TAXclass::kRunOnly;
    const size_t framed = std::min(lines_.size(), frames_.size());
    offsets_.resize(lines_.size());
    for (size_t i = 0; i < framed; ++i) {
        offsets_[i] = {cmd_.OffsetX(), cmd_.OffsetY()};
        TAXclass& f = frames_[i];
        f.SetStatement(lines_[i]);
        f.selected = static_cast<int>(i) == current_ ? 1 : 0;
        f.Render(mode);
    }
    // Lines past the frame pool still draw; they have no frame to grab.
    for (size_t i = framed; i < lines_.size(); ++i) {
        offsets_[i] = {cmd_.OffsetX(), cmd_.OffsetY()};
        TAXclass spare(cmd_, state_, lcd_->View());
        spare.SetStatement(lines_[i]);
        spare.Render(TAXclass::kRunOnly);
    }
    lcd_->update();
}

void Teditcmdform::RunCommand() {
    cmd_.RunStatement("CLS(0)");
    RunLines(true);
}

void Teditcmdform::SimulateDisplay() {
    cmd_.RunStatement("CLS(0)");
    RunLines(false);
}

void Teditcmdform::Redraw() {
    const Framebuffer fb = lcd_->View();
    for (int y = 0; y < fb.height; ++y) std::fill_n(fb.Row(y), fb.width, Rgb(0, 0, 0));
    RunLines(true);
}

// ---- the code lines

void Teditcmdform::RebuildList() {
    cmdlist_->clear();
    for (size_t i = 0; i < lines_.size(); ++i)
        cmdlist_->addItem(new QListWidgetItem(static_cast<int>(i) == current_ ? MarkerIcon() : NoMarkerIcon(),
                                              FromGbk(lines_[i])));
}

void Teditcmdform::UpdateListItem(int line) {
    if (QListWidgetItem* item = cmdlist_->item(line)) item->setText(FromGbk(lines_[static_cast<size_t>(line)]));
}

void Teditcmdform::Select(int line) {
    if (line < 0 || line >= static_cast<int>(lines_.size())) return;
    edit_mode_ = 0;
    const QIcon marker = MarkerIcon(), none = NoMarkerIcon();
    for (int i = 0; i < cmdlist_->count(); ++i) cmdlist_->item(i)->setIcon(i == line ? marker : none);
    cmdlist_->setCurrentRow(line);
    const std::string& text = lines_[static_cast<size_t>(line)];
    if (!text.empty() && text.front() == '[') {
        ym_->setCurrentWidget(ym2_);
        yjz_->setPlainText(FromGbk(GroupEditText(text)));
        grid_line_ = -1;
        grid_.rows.clear();
        ShowGrid();
    } else {
        ym_->setCurrentWidget(ym1_);
        cmdedit_->setText(FromGbk(text));
        grid_line_ = line;
        FillGrid();
    }
    current_ = line;
    Redraw();
}

void Teditcmdform::FillGrid() {
    grid_.rows.clear();
    if (grid_line_ < 0 || grid_line_ >= static_cast<int>(lines_.size())) {
        ShowGrid();
        return;
    }
    UseLineOffset(grid_line_);
    const std::string help = ShowStatementHelp(cmd_, state_, lines_[static_cast<size_t>(grid_line_)], grid_);
    cmdms_->setPlainText(FromGbk(help));
    ShowGrid();
}

void Teditcmdform::ShowGrid() {
    filling_grid_ = true;
    ve_->clearContents();
    ve_->setRowCount(static_cast<int>(grid_.rows.size()));
    for (int r = 0; r < static_cast<int>(grid_.rows.size()); ++r) {
        const GridRow& row = grid_.rows[static_cast<size_t>(r)];
        auto* name = new QTableWidgetItem(FromGbk(row.name));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        ve_->setItem(r, 0, name);
        ve_->setItem(r, 1, new QTableWidgetItem(FromGbk(row.value)));
        auto* none = new QTableWidgetItem;
        none->setFlags(Qt::NoItemFlags);
        ve_->setItem(r, 2, none);
        if (row.chooser) {
            auto* b = new QToolButton(ve_);
            b->setObjectName(QStringLiteral("ve_chooser%1").arg(r));
            b->setText(QStringLiteral("…"));
            b->setAccessibleName(QStringLiteral("choose ") + FromGbk(row.name));
            connect(b, &QToolButton::clicked, this, [this, r] { ChooserClicked(r); });
            ve_->setCellWidget(r, 2, b);
        }
    }
    filling_grid_ = false;
}

void Teditcmdform::ApplyGrid(int kind) {
    if (grid_line_ < 0 || grid_line_ >= static_cast<int>(lines_.size())) return;
    const DesignState before = Snapshot();
    std::string& line = lines_[static_cast<size_t>(grid_line_)];
    // The grid shows coordinates with the line's display offset; the statement holds them
    // without it, as the rebuild after a drag writes them.
    UseLineOffset(grid_line_);
    ParameterGrid grid = grid_;
    for (GridRow& row : grid.rows) {
        const int offset = row.kind == "X" ? cmd_.OffsetX() : row.kind == "Y" ? cmd_.OffsetY() : 0;
        if (offset > 0 && !row.value.empty() && row.value.find_first_not_of("-0123456789") == std::string::npos)
            row.value = std::to_string(Tglobal::ToInt(row.value) - offset);
    }
    line = ApplyParameterGrid(line, grid);
    UpdateListItem(grid_line_);
    cmdedit_->setText(FromGbk(line));
    RunCommand();
    Push(kind, before, kind == kChooser ? tr("choose") : tr("change parameter"));
}

void Teditcmdform::GridItemChanged(int row, int column) {
    if (filling_grid_ || column != 1 || row < 0 || row >= static_cast<int>(grid_.rows.size())) return;
    grid_.rows[static_cast<size_t>(row)].value = ToGbk(ve_->item(row, 1)->text());
    if (edit_mode_ == 2 && !cmdedit_->hasFocus()) ApplyGrid(kGrid);
}

void Teditcmdform::ChooserClicked(int row) {
    if (row < 0 || row >= static_cast<int>(grid_.rows.size())) return;
    const std::string kind = grid_.rows[static_cast<size_t>(row)].kind;
    std::optional<int> value;
    bool rebuild = true;
    if (kind == "c") {
        value = selcolor_->Choose(cmd_.Screen());
    } else if (kind == "pic") {
        value = selpic_->Choose();
    } else if (kind == "asc") {
        value = selasc_->Choose(host_.PageCaptions());
    } else if (kind == "color") {
        // The dialog starts on the row's colour as the module shows it.
        const int current = Tglobal::ToInt(grid_.rows[static_cast<size_t>(row)].value);
        const QColor chosen = ChooseColour(this, QColor::fromRgb(Tgd::ModuleToDesktop(static_cast<uint16_t>(current & 0xFFFF))));
        if (chosen.isValid()) value = Tgd::DesktopToModule(chosen.rgb() | 0xFF000000u);
        rebuild = edit_mode_ == 2;
    }
    // Back in the grid, as the user left it; this does not make the grid the active editor.
    activateWindow();
    ve_->setFocus(Qt::OtherFocusReason);
    if (!value) return;
    grid_.rows[static_cast<size_t>(row)].value = std::to_string(*value);
    filling_grid_ = true;
    ve_->item(row, 1)->setText(QString::number(*value));
    filling_grid_ = false;
    if (!rebuild) return;
    ApplyGrid(kChooser);
    edit_mode_ = 0;
}

void Teditcmdform::CmdEditEdited(const QString& text) {
    if (!cmdedit_->hasFocus()) return;
    edit_mode_ = 1;
    if (grid_line_ < 0 || grid_line_ >= static_cast<int>(lines_.size())) return;
    const DesignState before = Snapshot();
    lines_[static_cast<size_t>(grid_line_)] = ToGbk(text);
    UpdateListItem(grid_line_);
    RunCommand();
    FillGrid();
    Push(kType, before, tr("type"));
}

void Teditcmdform::UseLineOffset(int line) {
    if (line >= 0 && line < static_cast<int>(offsets_.size()))
        cmd_.SetOffset(offsets_[static_cast<size_t>(line)].first, offsets_[static_cast<size_t>(line)].second);
}

// ---- line tools

void Teditcmdform::AllClear() {
    if (!Ask(this, QString::fromUtf8("是否要全部删除当前语句?"))) return;
    const DesignState before = Snapshot();
    for (auto& f : frames_) f.statement.clear();
    lines_.clear();
    current_ = grid_line_ = -1;
    cmdlist_->clear();
    cmdedit_->clear();
    cmdms_->clear();
    grid_.rows.clear();
    ShowGrid();
    Redraw();
    Push(kClear, before, tr("all clear"));
}

void Teditcmdform::DeleteLine() {
    if (lines_.empty() || current_ < 0 || current_ >= static_cast<int>(lines_.size())) return;
    const DesignState before = Snapshot();
    lines_.erase(lines_.begin() + current_);
    frames_[std::min(lines_.size(), frames_.size() - 1)].statement.clear();
    current_ = grid_line_ = -1;
    RebuildList();
    cmdedit_->clear();
    grid_.rows.clear();
    ShowGrid();
    RunCommand();
    Push(kDelete, before, tr("delete line"));
}

void Teditcmdform::CopyLine() {
    if (lines_.empty() || current_ < 0 || current_ >= static_cast<int>(lines_.size())) return;
    const DesignState before = Snapshot();
    lines_.insert(lines_.begin() + current_ + 1, lines_[static_cast<size_t>(current_)]);
    RebuildList();
    RunCommand();
    Select(current_ + 1);
    Push(kCopy, before, tr("copy line"));
}

void Teditcmdform::ConvertToC() {
    std::string text;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) text.append("\r\n");
        text.append(lines_[i]).push_back(';');
    }
    host_.SetEditAreaText(text);
    host_.ShowCCode(text);
}

// ---- statement groups

void Teditcmdform::DirectEdit() {
    if (current_ < 0 || current_ >= static_cast<int>(lines_.size())) return;
    QString text = yjz_->toPlainText();
    text.replace("\n", "\r\n");
    auto group = DirectEditGroup(ToGbk(text));
    if (!group) {
        Inform(this, QString::fromStdString(group.error().message));
        return;
    }
    const DesignState before = Snapshot();
    lines_[static_cast<size_t>(current_)] = *group;
    UpdateListItem(current_);
    RunCommand();
    Push(kDirect, before, tr("direct edit"));
}

void Teditcmdform::AssistDesign() {
    if (group_open_ || current_ < 0 || current_ >= static_cast<int>(lines_.size())) return;
    if (lines_[static_cast<size_t>(current_)].front() != '[') return;
    const DesignState before = Snapshot();
    std::vector<std::string> group_lines;
    group_ = OpenGroupDesign(lines_, static_cast<size_t>(current_), group_lines);
    group_open_ = true;
    cmd_.RunStatement("CLS(0)");
    lines_ = std::move(group_lines);
    current_ = grid_line_ = -1;
    RebuildList();
    RunCommand();
    if (!lines_.empty()) Select(0);
    Push(kGroupOpen, before, tr("assist design"));
}

void Teditcmdform::EndDesign() {
    if (group_open_) {
        const DesignState before = Snapshot();
        const std::string text = EndGroupDesign(group_, lines_);
        group_open_ = false;
        group_ = {};
        lines_ = LoadCodeLines(text);
        current_ = grid_line_ = -1;
        RebuildList();
        cmdedit_->clear();
        grid_.rows.clear();
        ShowGrid();
        ym_->setCurrentWidget(ym1_);
        RunCommand();
        state_.design_dirty = 0;
        Push(kGroupEnd, before, tr("end group design"));
        return;
    }
    state_.design_dirty = 0;
    host_.SetEditAreaText(EndDesignText(lines_));
    host_.Navigate("pjm");
}

// ---- undo

DesignState Teditcmdform::Snapshot() const { return {lines_, current_, group_open_, group_}; }

void Teditcmdform::Restore(const DesignState& state) {
    if (dragging_) CancelDrag();
    lines_ = state.lines;
    group_open_ = state.group_open;
    group_ = state.group;
    current_ = grid_line_ = -1;
    for (size_t i = lines_.size(); i < frames_.size() && !frames_[i].statement.empty(); ++i) frames_[i].statement.clear();
    RebuildList();
    if (state.current >= 0 && state.current < static_cast<int>(lines_.size())) {
        cmd_.RunStatement("CLS(0)");
        Select(state.current);
    } else {
        cmdedit_->clear();
        grid_.rows.clear();
        ShowGrid();
        ym_->setCurrentWidget(ym1_);
        RunCommand();
    }
}

void Teditcmdform::Push(int kind, const DesignState& before, const QString& text) {
    DesignState after = Snapshot();
    if (after.lines == before.lines && after.group_open == before.group_open) return;  // nothing changed
    QUndoCommand* step = nullptr;
    switch (kind) {
    case kPalette: step = new PaletteInsertStep(*this, before, std::move(after), text); break;
    case kDelete: step = new DeleteLineStep(*this, before, std::move(after), text); break;
    case kCopy: step = new CopyLineStep(*this, before, std::move(after), text); break;
    case kClear: step = new AllClearStep(*this, before, std::move(after), text); break;
    case kType: step = new TypeLineStep(*this, before, std::move(after), text); break;
    case kGrid: step = new GridEditStep(*this, before, std::move(after), text); break;
    case kChooser: step = new ChooserStep(*this, before, std::move(after), text); break;
    case kDrag: step = new DragStep(*this, before, std::move(after), text); break;
    case kKeyMove: step = new KeyMoveStep(*this, before, std::move(after), text); break;
    case kDirect: step = new DirectEditStep(*this, before, std::move(after), text); break;
    case kGroupOpen: step = new GroupOpenStep(*this, before, std::move(after), text); break;
    default: step = new GroupEndStep(*this, before, std::move(after), text); break;
    }
    undo_->push(step);
}

// ---- screen size and zoom

void Teditcmdform::SetScreenSize(int width, int height) {
    if (width <= 0 || height <= 0) return;
    const Framebuffer fb = lcd_->View();
    if (fb.width != width || fb.height != height) {
        const Framebuffer view = lcd_->Resize(width, height);
        cmd_.Screen().SetSurface(view);
        for (auto& f : frames_) f.SetCanvas(view);
    }
    cmd_.RunStatement("CLS(0)");
    CentreScreen();
}

void Teditcmdform::Activate() {
    const DeviceInfo& device = host_.Context().Rom().Device();
    if (device.ScreenWidth == 0) return;
    if (dragging_) CancelDrag();
    cmd_.Screen().SetSurface(lcd_->View());
    SetScreenSize(device.ScreenWidth, device.ScreenHeight);
    // The design is drawn again, so that coming back to the window shows it.
    if (!lines_.empty()) RunCommand();
}

void Teditcmdform::SwitchScreenNow() {
    DeviceInfo& device = host_.Context().Rom().Device();
    hpsp_->setText(QString::fromUtf8(SwitchScreen(device.ScreenWidth, device.ScreenHeight)));
    host_.Refresh();
    Activate();
    RunCommand();
}

void Teditcmdform::SetZoom(int zoom) {
    zoom = std::clamp(zoom, 1, 4);
    lcd_->SetScale(zoom);
    if (zoom_->currentIndex() != zoom - 1) zoom_->setCurrentIndex(zoom - 1);
    CentreScreen();
}

void Teditcmdform::CentreScreen() {
    const QSize size = lcd_->sizeHint();
    lcd_->resize(size);
    panel12_->setMinimumSize(size);
    const Placement at = CentreOnPanel(panel12_->width(), panel12_->height(), size.width(), size.height());
    lcd_->move(at.left, at.top);
}

void Teditcmdform::SaveScreenPng() {
    const QString file = ChooseSaveFile(this, "Save screen as PNG", "PNG picture (*.png)");
    if (file.isEmpty()) return;
    if (Status s = WritePng(lcd_->View(), file.toStdString()); !s)
        Inform(this, QString::fromStdString(s.error().message), QMessageBox::Warning);
}

// ---- mouse and keys on the screen

void Teditcmdform::SetHoverCursor() {
    switch (hover_.zone) {
    case TAXclass::kMoveZone: lcd_->setCursor(Qt::PointingHandCursor); break;
    case TAXclass::kRightEdge: lcd_->setCursor(Qt::SizeHorCursor); break;
    case TAXclass::kBottomEdge: lcd_->setCursor(Qt::SizeVerCursor); break;
    default: lcd_->unsetCursor(); break;
    }
}

void Teditcmdform::MouseMove(QPoint p, bool left_held) {
    if (!dragging_) {
        if (!left_held) {
            pressed_ = false;
            if (lines_.empty()) return;
            hover_ = FindHover(frames_, lines_.size(), current_, p.x(), p.y());
            SetHoverCursor();
            return;
        }
        if (pressed_ && hover_.line >= 0 && hover_.zone != TAXclass::kNoZone) {
            StartDrag(press_point_);
            DragTo(p);
        }
        return;
    }
    if (left_held)
        DragTo(p);
    else
        FinishDrag();
}

void Teditcmdform::MousePress(QPoint p) {
    pressed_ = true;
    press_point_ = p;
    if (dragging_) return;
    if (!lines_.empty()) hover_ = FindHover(frames_, lines_.size(), current_, p.x(), p.y());
    if (hover_.line < 0) return;
    Select(hover_.line);
    if (!cmdedit_->hasFocus()) edit_mode_ = 2;
}

// The drag starts where the button went down, so the first movement already counts.
void Teditcmdform::StartDrag(QPoint p) {
    drag_before_ = Snapshot();
    const Framebuffer fb = lcd_->View();
    saved_.resize(static_cast<size_t>(fb.width) * fb.height);
    for (int y = 0; y < fb.height; ++y) std::copy_n(fb.Row(y), fb.width, saved_.begin() + static_cast<ptrdiff_t>(y) * fb.width);
    if (hover_.line != current_) Select(hover_.line);
    TAXclass& f = frames_[static_cast<size_t>(current_)];
    drag_start_box_ = BoxOf(f);
    drag_ = quelmo::StartDrag(f, hover_.zone, p.x(), p.y());
    dragging_ = true;
}

void Teditcmdform::DragTo(QPoint p) {
    const Framebuffer fb = lcd_->View();
    if (saved_.size() == static_cast<size_t>(fb.width) * fb.height)
        for (int y = 0; y < fb.height; ++y)
            std::copy_n(saved_.begin() + static_cast<ptrdiff_t>(y) * fb.width, fb.width, fb.Row(y));
    TAXclass& f = frames_[static_cast<size_t>(current_)];
    DragBox(f, drag_, p.x(), p.y(), fb.width, fb.height);
    f.selected = 1;
    f.Render(TAXclass::kFrameOnly);
    lcd_->update();
}

void Teditcmdform::FinishDrag() {
    const Framebuffer fb = lcd_->View();
    TAXclass& f = frames_[static_cast<size_t>(current_)];
    dragging_ = false;
    pressed_ = false;
    DragBox(f, drag_, drag_.last_x, drag_.last_y, fb.width, fb.height);
    drag_.zone = TAXclass::kNoZone;
    // A drag that ends where it began changes nothing.
    if (BoxOf(f) != drag_start_box_) {
        UseLineOffset(current_);
        f.Regenerate(grid_);
        lines_[static_cast<size_t>(current_)] = f.statement;
        UpdateListItem(current_);
    }
    Select(current_);
    Push(kDrag, drag_before_, tr("drag"));
}

void Teditcmdform::CancelDrag() {
    const Framebuffer fb = lcd_->View();
    TAXclass& f = frames_[static_cast<size_t>(current_)];
    f.x1 = drag_start_box_.x1;
    f.y1 = drag_start_box_.y1;
    f.w = drag_start_box_.w;
    f.h = drag_start_box_.h;
    f.x2 = drag_start_box_.x2;
    f.y2 = drag_start_box_.y2;
    dragging_ = false;
    pressed_ = false;
    drag_.zone = TAXclass::kNoZone;
    if (saved_.size() == static_cast<size_t>(fb.width) * fb.height)
        for (int y = 0; y < fb.height; ++y)
            std::copy_n(saved_.begin() + static_cast<ptrdiff_t>(y) * fb.width, fb.width, fb.Row(y));
    Redraw();
}

bool Teditcmdform::MoveByKey(int dx, int dy) {
    if (dragging_ || current_ < 0 || current_ >= static_cast<int>(std::min(lines_.size(), frames_.size()))) return false;
    TAXclass& f = frames_[static_cast<size_t>(current_)];
    if (f.type == Tcmd::kTypeNoBounds || grid_line_ != current_) return false;
    const DesignState before = Snapshot();
    const Box start = BoxOf(f);
    f.x1 = std::max(0, f.x1 + dx);
    f.y1 = std::max(0, f.y1 + dy);
    f.x2 = f.x1 + f.w;
    f.y2 = f.y1 + f.h;
    if (BoxOf(f) == start) return true;
    UseLineOffset(current_);
    f.Regenerate(grid_);
    lines_[static_cast<size_t>(current_)] = f.statement;
    UpdateListItem(current_);
    Select(current_);
    Push(kKeyMove, before, tr("move"));
    return true;
}

bool Teditcmdform::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lcd_) {
        switch (event->type()) {
        case QEvent::MouseMove: {
            auto* e = static_cast<QMouseEvent*>(event);
            MouseMove(lcd_->ToScreen(e->position().toPoint()), e->buttons() & Qt::LeftButton);
            return true;
        }
        case QEvent::MouseButtonPress: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() == Qt::LeftButton) MousePress(lcd_->ToScreen(e->position().toPoint()));
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() == Qt::LeftButton) {
                pressed_ = false;
                if (dragging_) FinishDrag();
            }
            return true;
        }
        case QEvent::KeyPress: {
            auto* e = static_cast<QKeyEvent*>(event);
            if (e->key() == Qt::Key_Escape && dragging_) {
                CancelDrag();
                return true;
            }
            const int step = (e->modifiers() & Qt::ShiftModifier) ? 10 : 1;
            switch (e->key()) {
            case Qt::Key_Left: return MoveByKey(-step, 0);
            case Qt::Key_Right: return MoveByKey(step, 0);
            case Qt::Key_Up: return MoveByKey(0, -step);
            case Qt::Key_Down: return MoveByKey(0, step);
            default: break;
            }
            break;
        }
        default: break;
        }
    } else if (watched == panel12_ && event->type() == QEvent::Resize && lcd_) {
        CentreScreen();
    } else if (watched == cmdedit_ && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        // The window's undo, not the line box's own, so typing is undone with everything else.
        auto* e = static_cast<QKeyEvent*>(event);
        if (IsUndo(e) || IsRedo(e)) {
            if (event->type() == QEvent::KeyPress) IsUndo(e) ? undo_->undo() : undo_->redo();
            e->accept();
            return true;
        }
    } else if (ve_ && (watched == ve_ || watched == ve_->viewport())) {
        // The grid entered anew by the user (a click, or the Tab key), not focus passed on
        // when other widgets go or the window is activated.
        bool entered = event->type() == QEvent::MouseButtonPress;
        if (event->type() == QEvent::FocusIn) {
            const Qt::FocusReason why = static_cast<QFocusEvent*>(event)->reason();
            entered = why == Qt::MouseFocusReason || why == Qt::TabFocusReason || why == Qt::BacktabFocusReason ||
                      why == Qt::ShortcutFocusReason;
        }
        if (entered) edit_mode_ = 2;
    }
    return QWidget::eventFilter(watched, event);
}

void Teditcmdform::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Activate();
}

void Teditcmdform::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Activate();
}

}  // namespace quelmo::ui
