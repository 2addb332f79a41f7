#include "shell/ui/start_form.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "shell/context.h"
#include "flash/trom.h"
#include "link/device_link.h"
#include "project/project.h"
#include "shell/server_info.h"
#include "shell/ui/flow_chart.h"
#include "shell/ui/messages.h"
#include "shell/ui/shell_host.h"

namespace quelmo::ui {
namespace {

constexpr int kLeftWidth = 290;
constexpr int kChartLeft = 300;

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    return b;
}

QLabel* Label(QWidget* parent, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    l->setAccessibleName(text);
    return l;
}

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

Tstartform::Tstartform(ShellHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName("Tstartform");
    setWindowTitle(tr("mode select"));
    panel1_ = BuildPanel1();
    panel2_ = BuildPanel2();
    panel3_ = new QWidget(this);
    panel3_->setObjectName("Panel3");
    chart_ = new FlowChart(panel3_);
    panel3_->resize(chart_->sizeHint());

    auto message = [this] { Inform(this, U(shell::start_text::kUseLeftButtons)); };
    for (QPushButton* b : {chart_->A1, chart_->B1, chart_->B2}) connect(b, &QPushButton::clicked, this, message);
    const char* setup[5] = {"prjini", "fontedit", "pic", "pjm", "editcmd"};
    for (int i = 0; i < 5; ++i)
        connect(chart_->C[i], &QPushButton::clicked, this, [this, w = setup[i]] { host_.Navigate(w); });
    connect(chart_->C[5], &QPushButton::clicked, this, [this] { host_.RunAction("C4"); });
    connect(chart_->D1, &QPushButton::clicked, this, [this] { host_.Navigate("sync"); });
}

QWidget* Tstartform::BuildPanel1() {
    auto* panel = new QWidget(this);
    panel->setObjectName("Panel1");
    auto* layout = new QVBoxLayout(panel);

    auto* online = new QGroupBox(tr("online mode"), panel);
    online->setAccessibleName(online->title());
    auto* ol = new QVBoxLayout(online);
    QPushButton* search = Button(online, "autosearch", tr("auto search"));
    QPushButton* manual = Button(online, "manualconnect", tr("manual connect"));
    ol->addWidget(search);
    ol->addWidget(manual);
    connect(search, &QPushButton::clicked, this, [this] {
        host_.Navigate("commcon");
        host_.RunAction("commcon.search");
    });
    connect(manual, &QPushButton::clicked, this, [this] { host_.Navigate("commcon"); });

    auto* offline = new QGroupBox(tr("offline mode"), panel);
    offline->setAccessibleName(offline->title());
    auto* form = new QFormLayout(offline);
    fbl_ = new QComboBox(offline);
    fbl_->setObjectName("fbl");
    fbl_->setAccessibleName(tr("resolution"));
    for (std::string_view r : shell::kResolutions) fbl_->addItem(QString::fromUtf8(r.data(), int(r.size())));
    fbl_->setCurrentText(QString::fromUtf8(shell::kDefaultResolution.data()));
    rsize_ = new QComboBox(offline);
    rsize_->setObjectName("rsize");
    rsize_->setAccessibleName(tr("memory size"));
    for (std::string_view m : shell::kMemorySizes) rsize_->addItem(QString::fromUtf8(m.data(), int(m.size())));
    rsize_->setCurrentText(QString::fromUtf8(shell::kDefaultMemorySize.data()));
    form->addRow(tr("resolution"), fbl_);
    form->addRow(tr("memory size"), rsize_);
    struct Target {
        const char* name;
        QString caption;
        const char* window;
    };
    for (const Target& t : {Target{"offpjm", tr("set batch interface"), "pjm"},
                            Target{"offfont", tr("setup font"), "fontedit"},
                            Target{"offpic", tr("setup image"), "pic"},
                            Target{"offprjini", tr("basic parameter"), "prjini"}}) {
        QPushButton* b = Button(offline, t.name, t.caption);
        form->addRow(b);
        connect(b, &QPushButton::clicked, this, [this, w = t.window] { Offline(w); });
    }
    layout->addWidget(online);
    layout->addWidget(offline);
    layout->addStretch();
    return panel;
}

QWidget* Tstartform::BuildPanel2() {
    auto* panel = new QWidget(this);
    panel->setObjectName("Panel2");
    panel->setAutoFillBackground(true);  // it lies over Panel1
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(Label(panel, tr("no file open, you can")));
    QPushButton* create = Button(panel, "createprj", tr("create a new project file"));
    QPushButton* open = Button(panel, "openprj", tr("open a exist project file"));
    layout->addWidget(create);
    layout->addWidget(open);
    layout->addWidget(Label(panel, tr("or download a project file")));
    layout->addWidget(Label(panel, tr("(double click file in the list below to auto download and open)")));
    lb1_ = new QListWidget(panel);
    lb1_->setObjectName("lb1");
    lb1_->setAccessibleName("lb1");
    memo1_ = new QPlainTextEdit(panel);
    memo1_->setObjectName("Memo1");
    memo1_->setAccessibleName("Memo1");
    memo1_->setReadOnly(true);
    memo1_->hide();
    layout->addWidget(lb1_, 1);
    layout->addWidget(memo1_, 1);
    connect(create, &QPushButton::clicked, this, [this] { host_.RunAction("newprj"); });
    connect(open, &QPushButton::clicked, this, [this] { host_.RunAction("loadprj"); });
    connect(lb1_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { OpenSample(lb1_->row(item)); });
    return panel;
}

void Tstartform::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ShowAfresh();
}

bool Tstartform::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && isVisible()) ShowAfresh();
    return QWidget::event(event);
}

void Tstartform::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Place();
}

// Panel1 and Panel2 share the left edge, Panel2 on top; the chart starts 300 pixels in.
void Tstartform::Place() {
    const int height = std::max(this->height(), 500);
    panel1_->setGeometry(0, 0, kLeftWidth, height);
    panel2_->setGeometry(0, 0, kLeftWidth, height);
    panel3_->move(kChartLeft, 0);
}

void Tstartform::ShowAfresh() {
    if (busy_) return;
    Place();

    const bool open = host_.Project().State().IsOpen();
    const int state = host_.Link().ConnectionState;
    const shell::StartPageView v = shell::StartPageRules(open, state);
    panel2_->setVisible(v.panel2);
    panel1_->setVisible(v.panel1);
    panel3_->setVisible(v.panel3);
    panel2_->raise();
    chart_->A1->setEnabled(v.a1);
    chart_->B1->setEnabled(v.b);
    chart_->B2->setEnabled(v.b);
    for (QPushButton* c : chart_->C) c->setEnabled(v.c);
    chart_->D1->setEnabled(v.d1);

    host_.Refresh();

    samples_ = shell::SampleList(host_.Context().Workdir() / shell::kServerInfoFile, shell::BundledSamplesFolder());
    lb1_->clear();
    for (const shell::SampleEntry& e : samples_) lb1_->addItem(QString::fromStdString(e.text));
    host_.ResetHistory();
}

void Tstartform::Offline(const std::string& window) {
    DeviceLink& link = host_.Link();
    shell::OfflineSetup(fbl_->currentText().toStdString(), rsize_->currentText().toStdString(), &link.ConnectionState,
                        &link.Device());
    host_.Refresh();
    host_.Navigate(window);
}

void Tstartform::Log(const QString& line) {
    memo1_->appendPlainText(line);
    QCoreApplication::processEvents();
}

void Tstartform::OpenSample(int row) {
    if (busy_ || row < 0 || row >= static_cast<int>(samples_.size())) return;
    const shell::SampleEntry entry = samples_[row];
    busy_ = true;
    lb1_->hide();
    memo1_->clear();
    memo1_->show();
    Log(U(shell::start_text::kChosen) + QString::fromStdString(entry.name));
    Log(U(shell::start_text::kPatience));
    Log(U(shell::start_text::kStarting));
    shell::DownloadOptions options;
    options.progress = [](uint64_t, uint64_t) {
        QCoreApplication::processEvents();
        return true;
    };
    auto local = shell::FetchSample(entry, host_.Context().Workdir(), shell::ServerAddress(), options);
    bool opened = false;
    if (local) {
        Log(U(shell::start_text::kUnpacking));
        if (auto s = host_.Project().Open(*local); !s) Inform(this, QString::fromStdString(s.error().message));
        else opened = true;
    }
    memo1_->hide();
    lb1_->show();
    busy_ = false;
    if (opened) {
        host_.ProjectOpened();
        ShowAfresh();
    }
}

}  // namespace quelmo::ui
