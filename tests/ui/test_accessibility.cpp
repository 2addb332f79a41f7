// The whole program as a screen reader meets it: every window of the frame, the modal C code
// window and the dialogs, walked control by control through the accessibility interface.
// A captioned control is announced by its caption, every other input control has a name, the
// picture-like views carry their component name, and every menu entry has a text.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QListWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTextDocument>
#include <QToolButton>
#include <QTextEdit>
#include <QtTest>

#include <fstream>

#include "codegen/ui/ccode_form.h"
#include "display/tcmd.h"
#include "editors/ui/chooser_forms.h"
#include "fonts/ui/ascedit_form.h"
#include "fonts/ui/hzedit_form.h"
#include "fonts/ui/runfont_form.h"
#include "frame_fixture.h"
#include "pictures/picture.h"
#include "project/ui/newprj_form.h"

using namespace quelmo;

namespace {

// The views that show a picture rather than text: announced by their component name.
const QStringList kPictureViews = {"LCD", "Image1", "romimg", "showfont"};

QString AccessibleName(QWidget* w) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// A caption as it is read out: mnemonic marks dropped ("&&" stays one '&'), markup as text.
QString Spoken(QString caption, bool rich = false) {
    if (rich) {
        QTextDocument doc;
        doc.setHtml(caption);
        caption = doc.toPlainText();
    }
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') out += '&', ++i;
            continue;
        }
        out += caption[i];
    }
    return out.trimmed();
}

// A caption that says nothing by itself ("…", "...", "<<"): such a button needs a name that
// tells what it does rather than its caption.
bool Wordless(const QString& caption) {
    for (const QChar c : caption)
        if (c.isLetterOrNumber()) return false;
    return true;
}

// Parts of Qt's own composite controls, checked through the control that holds them.
bool InsideComposite(QWidget* w, QWidget* root) {
    for (QWidget* p = w->parentWidget(); p && p != root->parentWidget(); p = p->parentWidget())
        if (qobject_cast<QComboBox*>(p) || qobject_cast<QAbstractSpinBox*>(p)) return true;
    return false;
}

QString Describe(QWidget* root, QWidget* w) {
    return QStringLiteral("%1: %2 (%3)").arg(root->objectName(), w->objectName(), w->metaObject()->className());
}

// Walks every visible control under `root` and lists what a screen reader would get wrong.
void Audit(QWidget* root, QStringList& faults) {
    QList<QWidget*> all = root->findChildren<QWidget*>();
    all.prepend(root);
    for (QWidget* w : all) {
        if (!w->isVisible() || w->objectName().startsWith("qt_") || InsideComposite(w, root)) continue;
        // The frame's working windows are audited one at a time, each when in front.
        if (w != root && qobject_cast<QMdiArea*>(w)) continue;
        const QString name = AccessibleName(w);
        auto expect = [&](const QString& want, const char* what) {
            if (name != want)
                faults << QStringLiteral("%1: %2 \"%3\", announced \"%4\"").arg(Describe(root, w), what, want, name);
        };
        auto named = [&](const char* what) {
            if (name.trimmed().isEmpty()) faults << QStringLiteral("%1: %2 without a name").arg(Describe(root, w), what);
        };
        if (kPictureViews.contains(w->objectName()) && !qobject_cast<QAbstractButton*>(w)) {
            expect(w->objectName(), "picture view should be announced as");
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            const QString caption = Spoken(b->text());
            if (caption.isEmpty() || Wordless(caption))
                named("button with no worded caption");
            else
                expect(caption, "button captioned");
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            if (!g->title().isEmpty()) expect(Spoken(g->title()), "group titled");
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            const bool rich = l->textFormat() == Qt::RichText ||
                              (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(l->text()));
            if (!Spoken(l->text(), rich).isEmpty()) expect(Spoken(l->text(), rich), "label reading");
        } else if (qobject_cast<QHeaderView*>(w)) {
            continue;
        } else if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                   qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
                   qobject_cast<QAbstractSpinBox*>(w)) {
            named("input control");
        }
    }
}

// The entries as the user meets them: each menu of the bar and the entries in it.
void AuditMenus(const QList<QAction*>& actions, QStringList& faults, const QString& where = "menu bar") {
    for (QAction* a : actions) {
        if (a->isSeparator() || !a->isVisible()) continue;
        if (Spoken(a->text()).isEmpty())
            faults << QStringLiteral("%1: entry %2 without a text").arg(where, a->objectName());
        if (a->menu()) AuditMenus(a->menu()->actions(), faults, Spoken(a->text()));
    }
}

// Two pictures in the picture folder, so the picture windows and the chooser show buttons.
void WritePictures(const std::filesystem::path& workdir) {
    const auto folder = workdir / "temp" / "pic";
    std::filesystem::create_directories(folder);
    Picture p;
    p.Resize(40, 30, 128);
    for (int n = 1; n <= 2; ++n) std::ofstream(folder / (std::to_string(n) + ".jpg"), std::ios::binary) << *pictures::EncodeJpeg(p, 90);
}

// Shows a dialog without entering its loop, audits it, hides it again.
void AuditDialog(QWidget& dialog, QStringList& faults) {
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Audit(&dialog, faults);
    dialog.hide();
}

// Lists every fault (the message of a failed check is cut short) and sums them up.
QByteArray Report(const QStringList& faults) {
    for (const QString& f : faults) qWarning().noquote() << f;
    return QByteArray::number(faults.size()) + " controls a screen reader gets wrong, listed above";
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    // Every working window of the program, each when it is in front, with the frame around it.
    void everyWindowIsAnnouncedByItsCaptions() {
        test::Frame f;
        f.OpenOffline();
        QStringList faults;
        AuditMenus(f.main->menuBar()->actions(), faults);
        Audit(f.main.get(), faults);
        WritePictures(f.root);
        f.main->SetEditAreaText("CLS(0);\r\nBOX(10,10,100,60,1);\r\nPIC(0,0,1);");
        for (const ui::WindowEntry& e : ui::ProgramWindows()) {
            if (e.modal) continue;
            f.main->Navigate(e.name);
            QWidget* w = f.main->Window(e.name);
            QVERIFY2(w && w->isVisible(), e.name.c_str());
            if (e.name == "editcmd") {
                // A real page with a statement chosen: its frames, its lines and its grid.
                f.main->ImportIntoDesign();
                auto* lines = w->findChild<QListWidget*>("cmdlist");
                QVERIFY(lines && lines->count() >= 3);
                QTest::mouseClick(lines->viewport(), Qt::LeftButton, {}, lines->visualItemRect(lines->item(1)).center());
                auto* grid = w->findChild<QTableWidget*>("ve");
                QVERIFY(grid && grid->rowCount() > 0);
                QVERIFY(w->findChild<QToolButton*>("ve_chooser0") || w->findChild<QToolButton*>("ve_chooser4"));
            }
            QCoreApplication::processEvents();
            Audit(w, faults);
        }
        QVERIFY2(faults.isEmpty(), Report(faults));
    }

    // The modal C code window and the dialogs opened from the windows, shown as they open.
    void dialogsAreAnnouncedByTheirCaptions() {
        test::Frame f;
        f.OpenOffline();
        QStringList faults;
        auto* ccode = f.main->findChild<ui::Tccodeform*>();
        QVERIFY(ccode);
        ccode->SetSource(QStringLiteral("CLS(0);"));
        AuditDialog(*ccode, faults);

        ui::Tselcolorform colours;
        colours.ShowPalette(f.g->Cmd().Screen());
        AuditDialog(colours, faults);
        WritePictures(f.root);
        ui::Tselpicform pictures(f.g->Workdir());
        pictures.Reflash();
        QCOMPARE(pictures.Count(), 2);
        AuditDialog(pictures, faults);
        ui::Tselascform keys;
        keys.Rebuild(f.main->PageCaptions());
        AuditDialog(keys, faults);

        ui::ThzeditForm hz(*f.main);
        AuditDialog(hz, faults);
        ui::Tasceditform asc(*f.main);
        AuditDialog(asc, faults);
        ui::Trunfontform run(*f.main);
        AuditDialog(run, faults);
        ui::Tnewprjform newprj(f.main->Project());
        AuditDialog(newprj, faults);
        QVERIFY2(faults.isEmpty(), Report(faults));
    }
};

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
