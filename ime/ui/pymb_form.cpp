#include "ime/ui/pymb_form.h"

#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <fstream>
#include <sstream>
#include <system_error>

#include "core/file_write.h"
#include "core/gbk.h"
#include "shell/context.h"
#include "ime/resources.h"
#include "project/project.h"
#include "shell/ui/messages.h"
#include "shell/ui/shell_host.h"

// The ready-made resources are compiled into the program; the window library is static, so
// the resource data are pulled in by name.
static void InitImeResources() { Q_INIT_RESOURCE(ime_resources); }

namespace quelmo::ui {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNotGbk =
    "The texts hold characters that GBK cannot store; the module could not show them. Remove them and try again.";

// Files are GBK with CR LF lines; the editors hold UTF-8 with LF.
QString FromFile(const std::string& gbk) { return QString::fromStdString(GbkToUtf8(gbk)).replace("\r\n", "\n"); }

bool ToFile(const QPlainTextEdit* edit, std::string& gbk) {
    bool ok = true;
    gbk = Utf8ToGbk(edit->toPlainText().replace("\n", "\r\n").toStdString(), &ok);
    return ok;
}

bool ReadText(const fs::path& file, std::string& out) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

QPlainTextEdit* Editor(QWidget* parent, const char* name) {
    auto* e = new QPlainTextEdit(parent);
    e->setObjectName(name);
    e->setAccessibleName(name);
    e->setLineWrapMode(QPlainTextEdit::NoWrap);
    return e;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    return b;
}

}  // namespace

Tpymbform::Tpymbform(ShellHost& host, QWidget* parent)
    : QWidget(parent), host_(host), server_(qEnvironmentVariable("QUELMO_SERVER")) {
    InitImeResources();
    setObjectName("pymbform");
    setWindowTitle("input method code table configure");
    auto* grid = new QGridLayout(this);
    srfini_ = Editor(this, "srfini");
    srfmb_ = Editor(this, "srfmb");
    errors_ = new QListWidget(this);
    errors_->setObjectName("errlist");
    errors_->setAccessibleName("error code");
    generate_ = Button(this, "Button1", "generate code table file");
    download_ = Button(this, "Button2", "download(320x240) configure text and image resources");
    grid->addWidget(new QLabel("srf.ini", this), 0, 0);
    grid->addWidget(new QLabel("srf.mb", this), 0, 1);
    grid->addWidget(srfini_, 1, 0);
    grid->addWidget(srfmb_, 1, 1);
    grid->addWidget(new QLabel("error code", this), 2, 0, 1, 2);
    grid->addWidget(errors_, 3, 0, 1, 2);
    grid->addWidget(generate_, 4, 0);
    grid->addWidget(download_, 4, 1);
    grid->setRowStretch(1, 3);
    grid->setRowStretch(3, 1);
    connect(generate_, &QPushButton::clicked, this, &Tpymbform::Generate);
    connect(download_, &QPushButton::clicked, this, qOverload<>(&Tpymbform::Download));
    LoadTexts();
}

Tpymbform::~Tpymbform() {
    const fs::path ws = host_.Context().Workspace();
    std::error_code ec;
    if (Edited() || !fs::exists(ws / ime::kKeyConfigFile, ec) || !fs::exists(ws / ime::kCodeTableFile, ec))
        (void)SaveTexts();
}

bool Tpymbform::Edited() const { return srfini_->document()->isModified() || srfmb_->document()->isModified(); }

void Tpymbform::showEvent(QShowEvent* event) {
    if (!Edited()) LoadTexts();
    QWidget::showEvent(event);
}

void Tpymbform::hideEvent(QHideEvent* event) {
    if (Edited())
        if (auto s = SaveTexts(); !s) Inform(this, QString::fromStdString(s.error().message), QMessageBox::Warning);
    QWidget::hideEvent(event);
}

void Tpymbform::LoadTexts() {
    const fs::path ws = host_.Context().Workspace();
    std::string text;
    srfini_->setPlainText(FromFile(ReadText(ws / ime::kKeyConfigFile, text) ? text : ime::DefaultKeyConfig()));
    srfmb_->setPlainText(FromFile(ReadText(ws / ime::kCodeTableFile, text) ? text : ime::DefaultCodeTable()));
    srfini_->document()->setModified(false);
    srfmb_->document()->setModified(false);
}

Status Tpymbform::SaveTexts() {
    const fs::path ws = host_.Context().Workspace();
    std::error_code ec;
    fs::create_directories(ws, ec);
    std::string ini, mb;
    // A character GBK cannot hold would turn into '?' on disk; both texts stay as they were.
    if (!ToFile(srfini_, ini) || !ToFile(srfmb_, mb)) return Error{kNotGbk, 1};
    if (auto s = WriteFileWhole(ws / ime::kKeyConfigFile, reinterpret_cast<const uint8_t*>(ini.data()), ini.size()); !s)
        return s;
    if (auto s = WriteFileWhole(ws / ime::kCodeTableFile, reinterpret_cast<const uint8_t*>(mb.data()), mb.size()); !s)
        return s;
    srfini_->document()->setModified(false);
    srfmb_->document()->setModified(false);
    return {};
}

void Tpymbform::Generate() {
    errors_->clear();
    std::string ini, mb;
    if (!ToFile(srfini_, ini) || !ToFile(srfmb_, mb)) return Inform(this, kNotGbk, QMessageBox::Warning);
    std::error_code ec;
    fs::create_directories(host_.Context().Workspace(), ec);
    auto out = ime::WritePymb(builder_, host_.Context().Workspace(), ini, mb);
    if (!out) return Inform(this, QString::fromStdString(out.error().message), QMessageBox::Warning);
    for (const auto& line : out->errors) errors_->addItem(QString::fromStdString(GbkToUtf8(line)));
}

void Tpymbform::LoadKeyConfig(const fs::path& file) {
    std::string text;
    if (!ReadText(file, text)) return;
    srfini_->setPlainText(FromFile(text));
    srfini_->document()->setModified(true);  // to be saved as the workspace's srf.ini
}

bool Tpymbform::Download(const std::string& name, const fs::path& target) {
    std::string base = server_.toStdString();
    while (!base.empty() && base.back() == '/') base.pop_back();
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    if (!ec && fetch_(base + ime::kServerFolder + name, target)) return true;
    Inform(this, QString::fromStdString(name) + QStringLiteral(" 文件没有下载成功,请重新启动下载."), QMessageBox::Warning);
    return false;
}

void Tpymbform::Download() {
    if (server_.isEmpty() || !fetch_) return UseReadyResources();
    download_->setEnabled(false);
    const fs::path pic = host_.Context().Workspace() / project::kPictureFolder;
    bool ok = Download(ime::kReadyKeyConfigFile, host_.Context().Workdir() / ime::kReadyKeyConfigFile);
    if (ok) LoadKeyConfig(host_.Context().Workdir() / ime::kReadyKeyConfigFile);
    for (const char* name : ime::kKeyboardPictures) {
        if (!ok) break;
        QCoreApplication::processEvents();
        ok = Download(name, pic / name);
        if (ok) host_.PictureFolderChanged();
    }
    download_->setEnabled(true);
    if (ok) Inform(this, QStringLiteral("下载完成"));
}

void Tpymbform::UseReadyResources() {
    if (!Ask(this, QStringLiteral("No server is set for downloads. Use the 320 x 240 key configuration and keyboard "
                                  "pictures that come with the program?")))
        return;
    const fs::path pic = host_.Context().Workspace() / project::kPictureFolder;
    std::error_code ec;
    fs::create_directories(pic, ec);
    auto install = [](const char* name, const fs::path& target) -> Status {
        QFile f(QStringLiteral(":/ime/") + name);
        if (!f.open(QIODevice::ReadOnly)) return Error{std::string("the program lacks its copy of ") + name, 2};
        const QByteArray bytes = f.readAll();
        return WriteFileWhole(target, reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()));
    };
    Status s = install(ime::kReadyKeyConfigFile, host_.Context().Workdir() / ime::kReadyKeyConfigFile);
    if (s) LoadKeyConfig(host_.Context().Workdir() / ime::kReadyKeyConfigFile);
    for (const char* name : ime::kKeyboardPictures)
        if (s) s = install(name, pic / name);
    host_.PictureFolderChanged();
    if (!s) return Inform(this, QString::fromStdString(s.error().message), QMessageBox::Warning);
    Inform(this, QStringLiteral("The key configuration is loaded and the keyboard pictures are in the picture folder."));
}

}  // namespace quelmo::ui
