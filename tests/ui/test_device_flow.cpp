// The device windows inside the whole program: connecting from the menu to a virtual module on a
// real pseudo-terminal, sending from the batch interface editor, a full sync of a changed page,
// the main window closed during an upload, the module going away under an open port, and the
// input method resources fetched from a loopback server.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cstring>
#include <fstream>

#include "flash/layout.h"
#include "flash/trom.h"
#include "frame_fixture.h"
#include "ime/resources.h"
#include "ime/ui/pymb_form.h"
#include "link/ui/commcon_form.h"
#include "link/ui/sync_form.h"
#include "link/upload.h"
#include "link/virtual_module.h"
#include "core/workdir.h"
#include "project/project.h"
#include "shell/ui/messages.h"
#include "support/cli.h"
#include "support/http_server.h"

using namespace quelmo;
namespace fs = std::filesystem;

namespace {

constexpr size_t kSector = flash::kSectorSize;
constexpr int kFirstPageSector = static_cast<int>(flash::kPageTable / kSector);
const QColor kDone(128, 255, 0);
const QString kHangupNote = "已断开";

template <class T>
T* Child(QWidget* w, const char* name) {
    T* child = w ? w->findChild<T*>(name) : nullptr;
    if (!child) qFatal("no control %s", name);
    return child;
}

void Click(QWidget* w, const char* button) { QTest::mouseClick(Child<QPushButton>(w, button), Qt::LeftButton); }

// The status panel's lines (working windows reuse the label names).
QString PanelLine(test::Frame& f, const char* label) {
    return Child<QLabel>(f.main->findChild<QWidget*>("StatusPanel"), label)->text();
}

bool Enabled(test::Frame& f, const char* entry) { return f.Action(entry)->isEnabled(); }

QColor CellColour(const QImage& map, int sector) {
    return map.pixelColor(8 * (sector % 64) + 1 + 3, 8 * (sector / 64) + 1 + 3);
}

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> FolderNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// `quelmo emulate` in a process of its own, so it can be killed under an open port.
class EmulatorProcess {
public:
    explicit EmulatorProcess(const QStringList& args) {
        process_.start(QStringLiteral(QUELMO_CLI_PATH), QStringList{"emulate"} + args);
        if (!process_.waitForStarted(5000)) return;
        while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
        }
        path_ = process_.readLine().trimmed().toStdString();
    }
    ~EmulatorProcess() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    const std::string& DevicePath() const { return path_; }
    void Kill() {
        process_.kill();
        process_.waitForFinished(5000);
    }

private:
    QProcess process_;
    std::string path_;
};

}  // namespace

class DeviceFlowTest : public QObject {
    Q_OBJECT

private:
    // A project open and not connected: 'serial port connect' is the way on.
    static void OpenProject(test::Frame& f) {
        QVERIFY(f.main->Project().Create("demo", f.root / "demo.gpu"));
        f.main->RefreshStatus();
        // Short answers from the virtual module need no long waits.
        f.main->Link().Timings = LinkTimings{150, 300, 50, 100};
        QVERIFY(Enabled(f, "c1"));
        QVERIFY(!Enabled(f, "c3"));
    }

    // 'serial port connect', the port typed into the port box, 'manual connect'.
    static void Connect(test::Frame& f, const std::string& port) {
        QVERIFY(f.Choose("c1"));
        QCOMPARE(f.main->CurrentWindow(), std::string("commcon"));
        QWidget* commcon = f.main->Window("commcon");
        QLineEdit* edit = Child<QComboBox>(commcon, "cbcomm")->lineEdit();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, QString::fromStdString(port));
        Click(commcon, "Button2");
    }

    static void Connected(test::Frame& f, const QString& memory) {
        QCOMPARE(f.main->Link().ConnectionState, 1);
        QCOMPARE(f.main->CurrentWindow(), std::string("pjm"));
        QCOMPARE(PanelLine(f, "Label1"), QString("连接: SN:QV000000000001"));
        QCOMPARE(PanelLine(f, "Label2"), QString("分辨率: 320X240   内存:%1M").arg(memory));
        QVERIFY(Enabled(f, "c2"));
        QVERIFY(Enabled(f, "c3"));
    }

    static ui::Tsyncform* SyncWindow(test::Frame& f) {
        if (!f.Choose("c3")) return nullptr;
        auto* sync = qobject_cast<ui::Tsyncform*>(f.main->Window("sync"));
        if (sync) sync->Upload().Timings = UploadTimings{1000, 300, 300, 300, 50, 1000};
        return f.main->CurrentWindow() == "sync" ? sync : nullptr;
    }

    static std::unique_ptr<VirtualModule> StartModule(int memory) {
        VirtualModuleOptions o;
        o.memory = memory;
        auto created = VirtualModule::Create(o);
        if (!created.ok()) return nullptr;
        auto module = std::move(*created);
        module->Start();
        return module;
    }

private slots:
    void connectThenSendFromTheBatchEditor() {
        auto module = StartModule(16);
        QVERIFY(module);
        test::Frame f;
        OpenProject(f);
        ui::Responder responder;
        Connect(f, module->DevicePath());
        QVERIFY2(responder.boxes.empty(), qPrintable(responder.Texts().join("|")));
        Connected(f, "16");

        // The edit area goes out as one line; the module's identification comes back below it.
        QWidget* pjm = f.main->Window("pjm");
        Child<QPlainTextEdit>(pjm, "txmemo")->setPlainText("CLS(0);\nINF;");
        Click(pjm, "Button1");
        auto* rx = Child<QPlainTextEdit>(pjm, "rxmemo");
        QVERIFY2(rx->toPlainText().contains("send:CLS(0);INF;"), qPrintable(rx->toPlainText()));
        QTRY_VERIFY2_WITH_TIMEOUT(rx->toPlainText().contains("SN:QV000000000001 MD:QV35 RS:320X240"),
                                  qPrintable(rx->toPlainText()), 2000);
        QVERIFY(responder.boxes.empty());
        f.main->grab().save("/tmp/quelmo_device_flow_pjm.png");
    }

    // The module holds the project as it was; one page changes in the batch editor and a full
    // sync writes just that page's sector.
    void fullSyncOfAChangedPage() {
        auto module = StartModule(2);
        QVERIFY(module);
        test::Frame f;
        OpenProject(f);
        ui::Responder responder;
        Connect(f, module->DevicePath());
        Connected(f, "2");
        const Trom& rom = f.main->Context().Rom();
        const size_t size = 2u << 20;
        module->Stop();
        std::memcpy(module->Flash().Image(), rom.Image(), size);
        module->Start();

        QWidget* pjm = f.main->Window("pjm");
        auto* list = Child<QListWidget>(pjm, "plist");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        auto* area = Child<QPlainTextEdit>(pjm, "txmemo");
        area->clear();
        QTest::keyClicks(area, "CLS(4);BOX(10,10,90,90,1);");
        Click(pjm, "Button2");
        // The page is kept and built into the image at once.
        QCOMPARE(f.main->Context().Settings().GetValue(flash::PageTextKey(0)), std::string("CLS(4);BOX(10,10,90,90,1);"));
        QVERIFY(std::memcmp(module->Flash().Image() + flash::kPageTable, rom.Image() + flash::kPageTable, kSector) != 0);

        ui::Tsyncform* sync = SyncWindow(f);
        QVERIFY(sync);
        const size_t before = module->Commands().size();
        Click(sync, "bsync");
        QCOMPARE(responder.Texts(), QStringList{"上传完成!"});
        module->Stop();
        QVERIFY(std::memcmp(module->Flash().Image() + kSector, rom.Image() + kSector, size - kSector) == 0);
        module->Start();
        // The page's sector and, when the build fell in another second than the last one, the
        // config block with its build time: at most two sectors' blocks.
        const auto commands = module->Commands();
        int blocks = 0;
        for (size_t i = before; i < commands.size(); ++i) blocks += commands[i].rfind(";BUP(", 0) == 0;
        QVERIFY2(blocks >= 1 && blocks <= 8, qPrintable(QString::number(blocks)));
        const QImage map = sync->Map()->Picture();
        QCOMPARE(CellColour(map, kFirstPageSector), kDone);
        QCOMPARE(CellColour(map, 512), QColor(192, 192, 192));  // beyond the module's 2 MB
        QCOMPARE(f.main->Link().ConnectionState, 1);
        f.main->grab().save("/tmp/quelmo_device_flow_sync.png");
    }

    // Closing the program's window, or 'exit', stops the run at its next step; the frame then
    // goes away with the port still open.
    void closingTheMainWindowStopsAnUpload_data() {
        QTest::addColumn<bool>("exit");
        QTest::newRow("window closed") << false;
        QTest::newRow("exit") << true;
    }
    void closingTheMainWindowStopsAnUpload() {
        QFETCH(bool, exit);
        auto module = StartModule(2);
        QVERIFY(module);
        auto f = std::make_unique<test::Frame>();
        OpenProject(*f);
        ui::Responder responder;
        Connect(*f, module->DevicePath());
        Connected(*f, "2");
        ui::Tsyncform* sync = SyncWindow(*f);
        QVERIFY(sync);

        QElapsedTimer since_close;
        auto progress = sync->Upload().OnProgress;
        sync->Upload().OnProgress = [&](int done, int total) {
            progress(done, total);
            if (done != 2) return;
            QTimer::singleShot(0, f->main.get(), [&] {
                since_close.start();
                exit ? f->main->Exit() : static_cast<void>(f->main->close());
            });
        };
        Click(sync, "bsync");
        QVERIFY(since_close.isValid());
        QVERIFY2(since_close.elapsed() < 1000, qPrintable(QString::number(since_close.elapsed())));
        QVERIFY(!sync->Running());
        QVERIFY2(responder.boxes.empty(), qPrintable(responder.Texts().join("|")));
        const auto commands = module->Commands();
        int blocks = 0, checksums = 0;
        for (const auto& c : commands) {
            blocks += c.rfind(";BUP(", 0) == 0;
            checksums += c.rfind(";RCPG(", 0) == 0;
        }
        QVERIFY2(blocks <= 8, qPrintable(QString::number(blocks)));
        QCOMPARE(checksums, 1);  // no check after writing either
        QVERIFY(f->main->Link().Comm().IsOpen());
        f.reset();
        QCoreApplication::processEvents();
        QVERIFY(responder.boxes.empty());
    }

    // The module stops answering after the checksums and the first block: the run ends with
    // its message, nothing stays connected and the menus and status panel say so.
    void aModuleFallingSilentMidUpload() {
        VirtualModuleOptions o;
        o.memory = 2;
        o.faults.silent_after = 3;  // INF, RCPG, one BUP
        auto created = VirtualModule::Create(o);
        QVERIFY(created.ok());
        auto module = std::move(*created);
        module->Start();
        test::Frame f;
        OpenProject(f);
        ui::Responder responder;
        Connect(f, module->DevicePath());
        Connected(f, "2");
        ui::Tsyncform* sync = SyncWindow(f);
        QVERIFY(sync);
        Click(sync, "bsync");
        QCOMPARE(responder.Texts(),
                 QStringList{"您的串口无法收到回复数据,请检查连接或者在连接界面增大延时值，然后重新连接串口再次上传!"});
        QCOMPARE(f.main->Link().ConnectionState, 0);
        QVERIFY(!f.main->Link().Comm().IsOpen());
        QVERIFY(Enabled(f, "c1"));
        QVERIFY(!Enabled(f, "c2"));
        QVERIFY(!Enabled(f, "c3"));
        QCOMPARE(PanelLine(f, "Label1"), QString("串口屏未连接!"));
        QVERIFY(Child<QPushButton>(sync, "bsync")->isEnabled());
        QVERIFY(f.Choose("c1"));
        QCOMPARE(Child<QPushButton>(f.main->Window("commcon"), "Button2")->text(), QString("手动连接"));
    }

    // The module listens at the last rate the search tries; the window closes at the first.
    void closingTheMainWindowEndsASearch() {
        VirtualModuleOptions o;
        o.baud = 256000;
        auto created = VirtualModule::Create(o);
        QVERIFY(created.ok());
        auto module = std::move(*created);
        module->Start();
        test::Frame f;
        OpenProject(f);
        QTemporaryDir no_devices;
        auto* commcon = qobject_cast<ui::Tcommconform*>(f.main->Window("commcon"));
        QVERIFY(commcon);
        commcon->SetPortRoot(no_devices.path().toStdString());
        QVERIFY(f.Choose("c1"));
        QLineEdit* edit = Child<QComboBox>(commcon, "cbcomm")->lineEdit();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, QString::fromStdString(module->DevicePath()));

        ui::Responder responder;
        QElapsedTimer since_close;
        QTimer::singleShot(50, f.main.get(), [&] {
            since_close.start();
            f.main->close();
        });
        Click(commcon, "Button1");
        QVERIFY(since_close.isValid());
        QVERIFY2(since_close.elapsed() < 1000, qPrintable(QString::number(since_close.elapsed())));
        QCOMPARE(f.main->Link().ConnectionState, 0);
        QVERIFY(!f.main->Link().Comm().IsOpen());
        QVERIFY(responder.boxes.empty());
        QVERIFY(!commcon->Busy());
    }

    // The far end of the line goes away: the virtual module closes it, or its process is killed.
    void aModuleGoneUnderAnOpenPort_data() {
        QTest::addColumn<bool>("killed");
        QTest::newRow("line closed") << false;
        QTest::newRow("emulator killed") << true;
    }
    void aModuleGoneUnderAnOpenPort() {
        QFETCH(bool, killed);
        std::unique_ptr<VirtualModule> module;
        std::unique_ptr<EmulatorProcess> process;
        std::string port;
        if (killed) {
            process = std::make_unique<EmulatorProcess>(QStringList{"--memory", "4"});
            port = process->DevicePath();
        } else {
            module = StartModule(4);
            QVERIFY(module);
            port = module->DevicePath();
        }
        QVERIFY(!port.empty());
        test::Frame f;
        OpenProject(f);
        ui::Responder responder;
        Connect(f, port);
        Connected(f, "4");

        QElapsedTimer t;
        t.start();
        killed ? process->Kill() : module->Hangup();
        QTRY_VERIFY_WITH_TIMEOUT(!responder.boxes.empty(), 2000);
        QVERIFY(t.elapsed() < 2000);
        QCOMPARE(responder.boxes.size(), size_t{1});
        QVERIFY(responder.boxes[0].text.contains(QString::fromStdString(port)));
        QVERIFY(responder.boxes[0].text.contains(kHangupNote));
        QCOMPARE(f.main->Link().ConnectionState, 0);
        QVERIFY(!f.main->Link().Comm().IsOpen());
        QVERIFY(Enabled(f, "c1"));
        QVERIFY(!Enabled(f, "c2"));
        QVERIFY(!Enabled(f, "c3"));
        QCOMPARE(PanelLine(f, "Label1"), QString("串口屏未连接!"));
        QCOMPARE(PanelLine(f, "Label2"), QString());
        // The connection window offers to connect again.
        QCOMPARE(Child<QPushButton>(f.main->Window("commcon"), "Button2")->text(), QString("手动连接"));
        QTest::qWait(200);
        QCOMPARE(responder.boxes.size(), size_t{1});
    }

    // The input method window's download through the program's own downloader, from a loopback
    // server that breaks off one of the three files.
    void inputMethodResourcesFromTheServer_data() {
        QTest::addColumn<int>("cut");  // which file breaks off; -1: none
        QTest::newRow("key configuration cut") << 0;
        QTest::newRow("second picture cut") << 2;
        QTest::newRow("whole") << -1;
    }
    void inputMethodResourcesFromTheServer() {
        QFETCH(int, cut);
        const std::vector<std::string> names = {ime::kReadyKeyConfigFile, ime::kKeyboardPictures[0],
                                                ime::kKeyboardPictures[1]};
        const std::vector<std::string> served = {"#S00#zyxwvutsrqponmlkjihgfedcba 00000\r\n",
                                                 std::string(3000, 'A'), std::string(5000, 'B')};
        std::map<std::string, test::ScriptedServer::Reply> replies;
        for (size_t i = 0; i < names.size(); ++i)
            replies[std::string(ime::kServerFolder) + names[i]] = {served[i], static_cast<int>(i) == cut ? served[i].size() / 2 : std::string::npos};
        test::ScriptedServer server(replies);
        QVERIFY(!server.Address().empty());

        QTemporaryDir dir;
        const fs::path root = dir.path().toStdString();
        const fs::path pic = WorkspaceOf(root) / project::kPictureFolder;
        const std::vector<fs::path> targets = {root / names[0], pic / names[1], pic / names[2]};
        const std::vector<std::string> earlier = {"earlier configuration", "earlier A", "earlier B"};
        for (size_t i = 0; i < targets.size(); ++i) WriteBytes(targets[i], earlier[i]);

        qputenv("QUELMO_SERVER", QByteArray::fromStdString(server.Address()));
        test::Frame f(root);
        qunsetenv("QUELMO_SERVER");
        QVERIFY(f.Choose("N3"));
        QWidget* pymb = f.main->Window("pymb");
        QCOMPARE(f.main->CurrentWindow(), std::string("pymb"));
        const QString keys = Child<QPlainTextEdit>(pymb, "srfini")->toPlainText();

        ui::Responder responder;
        Click(pymb, "Button2");
        const int got = cut < 0 ? 3 : cut;  // the files that arrived whole
        if (cut < 0)
            QCOMPARE(responder.Texts(), QStringList{"下载完成"});
        else
            QCOMPARE(responder.Texts(), QStringList{QString::fromStdString(names[static_cast<size_t>(cut)]) +
                                                    " 文件没有下载成功,请重新启动下载."});
        for (int i = 0; i < 3; ++i)
            QCOMPARE(ReadBytes(targets[static_cast<size_t>(i)]), i < got ? served[static_cast<size_t>(i)] : earlier[static_cast<size_t>(i)]);
        // No partial file is left where the picture list would show it.
        QCOMPARE(FolderNames(pic), (std::vector<std::string>{names[1], names[2]}));
        const QString shown = Child<QPlainTextEdit>(pymb, "srfini")->toPlainText();
        QCOMPARE(shown, got > 0 ? QString("#S00#zyxwvutsrqponmlkjihgfedcba 00000\n") : keys);
        QVERIFY(Child<QPushButton>(pymb, "Button2")->isEnabled());
    }
};

QTEST_MAIN(DeviceFlowTest)
#include "test_device_flow.moc"
