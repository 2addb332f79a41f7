#include "link/ui/commcon_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>

#include "link/device_link.h"
#include "link/ports.h"
#include "link/tcomm.h"
#include "link/ui/link_hooks.h"
#include "shell/ui/messages.h"
#include "shell/ui/shell_host.h"

namespace quelmo::ui {
namespace {

// What the user is told when the open port goes away under the program.
QString HangupText(const std::string& port) {
    return QStringLiteral("串口%1已断开,连接已关闭。请检查连接线后重新连接串口屏!").arg(QString::fromStdString(port));
}

QString Shown(const std::string& utf8) { return DisplayText(utf8); }

}  // namespace

Tcommconform::Tcommconform(ShellHost& host, QWidget* parent)
    : QWidget(parent),
      host_(host),
      button1_(new QPushButton(tr("Auto search"), this)),
      cbcomm_(new QComboBox(this)),
      btl_(new QComboBox(this)),
      button2_(new QPushButton(this)),
      button4_(new QPushButton(tr("Error detect"), this)),
      label4_(new QLabel(tr("Connecting, wait..."), this)),
      memo1_(new QPlainTextEdit(this)),
      ysz_(new QLineEdit(QStringLiteral("3"), this)),
      qz115200_(new QCheckBox(
          tr("When connected, not force to use 115200 which only used for sending data on low speed."), this)) {
    setObjectName("Tcommconform");
    setWindowTitle(tr("serial port connect"));

    auto name = [](QWidget* w, const char* object, const QString& caption) {
        w->setObjectName(object);
        w->setAccessibleName(caption);
    };
    name(button1_, "Button1", button1_->text());
    name(cbcomm_, "cbcomm", tr("Port"));
    name(btl_, "btl", tr("Rate"));
    button2_->setObjectName("Button2");  // its caption follows the connection state
    name(button4_, "Button4", button4_->text());
    name(label4_, "Label4", label4_->text());
    name(memo1_, "Memo1", tr("connection log"));
    name(ysz_, "ysz", tr("delay"));
    name(qz115200_, "qz115200", qz115200_->text());

    // Any path may be typed into the port box: a device without a sysfs entry, a pseudo-terminal.
    cbcomm_->setEditable(true);
    cbcomm_->setInsertPolicy(QComboBox::NoInsert);
    cbcomm_->setMinimumContentsLength(16);
    for (uint32_t rate : kBaudRates) btl_->addItem(QString::number(rate));
    btl_->setCurrentIndex(6);
    label4_->setVisible(false);
    memo1_->setReadOnly(true);
    ysz_->setMaximumWidth(60);
    qz115200_->setChecked(false);

    auto* autoGroup = new QGroupBox(tr("Auto connect"), this);
    autoGroup->setObjectName("autoconnect");
    auto* autoLayout = new QVBoxLayout(autoGroup);
    autoLayout->addWidget(button1_);

    auto* manual = new QGridLayout;
    manual->addWidget(new QLabel(tr("Port"), this), 0, 0);
    manual->addWidget(cbcomm_, 0, 1);
    manual->addWidget(new QLabel(tr("Rate"), this), 1, 0);
    manual->addWidget(btl_, 1, 1);
    manual->addWidget(button2_, 2, 0, 1, 2);
    manual->addWidget(button4_, 3, 0, 1, 2);
    manual->addWidget(label4_, 4, 0, 1, 2);
    manual->setColumnStretch(1, 1);

    auto* advanced = new QGroupBox(tr("Advanced setup"), this);
    advanced->setObjectName("advancedsetup");
    auto* delayRow = new QHBoxLayout;
    delayRow->addWidget(new QLabel(tr("delay"), this));
    delayRow->addWidget(ysz_);
    delayRow->addWidget(new QLabel(tr("ms"), this));
    delayRow->addStretch();
    auto* note = new QLabel(tr("Low speed but more stable on large delay, default 3, range 3-15"), this);
    note->setWordWrap(true);
    auto* advancedLayout = new QVBoxLayout(advanced);
    advancedLayout->addLayout(delayRow);
    advancedLayout->addWidget(note);
    advancedLayout->addWidget(qz115200_);

    auto* label3 = new QLabel(tr("Please use PL2303, ch340, ft232 IC USBTTL cable!"), this);
    name(label3, "Label3", label3->text());
    label3->setWordWrap(true);

    auto* left = new QVBoxLayout;
    left->addWidget(autoGroup);
    left->addLayout(manual);
    left->addWidget(advanced);
    left->addWidget(label3);
    left->addStretch();
    auto* leftBox = new QWidget(this);
    leftBox->setLayout(left);
    leftBox->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);

    auto* root = new QHBoxLayout(this);
    root->addWidget(leftBox);
    root->addWidget(memo1_, 1);

    connect(button1_, &QPushButton::clicked, this, &Tcommconform::AutoConnect);
    connect(button2_, &QPushButton::clicked, this, &Tcommconform::ManualConnect);
    connect(button4_, &QPushButton::clicked, this, &Tcommconform::ErrorDetect);

    // The window answers for the shared port's hang-ups for as long as it lives.
    host_.Link().Comm().OnRequestHangup = [this] { Hangup(); };

    CatchUpLog();
    RefreshPorts();
    RefreshButtons();
}

Tcommconform::~Tcommconform() { host_.Link().Comm().OnRequestHangup = nullptr; }

void Tcommconform::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The upload window may have disconnected meanwhile, and the log may have grown.
    CatchUpLog();
    RefreshButtons();
}

void Tcommconform::CatchUpLog() {
    const auto& lines = host_.Link().ConnectionLog();
    for (; log_shown_ < lines.size(); ++log_shown_) memo1_->appendPlainText(Shown(lines[log_shown_]));
    memo1_->moveCursor(QTextCursor::End);
    memo1_->ensureCursorVisible();
}

void Tcommconform::RememberTypedPort() {
    const std::string text = cbcomm_->currentText().trimmed().toStdString();
    if (text.empty() || text == link_text::kNoPort) return;
    if (cbcomm_->findText(QString::fromStdString(text)) >= 0) return;
    if (std::find(typed_.begin(), typed_.end(), text) == typed_.end()) typed_.push_back(text);
}

void Tcommconform::RefreshPorts() {
    RememberTypedPort();
    const std::vector<std::string> ports = ListPorts(typed_, sys_tty_);
    cbcomm_->clear();
    for (const std::string& p : ports) cbcomm_->addItem(QString::fromStdString(p));
    TComm& comm = host_.Link().Comm();
    if (!ports.empty()) {
        cbcomm_->setCurrentIndex(0);
        // Only while closed: the name and rate of an open port belong to its connection.
        if (!comm.IsOpen()) {
            comm.SetCommName(ports.front());
            comm.SetBaudRate(115200);
        }
    } else {
        cbcomm_->addItem(QString::fromUtf8(link_text::kNoPort));
        cbcomm_->setCurrentIndex(0);
    }
}

uint32_t Tcommconform::SelectedRate() const {
    const int i = btl_->currentIndex();
    return kBaudRates[static_cast<size_t>(i >= 0 && i < static_cast<int>(kBaudRates.size()) ? i : 6)];
}

void Tcommconform::SelectRate(uint32_t rate) {
    const auto it = std::find(kBaudRates.begin(), kBaudRates.end(), rate);
    if (it != kBaudRates.end()) btl_->setCurrentIndex(static_cast<int>(it - kBaudRates.begin()));
}

void Tcommconform::RefreshButtons() {
    const bool connected = host_.Link().ConnectionState != 0;
    button2_->setText(connected ? QStringLiteral("断开") : QStringLiteral("手动连接"));
    button2_->setAccessibleName(button2_->text());
    // While an exchange runs its buttons wait for it: a second one would share its replies.
    button1_->setEnabled(!connected && !busy_);
    button2_->setEnabled(!busy_);
    button4_->setEnabled(!busy_);
}

void Tcommconform::Disconnect() {
    host_.Link().Disconnect();
    RefreshButtons();
    host_.Refresh();
}

void Tcommconform::Hangup() {
    DeviceLink& link = host_.Link();
    // A notification from threads already stopped.
    if (!link.Comm().IsOpen()) return;
    if (link.ConnectionState == 0) {
        // A probe of the search or a connect that is still running closes the port itself.
        if (!busy_) link.Comm().ClosePort();
        return;
    }
    const std::string port = link.Comm().CommName();
    link.Disconnect();
    memo1_->appendPlainText(HangupText(port));
    RefreshButtons();
    host_.Refresh();
    Inform(this, HangupText(port), QMessageBox::Warning);
}

void Tcommconform::AutoConnect() {
    if (busy_) return;
    DeviceLink& link = host_.Link();
    ScopedLinkHooks hooks(link);
    link.OnLog = [this, &link](const std::string& line) {
        CatchUpLog();
        // The module answered: its port and rate are the ones now set, before 115200 is forced.
        if (line == link_text::kFound) {
            cbcomm_->setCurrentText(QString::fromStdString(link.Comm().CommName()));
            SelectRate(link.Comm().BaudRate());
        }
    };
    link.OnMessage = [this](const std::string& text) { Inform(this, Shown(text)); };
    link.OnConnected = [this] {
        RefreshButtons();
        host_.Refresh();
        host_.Navigate("pjm");
    };
    link.KeepBaud = qz115200_->isChecked();

    if (link.ConnectionState == 1) {
        // The search refuses at once; the delay is taken first all the same.
        link.AutoSearch({}, ysz_->text().toStdString());
        return;
    }
    busy_ = true;
    RefreshButtons();
    RefreshPorts();
    std::vector<std::string> ports;
    for (int i = 0; i < cbcomm_->count(); ++i) ports.push_back(cbcomm_->itemText(i).toStdString());
    // An empty list is searched as the single entry "无串口", which cannot be opened.
    if (ports.size() == 1 && ports[0] == link_text::kNoPort) ports.clear();
    // Closing the main window ends the search at its next probe.
    host_.StopFlag() = false;
    link.StopRequested = [this] { return host_.StopFlag(); };
    const bool found = link.AutoSearch(ports, ysz_->text().toStdString());
    link.StopRequested = nullptr;
    busy_ = false;
    CatchUpLog();
    RefreshButtons();
    if (!found) host_.RefreshMenus();
}

void Tcommconform::ManualConnect() {
    if (busy_) return;
    DeviceLink& link = host_.Link();
    if (link.ConnectionState != 0) {
        // The disconnect also checks the delay box first, like the connect.
        auto r = link.ManualConnect({}, 0, ysz_->text().toStdString());
        if (!r) {
            Inform(this, QString::fromStdString(r.error().message), QMessageBox::Critical);
            return;
        }
        RefreshButtons();
        host_.Refresh();
        return;
    }
    RememberTypedPort();
    const std::string port = cbcomm_->currentText().trimmed().toStdString();

    ScopedLinkHooks hooks(link);
    link.OnLog = [this](const std::string&) { CatchUpLog(); };
    link.OnMessage = [this](const std::string& text) { Inform(this, Shown(text)); };
    link.OnConnected = [this] {
        RefreshButtons();
        host_.Refresh();
        host_.Navigate("pjm");
    };
    link.KeepBaud = qz115200_->isChecked();

    busy_ = true;
    label4_->setVisible(true);
    RefreshButtons();
    auto r = link.ManualConnect(port, SelectedRate(), ysz_->text().toStdString());
    busy_ = false;
    label4_->setVisible(false);
    CatchUpLog();
    RefreshButtons();
    if (!r) {
        Inform(this, Shown(r.error().message), QMessageBox::Critical);
        return;
    }
    if (!*r) host_.RefreshMenus();
}

void Tcommconform::ErrorDetect() {
    if (busy_) return;
    DeviceLink& link = host_.Link();
    ScopedLinkHooks hooks(link);
    link.OnLog = [this](const std::string&) { CatchUpLog(); };
    link.OnMessage = [this](const std::string& text) { Inform(this, Shown(text)); };
    RememberTypedPort();
    const std::string port = cbcomm_->currentText().trimmed().toStdString();
    busy_ = true;
    RefreshButtons();
    const Status s = link.ErrorDetect(port, SelectedRate());
    busy_ = false;
    CatchUpLog();
    RefreshButtons();
    host_.Refresh();
    if (!s) Inform(this, Shown(s.error().message), QMessageBox::Critical);
}

}  // namespace quelmo::ui
