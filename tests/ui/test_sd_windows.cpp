// The SD card windows as a user meets them: the tool page's labels and upgrade copy, and the
// writer's four steps on card image files, with cards arriving and going through the same
// notification path the udev monitor feeds.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <fstream>

#include "core/dispatcher.h"
#include "flash/trom.h"
#include "sdcard/card.h"
#include "sdcard/drive_monitor.h"
#include "sdcard/ui/sdio_form.h"
#include "sdcard/ui/sdstart_form.h"
#include "shell/ui/messages.h"
#include "support/cli.h"
#include "fake_host.h"

using namespace quelmo;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

template <class T>
T* Find(QWidget* w, const char* name) {
    T* child = w->findChild<T*>(name);
    if (!child) qFatal("no control %s", name);
    return child;
}

QString Label(QWidget* w, const char* name) { return Find<QLabel>(w, name)->text(); }

void Click(QWidget* w, const char* name) {
    auto* b = Find<QAbstractButton>(w, name);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(std::min(8, b->width() / 2), b->height() / 2));
}

void WriteBytes(const fs::path& file, uint64_t offset, const Bytes& bytes) {
    fs::create_directories(file.parent_path());
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    if (!f) f.open(file, std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadBytes(const fs::path& file, uint64_t offset, size_t n) {
    std::ifstream f(file, std::ios::binary);
    f.seekg(static_cast<std::streamoff>(offset));
    Bytes out(n);
    f.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(n));
    out.resize(static_cast<size_t>(f.gcount()));
    return out;
}

Bytes Pattern(size_t n, uint8_t start) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(start + i);
    return b;
}

// Removable drives the test plugs and unplugs, each a card image.
class ImageAccess : public sd::CardAccess {
public:
    explicit ImageAccess(fs::path folder) : folder_(std::move(folder)) {}
    std::vector<sd::Drive> RemovableDrives() override { return drives; }
    Result<std::unique_ptr<sd::SectorDevice>> Open(const sd::Drive& drive, sd::Access access) override {
        return sd::OpenCard(drive.device, drive.kind, access);
    }
    sd::Drive Plug(const std::string& name, uint64_t size, uint8_t fill) {
        sd::Drive d;
        d.name = name;
        d.device = folder_ / (name + ".img");
        d.kind = sd::CardKind::kImage;
        d.size = size;
        WriteBytes(d.device, 0, Bytes(size, fill));
        drives.push_back(d);
        return d;
    }
    std::vector<sd::Drive> drives;

private:
    fs::path folder_;
};

// The first fixed block device of this machine, if one is visible.
std::string FixedDisk() {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/sys/block", ec)) {
        std::ifstream removable(e.path() / "removable");
        std::string flag;
        removable >> flag;
        const fs::path node = fs::path("/dev") / e.path().filename();
        struct stat st {};
        if (flag == "0" && stat(node.c_str(), &st) == 0 && S_ISBLK(st.st_mode)) return node.string();
    }
    return {};
}

}  // namespace

class TestSdWindows : public QObject {
    Q_OBJECT
private slots:
    void toolPageShowsTheCardDataAndMakesTheUpgradeCopy() {
        QTemporaryDir dir;
        test::FakeHost host(dir.path().toStdString());
        const fs::path sd = host.Context().Workdir() / "sd";
        ui::Tsdstartform w(host);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(Label(&w, "Label3"), QStringLiteral("未生成"));
        QCOMPARE(Label(&w, "Label4"), QStringLiteral("未生成"));
        WriteBytes(sd / "pic.sbin", 0, Bytes(1000, 1));
        w.hide();
        w.show();  // shown again: the labels are read afresh
        QCOMPARE(Label(&w, "Label3"), QStringLiteral("已生成,长度:1000字节"));

        Click(&w, "Button1");
        Click(&w, "Button2");
        QCOMPARE(host.pages, (QStringList{"sdpic", "sdio"}));

        // No module and no size chosen: refused, nothing written.
        ui::Responder r;
        Click(&w, "Button3");
        QCOMPARE(r.Texts(), QStringList{QStringLiteral("需要先连接串口屏,才能生成!")});
        QVERIFY(!fs::exists(sd / "rom.sbin"));
        QCOMPARE(host.refreshes, 0);

        // A size chosen offline: the copy is that many megabytes of the rebuilt image.
        Rom(host)[0x1FFFFF] = 0x5A;
        Find<QComboBox>(&w, "memsize")->setCurrentIndex(1);
        Click(&w, "Button3");
        QCOMPARE(r.Texts().last(), QStringLiteral("生成完成!"));
        QCOMPARE(host.refreshes, 1);
        QCOMPARE(fs::file_size(sd / "rom.sbin"), uintmax_t{2 * 1024 * 1024});
        QCOMPARE(ReadBytes(sd / "rom.sbin", 0x1FFFFF, 1), Bytes{0x5A});
        QCOMPARE(Label(&w, "Label4"), QStringLiteral("已生成,长度:2097152字节"));

        // A connected module's own size wins over the offline choice.
        host.Link().ConnectionState = 1;
        host.Context().Rom().SetMemorySize(4);
        Click(&w, "Button3");
        QCOMPARE(fs::file_size(sd / "rom.sbin"), uintmax_t{4 * 1024 * 1024});
        w.grab().save("/tmp/s10res_sdstart.png");
    }

    void writerWalksACardFromStartToWritten() {
        QTemporaryDir dir;
        test::FakeHost host(dir.path().toStdString());
        const fs::path sd = host.Context().Workdir() / "sd";
        WriteBytes(sd / "pic.idx", 0, Pattern(4096, 7));
        WriteBytes(sd / "pic.sbin", 0, Pattern(1000, 3));
        WriteBytes(sd / "rom.sbin", 0, Pattern(2048, 9));
        ImageAccess access(dir.path().toStdString());
        const sd::Drive stick = access.Plug("sdb", 1 << 20, 0x00);  // present before 'start'

        ui::Tsdioform w(host);
        w.UseCardAccess(access);
        sd::DriveMonitor monitor(MainDispatcher(), [&w](sd::DriveEvent e) {
            e == sd::DriveEvent::kArrival ? w.CardArrived() : w.CardRemoved();
        });
        w.resize(640, 760);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(Label(&w, "t1"), QStringLiteral("please remove all removable device, include Tarvo card, and start"));
        QVERIFY(!Find<QPushButton>(&w, "Button3")->isVisible());
        QVERIFY(!Find<QPushButton>(&w, "Button4")->isVisible());

        Click(&w, "Button1");
        QCOMPARE(Label(&w, "ok1"), QStringLiteral("OK"));
        QCOMPARE(Label(&w, "t2"), QStringLiteral("插入Veltra的TF卡,等待系统识别..."));
        QVERIFY(!Find<QPushButton>(&w, "Button1")->isEnabled());
        QVERIFY(Find<QPlainTextEdit>(&w, "Memo1")->toPlainText().contains(QString::fromStdString(stick.device.string())));

        // An arrival with only the drive that was there at 'start': nothing is taken.
        monitor.Deliver(sd::DriveEvent::kArrival);
        QCOMPARE(MainDispatcher().RunPending(), 1);
        QCOMPARE(Label(&w, "t2"), QStringLiteral("插入Veltra的TF卡,等待系统识别..."));
        QVERIFY(!Find<QPushButton>(&w, "Button3")->isVisible());

        // A raw card arrives: it needs formatting.
        const sd::Drive card = access.Plug("sdc", 1 << 20, 0x00);
        monitor.Deliver(sd::DriveEvent::kArrival);
        MainDispatcher().RunPending();
        QCOMPARE(Label(&w, "t2"), QStringLiteral("发现TF卡....."));
        QCOMPARE(Label(&w, "t3"), QStringLiteral("需要格式化,请点击按钮格式化!"));
        QVERIFY(Find<QPushButton>(&w, "Button3")->isVisible());
        QVERIFY(!Find<QPushButton>(&w, "Button4")->isVisible());
        QVERIFY(Find<QPlainTextEdit>(&w, "Memo1")->toPlainText().contains(QStringLiteral("发现TF卡:")));
        w.grab().save("/tmp/s10res_sdio.png");

        ui::Responder r;
        Click(&w, "Button3");
        QCOMPARE(r.Texts(), QStringList{QStringLiteral("格式化完成!")});
        QCOMPARE(Label(&w, "t3"), QStringLiteral("格式化GPU盘:0字节"));
        QVERIFY(Find<QPushButton>(&w, "Button4")->isVisible());
        QCOMPARE(ReadBytes(card.device, 0, 8), (Bytes{0x89, 0xA9, 0x8A, 0xD9, 0, 0, 0, 0}));

        Click(&w, "cb1");
        QVERIFY(w.Writer().WriteRom());
        Click(&w, "Button4");
        QCOMPARE(r.Texts().last(), QStringLiteral("写入完成,请拔下tf卡!"));
        // pic.sbin of 1000 bytes puts the upgrade copy at 8192 + 1024.
        QCOMPARE(ReadBytes(card.device, 16, 5), (Bytes{0x00, 0x24, 0x00, 0x00, 5}));
        QCOMPARE(ReadBytes(card.device, 8, 5), (Bytes{0x00, 0x10, 0x00, 0x00, 2}));
        QCOMPARE(ReadBytes(card.device, 4096, 4096), Pattern(4096, 7));
        QCOMPARE(ReadBytes(card.device, 8192, 1000), Pattern(1000, 3));
        QCOMPARE(ReadBytes(card.device, 9216, 2048), Pattern(2048, 9));
        QCOMPARE(ReadBytes(card.device, 2048, 4), (Bytes{0x89, 0xA9, 0x8A, 0xD9}));
        QCOMPARE(ReadBytes(stick.device, 0, 16), Bytes(16, 0x00));  // the other drive is untouched
        // The write ends with the reset.
        QVERIFY(Find<QPushButton>(&w, "Button1")->isEnabled());
        QCOMPARE(Label(&w, "ok1"), QString());
        QVERIFY(!Find<QPushButton>(&w, "Button4")->isVisible());

        // Prepared now: after 'start' and a fresh arrival it needs no format.
        access.drives = {stick};
        Click(&w, "Button1");
        access.drives.push_back(card);
        monitor.Deliver(sd::DriveEvent::kArrival);
        MainDispatcher().RunPending();
        QCOMPARE(Label(&w, "t3"), QStringLiteral("不需要格式化"));
        QVERIFY(!Find<QPushButton>(&w, "Button3")->isVisible());
        QVERIFY(Find<QPushButton>(&w, "Button4")->isVisible());

        // Any removal resets the writer.
        access.drives = {stick};
        monitor.Deliver(sd::DriveEvent::kRemoval);
        MainDispatcher().RunPending();
        QVERIFY(Find<QPushButton>(&w, "Button1")->isEnabled());
        QCOMPARE(Label(&w, "t2"), QString());
        QVERIFY(!Find<QPushButton>(&w, "Button4")->isVisible());
        QVERIFY(!w.Writer().Waiting());
    }

    void everyRefusalReachesTheUser() {
        QTemporaryDir dir;
        test::FakeHost host(dir.path().toStdString());
        const fs::path sd = host.Context().Workdir() / "sd";
        WriteBytes(sd / "pic.sbin", 0, Pattern(64 * 1024, 1));
        ImageAccess access(dir.path().toStdString());
        ui::Tsdioform w(host);
        w.UseCardAccess(access);
        w.show();
        ui::Responder r;

        // A card too small for the data: refused before anything is written, and the user may
        // try again.
        Click(&w, "Button1");
        const sd::Drive small = access.Plug("sdc", 32 * 1024, 0xFF);
        WriteBytes(small.device, 0, {0x89, 0xA9, 0x8A, 0xD9, 0x00, 0x80, 0x00, 0x00});
        w.CardArrived();
        Click(&w, "Button4");
        QCOMPARE(r.boxes.size(), size_t{1});
        QVERIFY(r.boxes[0].text.contains("the data needs"));
        QCOMPARE(r.boxes[0].icon, QMessageBox::Warning);
        QVERIFY(Find<QPushButton>(&w, "Button4")->isEnabled());
        QCOMPARE(ReadBytes(small.device, 8192, 4), Bytes(4, 0xFF));

        // The upgrade switch on without an upgrade copy: refused.
        Click(&w, "cb1");
        Click(&w, "Button4");
        QVERIFY(r.Texts().last().contains("rom.sbin"));

        // A fixed disk that would slip into the drive list is refused when it is opened.
        const std::string fixed = FixedDisk();
        if (fixed.empty()) QSKIP("no fixed block device visible");
        w.CardRemoved();
        access.drives.clear();
        Click(&w, "Button1");
        sd::Drive disk;
        disk.name = fs::path(fixed).filename().string();
        disk.device = fixed;
        disk.kind = sd::CardKind::kDevice;
        access.drives.push_back(disk);
        w.CardArrived();
        QVERIFY(r.Texts().last().contains("is not a removable drive"));
        QVERIFY(!Find<QPushButton>(&w, "Button3")->isVisible());
        QVERIFY(!Find<QPushButton>(&w, "Button4")->isVisible());

        // The system's own drive list never offers it.
        ui::Tsdioform system(host);
        Click(&system, "Button1");
        QVERIFY(!Find<QPlainTextEdit>(&system, "Memo1")->toPlainText().contains(QString::fromStdString(fixed)));
    }

private:
    static uint8_t* Rom(test::FakeHost& host) { return host.Context().Rom().Image(); }
};

QTEST_MAIN(TestSdWindows)
#include "test_sd_windows.moc"
