// The batch interface editor and the C code window as a user meets them: the 128 pages,
// choosing, saving and its refusals, the old page import, the senders and the receive area,
// and the way between the batch interface editor, the assist design editor and the C code.
#include <QComboBox>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include <cstring>
#include <fstream>

#include "codegen/ui/ccode_form.h"
#include "core/gbk.h"
#include "editors/ui/editcmd_form.h"
#include "editors/ui/pjm_form.h"
#include "core/hashtable.h"
#include "flash/layout.h"
#include "flash/trom.h"
#include "frame_fixture.h"
#include "design_host.h"

using namespace quelmo;
namespace fs = std::filesystem;

namespace {

QString U(const std::string& gbk) { return QString::fromStdString(GbkToUtf8(gbk)); }

struct Pages {
    Pages() : form(host) {
        form.resize(900, 600);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }
    QListWidget* List() { return form.findChild<QListWidget*>("plist"); }
    QPlainTextEdit* Area() { return form.findChild<QPlainTextEdit*>("txmemo"); }
    QPlainTextEdit* Rx() { return form.findChild<QPlainTextEdit*>("rxmemo"); }
    void Click(const char* name) {
        auto* b = form.findChild<QAbstractButton*>(name);
        QVERIFY2(b, name);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void ChooseItem(int n) {
        List()->scrollToItem(List()->item(n));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, List()->visualItemRect(List()->item(n)).center());
    }
    std::string Store(const std::string& key) { return host.g.Settings().GetValue(key); }

    test::DesignHost host;
    ui::Tpjmform form;
};

}  // namespace

class TestPjm : public QObject {
    Q_OBJECT
private slots:
    void aFreshProjectShows128Pages() {
        Pages p;
        QCOMPARE(p.form.windowTitle(), QString("bath interface edit /command "));
        QCOMPARE(p.List()->count(), 128);
        for (int n = 0; n < 128; ++n) QCOMPARE(p.List()->item(n)->text(), QString::number(n + 1) + ":");
        QCOMPARE(p.form.findChild<QLabel*>("pjmbh")->text(), QString("---"));
        QCOMPARE(p.host.link.ReceiveView, 1);

        // Shown again, the list follows the store.
        p.host.g.Settings().SetValue("page2", "menu");
        p.host.g.Settings().SetValue("pgcn2", "CLS(1);");
        p.form.hide();
        p.form.show();
        QCOMPARE(p.List()->item(2)->text(), QString("3:menu"));
        QCOMPARE(p.List()->item(2)->toolTip(), QString("CLS(1);"));
    }

    void choosingAPageLaysItOut() {
        Pages p;
        p.host.g.Settings().SetValue("pgcn1", "CLS(0); DS12(0,0,'a b;c',1);");
        p.host.g.Settings().SetValue("page1", "start");
        p.form.Reload();
        p.ChooseItem(1);
        QCOMPARE(p.Area()->toPlainText(), QString("CLS(0);\nDS12(0,0,'a b;c',1);\n"));
        QCOMPARE(p.form.findChild<QLabel*>("pjmbh")->text(), QString("2"));
        QCOMPARE(p.form.findChild<QLineEdit*>("pjmname")->text(), QString("start"));
    }

    void savingAPage() {
        Pages p;
        ui::Responder answers;
        p.Click("Button2");  // no page chosen yet
        QCOMPARE(answers.Texts(), QStringList{"您没有预先点击批界面序号按钮,已确定修改的批界面编号,当前语句属于临时使用,无法存储!"});
        QVERIFY(p.Store("pgcn0").empty());

        p.ChooseItem(4);
        p.Area()->setPlainText("CLS(0);\nDS16(0,0,'汉',1);");
        p.form.findChild<QLineEdit*>("pjmname")->setText("menu");
        p.Click("Button2");
        QCOMPARE(U(p.Store("pgcn4")), QString("CLS(0);\r\nDS16(0,0,'汉',1);"));
        QCOMPARE(p.Store("page4"), std::string("menu"));
        QCOMPARE(p.List()->item(4)->text(), QString("5:menu"));
        QCOMPARE(p.host.refreshes, 1);

        // 1023 bytes fit the page slot with its terminating zero; 1024 do not.
        p.Area()->setPlainText(QString(1023, 'a'));
        p.Click("Button2");
        QCOMPARE(p.Store("pgcn4").size(), size_t(1023));
        p.Area()->setPlainText(QString(1024, 'b'));
        p.Click("Button2");
        QCOMPARE(answers.Texts().last(), QString("保存失败!语句超过1024字节,请减少!"));
        QCOMPARE(p.Store("pgcn4"), std::string(1023, 'a'));
        QCOMPARE(p.host.refreshes, 2);

        // A character the module cannot show is not stored as '?'.
        p.Area()->setPlainText(QString::fromUtf8("DS16(0,0,'😀',1);"));
        p.Click("Button2");
        QCOMPARE(p.Store("pgcn4"), std::string(1023, 'a'));
    }

    void importingOldPages() {
        Pages p;
        p.host.g.Settings().SetValue("pgcn1", "CLS(2);");
        QTemporaryDir old;
        auto write = [&](const char* name, const std::string& title, const std::string& text) {
            std::ofstream out(fs::path(old.path().toStdString()) / name, std::ios::binary);
            out << "x\r\n" << title << "\r\n" << text << "\r\n";
        };
        write("Page1.str", "start", "CLS(0);|R|ADS12(0,0,'x',1);");
        write("Page3.str", "menu", "BOX(0,0,9,9,1);");
        const QString page1 = old.filePath("Page1.str");

        ui::Responder answers;
        answers.answers = {false, true};
        answers.files = {page1};
        p.Click("SpeedButton1");  // No: nothing
        QVERIFY(p.Store("pgcn0").empty());
        p.Click("SpeedButton1");
        QCOMPARE(answers.boxes.size(), size_t(3));
        QCOMPARE(answers.boxes[2].kind, ui::Box::OpenFile);
        QCOMPARE(answers.boxes[2].text, QString("choose old GPU folder/scr/page1.str data file"));
        // The dialog starts in the program's working folder.
        QCOMPARE(answers.boxes[2].path, QString::fromStdString(p.host.g.Workdir().string()));
        QCOMPARE(p.Store("pgcn0"), std::string("CLS(0);\r\nDS12(0,0,'x',1);"));
        QCOMPARE(p.Store("pgcn2"), std::string("BOX(0,0,9,9,1);"));
        QCOMPARE(p.Store("pgcn1"), std::string("CLS(2);"));
        QCOMPARE(p.List()->item(0)->text(), QString("1:start"));
        QCOMPARE(p.List()->item(2)->text(), QString("3:menu"));
        QCOMPARE(p.List()->item(1)->text(), QString("2:"));
    }

    void sendersGoThroughTheLink_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("sent");
        QTest::newRow("clear screen") << "SpeedButton2" << "CLS(0);";
        QTest::newRow("brightness") << "SpeedButton3" << "SEBL(100);";
        QTest::newRow("calibrate") << "SpeedButton4" << "TPST(854,480);";
        QTest::newRow("drawing test") << "SpeedButton5" << "CLS(0);DS12(0,0,'请使用触摸笔在屏幕上绘图',2);TPOW(1);TPN(2);";
        QTest::newRow("touch info") << "SpeedButton6" << "CLS(0);SNF(0,0);INF;";
        QTest::newRow("sd picture") << "SpeedButton7" << "PIC(0,0,1024);";
        QTest::newRow("terminal") << "SpeedButton8" << "TERM;";
        QTest::newRow("edit area, one line") << "Button1" << "CLS(0);BOX(0,0,9,9,1);";
    }
    void sendersGoThroughTheLink() {
        QFETCH(QString, button);
        QFETCH(QString, sent);
        Pages p;
        p.host.g.Rom().Device().ScreenWidth = 854;
        p.host.g.Rom().Device().ScreenHeight = 480;
        p.Area()->setPlainText("CLS(0);\nBOX(0,0,9,9,1);");
        {
            ui::Responder answers;
            p.Click(qPrintable(button));
            QCOMPARE(answers.Texts(), QStringList{"请先连接串口液晶屏再发送指令!"});
        }
        p.host.link.ConnectionState = 1;  // the port itself stays closed: the echo still shows
        p.Click(qPrintable(button));
        QVERIFY2(p.Rx()->toPlainText().contains("send:" + sent), qPrintable(p.Rx()->toPlainText()));
    }

    void receivedBytesShowWhileTheWindowIsTheReceiveView() {
        Pages p;
        const char reply[] = "OK 5.56";
        p.host.link.HandleReceive(reply, sizeof reply - 1);
        QTRY_VERIFY(p.Rx()->toPlainText().contains("OK 5.56"));
    }

    void theOtherWindowsAreReachedThroughTheFrame() {
        Pages p;
        p.Area()->setPlainText("CLS(0);\nPS(1,1,1);");
        p.Click("Button3");
        QCOMPARE(p.host.imports, 1);
        p.Click("SpeedButton9");
        QCOMPARE(p.host.ccode, std::vector<std::string>{"CLS(0);\r\nPS(1,1,1);"});
        QCOMPARE(p.form.EditAreaText(), std::string("CLS(0);\r\nPS(1,1,1);"));
    }

    // In the program: import into the assist design editor, design, end the design back into
    // the edit area.
    void designRoundTripThroughTheMainWindow() {
        test::Frame f;
        f.OpenOffline();
        QVERIFY(f.Choose("p4"));
        auto* pjm = qobject_cast<ui::Tpjmform*>(f.main->Window("pjm"));
        auto* design = qobject_cast<ui::Teditcmdform*>(f.main->Window("editcmd"));
        QVERIFY(pjm && design);
        pjm->SetEditAreaText("CLS(0);\r\nSXY(10,20);\r\nDS16(0,0,'a',1);\r\nSXY(0,0);\r\nBOX(0,0,9,9,1);");
        QTest::mouseClick(pjm->findChild<QPushButton*>("Button3"), Qt::LeftButton);
        QCOMPARE(f.main->CurrentWindow(), std::string("editcmd"));
        QCOMPARE(design->Lines(),
                 (std::vector<std::string>{"CLS(0)", "[SXY(10,20);DS16(0,0,'a',1);SXY(0,0);]", "BOX(0,0,9,9,1)"}));
        QTest::mouseClick(design->findChild<QPushButton*>("Button13"), Qt::LeftButton);
        QCOMPARE(f.main->CurrentWindow(), std::string("pjm"));
        QCOMPARE(pjm->EditAreaText(), std::string("CLS(0);\r\nSXY(10,20);DS16(0,0,'a',1);SXY(0,0);;\r\nBOX(0,0,9,9,1);"));
    }

    // In the program the project's settings are also on disk: a page saved or imported reaches
    // the image at once and stays in the settings, which are never read back over it.
    void savedAndImportedPagesReachTheImageInTheProgram() {
        test::Frame f;
        f.OpenOffline();
        QVERIFY(f.Choose("p4"));
        auto* pjm = f.main->Window("pjm");
        auto* list = pjm->findChild<QListWidget*>("plist");
        auto slot = [&f](int n) {
            const char* text = reinterpret_cast<const char*>(f.g->Rom().Image() + flash::kPageTable + n * flash::kPageSlotSize);
            return std::string(text, strnlen(text, flash::kPageSlotSize));
        };
        list->scrollToItem(list->item(4));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(4)).center());
        pjm->findChild<QPlainTextEdit*>("txmemo")->setPlainText("CLS(0);\nBOX(1,1,8,8,1);");
        ui::Responder answers;
        QTest::mouseClick(pjm->findChild<QPushButton*>("Button2"), Qt::LeftButton);
        QCOMPARE(f.g->Settings().GetValue("pgcn4"), std::string("CLS(0);\r\nBOX(1,1,8,8,1);"));
        QCOMPARE(slot(4), std::string("CLS(0);BOX(1,1,8,8,1);"));

        QTemporaryDir old;
        std::ofstream(fs::path(old.path().toStdString()) / "Page3.str", std::ios::binary) << "x\r\nmenu\r\nBOX(0,0,9,9,1);\r\n";
        std::ofstream(fs::path(old.path().toStdString()) / "Page1.str", std::ios::binary) << "x\r\nstart\r\nCLS(0);\r\n";
        answers.answers = {true};
        answers.files = {old.filePath("Page1.str")};
        QTest::mouseClick(pjm->findChild<QAbstractButton*>("SpeedButton1"), Qt::LeftButton);
        QCOMPARE(f.g->Settings().GetValue("pgcn2"), std::string("BOX(0,0,9,9,1);"));
        QCOMPARE(slot(2), std::string("BOX(0,0,9,9,1);"));
        QCOMPARE(f.g->Settings().GetValue("pgcn4"), std::string("CLS(0);\r\nBOX(1,1,8,8,1);"));
        QCOMPARE(slot(4), std::string("CLS(0);BOX(1,1,8,8,1);"));
    }

    void theCCodeWindowConverts_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("chinese");
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("single");
        QTest::addColumn<QString>("output");
        QTest::newRow("defaults") << "CLS(0);" << 0 << 0 << false << "GpuSend(\"CLS(0);\");\nGpuSend(\"\\r\\n\");";
        QTest::newRow("arduino") << "CLS(0);" << 0 << 1 << false << "Serial.print(\"CLS(0);\");\nSerial.print(\"\\r\\n\");";
        QTest::newRow("hex") << "DS16(0,0,'汉',1);" << 1 << 0 << false
                             << "GpuSend(\"DS16(0,0,'\\xBA\\xBA',1);\"); //DS16(0,0,'汉',1);\nGpuSend(\"\\r\\n\");";
        QTest::newRow("single line") << "CLS(0);\nPS(1,1,1);" << 0 << 0 << true << "GpuSend(\"CLS(0);PS(1,1,1);\\r\\n\");";
        QTest::newRow("empty") << "" << 0 << 0 << false << "GpuSend(\"\\r\\n\");";
    }
    void theCCodeWindowConverts() {
        QFETCH(QString, input);
        QFETCH(int, chinese);
        QFETCH(int, style);
        QFETCH(bool, single);
        QFETCH(QString, output);
        ui::Tccodeform form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QString("C code generate"));
        auto* source = form.findChild<QPlainTextEdit*>("gpucode");
        source->setFocus();
        bool ascii = true;
        for (QChar c : input) ascii = ascii && c.unicode() >= 32 && c.unicode() < 128;
        if (ascii)
            QTest::keyClicks(source, input);
        else
            source->insertPlainText(input);  // pasted: the test keyboard types printable ASCII only
        form.findChild<QComboBox*>("cb1")->setCurrentIndex(chinese);
        form.findChild<QComboBox*>("cb2")->setCurrentIndex(style);
        auto* r1 = form.findChild<QCheckBox*>("r1");
        if (single) QTest::mouseClick(r1, Qt::LeftButton, {}, QPoint(8, r1->height() / 2));  // on its box
        QCOMPARE(r1->isChecked(), single);
        QTest::mouseClick(form.findChild<QPushButton*>("Button1"), Qt::LeftButton);
        QCOMPARE(form.findChild<QPlainTextEdit*>("ccc")->toPlainText(), output);
        QTest::mouseClick(form.findChild<QPushButton*>("copy"), Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(), output);
    }
};

QTEST_MAIN(TestPjm)
#include "test_pjm.moc"
