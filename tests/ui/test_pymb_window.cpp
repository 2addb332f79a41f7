// The input method table window as a user meets it: the texts from the workspace (or the
// built-in ones), compiling with the error output, saving at exit, and the ready-made resources
// from a server or from the program itself.
#include <QApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

#include "core/gbk.h"
#include "ime/pymb.h"
#include "ime/resources.h"
#include "ime/ui/pymb_form.h"
#include "shell/ui/messages.h"
#include "support/cli.h"
#include "fake_host.h"

using namespace quelmo;
namespace fs = std::filesystem;

namespace {

template <class T>
T* Find(QWidget* w, const char* name) {
    T* child = w->findChild<T*>(name);
    if (!child) qFatal("no control %s", name);
    return child;
}

void WriteText(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

QStringList Items(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

// The table `quelmo pymb` builds from the two texts (GBK) in a folder of its own.
std::string CliTable(const std::string& ini, const std::string& mb) {
    test::TempDir dir;
    WriteText(dir.path() / "in.ini", ini);
    WriteText(dir.path() / "in.mb", mb);
    fs::create_directories(dir.path() / "temp");
    const auto run = test::RunQuelmo({"--workdir", dir.path().string(), "pymb", "--ini", (dir.path() / "in.ini").string(),
                                      "--mb", (dir.path() / "in.mb").string()});
    if (run.exit_code != 0) qFatal("quelmo pymb: %s", run.err.c_str());
    return test::ReadFile(dir.path() / "temp" / ime::kFileName);
}

}  // namespace

class TestPymbWindow : public QObject {
    Q_OBJECT
private slots:
    void builtInTextsCompileToTheCommandLinesTable() {
        QTemporaryDir dir;
        test::FakeHost host(dir.path().toStdString());
        ui::Tpymbform w(host);
        w.resize(900, 600);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* ini = Find<QPlainTextEdit>(&w, "srfini");
        QVERIFY(ini->toPlainText().startsWith("#S00#abcdefghijklmnopqrstuvwxyz 00000"));
        QVERIFY(ini->toPlainText().contains(QStringLiteral("#S03#-!、:3;()8￥@")));
        QVERIFY(Find<QPlainTextEdit>(&w, "srfmb")->toPlainText().startsWith(QStringLiteral("=a=阿啊呵腌嗄锕吖")));

        QTest::mouseClick(Find<QPushButton>(&w, "Button1"), Qt::LeftButton);
        QCOMPARE(Find<QListWidget>(&w, "errlist")->count(), 0);
        const std::string table = test::ReadFile(host.Context().Workspace() / ime::kFileName);
        QVERIFY(table.size() > 1104);
        QVERIFY(table == CliTable(ime::DefaultKeyConfig(), ime::DefaultCodeTable()));
        w.grab().save("/tmp/s10res_pymb.png");
    }

    void faultyLinesAreListedAndTheRestIsBuilt() {
        QTemporaryDir dir;
        test::FakeHost host(dir.path().toStdString());
        ui::Tpymbform w(host);
        w.show();
        auto* ini = Find<QPlainTextEdit>(&w, "srfini");
        auto* mb = Find<QPlainTextEdit>(&w, "srfmb");
        ini->moveCursor(QTextCursor::End);
        QTest::keyClick(ini, Qt::Key_Return);
        QTest::keyClicks(ini, "#P03#1,2,3");
        QTest::keyClick(ini, Qt::Key_Return);
        QTest::keyClicks(ini, "#S01#abc");
        QTest::keyClick(ini, Qt::Key_Return);
        // 37 bytes, but only 16 keys: the 16 missing keys list the line 16 times.
        ini->insertPlainText(QStringLiteral("#S04#、、、、、、、、、、、、、、、、"));
        mb->setPlainText(QStringLiteral("=ai=爱\n=zuo=作做"));

        ui::Responder r;
        QTest::mouseClick(Find<QPushButton>(&w, "Button1"), Qt::LeftButton);
        QVERIFY(r.boxes.empty());
        const QStringList errors = Items(Find<QListWidget>(&w, "errlist"));
        QCOMPARE(errors.count("#P03#1,2,3"), 1);
        QCOMPARE(errors.count("#S01#abc"), 1);
        QCOMPARE(errors.count(QStringLiteral("#S04#、、、、、、、、、、、、、、、、")), 16);
        QCOMPARE(errors.size(), 18);

        const std::string ini_gbk = Utf8ToGbk(ini->toPlainText().replace("\n", "\r\n").toStdString());
        const std::string mb_gbk = Utf8ToGbk("=ai=爱\r\n=zuo=作做");
        const std::string table = test::ReadFile(host.Context().Workspace() / ime::kFileName);
        QVERIFY(table == CliTable(ini_gbk, mb_gbk));
        QCOMPARE(table.size(), size_t{1104 + 2 * 13 + 2 * 12});

        // Compiling again clears the list first; a shorter table replaces the longer file.
        ini->setPlainText(QString::fromStdString(GbkToUtf8(ime::DefaultKeyConfig())));
        mb->setPlainText(QStringLiteral("=a=阿"));
        QTest::mouseClick(Find<QPushButton>(&w, "Button1"), Qt::LeftButton);
        QCOMPARE(Find<QListWidget>(&w, "errlist")->count(), 0);
        QCOMPARE(test::ReadFile(host.Context().Workspace() / ime::kFileName).size(), size_t{1104 + 13 + 12});
    }

    void textsComeFromTheWorkspaceAndGoBackAtExit() {
        QTemporaryDir dir;
        test::FakeHost host(dir.path().toStdString());
        const fs::path ws = host.Context().Workspace();
        WriteText(ws / "srf.ini", Utf8ToGbk("#T01\r\n#S00#abcdefghijklmnopqrstuvwxyz 00000\r\n"));
        WriteText(ws / "srf.mb", Utf8ToGbk("=ni=你\r\n"));
        {
            ui::Tpymbform w(host);
            QCOMPARE(Find<QPlainTextEdit>(&w, "srfini")->toPlainText(),
                     QStringLiteral("#T01\n#S00#abcdefghijklmnopqrstuvwxyz 00000\n"));
            auto* mb = Find<QPlainTextEdit>(&w, "srfmb");
            QCOMPARE(mb->toPlainText(), QStringLiteral("=ni=你\n"));
            mb->moveCursor(QTextCursor::End);
            QTest::keyClicks(mb, "=a=");
            QInputMethodEvent e;
            e.setCommitString(QStringLiteral("啊"));
            QApplication::sendEvent(mb, &e);
        }
        QCOMPARE(test::ReadFile(ws / "srf.mb"), Utf8ToGbk("=ni=你\r\n=a=啊"));
        QCOMPARE(test::ReadFile(ws / "srf.ini"), Utf8ToGbk("#T01\r\n#S00#abcdefghijklmnopqrstuvwxyz 00000\r\n"));

        // Another project's files take the workspace's place while the window lives: shown again
        // it reads them, and texts nobody edited are not written back over them.
        {
            ui::Tpymbform w(host);
            w.show();
            w.hide();
            WriteText(ws / "srf.mb", Utf8ToGbk("=wo=我\r\n"));
            w.show();
            QCOMPARE(Find<QPlainTextEdit>(&w, "srfmb")->toPlainText(), QStringLiteral("=wo=我\n"));
            WriteText(ws / "srf.mb", Utf8ToGbk("=ta=他\r\n"));
        }
        QCOMPARE(test::ReadFile(ws / "srf.mb"), Utf8ToGbk("=ta=他\r\n"));
        // Edits are saved when the user leaves the window.
        {
            ui::Tpymbform w(host);
            w.show();
            auto* mb = Find<QPlainTextEdit>(&w, "srfmb");
            mb->moveCursor(QTextCursor::End);
            QTest::keyClicks(mb, "=");
            w.hide();
            QCOMPARE(test::ReadFile(ws / "srf.mb"), Utf8ToGbk("=ta=他\r\n="));
            WriteText(ws / "srf.mb", Utf8ToGbk("=ni=你\r\n=a=啊"));
        }
        QCOMPARE(test::ReadFile(ws / "srf.mb"), Utf8ToGbk("=ni=你\r\n=a=啊"));

        // A character GBK cannot store is refused, at compile and at exit, and the files stay.
        {
            ui::Tpymbform w(host);
            Find<QPlainTextEdit>(&w, "srfmb")->setPlainText(QStringLiteral("=a=\U0001F600"));
            ui::Responder r;
            QTest::mouseClick(Find<QPushButton>(&w, "Button1"), Qt::LeftButton);
            QCOMPARE(r.boxes.size(), size_t{1});
            QVERIFY(!fs::exists(ws / ime::kFileName));
            QVERIFY(!w.SaveTexts());
        }
        QCOMPARE(test::ReadFile(ws / "srf.mb"), Utf8ToGbk("=ni=你\r\n=a=啊"));
    }

    void downloadFetchesTheThreeFilesInTurn() {
        QTemporaryDir dir, server;
        test::FakeHost host(dir.path().toStdString());
        const fs::path served = server.path().toStdString();
        WriteText(served / "SRF320240.ini", Utf8ToGbk("#S00#zyxwvutsrqponmlkjihgfedcba 00000\r\n"));
        WriteText(served / "T26A320X240.jpg", "A-picture");
        WriteText(served / "T26B320X240.jpg", "B-picture");
        const fs::path pic = host.Context().Workspace() / "pic";
        WriteText(pic / "T26B320X240.jpg", "earlier B");

        ui::Tpymbform w(host);
        w.show();
        QStringList urls;
        QString cut;  // the file whose download breaks off
        bool enabled_while_running = false;
        auto* button = Find<QPushButton>(&w, "Button2");
        w.SetServer("http://127.0.0.1:8080/");
        w.SetDownloader([&](const std::string& url, const fs::path& target) {
            urls << QString::fromStdString(url);
            enabled_while_running |= button->isEnabled();
            const std::string name = url.substr(url.rfind('/') + 1);
            if (QString::fromStdString(name) == cut) return false;
            fs::copy_file(served / name, target, fs::copy_options::overwrite_existing);
            return true;
        });

        cut = "T26B320X240.jpg";
        ui::Responder r;
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(urls, (QStringList{"http://127.0.0.1:8080/wd/zy/SRF320240.ini", "http://127.0.0.1:8080/wd/zy/T26A320X240.jpg",
                                    "http://127.0.0.1:8080/wd/zy/T26B320X240.jpg"}));
        QCOMPARE(r.Texts(), QStringList{QStringLiteral("T26B320X240.jpg 文件没有下载成功,请重新启动下载.")});
        QVERIFY(button->isEnabled());
        // What came before stays: the key configuration is loaded, the first picture is in place,
        // the earlier second picture is untouched.
        QCOMPARE(Find<QPlainTextEdit>(&w, "srfini")->toPlainText(), QStringLiteral("#S00#zyxwvutsrqponmlkjihgfedcba 00000\n"));
        QCOMPARE(test::ReadFile(host.Context().Workdir() / "SRF320240.ini"), test::ReadFile(served / "SRF320240.ini"));
        QCOMPARE(test::ReadFile(pic / "T26A320X240.jpg"), std::string("A-picture"));
        QCOMPARE(test::ReadFile(pic / "T26B320X240.jpg"), std::string("earlier B"));
        QCOMPARE(host.picture_changes, 1);

        // The first download failing skips the other two.
        cut = "SRF320240.ini";
        urls.clear();
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(urls.size(), 1);
        QCOMPARE(r.Texts().last(), QStringLiteral("SRF320240.ini 文件没有下载成功,请重新启动下载."));

        cut.clear();
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(r.Texts().last(), QStringLiteral("下载完成"));
        QCOMPARE(test::ReadFile(pic / "T26B320X240.jpg"), std::string("B-picture"));
        QCOMPARE(host.picture_changes, 3);
        QVERIFY(!enabled_while_running);
    }

    void withoutAServerTheProgramsOwnResourcesAreOffered() {
        QTemporaryDir dir, made;
        test::FakeHost host(dir.path().toStdString());
        ui::Tpymbform w(host);
        w.SetServer("");
        auto* button = Find<QPushButton>(&w, "Button2");
        ui::Responder r;
        r.answers = {false};
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(r.boxes.size(), size_t{1});
        QCOMPARE(r.boxes[0].kind, ui::Box::Question);
        QVERIFY(!fs::exists(host.Context().Workdir() / "SRF320240.ini"));

        r.answers = {true};
        QTest::mouseClick(button, Qt::LeftButton);
        // The copies the program carries are what the generator writes today.
        QVERIFY(ime::WriteReadyResources(made.path().toStdString()));
        const fs::path gen = made.path().toStdString(), pic = host.Context().Workspace() / "pic";
        QVERIFY(test::ReadFile(host.Context().Workdir() / "SRF320240.ini") == test::ReadFile(gen / "SRF320240.ini"));
        for (const char* name : ime::kKeyboardPictures) {
            QVERIFY2(test::ReadFile(pic / name) == test::ReadFile(gen / name), name);
            const QImage image(QString::fromStdString((pic / name).string()));
            QCOMPARE(image.size(), QSize(320, 240));
            image.save(QStringLiteral("/tmp/s10res_%1.png").arg(name));
        }
        QCOMPARE(host.picture_changes, 1);
        QVERIFY(Find<QPlainTextEdit>(&w, "srfini")->toPlainText().startsWith("// On-screen keyboard for a 320 x 240 screen"));
        // The ready-made configuration compiles without an error line.
        QTest::mouseClick(Find<QPushButton>(&w, "Button1"), Qt::LeftButton);
        QCOMPARE(Find<QListWidget>(&w, "errlist")->count(), 0);
    }
};

QTEST_MAIN(TestPymbWindow)
#include "test_pymb_window.moc"
