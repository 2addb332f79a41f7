// The font windows as a user meets them: the setup window's lines, the two dialogs with their
// previews and refusals, and a font build from the make window.
#include <QApplication>
#include <QCheckBox>
#include <QInputMethodEvent>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "core/gbk.h"
#include "fonts/settings.h"
#include "fonts/ui/ascedit_form.h"
#include "fonts/ui/face_preview.h"
#include "fonts/ui/fontedit_form.h"
#include "fonts/ui/hzedit_form.h"
#include "fonts/ui/runfont_form.h"
#include "core/hashtable.h"
#include "project/project.h"
#include "shell/ui/messages.h"
#include "support/cli.h"
#include "fake_host.h"

using namespace quelmo;
namespace fs = std::filesystem;

namespace {

constexpr const char* kNotSet = "未设置(需要设置才能生成点阵)";

template <class T>
T* Find(QWidget* w, const QString& name) {
    T* child = w->findChild<T*>(name);
    if (!child) qFatal("no control %s", qPrintable(name));
    return child;
}

QString LineText(QWidget* w, const QString& name) { return Find<QLabel>(w, name)->text(); }

// Clicks near the left edge: check boxes and radio buttons take clicks on their box and caption
// only, and a layout may stretch them wider.
void Click(QWidget* w, const QString& name) {
    auto* b = Find<QAbstractButton>(w, name);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(std::min(8, b->width() / 2), b->height() / 2));
}

// Chinese text arrives as an input method's commit.
void TypeChinese(QWidget* w, const QString& text) {
    QInputMethodEvent e;
    e.setCommitString(text);
    QApplication::sendEvent(w, &e);
}

// A small library at every size: ASC from a short list, Chinese from a few characters.
void SetUpSmall(THashTable& store, const char* face) {
    for (int n : fontset::kSizes) {
        fontset::ApplyAsc(store, n, {Utf8ToGbk(face), n == 32, fontset::kAscPart, "AB1"});
        if (!fontset::ApplyChinese(store, n, {Utf8ToGbk(face), fontset::kHzPart, Utf8ToGbk("汉字")})) qFatal("refused");
    }
}

}  // namespace

class TestFontWindows : public QObject {
    Q_OBJECT
private slots:
    void newProjectShowsEveryLineNotSetAndMakeOff() {
        QTemporaryDir dir;
        test::FakeHost host(dir.path().toStdString());
        ui::Tfonteditform w(host);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (int n : fontset::kSizes) {
            QCOMPARE(LineText(&w, QStringLiteral("zt%1hz").arg(n)), QString(kNotSet));
            QCOMPARE(LineText(&w, QStringLiteral("zt%1asc").arg(n)), QString(kNotSet));
        }
        QVERIFY(!Find<QPushButton>(&w, "Button1")->isEnabled());
        QVERIFY(!Find<QCheckBox>(&w, "gbk16")->isChecked());
        w.grab().save("/tmp/s10res_fontedit.png");

        // The GBK16 switch is stored on every click, on and off.
        Click(&w, "gbk16");
        QCOMPARE(host.Context().Settings().GetInt("hz16bf"), 4);
        Click(&w, "gbk16");
        QCOMPARE(host.Context().Settings().GetValue("hz16bf"), std::string("0"));
    }

    void chineseDialogStoresTheChoiceOrRefusesIt() {
        QTemporaryDir dir;
        test::FakeHost host(dir.path().toStdString());
        ui::Tfonteditform w(host);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ui::ThzeditForm* hz = w.ChineseDialog();

        // 24 px: the preset face, GBK chosen, OK stores it and the line says so.
        Click(&w, "edit24hz");
        QVERIFY(hz->isVisible());
        QCOMPARE(Find<QComboBox>(hz, "zt")->currentText(), QStringLiteral("宋体"));
        QCOMPARE(Find<QLabel>(hz, "Label1")->text(), QStringLiteral("当前设置24点阵汉字"));
        QVERIFY(Find<QRadioButton>(hz, "rb1")->isChecked());
        QVERIFY(Find<QPlainTextEdit>(hz, "memohz")->isEnabled());
        // 宋体 is not installed: the preview shows the Chinese face the build will use.
        QVERIFY(!hz->Preview()->ResolvedFace().isEmpty());
        QCOMPARE(Find<QLabel>(hz, "usedface")->text(), QStringLiteral("实际字体: ") + hz->Preview()->ResolvedFace());
        QVERIFY(hz->Preview()->Image().width() > 100);
        hz->grab().save("/tmp/s10res_hzedit.png");
        Click(hz, "rb3");
        QVERIFY(!Find<QPlainTextEdit>(hz, "memohz")->isEnabled());
        Click(hz, "Button1");
        QVERIFY(!hz->isVisible());
        QCOMPARE(host.Context().Settings().GetInt("hz24bf"), 2);
        QCOMPARE(host.Context().Settings().GetValue("hz24zt"), Utf8ToGbk("宋体"));
        QCOMPARE(LineText(&w, "zt24hz"), QStringLiteral("字体:宋体  GBK汉字(简繁体全字库)"));

        // Full sets at 64 px and GBK at 48 px are refused; the dialog stays open and the earlier
        // setting stays.
        struct Case {
            int size;
            const char* radio;
            const char* message;
        } cases[] = {{64, "rb2", fontset::kNoFullFont64}, {64, "rb3", fontset::kNoFullFont64}, {48, "rb3", fontset::kNoGbk48}};
        for (const auto& c : cases) {
            const std::string bf = fontset::Key("hz", c.size, "bf"), memo = fontset::Key("hz", c.size, "memo");
            host.Context().Settings().SetValue(memo, Utf8ToGbk("早"));
            Click(&w, QStringLiteral("edit%1hz").arg(c.size));
            QVERIFY(hz->isVisible());
            Click(hz, c.radio);
            ui::Responder r;
            Click(hz, "Button1");
            QCOMPARE(r.Texts(), QStringList{QString::fromUtf8(c.message)});
            QVERIFY(hz->isVisible());
            QCOMPARE(host.Context().Settings().GetValue(bf), std::string());
            QCOMPARE(host.Context().Settings().GetValue(fontset::Key("hz", c.size, "zt")), std::string());
            hz->reject();
        }

        // A part set keeps the typed characters, lines and all.
        Click(&w, "edit48hz");
        Click(hz, "rb1");
        auto* memo = Find<QPlainTextEdit>(hz, "memohz");
        memo->clear();
        TypeChinese(memo, QStringLiteral("汉字"));
        QTest::keyClick(memo, Qt::Key_Return);
        TypeChinese(memo, QStringLiteral("点阵"));
        Click(hz, "Button1");
        QCOMPARE(host.Context().Settings().GetValue("hz48memo"), Utf8ToGbk("汉字\r\n点阵"));
        QCOMPARE(LineText(&w, "zt48hz"), QStringLiteral("字体:宋体  部分汉字(小字库)"));
    }

    void ascDialogStoresFaceWidthAndSet() {
        QTemporaryDir dir;
        test::FakeHost host(dir.path().toStdString());
        ui::Tfonteditform w(host);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ui::Tasceditform* asc = w.AscDialog();
        Click(&w, "edit32asc");
        QVERIFY(asc->isVisible());
        QCOMPARE(Find<QLabel>(asc, "Label1")->text(), QStringLiteral("当前设置32点阵英文字符"));
        QVERIFY(Find<QRadioButton>(asc, "rb1")->isChecked());
        QVERIFY(!Find<QPlainTextEdit>(asc, "memoasc")->isEnabled());

        // The preview follows the chosen face.
        auto* zt = Find<QComboBox>(asc, "zt");
        zt->setCurrentText("DejaVu Sans Mono");
        const QImage mono = asc->Preview()->Image();
        QCOMPARE(asc->Preview()->ResolvedFace(), QStringLiteral("DejaVu Sans Mono"));
        zt->setCurrentText("DejaVu Serif");
        QCOMPARE(asc->Preview()->ResolvedFace(), QStringLiteral("DejaVu Serif"));
        QVERIFY(asc->Preview()->Image() != mono);
        asc->grab().save("/tmp/s10res_ascedit.png");

        Click(asc, "cb1");
        Click(asc, "rb2");
        QTest::keyClicks(Find<QPlainTextEdit>(asc, "memoasc"), "0123");
        Click(asc, "Button1");
        QVERIFY(!asc->isVisible());
        const THashTable& s = host.Context().Settings();
        QCOMPARE(s.GetValue("asc32zt"), std::string("DejaVu Serif"));
        QCOMPARE(s.GetInt("asc32dk"), 1);
        QCOMPARE(s.GetInt("asc32bf"), 1);
        QCOMPARE(s.GetValue("asc32memo"), std::string("0123"));
        QCOMPARE(LineText(&w, "zt32asc"), QStringLiteral("字体:DejaVu Serif  部分ASC字符 强制等宽"));

        // Reopened, the dialog shows what was stored; unchecking stores 0 again.
        Click(&w, "edit32asc");
        QVERIFY(Find<QCheckBox>(asc, "cb1")->isChecked());
        QVERIFY(Find<QRadioButton>(asc, "rb2")->isChecked());
        Click(asc, "cb1");
        Click(asc, "Button1");
        QCOMPARE(host.Context().Settings().GetInt("asc32dk"), 0);
        QCOMPARE(LineText(&w, "zt32asc"), QStringLiteral("字体:DejaVu Serif  部分ASC字符"));
    }

    void buildFromTheWindowWritesTheFilesTheCommandLineWrites() {
        QTemporaryDir dir, cli_dir;
        test::FakeHost host(dir.path().toStdString());
        ui::Tfonteditform w(host);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        SetUpSmall(host.Context().Settings(), "WenQuanYi Zen Hei");
        // One size set up through its dialog, by clicking, with a full GB2312 set at 24 px.
        host.Context().Settings().SetValue("hz24zt", "");
        w.Refresh();
        QVERIFY(!Find<QPushButton>(&w, "Button1")->isEnabled());
        Click(&w, "edit24hz");
        Find<QComboBox>(w.ChineseDialog(), "zt")->setCurrentText("WenQuanYi Zen Hei");
        Click(w.ChineseDialog(), "rb2");
        Click(w.ChineseDialog(), "Button1");
        QVERIFY(Find<QPushButton>(&w, "Button1")->isEnabled());

        ui::Trunfontform* run = w.MakeWindow();
        Click(&w, "Button1");
        QVERIFY(run->isVisible());
        auto* memo = Find<QPlainTextEdit>(run, "Memo1");
        auto* make = Find<QPushButton>(run, "Button1");
        QCOMPARE(memo->toPlainText(), QStringLiteral("create logs"));
        QVERIFY(!Find<QPushButton>(run, "Button2")->isVisible());

        // While the build runs the window takes events: the log grows, Make is off, a second
        // click starts nothing, and the window cannot be closed.
        int lines_seen = -1;
        bool make_enabled = true, still_open = false;
        QTimer probe;
        probe.setInterval(0);
        connect(&probe, &QTimer::timeout, [&] {
            if (lines_seen >= 0 || !run->Running()) return;
            lines_seen = memo->blockCount();
            make_enabled = make->isEnabled();
            QTest::mouseClick(make, Qt::LeftButton);
            run->reject();
            still_open = run->isVisible();
        });
        probe.start();
        ui::Responder r;
        QTest::mouseClick(make, Qt::LeftButton);
        probe.stop();
        QVERIFY(lines_seen > 0);
        QVERIFY(!make_enabled);
        QVERIFY(still_open);

        QCOMPARE(r.Texts(), QStringList{QStringLiteral("汉字点阵生成完成！")});
        QVERIFY(!run->isVisible());
        QCOMPARE(host.pages, QStringList{"start"});
        QCOMPARE(Find<QProgressBar>(run, "pb1")->value(), 100);
        run->grab().save("/tmp/s10res_runfont.png");
        const QString log = memo->toPlainText();
        QCOMPARE(log.count(QStringLiteral("开始生成")), 8);  // four ASC lists, three small libraries, the 24 px set
        QVERIFY(log.contains(QStringLiteral("开始生成24点阵的asc字符")));
        QVERIFY(!log.contains(QStringLiteral("create logs")));

        // The same settings built by the command line give the same files, byte for byte.
        const fs::path ws = host.Context().Workspace(), cli_ws = fs::path(cli_dir.path().toStdString()) / "temp";
        fs::create_directories(cli_ws);
        QVERIFY(host.Context().Settings().Save(cli_ws, project::kSettingsName));
        const auto cli = test::RunQuelmo({"--workdir", cli_dir.path().toStdString(), "fonts", "build"});
        QVERIFY2(cli.exit_code == 0, cli.err.c_str());
        for (const char* name : {"mini.sbin", "mini.idx", "hz24.sbin"}) {
            const std::string ours = test::ReadFile(ws / name);
            QVERIFY2(!ours.empty(), name);
            QVERIFY2(ours == test::ReadFile(cli_ws / name), name);
        }
        QCOMPARE(test::ReadFile(ws / "hz24.sbin").size(), size_t{588816});
        QVERIFY(!fs::exists(ws / "hz32.sbin"));
    }

    void theGbk16FontIsBuiltAfterTheMiniFontAndByTheHiddenStep() {
        QTemporaryDir dir;
        test::FakeHost host(dir.path().toStdString());
        ui::Tfonteditform w(host);
        w.show();
        SetUpSmall(host.Context().Settings(), "WenQuanYi Zen Hei");
        host.Context().Settings().SetInt("hz32bf", 1);
        w.Refresh();
        Click(&w, "gbk16");
        Click(&w, "Button1");
        ui::Responder r;
        Click(w.MakeWindow(), "Button1");
        QCOMPARE(r.Texts(), QStringList{QStringLiteral("汉字点阵生成完成！")});
        const QString log = Find<QPlainTextEdit>(w.MakeWindow(), "Memo1")->toPlainText();
        const int gbk16 = log.indexOf(QStringLiteral("开始生成16点阵的汉字"));
        const int last_small = log.lastIndexOf(QStringLiteral("开始生成64点阵的汉字"));
        const int full32 = log.lastIndexOf(QStringLiteral("开始生成32点阵的汉字"));
        QVERIFY(last_small >= 0 && gbk16 > last_small && full32 > gbk16);
        const fs::path ws = host.Context().Workspace();
        QCOMPARE(fs::file_size(ws / "hz16.sbin"), uintmax_t{770112});
        QVERIFY(fs::exists(ws / "hz32.sbin"));

        // The hidden step builds the 16-pixel font alone and stays open.
        fs::remove(ws / "hz16.sbin");
        fs::remove(ws / "mini.sbin");
        w.MakeWindow()->open();
        Find<QPushButton>(w.MakeWindow(), "Button2")->click();
        QCOMPARE(fs::file_size(ws / "hz16.sbin"), uintmax_t{770112});
        QVERIFY(!fs::exists(ws / "mini.sbin"));
        QCOMPARE(Find<QPlainTextEdit>(w.MakeWindow(), "Memo1")->toPlainText().count(QStringLiteral("开始生成")), 1);
        QVERIFY(w.MakeWindow()->isVisible());
    }

    void aRefusedBuildSaysWhyAndStaysOpen() {
        QTemporaryDir dir;
        test::FakeHost host(dir.path().toStdString());
        ui::Tfonteditform w(host);
        w.show();
        SetUpSmall(host.Context().Settings(), "WenQuanYi Zen Hei");
        // Stored by hand, past the dialog: the build refuses it before writing anything.
        host.Context().Settings().SetInt("hz48bf", 2);
        w.Refresh();
        Click(&w, "Button1");
        ui::Responder r;
        Click(w.MakeWindow(), "Button1");
        QCOMPARE(r.Texts(), QStringList{QString::fromUtf8(fontset::kNoGbk48)});
        QVERIFY(w.MakeWindow()->isVisible());
        QVERIFY(Find<QPushButton>(w.MakeWindow(), "Button1")->isEnabled());
        QVERIFY(host.pages.isEmpty());
        QVERIFY(!fs::exists(host.Context().Workspace() / "mini.sbin"));
    }
};

QTEST_MAIN(TestFontWindows)
#include "test_font_windows.moc"
