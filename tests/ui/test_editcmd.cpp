// The design window as a user meets it: type command text, see the simulated screen change.
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "core/tglobal.h"
#include "display/tgd.h"
#include "flash/layout.h"
#include "flash/trom.h"
#include "editors/ui/editcmd_form.h"
#include "editors/ui/screen_view.h"
#include "shell/ui/main_window.h"

using namespace quelmo;

class TestEditCmd : public QObject {
    Q_OBJECT
private slots:
    void captionCarriesTheVersion() {
        QTemporaryDir dir;
        ui::MainWindow w(dir.path().toStdString());
        QCOMPARE(w.windowTitle(), QStringLiteral("Quelmo V" QUELMO_VERSION));
    }

    void typingRedrawsTheScreen() {
        QTemporaryDir dir;
        ui::MainWindow w(dir.path().toStdString());
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

    void textIsDrawnWithTheBuiltInFonts() {
        // A fresh working folder: the window builds its image over the base image drawn from
        // the free fonts, so a 16-pixel 'A' is a glyph, not a solid cell.
        QTemporaryDir dir;
        ui::MainWindow w(dir.path().toStdString());
        auto* edit = w.findChild<QPlainTextEdit*>("cmdedit");
        auto* lcd = w.findChild<ui::ScreenView*>("LCD");
        edit->setPlainText("DS16(0,0,'A',1);");
        const uint32_t red = Tgd::ModuleToDesktop(0xF800);
        // The glyph in the image: 8 columns of 2 bytes, bit r % 8 of byte 2 x + r / 8 is row r.
        const uint8_t* glyph = w.Global().Rom().Image() + flash::kAsc16 + ('A' - 0x20) * flash::kAsc16GlyphBytes;
        int set = 0;
        for (int x = 0; x < 8; ++x)
            for (int y = 0; y < 16; ++y) {
                const bool ink = (glyph[2 * x + y / 8] >> (y % 8)) & 1;
                set += ink;
                QCOMPARE(lcd->View().At(x, y), ink ? red : Rgb(0, 0, 0));
            }
        QVERIFY(set > 10);  // a glyph, not an empty or solid cell
        QVERIFY(set < 100);
        QCOMPARE(lcd->View().At(8, 0), Rgb(0, 0, 0));
    }

    void screenPixelsStaySharpWhenScaled() {
        QTemporaryDir dir;
        ui::MainWindow w(dir.path().toStdString());
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
