// The splash window at start-up: the caption and version, the update check run once while
// start-up pumps messages, the program question, the failed base image download, and a missing
// or dead server that lets start-up go on at once.
#include <QLabel>
#include <QMainWindow>
#include <QtTest>

#include <chrono>

#include "shell/ui/messages.h"
#include "shell/ui/splash_form.h"
#include "support/http_server.h"
#include "support/scratch_dir.h"

using namespace quelmo;
namespace fs = std::filesystem;

namespace {

std::string BaseImage(int32_t version, size_t size, char fill) {
    std::string bytes(size, fill);
    for (int i = 0; i < 4; ++i) bytes[256 + i] = static_cast<char>(static_cast<uint32_t>(version) >> (8 * i));
    return bytes;
}

shell::UpdateOptions Options(const fs::path& work, std::optional<std::string> server) {
    shell::UpdateOptions o;
    o.workdir = work;
    o.server = std::move(server);
    o.current = shell::ParseVersion("5.0.25");
    return o;
}

}  // namespace

class TestSplash : public QObject {
    Q_OBJECT
private slots:
    void splashLooksAndRunsOnce() {
        test::ScratchDir dir;
        QMainWindow main;
        ui::TForm2 splash(Options(dir.path(), std::nullopt), &main);
        QCOMPARE(main.windowTitle(), QString("Quelmo V5.0.25"));
        QCOMPARE(splash.findChild<QLabel*>("Label2")->text(), QString("Ver:5.0.25"));
        QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!splash.Finished());
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QTRY_VERIFY_WITH_TIMEOUT(splash.Finished(), 3000);
        QCOMPARE(splash.findChild<QLabel*>("Label1")->text(), QString::fromUtf8("检测是否有版本升级..."));
        QVERIFY(splash.grab().save("/tmp/splash.png"));
    }

    void noServerOrADeadOneLetsStartUpGoOn() {
        test::ScratchDir dir;
        test::ScriptedServer silent({}, /*silent=*/true);
        for (std::optional<std::string> server : {std::optional<std::string>{}, std::optional(silent.Address())}) {
            ui::Responder r;
            bool created = false;
            const auto start = std::chrono::steady_clock::now();
            QVERIFY(ui::RunSplash(Options(dir.path(), server), nullptr, [&] { created = true; }));
            QVERIFY(std::chrono::steady_clock::now() - start < std::chrono::seconds(3));
            QVERIFY(created);
            QVERIFY(r.boxes.empty());
        }
    }

    void programQuestionAndFailedBaseImage() {
        test::ScratchDir dir;
        const std::string served = BaseImage(8, 300000, 'n');
        test::ScriptedServer newer({{"/wd/getinfo.php", test::ScriptedServer::Reply{"#V 5.1.3\r\n#F 7\r\n"}}});
        test::ScriptedServer cut({{"/wd/getinfo.php", {"#F 8\r\n"}}, {"/wd/default.bin", {served, served.size() / 2}}});
        const std::string old = BaseImage(7, 4096, 'o');
        test::WriteFile(dir / "default.bin", old);
        {
            ui::Responder r;  // answers No
            QVERIFY(ui::RunSplash(Options(dir.path(), newer.Address()), nullptr));
            QCOMPARE(r.Texts(), QStringList{QString::fromUtf8("发现新版本:5.1.3  当前版本:5.0.25   是否升级?")});
            QCOMPARE(r.boxes[0].kind, ui::Box::Question);
        }
        {
            ui::Responder r;
            QVERIFY(!ui::RunSplash(Options(dir.path(), cut.Address()), nullptr));
            QCOMPARE(r.Texts(), QStringList{QString::fromUtf8("default.bin 文件没有下载成功,请重新启动下载.")});
            QCOMPARE(test::ReadFile(dir / "default.bin"), old);
        }
    }
};

QTEST_MAIN(TestSplash)
#include "test_splash.moc"
