// The ways into the design editors through the whole program: the start page's flow chart and
// the menu entries, and where received bytes are shown as the windows come to the front.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "codegen/ui/ccode_form.h"
#include "frame_fixture.h"

using namespace quelmo;

namespace {

// Clicks a button of the start page's flow chart.
void ClickChart(test::Frame& f, const char* name) {
    f.main->Navigate("start");
    auto* b = f.main->Window("start")->findChild<QPushButton*>(name);
    QVERIFY2(b && b->isVisible(), name);
    QTest::mouseClick(b, Qt::LeftButton);
}

// Runs `open` and notes whether the C code window came up modally, and with what text; closes it.
QString ModalCCode(const std::function<void()>& open, bool& shown) {
    shown = false;
    QString text = QStringLiteral("<not shown>");
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<ui::Tccodeform*>(QApplication::activeModalWidget());
        shown = w != nullptr;
        if (!w) return;
        text = w->findChild<QPlainTextEdit*>("gpucode")->toPlainText();
        w->close();
    });
    open();
    return text;
}

}  // namespace

class EditorRoutesTest : public QObject {
    Q_OBJECT
private slots:
    void startPageAndMenusLeadToTheEditors_data() {
        QTest::addColumn<QString>("how");  // "chart" clicks a flow chart button, "menu" chooses an entry
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("window");
        QTest::newRow("C4 button") << "chart" << "C4" << "pjm";
        QTest::newRow("C5 button") << "chart" << "C5" << "editcmd";
        QTest::newRow("command send") << "menu" << "c2" << "pjm";
        QTest::newRow("batch interface setup") << "menu" << "p4" << "pjm";
        QTest::newRow("assist design") << "menu" << "p5" << "editcmd";
    }
    void startPageAndMenusLeadToTheEditors() {
        QFETCH(QString, how);
        QFETCH(QString, name);
        QFETCH(QString, window);
        test::Frame f;
        f.OpenOffline();
        f.main->Navigate("sync");  // somewhere else first
        if (how == "chart")
            ClickChart(f, name.toUtf8().constData());
        else
            QVERIFY(f.Choose(name.toUtf8().constData()));
        QCOMPARE(QString::fromStdString(f.main->CurrentWindow()), window);
        QWidget* w = f.main->Window(window.toStdString());
        QVERIFY(w && w->isVisible());
        // 'return' leads back to where the user came from.
        f.main->Return();
        QCOMPARE(QString::fromStdString(f.main->CurrentWindow()), how == "chart" ? QString("start") : QString("sync"));
    }

    // The C6 button and 'c code generate' open the C code window modally, empty even when it
    // last showed an editor's text.
    void cCodeOpensEmptyFromStartPageAndMenu() {
        test::Frame f;
        f.OpenOffline();
        auto* ccode = f.main->findChild<ui::Tccodeform*>();
        QVERIFY(ccode);
        for (const bool from_chart : {true, false}) {
            ccode->SetSource(QStringLiteral("CLS(0);"));
            bool shown = false;
            const QString text = ModalCCode([&] {
                if (from_chart)
                    ClickChart(f, "C6");
                else
                    QVERIFY(f.Choose("C4"));
            }, shown);
            QVERIFY2(shown, from_chart ? "C6" : "C4");
            QCOMPARE(text, QString());
            QVERIFY(!ccode->isVisible());
        }
    }

    // Received bytes go to the batch editor's receive area while it is in front, and nowhere
    // extra once the upload window is; other windows change nothing.
    void receiveViewFollowsTheWindowInFront() {
        test::Frame f;
        f.OpenOffline();
        int& view = f.main->Link().ReceiveView;
        QCOMPARE(view, 0);
        f.main->Navigate("editcmd");
        QCOMPARE(view, 0);
        const std::pair<const char*, int> steps[] = {
            {"pjm", 1}, {"sync", 2}, {"editcmd", 2}, {"start", 2}, {"pjm", 1}, {"prjini", 1}, {"sync", 2},
        };
        for (const auto& [window, want] : steps) {
            f.main->Navigate(window);
            QCOMPARE(f.main->CurrentWindow(), std::string(window));
            QVERIFY2(view == want, window);
        }
        // The program coming back to the front keeps the upload window's view; the batch editor
        // takes it again when it is the one in front.
        auto reactivate = [&] {
            QEvent e(QEvent::ActivationChange);
            for (QWidget* w : f.main->findChildren<QWidget*>()) QApplication::sendEvent(w, &e);
        };
        f.main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
        reactivate();
        QCOMPARE(view, 2);
        f.main->Navigate("pjm");
        view = 0;
        reactivate();
        QCOMPARE(view, 1);
    }
};

QTEST_MAIN(EditorRoutesTest)
#include "test_editor_routes.moc"
