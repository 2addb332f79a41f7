// The start page as a user meets it: its panels for each project and connection state, the
// buttons of the design flow chart and of the offline setup, and the sample list with a
// download that arrives whole or is cut short.
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <cstdlib>

#include "shell/context.h"
#include "flash/trom.h"
#include "link/device_link.h"
#include "link/tcomm.h"
#include "project/project.h"
#include "shell/ui/messages.h"
#include "shell/ui/shell_host.h"
#include "shell/ui/start_form.h"
#include "support/http_server.h"
#include "support/scratch_dir.h"

using namespace quelmo;
namespace fs = std::filesystem;

namespace {

// The frame as the start page sees it: records every switch and action.
struct FakeHost : ui::ShellHost, ProjectHost {
    explicit FakeHost(const fs::path& workdir)
        : g(workdir), link(comm, g.Rom()), project(g.Workdir(), g.Settings(), *this) {
        (void)project.Startup();
    }
    Tglobal& Context() override { return g; }
    Tproject& Project() override { return project; }
    DeviceLink& Link() override { return link; }
    void Navigate(const std::string& name) override { calls.push_back("navigate " + name); }
    void Refresh() override { ++refreshes; }
    void RefreshMenus() override {}
    bool& StopFlag() override { return stop; }
    void ResetHistory() override { ++resets; }
    bool RunAction(const std::string& name) override {
        calls.push_back("action " + name);
        return true;
    }
    void ProjectOpened() override { calls.push_back("opened"); }
    bool Ask(std::string_view) override { return false; }
    void Show(std::string_view) override {}

    Tglobal g;
    TComm comm;
    DeviceLink link;
    Tproject project;
    std::vector<std::string> calls;
    int refreshes = 0, resets = 0;
    bool stop = false;
};

bool Shown(QWidget* form, const char* name) {
    auto* w = form->findChild<QWidget*>(name);
    return w && w->isVisibleTo(form);
}

bool Enabled(QWidget* form, const char* name) {
    auto* w = form->findChild<QWidget*>(name);
    return w && w->isEnabled();
}

void Click(QWidget* form, const char* name) {
    auto* b = form->findChild<QPushButton*>(name);
    QVERIFY2(b, name);
    QTest::mouseClick(b, Qt::LeftButton);
}

// A real project archive, made by the project store in a folder of its own.
std::string MakeArchive(const fs::path& folder) {
    ui::Responder quiet;
    FakeHost maker(folder);
    if (!maker.project.Create("demo", folder / "demo.gpu")) return {};
    if (!maker.project.Save()) return {};
    return test::ReadFile(folder / "demo.gpu");
}

}  // namespace

class TestStartForm : public QObject {
    Q_OBJECT
private slots:
    void init() { ::setenv("QUELMO_SAMPLES", (bundled.path() / "none").c_str(), 1); }

    void panelsFollowProjectAndConnection() {
        test::ScratchDir dir;
        FakeHost host(dir.path());
        ui::Tstartform form(host);
        form.resize(1280, 720);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // No project, not connected: Panel2 over Panel1, no chart, A1 on.
        QVERIFY(Shown(&form, "Panel2") && Shown(&form, "Panel1") && !Shown(&form, "Panel3"));
        QVERIFY(Enabled(&form, "A1"));
        QCOMPARE(form.findChild<QWidget*>("Panel2")->geometry(), form.findChild<QWidget*>("Panel1")->geometry());
        QVERIFY(host.resets >= 1 && host.refreshes >= 1);

        // Project open, not connected: only Panel1; B1, B2 on; C1..C6, D1 off.
        QVERIFY(host.project.Create("p", dir / "p.gpu"));
        form.ShowAfresh();
        QVERIFY(!Shown(&form, "Panel2") && Shown(&form, "Panel1") && !Shown(&form, "Panel3"));
        QVERIFY(Enabled(&form, "B1") && Enabled(&form, "B2"));
        for (const char* c : {"C1", "C2", "C3", "C4", "C5", "C6", "D1"}) QVERIFY2(!Enabled(&form, c), c);

        // Offline setup with "854X480" and "16M" (the last entries of both lists), then the batch
        // interface editor.
        for (const char* list : {"fbl", "rsize"}) {
            auto* combo = form.findChild<QComboBox*>(list);
            combo->setFocus();
            QTest::keyClick(combo, Qt::Key_End);
        }
        host.calls.clear();
        Click(&form, "offpjm");
        QCOMPARE(host.calls, std::vector<std::string>{"navigate pjm"});
        QCOMPARE(host.link.ConnectionState, 2);
        QCOMPARE(host.link.Device().ScreenWidth, 854);
        QCOMPARE(host.link.Device().ScreenHeight, 480);
        QCOMPARE(host.link.Device().MemorySize, 16);
        QCOMPARE(QString::fromStdString(host.link.RefreshStatus().Label1), QString::fromUtf8(link_text::kOffline));

        // Offline editing: only the chart; C1..C6 on, D1 off; the buttons lead to their windows.
        form.ShowAfresh();
        QVERIFY(!Shown(&form, "Panel2") && !Shown(&form, "Panel1") && Shown(&form, "Panel3"));
        QVERIFY(!Enabled(&form, "A1") && !Enabled(&form, "B1") && !Enabled(&form, "D1"));
        host.calls.clear();
        for (const char* c : {"C1", "C2", "C3", "C4", "C5", "C6"}) Click(&form, c);
        QCOMPARE(host.calls, (std::vector<std::string>{"navigate prjini", "navigate fontedit", "navigate pic",
                                                       "navigate pjm", "navigate editcmd", "action C4"}));
        host.link.ConnectionState = 1;
        form.ShowAfresh();
        QVERIFY(Enabled(&form, "D1"));
        host.calls.clear();
        Click(&form, "D1");
        QCOMPARE(host.calls, std::vector<std::string>{"navigate sync"});
    }

    void leftButtonsAndTheChartsFirstColumn() {
        test::ScratchDir dir;
        FakeHost host(dir.path());
        ui::Tstartform form(host);
        form.resize(1280, 720);
        form.show();
        ui::Responder r;
        Click(&form, "createprj");
        Click(&form, "openprj");
        Click(&form, "manualconnect");
        Click(&form, "autosearch");
        QCOMPARE(host.calls, (std::vector<std::string>{"action newprj", "action loadprj", "navigate commcon",
                                                       "navigate commcon", "action commcon.search"}));
        // Offline setup from each of the other buttons, with the lists as they start.
        const std::pair<const char*, const char*> targets[] = {
            {"offfont", "navigate fontedit"}, {"offpic", "navigate pic"}, {"offprjini", "navigate prjini"}};
        for (const auto& [button, call] : targets) {
            host.calls.clear();
            host.link.ConnectionState = 0;
            Click(&form, button);
            QCOMPARE(host.calls, std::vector<std::string>{call});
            QCOMPARE(host.link.ConnectionState, 2);
            QCOMPARE(host.link.Device().ScreenWidth, 320);
            QCOMPARE(host.link.Device().MemorySize, 8);
        }
        // A1, B1 and B2 are on only while the chart is hidden; pressed anyway, they point the
        // user to the left.
        host.link.ConnectionState = 0;
        form.ShowAfresh();
        for (const char* b : {"A1", "B1", "B2"}) form.findChild<QPushButton*>(b)->click();
        const QString left = QString::fromUtf8("请在本页左侧选择相对应的按钮.");
        QCOMPARE(r.Texts(), (QStringList{left, left, left}));
    }

    void sampleDownloadWholeOrCutShort() {
        test::ScratchDir dir;
        const std::string archive = MakeArchive(dir / "maker");
        QVERIFY(!archive.empty());
        test::ScriptedServer server({{"/wd/gpu/demo.gpu", {archive}}, {"/wd/gpu/cut.gpu", {archive, archive.size() / 2}}});
        ::setenv("QUELMO_SERVER", server.Address().c_str(), 1);
        const fs::path work = dir / "work";
        test::WriteFile(work / "ser.ini", "#F 1\r\n#D cut.gpu(cut short)\r\n#D demo.gpu(320x240 demo)\r\n");
        FakeHost host(work);
        ui::Tstartform form(host);
        form.resize(1280, 720);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* lb1 = form.findChild<QListWidget*>("lb1");
        auto* memo = form.findChild<QPlainTextEdit*>("Memo1");
        QCOMPARE(lb1->count(), 2);
        QCOMPARE(lb1->item(1)->text(), QString("demo.gpu(320x240 demo)"));

        auto doubleClick = [&](int row) {
            const QRect at = lb1->visualItemRect(lb1->item(row));
            QTest::mouseClick(lb1->viewport(), Qt::LeftButton, {}, at.center());
            QTest::mouseDClick(lb1->viewport(), Qt::LeftButton, {}, at.center());
        };
        ui::Responder r;
        doubleClick(0);
        QVERIFY(memo->toPlainText().startsWith(QString::fromUtf8("您选择了:cut.gpu\n")));
        QVERIFY(memo->toPlainText().endsWith(QString::fromUtf8("开始下载.........")));
        QVERIFY(lb1->isVisibleTo(&form) && !memo->isVisibleTo(&form));
        QVERIFY(!host.project.State().IsOpen());
        QVERIFY(!fs::exists(work / "cut.gpu"));
        QVERIFY(r.boxes.empty());
        QCOMPARE(lb1->count(), 2);

        doubleClick(1);
        QVERIFY(memo->toPlainText().endsWith(QString::fromUtf8("下载完成，开始解包")));
        QVERIFY(host.project.State().IsOpen());
        QCOMPARE(host.project.State().FileName, work / "demo.gpu");
        QCOMPARE(host.calls, std::vector<std::string>{"opened"});
        QVERIFY(!Shown(&form, "Panel2"));
        QVERIFY(r.boxes.empty());
        ::unsetenv("QUELMO_SERVER");
    }

    void wrongArchiveSaysSoAndOpensNothing() {
        test::ScratchDir dir;
        test::WriteFile(dir / "bundled" / "bad.gpu", "not a zip archive");
        ::setenv("QUELMO_SAMPLES", (dir / "bundled").c_str(), 1);
        FakeHost host(dir / "work");
        ui::Tstartform form(host);
        form.resize(1280, 720);
        form.show();
        auto* lb1 = form.findChild<QListWidget*>("lb1");
        QCOMPARE(lb1->count(), 1);
        QCOMPARE(lb1->item(0)->text(), QString("bad.gpu(bundled)"));
        ui::Responder r;
        const QPoint at = lb1->visualItemRect(lb1->item(0)).center();
        QTest::mouseClick(lb1->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(lb1->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(r.Texts(), QStringList{QString::fromUtf8("文件格式不对")});
        QVERIFY(!host.project.State().IsOpen());
        QVERIFY(lb1->isVisibleTo(&form));
    }

    void screenshot() {
        test::ScratchDir dir;
        FakeHost host(dir.path());
        QVERIFY(host.project.Create("p", dir / "p.gpu"));
        host.link.ConnectionState = 2;
        ui::Tstartform form(host);
        for (QSize size : {QSize(1280, 740), QSize(1920, 1020)}) {
            form.resize(size);
            form.show();
            form.ShowAfresh();
            QVERIFY(form.grab().save(QString("/tmp/start_form_%1.png").arg(size.width())));
        }
        host.link.ConnectionState = 0;
        QVERIFY(host.project.Close());
        form.ShowAfresh();
        QVERIFY(form.grab().save("/tmp/start_form_empty.png"));
    }

private:
    test::ScratchDir bundled;
};

QTEST_MAIN(TestStartForm)
#include "test_start_form.moc"
