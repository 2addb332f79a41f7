// The connection and upload windows as a user meets them, against the virtual module on a real
// pseudo-terminal through the real serial port: typing the port, connecting, searching,
// disconnecting, the module going away; uploading with the sector map filling in, stopping,
// a second press during a run, a module that falls silent, and the check after writing.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstring>
#include <fstream>
#include <memory>

#include "shell/context.h"
#include "flash/layout.h"
#include "flash/trom.h"
#include "link/device_link.h"
#include "link/tcomm.h"
#include "link/ui/commcon_form.h"
#include "link/ui/sync_form.h"
#include "link/upload.h"
#include "link/virtual_module.h"
#include "core/hashtable.h"
#include "project/project.h"
#include "shell/ui/messages.h"
#include "shell/ui/qt_dispatch.h"
#include "shell/ui/shell_host.h"

using namespace quelmo;
namespace fs = std::filesystem;

namespace {

constexpr size_t kSector = flash::kSectorSize;

struct QuietProjectHost : ProjectHost {
    bool Ask(std::string_view) override { return false; }
    void Show(std::string_view) override {}
};

// The frame as the link windows see it: the context, the shared port and its link, and a
// refresh that rebuilds the image from the workspace the way 'reflash display' does.
class FakeHost : public ui::ShellHost {
public:
    explicit FakeHost(const fs::path& workdir)
        : global(workdir), project(workdir, global.Settings(), project_host), link(comm, global.Rom()) {
        link.Timings = LinkTimings{150, 300, 50, 100};
        fs::create_directories(global.Workspace());
    }

    Tglobal& Context() override { return global; }
    Tproject& Project() override { return project; }
    DeviceLink& Link() override { return link; }
    void Navigate(const std::string& name) override { navigated.push_back(name); }
    void Refresh() override {
        ++refreshes;
        RefreshMenus();
        if (build) {
            BuildSources src;
            src.workspace = global.Workspace();
            src.settings = &global.Settings();
            src.draw_missing_base = false;
            src.now = std::time_t{1700000000};
            build_status = global.Rom().Build(src);
        }
        status = link.RefreshStatus();
    }
    void RefreshMenus() override {
        ++menu_refreshes;
        upload_menu = link.ConnectionState != 0;
    }
    bool& StopFlag() override { return stop; }
    bool ImageBuilt() override { return build_status.ok(); }

    Tglobal global;
    QuietProjectHost project_host;
    Tproject project;
    TComm comm;
    DeviceLink link;

    bool build = false;
    Status build_status;
    std::vector<std::string> navigated;
    int refreshes = 0;
    int menu_refreshes = 0;
    bool upload_menu = false;
    StatusPanel status;
    bool stop = false;
};

std::unique_ptr<VirtualModule> StartModule(VirtualModuleOptions o = {}) {
    auto created = VirtualModule::Create(o);
    if (!created.ok()) return nullptr;
    auto module = std::move(*created);
    module->Start();
    return module;
}

template <class T>
T* Child(QWidget& w, const char* name) {
    return w.findChild<T*>(name);
}

QString Memo(QWidget& w, const char* name) { return Child<QPlainTextEdit>(w, name)->toPlainText(); }

void TypePort(ui::Tcommconform& form, const std::string& path) {
    QLineEdit* edit = Child<QComboBox>(form, "cbcomm")->lineEdit();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, QString::fromStdString(path));
}

void Click(QWidget& form, const char* button) { QTest::mouseClick(Child<QPushButton>(form, button), Qt::LeftButton); }

int CountStarting(const std::vector<std::string>& lines, std::string_view prefix) {
    int n = 0;
    for (const auto& l : lines) n += l.rfind(prefix, 0) == 0;
    return n;
}

QColor CellColour(const QImage& map, int sector) {
    return map.pixelColor(8 * (sector % 64) + 1 + 3, 8 * (sector / 64) + 1 + 3);
}

const QColor kOutside(192, 192, 192), kSame(0, 128, 128), kDiffers(255, 255, 0), kDone(128, 255, 0);

void WriteFile(const fs::path& file, const std::vector<uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    uint32_t x = 2463534242u + seed;
    for (auto& b : v) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return v;
}

}  // namespace

class LinkWindowsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<FakeHost> host_;
    std::unique_ptr<VirtualModule> module_;
    fs::path empty_tty_;

    // A module at 115200 unless told otherwise, and the frame's side of the link.
    void Begin(VirtualModuleOptions o = {}) {
        module_ = StartModule(o);
        QVERIFY(module_);
    }

    std::unique_ptr<ui::Tcommconform> Commcon() {
        auto form = std::make_unique<ui::Tcommconform>(*host_);
        form->SetPortRoot(empty_tty_);
        form->RefreshPorts();
        form->resize(1000, 520);
        form->show();
        return form;
    }

    // The upload window's fixture: a 2 MB module holding nothing, connected; the workspace holds
    // a picture data file of three and a half sectors and its index.
    std::unique_ptr<ui::Tsyncform> Sync(VirtualModuleOptions o = {}) {
        o.memory = 2;
        module_ = StartModule(o);
        if (!module_) return nullptr;
        WriteFile(host_->global.Workspace() / "pic.sbin", Pattern(3 * kSector + 2048, 1));
        WriteFile(host_->global.Workspace() / "pic.idx", Pattern(64, 2));
        host_->build = true;
        auto r = host_->link.ManualConnect(module_->DevicePath(), 115200, "3");
        if (!r.ok() || !*r) return nullptr;
        auto form = std::make_unique<ui::Tsyncform>(*host_);
        form->Upload().Timings = UploadTimings{1000, 300, 300, 300, 50, 1000};
        form->resize(1300, 560);
        form->show();
        return form;
    }

    // The module's flash against the image over [from, to) bytes.
    bool ModuleHolds(size_t from, size_t to) {
        module_->Stop();
        const bool same = std::memcmp(module_->Flash().Image() + from, host_->global.Rom().Image() + from, to - from) == 0;
        module_->Start();
        return same;
    }
    bool ModuleBlank(size_t from, size_t to) {
        module_->Stop();
        bool blank = true;
        for (size_t a = from; a < to && blank; ++a) blank = module_->Flash().Image()[a] == 0xFF;
        module_->Start();
        return blank;
    }

private slots:
    void initTestCase() {
        ui::InstallQtDispatch();
        QApplication::setApplicationDisplayName("Quelmo");
    }
    void cleanupTestCase() { ui::RemoveQtDispatch(); }

    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        empty_tty_ = fs::path(dir_->path().toStdString()) / "tty";
        fs::create_directories(empty_tty_);
        host_ = std::make_unique<FakeHost>(fs::path(dir_->path().toStdString()));
    }
    void cleanup() {
        host_->comm.ClosePort();
        QCoreApplication::processEvents();
        host_.reset();
        module_.reset();
        dir_.reset();
    }

    void manualConnectOnATypedPortThenDisconnect() {
        Begin();
        ui::Responder responder;
        auto form = Commcon();
        QCOMPARE(Child<QComboBox>(*form, "cbcomm")->currentText(), QString("无串口"));
        QCOMPARE(Child<QComboBox>(*form, "btl")->currentText(), QString("115200"));
        TypePort(*form, module_->DevicePath());

        // "Connecting, wait..." shows while the module is asked who it is.
        bool label_seen = false;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] { label_seen |= Child<QLabel>(*form, "Label4")->isVisible(); });
        probe.start(20);
        Click(*form, "Button2");
        probe.stop();

        QCOMPARE(responder.boxes.size(), size_t{0});
        QCOMPARE(host_->link.ConnectionState, 1);
        QVERIFY(host_->comm.IsOpen());
        QVERIFY(label_seen);
        QVERIFY(!Child<QLabel>(*form, "Label4")->isVisible());
        QCOMPARE(host_->navigated, std::vector<std::string>{"pjm"});
        QCOMPARE(QString::fromStdString(host_->status.Label1), QString("连接: SN:QV000000000001"));
        QCOMPARE(QString::fromStdString(host_->status.Label2), QString("分辨率: 320X240   内存:16M"));
        QVERIFY(host_->upload_menu);
        QCOMPARE(Child<QPushButton>(*form, "Button2")->text(), QString("断开"));
        QVERIFY(!Child<QPushButton>(*form, "Button1")->isEnabled());
        const QString log = Memo(*form, "Memo1");
        QVERIFY(log.startsWith("连接日志:\n发送:;INF;\nSN"));
        // The typed path is in the port list from now on.
        form->RefreshPorts();
        QCOMPARE(Child<QComboBox>(*form, "cbcomm")->itemText(0), QString::fromStdString(module_->DevicePath()));

        Click(*form, "Button2");
        QCOMPARE(host_->link.ConnectionState, 0);
        QVERIFY(!host_->comm.IsOpen());
        QVERIFY(!host_->upload_menu);
        QCOMPARE(QString::fromStdString(host_->status.Label1), QString("串口屏未连接!"));
        QCOMPARE(Child<QPushButton>(*form, "Button2")->text(), QString("手动连接"));
        QVERIFY(Child<QPushButton>(*form, "Button1")->isEnabled());

        // The window as the user sees it, for looking at.
        form->grab().save("/tmp/quelmo_commcon.png");
    }

    void manualConnectRefusals_data() {
        QTest::addColumn<QString>("firmware");
        QTest::addColumn<int>("garbage");
        QTest::addColumn<QString>("port");  // empty: the module's
        QTest::addColumn<QString>("delay");
        QTest::addColumn<QStringList>("messages");
        const QString none = "未发现该串口连接有Veltra串口屏!";
        QTest::newRow("firmware 5.49")
            << "5.49" << 0 << "" << "3"
            << QStringList{"当前版本的Quelmo只支持V5.5+的串口屏,您当前连接的设备是5.49;请按照说明书进行升级后再使用新版Quelmo);",
                           none};
        QTest::newRow("no valid reply") << "5.56" << 1 << "" << "3" << QStringList{none};
        QTest::newRow("no such port") << "5.56" << 0 << "/dev/quelmo-no-such-port" << "3"
                                      << QStringList{"打开串口出错\n此串口不存在或被占用"};
        QTest::newRow("delay not a number") << "5.56" << 0 << "" << "3x"
                                            << QStringList{"'3x' is not a valid integer value"};
    }
    void manualConnectRefusals() {
        QFETCH(QString, firmware);
        QFETCH(int, garbage);
        QFETCH(QString, port);
        QFETCH(QString, delay);
        QFETCH(QStringList, messages);
        VirtualModuleOptions o;
        o.firmware = firmware.toStdString();
        o.faults.garbage_at = garbage;
        Begin(o);
        ui::Responder responder;
        auto form = Commcon();
        TypePort(*form, port.isEmpty() ? module_->DevicePath() : port.toStdString());
        QLineEdit* ysz = Child<QLineEdit>(*form, "ysz");
        ysz->selectAll();
        QTest::keyClicks(ysz, delay);
        Click(*form, "Button2");

        QCOMPARE(responder.Texts(), messages);
        QCOMPARE(host_->link.ConnectionState, 0);
        QVERIFY(!host_->comm.IsOpen());
        QVERIFY(host_->navigated.empty());
        QVERIFY(!Child<QLabel>(*form, "Label4")->isVisible());
        QCOMPARE(Child<QPushButton>(*form, "Button2")->text(), QString("手动连接"));
    }

    void autoSearchFindsTheModule_data() {
        QTest::addColumn<bool>("keep");
        QTest::newRow("switched to 115200") << false;
        QTest::newRow("qz115200 ticked") << true;
    }
    void autoSearchFindsTheModule() {
        QFETCH(bool, keep);
        VirtualModuleOptions o;
        o.baud = 2400;  // found at the first rate
        Begin(o);
        ui::Responder responder;
        auto form = Commcon();
        TypePort(*form, module_->DevicePath());
        if (keep) QTest::mouseClick(Child<QCheckBox>(*form, "qz115200"), Qt::LeftButton);
        Click(*form, "Button1");

        QCOMPARE(responder.Texts(), QStringList{"发现串口屏!"});
        QCOMPARE(host_->link.ConnectionState, 1);
        QCOMPARE(host_->navigated, std::vector<std::string>{"pjm"});
        QCOMPARE(Child<QComboBox>(*form, "cbcomm")->currentText(), QString::fromStdString(module_->DevicePath()));
        QCOMPARE(Child<QComboBox>(*form, "btl")->currentText(), QString("2400"));
        const QString log = Memo(*form, "Memo1");
        QVERIFY(log.contains(QString("测试%1 @ 2400\n发送:;INF;").arg(QString::fromStdString(module_->DevicePath()))));
        const uint32_t rate = keep ? 2400 : 115200;
        QCOMPARE(host_->comm.BaudRate(), rate);
        QTRY_COMPARE(module_->Baud(), rate);
        QCOMPARE(log.contains("发现串口屏!\n发送:;USET(6);\n强制串口到115200传输!"), !keep);
        // The module answers at the speed the port now runs.
        QVERIFY(host_->link.QueryDevice(false));

        // A second search while connected is refused (the button is disabled; the slot says so).
        form->AutoConnect();
        QCOMPARE(responder.Texts().last(), QString("请先关闭串口!"));
        QCOMPARE(host_->link.ConnectionState, 1);
    }

    void autoSearchWithoutAModule() {
        ui::Responder responder;
        auto form = Commcon();
        Click(*form, "Button1");
        QVERIFY(responder.boxes.empty());
        QCOMPARE(host_->link.ConnectionState, 0);
        QVERIFY(Memo(*form, "Memo1").endsWith("测试无串口 @ 2400\n无串口连接不上!\n没有发现串口屏!"));
        QVERIFY(host_->navigated.empty());
    }

    void errorDetectionShowsWhatCameBack() {
        Begin();
        ui::Responder responder;
        auto form = Commcon();
        TypePort(*form, module_->DevicePath());
        host_->link.Timings.detect_wait = 400;  // the module draws the test text before it answers
        Click(*form, "Button4");
        QCOMPARE(responder.boxes.size(), size_t{1});
        QVERIFY(responder.boxes[0].text.startsWith("错误检测是指无法正常连通的情况下"));
        QVERIFY2(Memo(*form, "Memo1").contains("如果您看到此信息表示TTL线的RX端与串口屏的TX端线路正常,串口屏连接正常!"),
                 qPrintable(Memo(*form, "Memo1")));
        QCOMPARE(host_->link.ConnectionState, 0);
        QVERIFY(!host_->comm.IsOpen());
    }

    void aModuleThatGoesAwayWhileConnected() {
        Begin();
        ui::Responder responder;
        auto form = Commcon();
        TypePort(*form, module_->DevicePath());
        Click(*form, "Button2");
        QCOMPARE(host_->link.ConnectionState, 1);
        const int refreshes = host_->refreshes;

        module_->Hangup();
        QTRY_VERIFY_WITH_TIMEOUT(!responder.boxes.empty(), 2000);
        QCOMPARE(responder.boxes.size(), size_t{1});
        QVERIFY(responder.boxes[0].text.contains(QString::fromStdString(module_->DevicePath())));
        QVERIFY(responder.boxes[0].text.contains("已断开"));
        QCOMPARE(host_->link.ConnectionState, 0);
        QVERIFY(!host_->comm.IsOpen());
        QVERIFY(host_->refreshes > refreshes);
        QVERIFY(!host_->upload_menu);
        QCOMPARE(QString::fromStdString(host_->status.Label1), QString("串口屏未连接!"));
        QCOMPARE(Child<QPushButton>(*form, "Button2")->text(), QString("手动连接"));
        QVERIFY(Memo(*form, "Memo1").contains("已断开"));
        // Connecting again to the vanished line fails with the port's own error, nothing hangs.
        Click(*form, "Button2");
        QCOMPARE(responder.Texts().last(), QString("打开串口出错\n此串口不存在或被占用"));
    }

    void uploadPicturesOnlyFillsTheirCells() {
        ui::Responder responder;
        auto form = Sync();
        QVERIFY(form);
        QCOMPARE(host_->link.ReceiveView, 2);
        const int refreshes = host_->refreshes;
        Click(*form, "up5");

        QVERIFY(host_->build_status.ok());
        QCOMPARE(host_->refreshes, refreshes + 1);
        QCOMPARE(responder.Texts(), (QStringList{"上传完成!", "上传完成!"}));
        // The picture index and data sectors are the module's now; config and pages are not.
        QVERIFY(ModuleHolds(4 * kSector, 5 * kSector));
        QVERIFY(ModuleHolds(flash::kPicData, flash::kPicData + 4 * kSector));
        QVERIFY(ModuleBlank(kSector, 2 * kSector));
        QVERIFY(ModuleBlank(flash::kPageTable, flash::kPageTable + kSector));

        const QImage map = form->Map()->Picture();
        QCOMPARE(map.size(), QSize(514, 514));
        // The map shows the last run, the picture data: sectors 256 to 259.
        for (int s : {256, 257, 258, 259}) QCOMPARE(CellColour(map, s), kDone);
        for (int s : {0, 1, 4, 5, 224, 255, 260, 511, 4095}) QCOMPARE(CellColour(map, s), kOutside);
        // Each cell is exactly 6 x 6 at (8 * column + 1, 8 * row + 1).
        const int x = 8 * (256 % 64), y = 8 * (256 / 64);
        QCOMPARE(map.pixelColor(x + 1, y + 1), kDone);
        QCOMPARE(map.pixelColor(x + 6, y + 6), kDone);
        QVERIFY(map.pixelColor(x, y + 3) != kDone);
        QVERIFY(map.pixelColor(x + 7, y + 3) != kDone);
        QVERIFY(map.pixelColor(x + 3, y + 7) != kDone);
        QVERIFY(Memo(*form, "rxmemo").startsWith("Send:;RCPG(4,1);\nmsec:"));
        QVERIFY(!Child<QPushButton>(*form, "Button1")->isEnabled());
        QVERIFY(Child<QLabel>(*form, "Label13")->text().isEmpty());
    }

    void fullSyncThenUnchangedThenAChangedPicture() {
        ui::Responder responder;
        auto form = Sync();
        QVERIFY(form);
        // The map fills in while the run goes on: some cells are done before the last one is.
        bool seen_partly_done = false;
        QString status;
        auto progress = form->Upload().OnProgress;
        form->Upload().OnProgress = [&](int done, int total) {
            progress(done, total);
            const QImage& map = form->Map()->Picture();
            if (done != 300) return;
            seen_partly_done = CellColour(map, 1) == kDone && CellColour(map, 400) != kDone;
            status = Child<QLabel>(*form, "Label13")->text();
        };
        Click(*form, "bsync");
        QVERIFY(seen_partly_done);
        QCOMPARE(status, QString("上传中......"));
        QCOMPARE(responder.Texts(),
                 QStringList{"上传完成! 您修改了串口屏的内存分区配置，需要重启(断电)配置才能生效！"});
        QVERIFY(ModuleHolds(kSector, 2 * 1024 * 1024));
        const QImage map = form->Map()->Picture();
        QCOMPARE(CellColour(map, 0), kOutside);
        for (int s : {1, 224, 256, 511}) QCOMPARE(CellColour(map, s), kDone);
        QCOMPARE(CellColour(map, 512), kOutside);
        QCOMPARE(form->Map()->grab().toImage().pixelColor(8 * 32 + 4, 8 * 3 + 4), kDone);  // sector 224

        // Nothing changed: one checksum query, nothing written.
        const size_t before = module_->Commands().size();
        Click(*form, "bsync");
        QCOMPARE(responder.Texts().last(), QString("上传完成!"));
        const auto commands = module_->Commands();
        QCOMPARE(commands.size(), before + 1);
        QCOMPARE(QString::fromStdString(commands.back()), QString(";RCPG(1,511);"));

        // A changed picture file: the refresh before the button rebuilds the image with it.
        WriteFile(host_->global.Workspace() / "pic.sbin", Pattern(3 * kSector + 2048, 9));
        Click(*form, "up5");
        QCOMPARE(responder.Texts().last(), QString("上传完成!"));
        QVERIFY(ModuleHolds(flash::kPicData, flash::kPicData + 4 * kSector));
        form->grab().save("/tmp/quelmo_sync.png");
    }

    void forceToSaveWritesEverySectorOfTheRange() {
        ui::Responder responder;
        auto form = Sync();
        QVERIFY(form);
        Click(*form, "up4");
        const size_t before = module_->Commands().size();
        Click(*form, "up4");
        QCOMPARE(module_->Commands().size(), before + 1);  // nothing differs any more

        QTest::mouseClick(Child<QCheckBox>(*form, "qzfg"), Qt::LeftButton);
        Click(*form, "up4");
        const auto commands = module_->Commands();
        const std::vector<std::string> after(commands.begin() + static_cast<long>(before) + 1, commands.end());
        // Sectors 224 to 256, every one holding data: four blocks each.
        QCOMPARE(CountStarting(after, ";BUP("), 33 * 4);
        QCOMPARE(QString::fromStdString(after.front()), QString(";RCPG(224,32);"));
        QCOMPARE(responder.Texts().last(), QString("上传完成!"));
    }

    void anImageThatDidNotBuildIsNotUploaded() {
        ui::Responder responder;
        auto form = Sync();
        QVERIFY(form);
        // Pictures up to the end of the 2 MB flash leave no room for the input method table.
        WriteFile(host_->global.Workspace() / "pic.sbin", Pattern(1024 * 1024, 3));
        WriteFile(host_->global.Workspace() / flash::kPymbFile, Pattern(8192, 4));
        const size_t before = module_->Commands().size();
        Click(*form, "bsync");
        QVERIFY(!host_->build_status.ok());
        QCOMPARE(module_->Commands().size(), before);
        QCOMPARE(responder.Texts(), QStringList{"The flash image could not be built whole, so nothing was uploaded."});
        QCOMPARE(host_->link.ConnectionState, 1);
    }

    void stopDuringARun_data() {
        QTest::addColumn<bool>("frame");
        QTest::newRow("stop transmission") << false;
        QTest::newRow("main window closed") << true;
    }
    void stopDuringARun() {
        QFETCH(bool, frame);
        ui::Responder responder;
        auto form = Sync();
        QVERIFY(form);
        auto progress = form->Upload().OnProgress;
        bool stop_enabled = false;
        form->Upload().OnProgress = [&](int done, int total) {
            progress(done, total);
            if (done != 2) return;
            // The stop reaches the run from the event loop, as a click does.
            QTimer::singleShot(0, form.get(), [&] {
                QPushButton* stop = Child<QPushButton>(*form, "Button1");
                stop_enabled = stop->isEnabled();
                if (frame)
                    host_->stop = true;
                else
                    QTest::mouseClick(stop, Qt::LeftButton);
            });
        };
        Click(*form, "bsync");
        QVERIFY(stop_enabled);
        QVERIFY(responder.boxes.empty());
        const auto commands = module_->Commands();
        QCOMPARE(CountStarting(commands, ";RCPG("), 1);
        QVERIFY(CountStarting(commands, ";BUP(") <= 8);
        QVERIFY(!ModuleHolds(flash::kPageTable, flash::kPageTable + kSector));
        const QImage map = form->Map()->Picture();
        QCOMPARE(CellColour(map, 1), kDone);
        QCOMPARE(CellColour(map, 224), kDiffers);
        QCOMPARE(CellColour(map, 300), kSame);
        QCOMPARE(host_->link.ConnectionState, 1);
        QVERIFY(Child<QPushButton>(*form, "bsync")->isEnabled());
        QVERIFY(!Child<QPushButton>(*form, "Button1")->isEnabled());
    }

    void aSecondPressDuringARunIsIgnored() {
        ui::Responder responder;
        auto form = Sync();
        QVERIFY(form);
        auto progress = form->Upload().OnProgress;
        bool up5_enabled = true;
        form->Upload().OnProgress = [&](int done, int total) {
            progress(done, total);
            if (done != 2) return;
            QTimer::singleShot(0, form.get(), [&] {
                up5_enabled = Child<QPushButton>(*form, "up5")->isEnabled();
                QTest::mouseClick(Child<QPushButton>(*form, "up5"), Qt::LeftButton);
                form->UploadPages();  // a press that was already on its way
            });
        };
        Click(*form, "bsync");
        QVERIFY(!up5_enabled);
        // One run: its checksum query and its check after writing, one final message.
        QCOMPARE(CountStarting(module_->Commands(), ";RCPG("), 2);
        QCOMPARE(responder.boxes.size(), size_t{1});
        QVERIFY(ModuleHolds(kSector, 2 * 1024 * 1024));
        QVERIFY(!form->Running());
    }

    void aModuleThatFallsSilentMidUpload() {
        VirtualModuleOptions o;
        o.faults.silent_after = 6;  // INF, RCPG, then four BUP of the first sector
        ui::Responder responder;
        auto form = Sync(o);
        QVERIFY(form);
        host_->upload_menu = true;
        Click(*form, "up4");
        QCOMPARE(responder.Texts(), QStringList{"您的串口无法收到回复数据,请检查连接或者在连接界面增大延时值，然后重新连接串口再次上传!"});
        QCOMPARE(host_->link.ConnectionState, 0);
        QVERIFY(!host_->comm.IsOpen());
        QVERIFY(!host_->upload_menu);
        QCOMPARE(QString::fromStdString(host_->status.Label1), QString("串口屏未连接!"));
        QVERIFY(Child<QPushButton>(*form, "up4")->isEnabled());

        // Pressed again while disconnected: refused.
        Click(*form, "up4");
        QCOMPARE(responder.Texts().last(), QString("串口没有连接!"));
    }

    void sectorsThatStillDifferAfterWritingAreReported() {
        VirtualModuleOptions o;
        o.faults.lose_writes = true;
        ui::Responder responder;
        auto form = Sync(o);
        QVERIFY(form);
        Click(*form, "up5");
        QCOMPARE(responder.boxes.size(), size_t{1});
        const QString text = responder.boxes[0].text;
        QVERIFY(text.startsWith("verify failed: the module's sectors 4"));
        QVERIFY(Memo(*form, "rxmemo").endsWith(text));
    }

    void aHangupDuringAnUploadEndsIt() {
        ui::Responder responder;
        auto form = Sync();
        QVERIFY(form);
        ui::Tcommconform commcon(*host_);  // answers for the port's hang-ups
        auto progress = form->Upload().OnProgress;
        form->Upload().OnProgress = [&](int done, int total) {
            progress(done, total);
            if (done == 2) module_->Hangup();
        };
        QElapsedTimer t;
        t.start();
        Click(*form, "bsync");
        QVERIFY(t.elapsed() < 2000);
        QVERIFY2(responder.boxes.size() == 1, qPrintable(responder.Texts().join("|")));
        QVERIFY(responder.boxes[0].text.contains("已断开"));
        QCOMPARE(host_->link.ConnectionState, 0);
        QVERIFY(!form->Running());
    }
};

QTEST_MAIN(LinkWindowsTest)
#include "test_link_windows.moc"
