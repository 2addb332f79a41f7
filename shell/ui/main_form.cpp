#include "shell/ui/main_form.h"

#include "codegen/ui/ccode_form.h"
#include "editors/ui/editcmd_form.h"
#include "editors/ui/pjm_form.h"
#include "link/ui/commcon_form.h"
#include "pictures/ui/pic_form.h"
#include "sdcard/ui/sdio_form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>

#include "core/gbk.h"
#include "display/tcmd.h"
#include "shell/context.h"
#include "flash/layout.h"
#include "project/ui/newprj_form.h"
#include "shell/menu_rules.h"
#include "shell/ui/messages.h"
#include "shell/ui/status_bar.h"
#include "shell/ui/start_form.h"
#include "shell/ui/working_window.h"

namespace quelmo::ui {
namespace {

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

Tmainform::Tmainform(Tglobal& g, const WindowTable& windows, QWidget* parent)
    : QMainWindow(parent),
      g_(g),
      link_(comm1_, g.Rom()),
      project_(g.Workdir(), g.Settings(), *this),
      button2_(new QPushButton(tr("return"))),
      gcname_(new QLabel(tr("not open"))),
      mdi_(new QMdiArea),
      status_(new StatusBarPanel) {
    setObjectName("Tmainform");
    setWindowTitle(QStringLiteral("Quelmo V") + QStringLiteral(QUELMO_VERSION));
    link_.OnMessage = [this](const std::string& text) { Inform(this, FromUtf8(text)); };

    button2_->setObjectName("Button2");
    button2_->setAccessibleName(button2_->text());
    button2_->setEnabled(false);
    connect(button2_, &QPushButton::clicked, this, &Tmainform::Return);
    auto* label = new QLabel(tr("project file:"));
    label->setAccessibleName(label->text());
    gcname_->setObjectName("gcname");
    auto* topbar = new QWidget;
    topbar->setObjectName("topbar");
    auto* top = new QHBoxLayout(topbar);
    top->setContentsMargins(8, 4, 8, 4);
    top->addWidget(button2_);
    top->addSpacing(16);
    top->addWidget(label);
    top->addWidget(gcname_, 1);

    mdi_->setObjectName("mdi");
    status_->setObjectName("StatusPanel");
    connect(status_->ReflashButton(), &QPushButton::clicked, this, &Tmainform::Refresh);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto line = [] {
        auto* l = new QFrame;
        l->setFrameShape(QFrame::HLine);
        l->setFrameShadow(QFrame::Sunken);
        return l;
    };
    layout->addWidget(topbar);
    layout->addWidget(line());
    layout->addWidget(mdi_, 1);
    layout->addWidget(line());
    layout->addWidget(status_);
    setCentralWidget(central);

    BuildMenus(windows);

    // The workspace left by the last run: a project still open there is open again, with its
    // image built before any window shows it.
    Result<StartupResult> started = project_.Startup();
    if (!started) Report(started.error());
    if (!started || *started != StartupResult::RestoredProject) {
        // No project: the screens still draw with the base image's fonts.
        BuildImage();
        RefreshStatus();
    }
    RefreshMenus();

    CreateWindows(windows);
    if (auto* sdio = qobject_cast<Tsdioform*>(Window("sdio"))) {
        drives_ = std::make_unique<sd::DriveMonitor>(MainDispatcher(), [sdio](sd::DriveEvent e) {
            e == sd::DriveEvent::kArrival ? sdio->CardArrived() : sdio->CardRemoved();
        });
        Report(drives_->Start());
    }
    ShowWindow(std::string(shell::kStartWindow));
    resize(1280, 800);
}

Tmainform::~Tmainform() {
    if (project_.State().IsOpen()) {
        if (Status s = project_.SaveSettings(); !s)
            std::fprintf(stderr, "quelmo-gui: %s\n", s.error().message.c_str());
    }
    // No card notification reaches a window that is gone.
    drives_.reset();
    // The windows go first: they use the port, the project and the context while they close.
    for (auto& [name, sub] : windows_) delete sub;
    windows_.clear();
    for (auto& [name, w] : modal_) delete w;
    modal_.clear();
    comm1_.ClosePort();
    MainDispatcher().RunPending();
}

QAction* Tmainform::AddEntry(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    actions_[name] = action;
    return action;
}

void Tmainform::BuildMenus(const WindowTable& windows) {
    auto listed = [&windows](const std::string& name, bool modal = false) {
        for (const WindowEntry& e : windows)
            if (e.name == name && e.modal == modal) return true;
        return false;
    };
    auto addMenu = [this](const char* name, const QString& caption) {
        QMenu* menu = menuBar()->addMenu(caption);
        menu->setObjectName(name);
        return menu;
    };
    // An entry that switches to a window is there only while that window is.
    auto navigateEntry = [&](QMenu* menu, const char* name, const QString& caption, const char* target) {
        if (!listed(target)) return;
        connect(AddEntry(menu, name, caption), &QAction::triggered, this, [this, target] { Navigate(target); });
    };

    QMenu* file = addMenu("file", tr("file"));
    navigateEntry(file, "start", tr("start/design flow"), "start");
    file->addSeparator();
    connect(AddEntry(file, "newprj", tr("create a new project file"), QKeySequence(Qt::CTRL | Qt::Key_N)),
            &QAction::triggered, this, &Tmainform::NewProject);
    connect(AddEntry(file, "loadprj", tr("open a project file"), QKeySequence(Qt::CTRL | Qt::Key_O)),
            &QAction::triggered, this, &Tmainform::OpenProject);
    connect(AddEntry(file, "closeprj", tr("close current project")), &QAction::triggered, this,
            &Tmainform::CloseProject);
    file->addSeparator();
    connect(AddEntry(file, "saveprj", tr("Project file save"), QKeySequence(Qt::CTRL | Qt::Key_S)),
            &QAction::triggered, this, &Tmainform::SaveProject);
    connect(AddEntry(file, "saveasprj", tr("save as project file")), &QAction::triggered, this,
            &Tmainform::SaveProjectAs);
    file->addSeparator();
    connect(AddEntry(file, "exit", tr("exit")), &QAction::triggered, this, &Tmainform::Exit);

    QMenu* link = addMenu("connect", tr("connect"));
    navigateEntry(link, "c1", tr("serial port connect"), "commcon");
    navigateEntry(link, "c2", tr("command send"), "pjm");
    navigateEntry(link, "c3", tr("upload data"), "sync");

    QMenu* edit = addMenu("edit", tr("edit"));
    navigateEntry(edit, "p1", tr("project setup"), "prjini");
    navigateEntry(edit, "p2", tr("font setup"), "fontedit");
    navigateEntry(edit, "p3", tr("graphic setup"), "pic");
    navigateEntry(edit, "p4", tr("batch interface setup"), "pjm");
    navigateEntry(edit, "p5", tr("assist design"), "editcmd");

    QMenu* tool = addMenu("tool", tr("tool"));
    navigateEntry(tool, "F4", tr("TF card tool"), "sdstart");
    if (listed("ccode", true))
        connect(AddEntry(tool, "C4", tr("c code generate")), &QAction::triggered, this, [this] { ShowModal("ccode"); });
    navigateEntry(tool, "N3", tr("input method table tool"), "pymb");
    navigateEntry(tool, "GIFJPG1", tr("GIF to JPG"), "gif");

    QMenu* help = addMenu("help", tr("help"));
    for (int i = 0; i < 3; ++i) help->addSeparator();
    AddEntry(help, "N18", tr("about"));

    for (QMenu* menu : {file, link, edit, tool, help}) menu->menuAction()->setVisible(!menu->actions().isEmpty());
}

void Tmainform::CreateWindows(const WindowTable& windows) {
    for (const WindowEntry& e : windows) {
        if (e.modal) {
            QWidget* w = e.make(*this, this);
            w->setWindowFlag(Qt::Dialog);
            w->hide();
            modal_[e.name] = w;
            continue;
        }
        QWidget* w = e.make(*this, nullptr);
        QMdiSubWindow* sub = mdi_->addSubWindow(w, Qt::FramelessWindowHint);
        // The window lives until the program ends: no close button, no menu with close or
        // restore, and a close that gets through only hides it.
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        sub->setSystemMenu(nullptr);
        sub->hide();
        windows_[e.name] = sub;
    }
    const WindowLookup find = [this](const std::string& name) { return Window(name); };
    for (const WindowEntry& e : windows)
        if (e.wire) e.wire(Window(e.name), *this, find);
}

QWidget* Tmainform::Window(const std::string& name) const {
    if (auto it = windows_.find(name); it != windows_.end()) return it->second->widget();
    if (auto it = modal_.find(name); it != modal_.end()) return it->second;
    return nullptr;
}

void Tmainform::ShowModal(const std::string& name) {
    auto it = modal_.find(name);
    if (it == modal_.end()) return;
    // From the menu the C code window opens empty.
    if (auto* ccode = qobject_cast<Tccodeform*>(it->second)) ccode->SetSource(QString());
    if (auto* dialog = qobject_cast<QDialog*>(it->second)) {
        dialog->exec();
        return;
    }
    it->second->setWindowModality(Qt::ApplicationModal);
    it->second->show();
}

void Tmainform::ShowWindow(const std::string& name) {
    current_ = name;
    // The start page, whenever it comes to the front, starts the history afresh.
    if (name == shell::kStartWindow) {
        history_.ResetToStart();
        button2_->setEnabled(false);
    }
    auto it = windows_.find(name);
    if (it == windows_.end()) return;
    setUpdatesEnabled(false);
    const bool was_in_front = it->second->isVisible();
    for (auto& [other, sub] : windows_)
        if (sub != it->second) sub->hide();
    it->second->showMaximized();
    mdi_->setActiveSubWindow(it->second);
    it->second->widget()->setFocus();
    // The editors bring themselves up to date whenever they come to the front.
    if (auto* design = qobject_cast<Teditcmdform*>(it->second->widget())) design->Activate();
    if (auto* pjm = qobject_cast<Tpjmform*>(it->second->widget())) pjm->Reload();
    // The start page fills itself when shown; shown again while in front (a project was just
    // opened or created), it follows the new state too.
    if (auto* start = qobject_cast<Tstartform*>(it->second->widget()); start && was_in_front) start->ShowAfresh();
    setUpdatesEnabled(true);
    update();
}

void Tmainform::Navigate(const std::string& name) {
    history_.Navigate(name);
    button2_->setEnabled(history_.CanReturn());
    ShowWindow(name);
}

void Tmainform::Return() {
    if (auto* design = dynamic_cast<WorkingWindow*>(Window("editcmd")); design && design->DesignDirty()) {
        if (!ui::Ask(this, QString::fromUtf8(main_text::kDropDesign))) return;
    }
    if (!history_.Return()) return;
    button2_->setEnabled(history_.CanReturn());
    ShowWindow(history_.Current());
}

void Tmainform::RefreshMenus() {
    const MenuStates m = MenuRules(project_.State().IsOpen(), link_.ConnectionState);
    link_.ConnectionState = m.ConnectionState;
    for (auto& [name, action] : actions_)
        if (std::optional<bool> on = m.Enabled(name)) action->setEnabled(*on);
}

void Tmainform::RefreshStatus() {
    RefreshMenus();
    const ProjectState& p = project_.State();
    if (p.IsOpen()) {
        BuildImage();
        gcname_->setText(FromUtf8(GbkToUtf8(p.Name)) + "(" + QString::fromStdString(p.FileName.string()) + ")");
    } else {
        gcname_->clear();
    }
    status_->Show(link_.RefreshStatus());
}

void Tmainform::Refresh() {
    RefreshMenus();
    RefreshStatus();
    if (project_.State().IsOpen()) Report(project_.SaveSettings());
}

void Tmainform::BuildImage() {
    BuildSources src;
    src.workspace = g_.Workspace();
    src.base_image = g_.Workdir() / flash::kBaseImageFile;
    if (project_.State().IsOpen()) src.settings = &g_.Settings();
    src.btl = project_.State().IsOpen() ? project_.State().BTL : project::kDefaultBtl;
    const Status built = g_.Rom().Build(src);
    // The screen takes its font regions from the new config block.
    if (built) g_.Cmd().Screen().ReadFontRegions();
    image_built_ = static_cast<bool>(built);
    Report(built);
    for (auto& [name, sub] : windows_)
        if (auto* w = dynamic_cast<WorkingWindow*>(sub->widget())) w->ImageBuilt();
}

void Tmainform::ResetHistory() {
    history_.ResetToStart();
    button2_->setEnabled(false);
}

bool Tmainform::RunAction(const std::string& name) {
    // The start page's automatic search runs in the connection window.
    if (name == "commcon.search") {
        auto* commcon = qobject_cast<Tcommconform*>(Window("commcon"));
        if (!commcon) return false;
        Navigate("commcon");
        commcon->AutoConnect();
        return true;
    }
    auto it = actions_.find(name);
    if (it == actions_.end() || !it->second->isEnabled()) return false;
    it->second->trigger();
    return true;
}

void Tmainform::ProjectOpened() {
    PictureFolderChanged();
    RefreshStatus();
}

// The two design editors meet through the frame.
std::string Tmainform::EditAreaText() {
    auto* pjm = qobject_cast<Tpjmform*>(Window("pjm"));
    return pjm ? pjm->EditAreaText() : std::string();
}

void Tmainform::SetEditAreaText(const std::string& text) {
    if (auto* pjm = qobject_cast<Tpjmform*>(Window("pjm"))) pjm->SetEditAreaText(text);
}

std::vector<std::string> Tmainform::PageCaptions() {
    auto* pjm = qobject_cast<Tpjmform*>(Window("pjm"));
    return pjm ? pjm->PageCaptions() : std::vector<std::string>();
}

void Tmainform::ImportIntoDesign() {
    auto* design = qobject_cast<Teditcmdform*>(Window("editcmd"));
    if (!design) return;
    Navigate("editcmd");
    design->ImportCommand();
}

void Tmainform::ShowCCode(const std::string& text) {
    auto it = modal_.find("ccode");
    auto* form = it == modal_.end() ? nullptr : qobject_cast<Tccodeform*>(it->second);
    if (!form) return;
    form->SetSource(QString::fromStdString(GbkToUtf8(text)).replace("\r\n", "\n"));
    form->exec();
}

const PictureList* Tmainform::MadePictureList() {
    auto* pic = qobject_cast<PicForm*>(Window("pic"));
    return pic ? &pic->List() : nullptr;
}

void Tmainform::PictureFolderChanged() {
    if (auto* pic = qobject_cast<PicForm*>(Window("pic"))) pic->Reflash();
}

void Tmainform::NewProject() {
    // As the menu entry: only while no project is open.
    if (project_.State().IsOpen()) return;
    Tnewprjform dialog(project_, this);
    // Cancelling the dialog creates nothing.
    if (dialog.exec() != QDialog::Accepted) return;
    if (Status s = project_.Create(Utf8ToGbk(dialog.ProjectName().toStdString()), dialog.ProjectFile().toStdString());
        !s) {
        Report(s);
        return;
    }
    PictureFolderChanged();
    RefreshStatus();
    Navigate(std::string(shell::kStartWindow));
}

void Tmainform::OpenProject() {
    if (project_.State().IsOpen()) return;
    const QString file = ChooseOpenFile(this, tr("choose a project data file"), QString::fromUtf8(main_text::kProjectFilter),
                                        QString::fromStdString(g_.Workdir().string()));
    if (file.isEmpty()) return;
    // A file that is not a project archive leaves everything as it was.
    if (Status s = project_.Open(file.toStdString()); !s) {
        Report(s);
        return;
    }
    // The workspace holds the opened project's pictures now.
    PictureFolderChanged();
    RefreshMenus();
    Navigate(std::string(shell::kStartWindow));
}

void Tmainform::SaveProject() {
    // Save runs the refresh first (settings saved, image built), then packs the workspace.
    Report(project_.Save());
}

void Tmainform::SaveProjectAs() {
    if (!project_.State().IsOpen()) return;
    Refresh();
    const QString file = ChooseSaveFile(this, QString::fromUtf8(main_text::kSaveAsTitle),
                                        QString::fromUtf8(main_text::kSaveAsFilter),
                                        QString::fromStdString(project_.State().FileName.string()));
    if (file.isEmpty()) return;
    Report(project_.SaveAs(file.toStdString()));
}

void Tmainform::CloseProject() {
    if (!project_.State().IsOpen()) return;
    // A failed save keeps the project open and its workspace whole.
    if (Status s = project_.Close(); !s) {
        Report(s);
        return;
    }
    if (link_.ConnectionState == 1) link_.Disconnect();
    link_.ConnectionState = 0;
    PictureFolderChanged();
    RefreshStatus();
    Navigate(std::string(shell::kStartWindow));
}

void Tmainform::Exit() {
    stop_ = true;
    setUpdatesEnabled(false);
    for (auto& [name, sub] : windows_) sub->showMinimized();
    close();
    QCoreApplication::quit();
}

void Tmainform::closeEvent(QCloseEvent* event) {
    // Running transfers end; nothing is asked and no archive is written.
    stop_ = true;
    setUpdatesEnabled(false);
    event->accept();
}

bool Tmainform::Ask(std::string_view question) { return ui::Ask(this, FromUtf8(question)); }

void Tmainform::Show(std::string_view message) { Inform(this, FromUtf8(message)); }

void Tmainform::Report(const Status& s) {
    if (!s) Inform(this, QString::fromStdString(s.error().message), QMessageBox::Warning);
}

}  // namespace quelmo::ui
