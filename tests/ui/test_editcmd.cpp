// The design window as a user meets it: type command text, see the simulated screen change.
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "display/tcmd.h"
#include "shell/context.h"
#include "display/tgd.h"
#include "editors/ui/editcmd_form.h"
#include "editors/ui/screen_view.h"
#include "frame_fixture.h"

using namespace quelmo;

class TestEditCmd : public QObject {
    Q_OBJECT
private slots:
    void captionCarriesTheVersion() {
        test::Frame f;
        QCOMPARE(f.main->windowTitle(), QStringLiteral("Quelmo V" QUELMO_VERSION));
    }

    void typingRedrawsTheScreen() {
        test::Frame f;
        f.main->Navigate("editcmd");
        ui::Tmainform& w = *f.main;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* edit = w.findChild<QPlainTextEdit*>("cmdedit");
        auto* lcd = w.findChild<ui::ScreenView*>("LCD");
        QVERIFY(edit && lcd);
        const Framebuffer fb = lcd->View();
        QCOMPARE(fb.width, 320);
        QCOMPARE(fb.height, 240);

        edit->setFocus();
        QTest::keyClicks(edit, "BOXF(10,10,20,20,2);");
        const uint32_t green = Tgd::ModuleToDesktop(0x07E0);
        QCOMPARE(lcd->View().At(10, 10), green);
        QCOMPARE(lcd->View().At(19, 19), green);
        QCOMPARE(lcd->View().At(20, 20), Rgb(0, 0, 0));
        QCOMPARE(lcd->View().At(9, 10), Rgb(0, 0, 0));

        // Editing the text clears the screen first: the box moves, the old one is gone.
        edit->selectAll();
        QTest::keyClicks(edit, "BOXF(30,10,40,20,2);");
        QCOMPARE(lcd->View().At(10, 10), Rgb(0, 0, 0));
        QCOMPARE(lcd->View().At(30, 10), green);

        // An unfinished statement draws nothing until its ';' is typed.
        QTest::keyClicks(edit, "PS(0,0,1)");
        QCOMPARE(lcd->View().At(0, 0), Rgb(0, 0, 0));
        QTest::keyClick(edit, ';');
        QCOMPARE(lcd->View().At(0, 0), Tgd::ModuleToDesktop(0xF800));
    }

    void theScreenOutlivesTheWindowWithoutItsPicture() {
        // The context outlives every window: once the design window is gone, running text
        // must not draw into its freed picture.
        QTemporaryDir dir;
        Tglobal g(dir.path().toStdString());
        { ui::Tmainform main(g); }
        QCOMPARE(g.Cmd().Screen().Surface().pixels, nullptr);
        g.Cmd().RunText("CLS(1);BOXF(0,0,100,100,2);");
    }

    void textIsDrawnWithTheBuiltInFonts() {
        // A fresh working folder: the window builds its image over the base image drawn from
        // the free fonts, so a 16-pixel 'A' is a glyph, not a solid cell.
        test::Frame f;
        f.main->Navigate("editcmd");
        ui::Tmainform& w = *f.main;
        auto* edit = w.findChild<QPlainTextEdit*>("cmdedit");
        auto* lcd = w.findChild<ui::ScreenView*>("LCD");
        edit->setPlainText("DS16(0,0,'A',1);");
        const uint32_t red = Tgd::ModuleToDesktop(0xF800);
        int ink = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 8; ++x) ink += lcd->View().At(x, y) == red;
        QVERIFY(ink > 10);
        QVERIFY(ink < 64);
        QCOMPARE(lcd->View().At(8, 0), Rgb(0, 0, 0));
    }

    void screenPixelsStaySharpWhenScaled() {
        test::Frame f;
        f.main->Navigate("editcmd");
        ui::Tmainform& w = *f.main;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* edit = w.findChild<QPlainTextEdit*>("cmdedit");
        auto* lcd = w.findChild<ui::ScreenView*>("LCD");
        edit->setPlainText("PS(5,5,1);");
        const QImage shown = lcd->grab().toImage();
        const int s = lcd->Scale();
        QCOMPARE(shown.size(), QSize(320 * s, 240 * s));
        const QColor red = QColor::fromRgb(Tgd::ModuleToDesktop(0xF800));
        for (int dy = 0; dy < s; ++dy)
            for (int dx = 0; dx < s; ++dx) QCOMPARE(shown.pixelColor(5 * s + dx, 5 * s + dy), red);
        QCOMPARE(shown.pixelColor(6 * s, 5 * s), QColor(Qt::black));
    }
};

QTEST_MAIN(TestEditCmd)
#include "test_editcmd.moc"
