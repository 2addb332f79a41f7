#include "editors/ui/pjm_form.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/gbk.h"
#include "shell/context.h"
#include "flash/trom.h"
#include "link/device_link.h"
#include "project/project.h"
#include "shell/ui/messages.h"
#include "shell/ui/shell_host.h"

namespace quelmo::ui {
namespace {

QString FromGbk(std::string_view s) { return QString::fromStdString(GbkToUtf8(s)); }

// The edit area shows LF; the stored text separates lines with CR LF.
std::string AreaToGbk(const QString& text, bool* ok) {
    QString crlf = text;
    crlf.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
    return Utf8ToGbk(crlf.toStdString(), ok);
}

QString GbkToArea(std::string_view gbk) {
    QString text = FromGbk(gbk);
    text.replace("\r\n", "\n").replace('\r', '\n');
    return text;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(name);
    b->setAccessibleName(QString::fromUtf8(caption));
    return b;
}

}  // namespace

Tpjmform::Tpjmform(ShellHost& host, QWidget* parent)
    : QWidget(parent), host_(host), pages_(host.Context().Settings()) {
    setObjectName("Tpjmform");
    setWindowTitle("bath interface edit /command ");

    auto* list_box = new QGroupBox("batch interface list", this);
    plist_ = new QListWidget(list_box);
    plist_->setObjectName("plist");
    plist_->setAccessibleName("batch interface list");
    plist_->setUniformItemSizes(true);
    auto* list_layout = new QVBoxLayout(list_box);
    list_layout->addWidget(plist_);
    list_box->setMinimumWidth(170);

    pjmbh_ = new QLabel("---", this);
    pjmbh_->setObjectName("pjmbh");
    pjmbh_->setMinimumWidth(36);
    pjmname_ = new QLineEdit(this);
    pjmname_->setObjectName("pjmname");
    pjmname_->setAccessibleName("pjmname");
    txmemo_ = new QPlainTextEdit(this);
    txmemo_->setObjectName("txmemo");
    txmemo_->setAccessibleName("txmemo");
    txmemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txmemo_->setPlainText(
        "DS12(0,0,'serial port send area, can write gpu command here and send to screen',15);");
    rxmemo_ = new QPlainTextEdit(this);
    rxmemo_->setObjectName("rxmemo");
    rxmemo_->setAccessibleName("rxmemo");
    rxmemo_->setReadOnly(true);
    rxmemo_->setPlainText("rxmemo");

    auto* button1 = Button(this, "Button1", "port send");
    auto* button2 = Button(this, "Button2", "save to batch interface");
    auto* button3 = Button(this, "Button3", "import code to assist design for further design");

    // The fixed-command buttons: hint and the text they send.
    struct Fixed {
        const char* name;
        const char* text;
        const char* hint;
        const char* command;  // empty: built when pressed
    };
    const Fixed fixed[] = {
        {"SpeedButton2", "CLS", "clear screen", "CLS(0);"},
        {"SpeedButton3", "BL", "max. brightness", "SEBL(100);"},
        {"SpeedButton4", "TP", "calibrate touch screen", ""},
        {"SpeedButton5", "draw", "touch screen drawing test", "CLS(0);DS12(0,0,'请使用触摸笔在屏幕上绘图',2);TPOW(1);TPN(2);"},
        {"SpeedButton6", "INF", "display current touch screen info", "CLS(0);SNF(0,0);INF;"},
        {"SpeedButton7", "SD", "display first image in SD card", "PIC(0,0,1024);"},
        {"SpeedButton8", "TERM", "enter into terminal mode", "TERM;"},
    };
    auto* tools = new QHBoxLayout;
    auto tool = [this, tools](const char* name, const char* text, const char* hint) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(text);
        b->setToolTip(hint);
        // Read out by its caption, the hint as what it does.
        b->setAccessibleName(text);
        b->setAccessibleDescription(hint);
        tools->addWidget(b);
        return b;
    };
    connect(tool("SpeedButton1", "old", "import old verion batch interface data"), &QToolButton::clicked, this,
            &Tpjmform::ImportOldPages);
    for (const Fixed& f : fixed) {
        const std::string command = f.command;
        connect(tool(f.name, f.text, f.hint), &QToolButton::clicked, this, [this, command] {
            if (!command.empty()) return SendFixed(command);
            const DeviceInfo& device = host_.Context().Rom().Device();
            SendFixed("TPST(" + std::to_string(device.ScreenWidth) + "," + std::to_string(device.ScreenHeight) + ");");
        });
    }
    connect(tool("SpeedButton9", "C", "create c code from current command"), &QToolButton::clicked, this,
            [this] { host_.ShowCCode(EditAreaText()); });
    tools->addStretch(1);

    auto* name_row = new QHBoxLayout;
    name_row->addWidget(new QLabel(tr("page"), this));
    name_row->addWidget(pjmbh_);
    name_row->addWidget(new QLabel(tr("name"), this));
    name_row->addWidget(pjmname_, 1);
    name_row->addWidget(button2);
    auto* send_row = new QHBoxLayout;
    send_row->addWidget(button1);
    send_row->addWidget(button3);
    send_row->addStretch(1);

    auto* right = new QVBoxLayout;
    right->addLayout(tools);
    right->addLayout(name_row);
    right->addWidget(txmemo_, 3);
    right->addLayout(send_row);
    right->addWidget(rxmemo_, 2);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_box);
    layout->addLayout(right, 1);

    for (int n = 0; n < pages::kPageCount; ++n) plist_->addItem(new QListWidgetItem);
    ShowItems();

    connect(plist_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { ChoosePage(plist_->row(item)); });
    connect(button2, &QPushButton::clicked, this, &Tpjmform::SavePage);
    connect(button1, &QPushButton::clicked, this, &Tpjmform::SendEditArea);
    connect(button3, &QPushButton::clicked, this, [this] { host_.ImportIntoDesign(); });

    // The receive handler fills the link's receive log; the area follows it.
    rx_timer_ = new QTimer(this);
    rx_timer_->setInterval(100);
    connect(rx_timer_, &QTimer::timeout, this, &Tpjmform::ShowReceived);
}

void Tpjmform::ShowItems() {
    plist_->setUpdatesEnabled(false);
    for (int n = 0; n < pages::kPageCount; ++n) {
        const PageItem& page = pages_.Item(n);
        QListWidgetItem* item = plist_->item(n);
        item->setText(FromGbk(page.caption));
        item->setToolTip(FromGbk(page.text));
    }
    plist_->setUpdatesEnabled(true);
}

void Tpjmform::Reload() {
    pages_.Rebuild();
    ShowItems();
    host_.Link().ReceiveView = 1;
    rx_timer_->start();
    ShowReceived();
}

void Tpjmform::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Reload();
}

void Tpjmform::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Every window of the frame hears the frame's activation: only the one in front reloads, so
    // the upload window keeps the receive view while the program comes back to the front.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible()) Reload();
}

std::string Tpjmform::EditAreaText() const { return AreaToGbk(txmemo_->toPlainText(), nullptr); }

void Tpjmform::SetEditAreaText(const std::string& gbk) { txmemo_->setPlainText(GbkToArea(gbk)); }

std::vector<std::string> Tpjmform::PageCaptions() const {
    std::vector<std::string> out;
    for (int n = 0; n < pages::kPageCount; ++n) out.push_back(pages_.Item(n).caption);
    return out;
}

void Tpjmform::ChoosePage(int n) {
    if (n < 0 || n >= pages::kPageCount) return;
    const ChosenPage chosen = pages_.Choose(n);
    pjmbh_->setText(QString::number(n + 1));
    txmemo_->setPlainText(GbkToArea(chosen.text));
    pjmname_->setText(FromGbk(chosen.name));
}

void Tpjmform::SavePage() {
    bool text_ok = true, name_ok = true;
    const std::string text = AreaToGbk(txmemo_->toPlainText(), &text_ok);
    const std::string name = Utf8ToGbk(pjmname_->text().toStdString(), &name_ok);
    if (pages_.CurrentPage() != 0 && (!text_ok || !name_ok)) {
        // Storing would turn those characters into '?' for good.
        Inform(this, tr("The page holds characters the module's character set (GBK) cannot show; it was not saved."),
               QMessageBox::Warning);
        return;
    }
    if (Status s = pages_.Save(text, name); !s) {
        Inform(this, QString::fromStdString(s.error().message));
        return;
    }
    const int n = pages_.CurrentPage() - 1;
    const PageItem& item = pages_.Item(n);
    plist_->item(n)->setText(FromGbk(item.caption));
    plist_->item(n)->setToolTip(FromGbk(item.text));
    // The frame's refresh builds the image from the pages in memory and saves them; building
    // from the workspace's files would read the settings back and drop the page just stored.
    host_.Refresh();
}

void Tpjmform::ImportOldPages() {
    if (!Ask(this, QString::fromUtf8(pages::kImportQuestion.data(), static_cast<int>(pages::kImportQuestion.size()))))
        return;
    const QString file = ChooseOpenFile(this, "choose old GPU folder/scr/page1.str data file",
                                        QString::fromUtf8("老格式数据 (page1.str Page1.str PAGE1.STR)"),
                                        QString::fromStdString(host_.Context().Workdir().string()));
    if (file.isEmpty()) return;
    auto report = pages_.ImportOld(file.toStdString());
    if (!report) {
        Inform(this, QString::fromStdString(report.error().message), QMessageBox::Warning);
        return;
    }
    ShowItems();
    host_.Refresh();
    if (!report->too_long.empty()) {
        QStringList numbers;
        for (int m : report->too_long) numbers << QString::number(m);
        Inform(this, tr("Not imported, the text is %1 bytes or longer: page %2").arg(pages::kTextLimit).arg(numbers.join(", ")),
               QMessageBox::Warning);
    }
}

void Tpjmform::SendFixed(const std::string& utf8) {
    host_.Link().SendFixed(Utf8ToGbk(utf8));
    ShowReceived();
}

void Tpjmform::SendEditArea() {
    host_.Link().SendEditArea(EditAreaText());
    ShowReceived();
}

void Tpjmform::ShowReceived() {
    const std::string& log = host_.Link().RxLog().Text();
    if (log == rx_shown_) return;
    rx_shown_ = log;
    rxmemo_->setPlainText(GbkToArea(log));
    rxmemo_->verticalScrollBar()->setValue(rxmemo_->verticalScrollBar()->maximum());
}

}  // namespace quelmo::ui
