// The assist design editor as a user meets it: palette buttons, the code lines, typing in the
// line box, the parameter grid and its choosers, dragging frames on the screen, statement
// groups, zoom, switch screen, and undo and redo of all of it.
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

#include "core/gbk.h"
#include "display/tcmd.h"
#include "display/tgd.h"
#include "editors/ui/chooser_forms.h"
#include "flash/layout.h"
#include "flash/trom.h"
#include "editors/ui/editcmd_form.h"
#include "editors/ui/screen_view.h"
#include "frame_fixture.h"
#include "support/picture_files.h"
#include "design_host.h"

using namespace quelmo;
namespace fs = std::filesystem;

namespace {

const uint32_t kBlack = Rgb(0, 0, 0);
const uint32_t kRedPen = Rgb(255, 0, 0);
const uint32_t kWhitePen = Rgb(255, 255, 255);
const uint32_t kLabel = Rgb(0, 255, 255);

QString U(const std::string& gbk) { return QString::fromStdString(GbkToUtf8(gbk)); }

QStringList Lines(const ui::Teditcmdform& form) {
    QStringList out;
    for (const auto& line : form.Lines()) out << U(line);
    return out;
}

struct Editor {
    Editor() : form(host) {
        form.resize(1200, 760);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
    }
    ui::ScreenView* Lcd() { return form.Screen(); }
    template <class T>
    T* Child(const char* name) {
        return form.findChild<T*>(name);
    }
    void Click(const char* name) {
        auto* b = form.findChild<QAbstractButton*>(name);
        QVERIFY2(b, name);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void Load(const char* utf8) { form.LoadText(Utf8ToGbk(utf8)); }
    // The widget point at the centre of screen pixel p.
    QPoint At(QPoint p) {
        const int s = Lcd()->Scale();
        return QPoint(p.x() * s + s / 2, p.y() * s + s / 2);
    }
    void Hover(QPoint p) {
        QMouseEvent e(QEvent::MouseMove, At(p), Lcd()->mapToGlobal(At(p)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(Lcd(), &e);
    }
    void Drag(QPoint from, QPoint to) {
        Hover(from);
        QTest::mousePress(Lcd(), Qt::LeftButton, {}, At(from));
        QTest::mouseMove(Lcd(), At(to));
        QTest::mouseRelease(Lcd(), Qt::LeftButton, {}, At(to));
    }
    void ClickLine(int row) {
        auto* list = Child<QListWidget>("cmdlist");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
    // Types a new value into the grid row named `row_name`, as a user does: click, edit, Enter.
    void TypeInGrid(const QString& row_name, const QString& value) {
        auto* ve = Child<QTableWidget>("ve");
        int row = -1;
        for (int r = 0; r < ve->rowCount(); ++r)
            if (ve->item(r, 0)->text() == row_name) row = r;
        QVERIFY2(row >= 0, qPrintable(row_name));
        const QPoint cell = ve->visualItemRect(ve->item(row, 1)).center();
        QTest::mouseClick(ve->viewport(), Qt::LeftButton, {}, cell);
        QTest::keyClick(ve, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, value);
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();  // the grid commits the value after the key
    }
    QString Grid(const QString& row_name) {
        auto* ve = Child<QTableWidget>("ve");
        for (int r = 0; r < ve->rowCount(); ++r)
            if (ve->item(r, 0)->text() == row_name) return ve->item(r, 1)->text();
        return "<none>";
    }
    // Clicks the chooser button of a grid row and, once the dialog is up, the named button in it.
    bool Choose(const QString& row_name, QDialog* dialog, const char* button) {
        auto* ve = Child<QTableWidget>("ve");
        int row = -1;
        for (int r = 0; r < ve->rowCount(); ++r)
            if (ve->item(r, 0)->text() == row_name) row = r;
        auto* chooser = row >= 0 ? qobject_cast<QToolButton*>(ve->cellWidget(row, 2)) : nullptr;
        if (!chooser) return false;
        bool clicked = false;
        QTimer::singleShot(0, dialog, [&] {
            auto* b = dialog->findChild<QAbstractButton*>(button);
            if (b) {
                QTest::mouseClick(b, Qt::LeftButton);
                clicked = true;
            } else {
                dialog->reject();
            }
        });
        QTest::mouseClick(chooser, Qt::LeftButton);
        // The window manager gives the focus back to the editor once the dialog is gone.
        QApplication::setActiveWindow(&form);
        if (!QTest::qWaitFor([&] { return QApplication::activeWindow() == &form; })) return false;
        return clicked;
    }

    test::DesignHost host;
    ui::Teditcmdform form;
};

}  // namespace

class TestEditCmd : public QObject {
    Q_OBJECT
private slots:
    void paletteShowsTheCatalogueWithTwoCategoriesOpen() {
        Editor e;
        QVERIFY(e.Child<QWidget>("CBG_commands0")->isVisible());
        QVERIFY(e.Child<QWidget>("CBG_commands1")->isVisible());
        QVERIFY(!e.Child<QWidget>("CBG_commands2")->isVisible());
        QVERIFY(!e.Child<QWidget>("CBG_commands8"));  // a category without commands has no group
        auto* boxes = e.Child<QWidget>("CBG_commands0");
        QStringList captions;
        for (auto* b : boxes->findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly)) captions << b->text();
        QCOMPARE(captions, (QStringList{"清屏:CLS", "空心方框:BOX", "实心方框:BOXF", "画园:CIR", "画实心园:CIRF", "画点:PS",
                                        "画线:PL", "圆角空心方框:CBOX", "圆角实心方框:CBOF"}));
        // A collapsed category opens on its header.
        QTest::mouseClick(e.Child<QToolButton>("CBG_category2"), Qt::LeftButton);
        QVERIFY(e.Child<QWidget>("CBG_commands2")->isVisible());
    }

    void paletteButtonsAddFramedLines() {
        Editor e;
        e.host.g.Rom().Device().ScreenWidth = 320;
        e.Click("CBG_CLS");
        e.Click("CBG_BOX");
        QCOMPARE(Lines(e.form), (QStringList{"CLS(0)", "BOX(0,0,100,100,1)"}));
        QCOMPARE(e.form.CurrentLine(), 1);
        QCOMPARE(e.Child<QLineEdit>("cmdedit")->text(), QString("BOX(0,0,100,100,1)"));
        QCOMPARE(e.Grid("x2"), QString("100"));
        // The selected frame is red, with its label on cyan in the corner; CLS has no frame.
        const Framebuffer fb = e.Lcd()->View();
        QCOMPARE(fb.At(100, 50), kRedPen);
        QCOMPARE(fb.At(50, 100), kRedPen);
        QCOMPARE(fb.At(1, 1), kLabel);
        QCOMPARE(fb.At(150, 150), kBlack);
        QCOMPARE(e.form.Frame(0).type, 3);

        // A second box becomes the current line: the first frame turns white.
        e.Click("CBG_BOXF");
        QCOMPARE(e.form.CurrentLine(), 2);
        QCOMPARE(e.Lcd()->View().At(100, 50), kRedPen);  // BOXF's red frame lies over it
        e.ClickLine(1);
        QCOMPARE(e.form.CurrentLine(), 1);
        e.Load("BOX(10,10,60,60,1);BOX(100,10,150,60,1);");
        e.ClickLine(0);
        QCOMPARE(e.Lcd()->View().At(60, 30), kRedPen);
        QCOMPARE(e.Lcd()->View().At(150, 30), kWhitePen);
        QVERIFY(e.form.DesignDirty());
    }

    void typingInTheLineBoxRewritesTheLine() {
        Editor e;
        e.Load("BOX(0,0,100,100,1);PS(0,0,1);");
        e.ClickLine(0);
        auto* edit = e.Child<QLineEdit>("cmdedit");
        edit->setFocus();
        QVERIFY(edit->hasFocus());
        edit->selectAll();
        QTest::keyClicks(edit, "BOX(10,20,60,40,2)");
        QCOMPARE(Lines(e.form), (QStringList{"BOX(10,20,60,40,2)", "PS(0,0,1)"}));
        QCOMPARE(e.Child<QListWidget>("cmdlist")->item(0)->text(), QString("BOX(10,20,60,40,2)"));
        QCOMPARE(e.Grid("y1"), QString("20"));
        QCOMPARE(e.Lcd()->View().At(60, 30), kRedPen);
        QCOMPARE(e.Lcd()->View().At(100, 50), kBlack);  // the old frame is gone
        // The whole typing session on one line is one undo step.
        QCOMPARE(e.form.UndoStack()->count(), 1);
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Lines(e.form), (QStringList{"BOX(0,0,100,100,1)", "PS(0,0,1)"}));
        QTest::keyClick(edit, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(Lines(e.form), (QStringList{"BOX(10,20,60,40,2)", "PS(0,0,1)"}));
    }

    void draggingRewritesTheStatement_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QString>("line");
        // BOX(20,20,120,80,1): inside moves the box, right edge x2 only, bottom edge y2 only.
        QTest::newRow("inside") << 1 << QPoint(50, 50) << QPoint(60, 55) << "BOX(30,25,130,85,1)";
        QTest::newRow("inside at 3x") << 3 << QPoint(50, 50) << QPoint(60, 55) << "BOX(30,25,130,85,1)";
        QTest::newRow("right edge") << 1 << QPoint(117, 50) << QPoint(132, 70) << "BOX(20,20,135,80,1)";
        QTest::newRow("right edge at 2x") << 2 << QPoint(120, 40) << QPoint(100, 40) << "BOX(20,20,100,80,1)";
        QTest::newRow("bottom edge") << 1 << QPoint(60, 79) << QPoint(90, 99) << "BOX(20,20,120,100,1)";
        QTest::newRow("left stop at 0") << 1 << QPoint(50, 50) << QPoint(0, 40) << "BOX(0,10,100,70,1)";
        QTest::newRow("right edge past the screen") << 1 << QPoint(120, 50) << QPoint(320, 50) << "BOX(20,20,120,80,1)";
    }
    void draggingRewritesTheStatement() {
        QFETCH(int, zoom);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QString, line);
        Editor e;
        e.form.SetZoom(zoom);
        QCOMPARE(e.Lcd()->Scale(), zoom);
        e.Load("CLS(0);BOX(20,20,120,80,1);");
        e.Drag(from, to);
        QCOMPARE(Lines(e.form), (QStringList{"CLS(0)", line}));
        QCOMPARE(e.form.CurrentLine(), 1);
        QCOMPARE(e.Child<QLineEdit>("cmdedit")->text(), line);
        const bool changed = line != "BOX(20,20,120,80,1)";
        QCOMPARE(e.form.UndoStack()->count(), changed ? 1 : 0);
        if (changed) {
            e.form.UndoStack()->undo();
            QCOMPARE(Lines(e.form), (QStringList{"CLS(0)", "BOX(20,20,120,80,1)"}));
        }
    }

    void hoverCursorFollowsTheZones_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<int>("cursor");
        // A 100-pixel frame grabbed 3 pixels left of its right edge: a right-edge grab for a
        // box, nothing at all for a text line that can only move.
        QTest::newRow("box inside") << "BOX(0,0,100,50,1)" << QPoint(50, 20) << int(Qt::PointingHandCursor);
        QTest::newRow("box right edge") << "BOX(0,0,100,50,1)" << QPoint(97, 20) << int(Qt::SizeHorCursor);
        QTest::newRow("box bottom edge") << "BOX(0,0,100,50,1)" << QPoint(20, 48) << int(Qt::SizeVerCursor);
        QTest::newRow("box outside") << "BOX(0,0,100,50,1)" << QPoint(200, 200) << int(Qt::ArrowCursor);
        QTest::newRow("paragraph right edge") << "BS16(0,0,100,4,'ab',1)" << QPoint(97, 5) << int(Qt::SizeHorCursor);
        QTest::newRow("cls") << "CLS(0)" << QPoint(50, 20) << int(Qt::ArrowCursor);
    }
    void hoverCursorFollowsTheZones() {
        QFETCH(QString, line);
        QFETCH(QPoint, point);
        QFETCH(int, cursor);
        Editor e;
        e.Load(qPrintable(line + ";"));
        e.Hover(point);
        QCOMPARE(int(e.Lcd()->cursor().shape()), cursor);
    }

    void aClsLineCannotBeGrabbed() {
        Editor e;
        e.Load("CLS(3);");
        e.Drag(QPoint(50, 50), QPoint(80, 80));
        QCOMPARE(Lines(e.form), QStringList{"CLS(3)"});
        QCOMPARE(e.form.UndoStack()->count(), 0);
    }

    void escapeDuringADragPutsTheFrameBack() {
        Editor e;
        e.Load("BOX(20,20,120,80,1);");
        e.Hover(QPoint(50, 50));
        QTest::mousePress(e.Lcd(), Qt::LeftButton, {}, e.At(QPoint(50, 50)));
        QTest::mouseMove(e.Lcd(), e.At(QPoint(90, 90)));
        QCOMPARE(e.Lcd()->View().At(60, 70), kRedPen);  // the frame is drawn where it is dragged
        QTest::keyClick(e.Lcd(), Qt::Key_Escape);
        QTest::mouseRelease(e.Lcd(), Qt::LeftButton, {}, e.At(QPoint(90, 90)));
        QCOMPARE(Lines(e.form), QStringList{"BOX(20,20,120,80,1)"});
        QCOMPARE(e.Lcd()->View().At(60, 70), kBlack);
        QCOMPARE(e.Lcd()->View().At(120, 50), kRedPen);
        QCOMPARE(e.form.UndoStack()->count(), 0);
        // A drag that comes back where it began leaves no step either.
        QTest::mousePress(e.Lcd(), Qt::LeftButton, {}, e.At(QPoint(50, 50)));
        QTest::mouseMove(e.Lcd(), e.At(QPoint(70, 60)));
        QTest::mouseMove(e.Lcd(), e.At(QPoint(50, 50)));
        QTest::mouseRelease(e.Lcd(), Qt::LeftButton, {}, e.At(QPoint(50, 50)));
        QCOMPARE(Lines(e.form), QStringList{"BOX(20,20,120,80,1)"});
        QCOMPARE(e.form.UndoStack()->count(), 0);
    }

    void arrowKeysMoveTheSelectedFrame() {
        Editor e;
        e.Load("DS16(5,6,'ab',1);BOX(3,20,120,80,1);");
        e.ClickLine(1);
        e.Lcd()->setFocus();
        QTest::keyClick(e.Lcd(), Qt::Key_Right);
        QCOMPARE(Lines(e.form).at(1), QString("BOX(4,20,121,80,1)"));
        QTest::keyClick(e.Lcd(), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(Lines(e.form).at(1), QString("BOX(4,30,121,90,1)"));
        QTest::keyClick(e.Lcd(), Qt::Key_Left, Qt::ShiftModifier);  // stops at the left edge
        QCOMPARE(Lines(e.form).at(1), QString("BOX(0,30,117,90,1)"));
        QCOMPARE(e.form.UndoStack()->count(), 3);
        QCOMPARE(Lines(e.form).at(0), QString("DS16(5,6,'ab',1)"));
    }

    void theGridWorksInScreenCoordinatesUnderAnOffset() {
        // After SXY(100,0) the box is drawn 100 pixels right: the grid shows where it is drawn
        // and a change in the grid, like a drag, keeps the statement's own coordinates.
        Editor e;
        e.Load("BOX(1,1,5,5,1);SXY(100,0);BOX(10,10,20,20,1);");
        QCOMPARE(Lines(e.form).at(1), QString("[SXY(100,0);BOX(10,10,20,20,1);]"));
        e.form.LoadText("SXY(100,0)");  // a lone offset line, as the palette adds it
        e.Click("CBG_BOX");
        e.ClickLine(1);
        QCOMPARE(e.Grid("x1"), QString("100"));
        e.TypeInGrid("y2", "50");
        QCOMPARE(Lines(e.form).at(1), QString("BOX(0,0,100,50,1)"));
        e.ClickLine(0);
        e.ClickLine(1);
        QCOMPARE(e.Grid("x1"), QString("100"));
        e.Drag(QPoint(150, 20), QPoint(160, 30));
        QCOMPARE(Lines(e.form).at(1), QString("BOX(10,10,110,60,1)"));
    }

    void theGridRebuildsTheLine() {
        Editor e;
        e.Load("DS16(5,6,'ab',1);");
        e.ClickLine(0);
        QCOMPARE(e.Grid("str"), QString("ab"));
        e.TypeInGrid("str", "x y");
        QCOMPARE(Lines(e.form), QStringList{"DS16(5,6,'x y',1,0)"});
        QCOMPARE(e.Child<QLineEdit>("cmdedit")->text(), QString("DS16(5,6,'x y',1,0)"));
        QCOMPARE(e.form.UndoStack()->count(), 1);
    }

    void choosersSetTheirRow() {
        Editor e;
        // Three pictures in the flash folder; the third is picture 2.
        fs::create_directories(e.host.g.Workspace() / "pic");
        for (int n = 1; n <= 3; ++n) test::WriteJpeg(e.host.g.Workspace() / "pic" / (std::to_string(n) + ".jpg"), test::Solid(8, 8, 0, 0, 255));
        e.host.captions = {"1:", "2:menu"};
        e.Load("SCC(5,2016);PIC(0,0,1);BTN(1,10,10,110,110,3,0);BOX(0,0,9,9,1);");

        e.ClickLine(1);
        QVERIFY(e.Choose("pn", e.form.PictureChooser(), "pic2"));
        QCOMPARE(Lines(e.form).at(1), QString("PIC(0,0,2)"));
        QCOMPARE(e.form.PictureChooser()->Count(), 3);
        // Each button shows its picture in the middle and "n(n.jpg)" in its corner.
        auto* third = e.form.PictureChooser()->findChild<QToolButton*>("pic2");
        QCOMPARE(third->toolTip(), QString("3.jpg"));
        const QImage shown = third->grab().toImage();
        const QColor middle = shown.pixelColor(shown.width() / 2, shown.height() / 2);
        QVERIFY2(middle.blue() > 200 && middle.red() < 50 && middle.green() < 50, qPrintable(middle.name()));

        e.ClickLine(2);
        QVERIFY(e.Choose("asc", e.form.KeyChooser(), "psel0"));
        QCOMPARE(Lines(e.form).at(2), QString("BTN(1,10,10,110,110,3,129)"));
        QVERIFY(e.Choose("asc", e.form.KeyChooser(), "asc65"));
        QCOMPARE(Lines(e.form).at(2), QString("BTN(1,10,10,110,110,3,65)"));
        QVERIFY(e.Choose("asc", e.form.KeyChooser(), "ctrl13"));
        QCOMPARE(Lines(e.form).at(2), QString("BTN(1,10,10,110,110,3,13)"));
        QCOMPARE(e.form.KeyChooser()->findChild<QToolButton*>("psel1")->text(), QString("2:menu"));

        // The colour chooser shows the palette as SCC left it: swatch 5 in the new colour.
        e.ClickLine(3);
        const QColor scc = QColor::fromRgb(Tgd::ModuleToDesktop(2016));
        QVERIFY(e.Choose("c", e.form.ColourChooser(), "color5"));
        QCOMPARE(Lines(e.form).at(3), QString("BOX(0,0,9,9,5)"));
        const QImage swatch = e.form.ColourChooser()->findChild<QToolButton*>("color5")->grab().toImage();
        QCOMPARE(swatch.pixelColor(swatch.width() / 2 + 8, swatch.height() / 2), scc);

        // Closing a chooser any other way changes nothing.
        QVERIFY(!e.Choose("c", e.form.ColourChooser(), "no such button"));
        QCOMPARE(Lines(e.form).at(3), QString("BOX(0,0,9,9,5)"));
        QCOMPARE(e.form.UndoStack()->count(), 5);
    }

    void theDesktopColourDialogGivesAModuleColour() {
        Editor e;
        e.Load("SCC(1,0);");
        e.ClickLine(0);
        ui::Responder answers;
        answers.colours = {QColor(255, 0, 0), QColor(0, 255, 0)};
        // Entering the grid (here through the chooser button itself) makes it the active
        // editor: the line is rebuilt.
        auto* ve = e.Child<QTableWidget>("ve");
        QTest::mouseClick(qobject_cast<QToolButton*>(ve->cellWidget(1, 2)), Qt::LeftButton);
        QCOMPARE(Lines(e.form), QStringList{"SCC(1,63488)"});
        // After a colour number is chosen the grid is no longer the active editor: the next
        // desktop colour shows in the grid but leaves the line.
        QVERIFY(e.Choose("c", e.form.ColourChooser(), "color5"));
        QCOMPARE(Lines(e.form), QStringList{"SCC(5,63488)"});
        QTest::mouseClick(qobject_cast<QToolButton*>(ve->cellWidget(1, 2)), Qt::LeftButton);
        QCOMPARE(e.Grid("color"), QString::number(0x07E0));
        QCOMPARE(Lines(e.form), QStringList{"SCC(5,63488)"});
    }

    void importGroupsTheOffsetStatements() {
        Editor e;
        e.host.edit_area = Utf8ToGbk("CLS(0); SXY(10,20);\r\n DS16(0,0,'a;b',1);\r\nSXY(0,0); BOX(0,0,9,9,1);");
        e.form.findChild<QPushButton*>("Button11")->click();
        QCOMPARE(Lines(e.form), (QStringList{"CLS(0)", "[SXY(10,20);DS16(0,0,'a;b',1);SXY(0,0);]", "BOX(0,0,9,9,1)"}));
        QVERIFY(!e.form.DesignDirty());
        // The group line shows the group box with its statements, and has no frame.
        e.ClickLine(1);
        QVERIFY(e.Child<QGroupBox>("ym2")->isVisible());
        QVERIFY(!e.Child<QGroupBox>("ym1")->isVisible());
        QCOMPARE(e.Child<QPlainTextEdit>("yjz")->toPlainText(), QString("SXY(10,20);\nDS16(0,0,'a;b',1);\nSXY(0,0);\n"));
        QCOMPARE(e.form.Frame(1).type, 3);

        // A text that ends inside a group closes it at the end.
        e.host.edit_area = "SXY(10,20);DS16(0,0,'a',1);";
        e.form.ImportCommand();
        QCOMPARE(Lines(e.form), QStringList{"[SXY(10,20);DS16(0,0,'a',1);]"});
    }

    void directEditChecksTheGroup() {
        Editor e;
        e.Load("SXY(10,20);DS16(0,0,'a',1);SXY(0,0);");
        e.ClickLine(0);
        auto* yjz = e.Child<QPlainTextEdit>("yjz");
        ui::Responder answers;
        yjz->setPlainText("DS16(0,0,'a',1);\nSXY(0,0);");
        e.Click("Button2");
        yjz->setPlainText("SXY(10,20);\nDS16(0,0,'a',1);");
        e.Click("Button2");
        QCOMPARE(answers.Texts(), (QStringList{"语句组必须以 SXY 等设置左上角坐标的语句开头", "语句组必须以 SXY(0,0); 语句结尾"}));
        yjz->setPlainText("SXY(30,20);\nDS16(0,0,'b',1);\nSXY(0,0);");
        e.Click("Button2");
        QCOMPARE(Lines(e.form), QStringList{"[SXY(30,20);DS16(0,0,'b',1);SXY(0,0);]"});
        QCOMPARE(e.form.UndoStack()->count(), 1);
    }

    void groupDesignOpensAndEnds() {
        Editor e;
        e.Load("CLS(0);SXY(10,20);DS16(0,0,'a',1);BOX(0,0,20,20,1);SXY(0,0);PS(1,1,1);");
        QCOMPARE(Lines(e.form), (QStringList{"CLS(0)", "[SXY(10,20);DS16(0,0,'a',1);BOX(0,0,20,20,1);SXY(0,0);]", "PS(1,1,1)"}));
        e.ClickLine(1);
        e.Click("Button3");
        QVERIFY(e.form.GroupDesignOpen());
        QCOMPARE(Lines(e.form), (QStringList{"DS16(0,0,'a',1)", "BOX(0,0,20,20,1)"}));
        // Inside the group the box is dragged in the group's own coordinates.
        e.Drag(QPoint(5, 5), QPoint(15, 10));
        QCOMPARE(Lines(e.form).at(1), QString("BOX(10,5,30,25,1)"));
        e.Click("Button13");
        QVERIFY(!e.form.GroupDesignOpen());
        QCOMPARE(Lines(e.form),
                 (QStringList{"CLS(0)", "[SXY(10,20);DS16(0,0,'a',1);BOX(10,5,30,25,1);SXY(0,0);]", "PS(1,1,1)"}));
        QVERIFY(e.host.navigations.empty());
        QVERIFY(!e.form.DesignDirty());

        // Ending the design itself hands the lines to the batch interface editor.
        e.ClickLine(2);
        QVERIFY(e.form.DesignDirty());
        e.Click("Button13");
        QCOMPARE(U(e.host.edit_area),
                 QString("CLS(0);\r\nSXY(10,20);DS16(0,0,'a',1);BOX(10,5,30,25,1);SXY(0,0);;\r\nPS(1,1,1);"));
        QCOMPARE(e.host.navigations, std::vector<std::string>{"pjm"});
        QVERIFY(!e.form.DesignDirty());

        // Opening and ending the group are undo steps of their own.
        e.form.UndoStack()->undo();
        QVERIFY(e.form.GroupDesignOpen());
        QCOMPARE(Lines(e.form), (QStringList{"DS16(0,0,'a',1)", "BOX(10,5,30,25,1)"}));
        e.form.UndoStack()->undo();
        e.form.UndoStack()->undo();
        QVERIFY(!e.form.GroupDesignOpen());
        QCOMPARE(Lines(e.form), (QStringList{"CLS(0)", "[SXY(10,20);DS16(0,0,'a',1);BOX(0,0,20,20,1);SXY(0,0);]", "PS(1,1,1)"}));
    }

    void lineToolsAndTheCCodeWindow() {
        Editor e;
        e.Load("CLS(0);BOX(0,0,9,9,1);SXY(1,1);PS(0,0,1);SXY(0,0);");
        e.Click("SpeedButton3");  // no current line: nothing
        QCOMPARE(e.form.Lines().size(), size_t(3));
        e.ClickLine(1);
        e.Click("SpeedButton3");
        QCOMPARE(Lines(e.form), (QStringList{"CLS(0)", "BOX(0,0,9,9,1)", "BOX(0,0,9,9,1)", "[SXY(1,1);PS(0,0,1);SXY(0,0);]"}));
        QCOMPARE(e.form.CurrentLine(), 2);
        e.Click("SpeedButton2");
        QCOMPARE(e.form.Lines().size(), size_t(3));
        e.Click("SpeedButton4");
        const std::string text = "CLS(0);\r\nBOX(0,0,9,9,1);\r\n[SXY(1,1);PS(0,0,1);SXY(0,0);];";
        QCOMPARE(e.host.ccode, std::vector<std::string>{text});
        QCOMPARE(e.host.edit_area, text);

        ui::Responder answers;
        answers.answers = {false, true};
        e.Click("SpeedButton1");
        QCOMPARE(e.form.Lines().size(), size_t(3));
        e.Click("SpeedButton1");
        QVERIFY(e.form.Lines().empty());
        QCOMPARE(e.Child<QListWidget>("cmdlist")->count(), 0);
        QCOMPARE(answers.Texts(), (QStringList{"是否要全部删除当前语句?", "是否要全部删除当前语句?"}));
        e.form.UndoStack()->undo();
        QCOMPARE(e.form.Lines().size(), size_t(3));
    }

    void linesPastTheFramePoolDrawWithoutAFrame() {
        Editor e;
        std::string text;
        for (int i = 0; i < ui::Teditcmdform::kFramePool; ++i) text += "PS(" + std::to_string(i % 300) + ",0,1);";
        text += "BOXF(300,200,310,210,2);";
        e.form.LoadText(text);
        QCOMPARE(e.form.Lines().size(), size_t(ui::Teditcmdform::kFramePool + 1));
        QCOMPARE(e.Lcd()->View().At(305, 205), Tgd::ModuleToDesktop(0x07E0));
        QCOMPARE(e.Lcd()->View().At(310, 205), Rgb(0, 0, 0));  // no frame line on its right edge
        e.Drag(QPoint(305, 205), QPoint(250, 150));
        QCOMPARE(e.form.UndoStack()->count(), 0);
    }

    void screenTakesTheModuleSizeAndSwitches() {
        Editor e;
        e.host.g.Rom().Device().ScreenWidth = 854;
        e.host.g.Rom().Device().ScreenHeight = 480;
        e.form.Activate();
        QCOMPARE(e.Lcd()->View().width, 854);
        QCOMPARE(e.Lcd()->View().height, 480);
        e.Load("BOX(700,400,800,470,1);");
        e.Drag(QPoint(720, 420), QPoint(740, 430));
        QCOMPARE(Lines(e.form), QStringList{"BOX(720,410,820,480,1)"});

        e.Click("hpsp");
        QCOMPARE(e.Child<QPushButton>("hpsp")->text(), QString("切换横屏"));
        QCOMPARE(e.Lcd()->View().width, 480);
        QCOMPARE(e.Lcd()->View().height, 854);
        QCOMPARE(e.host.g.Rom().Device().ScreenWidth, 480);
        QVERIFY(e.host.refreshes > 0);
        e.form.UndoStack()->undo();
        QCOMPARE(e.Lcd()->View().width, 854);
        QCOMPARE(e.Child<QPushButton>("hpsp")->text(), QString("切换竖屏"));
        QCOMPARE(Lines(e.form), QStringList{"BOX(720,410,820,480,1)"});

        // The picture is kept sharp at every zoom.
        e.Child<QComboBox>("zoom")->setCurrentIndex(3);
        QCOMPARE(e.Lcd()->Scale(), 4);
        QCOMPARE(e.Lcd()->size(), QSize(854 * 4, 480 * 4));
    }

    void saveScreenAsPng() {
        Editor e;
        e.Load("BOXF(0,0,40,40,2);");
        QTemporaryDir out;
        const QString file = out.filePath("screen.png");
        ui::Responder answers;
        answers.files = {file};
        e.Click("savepng");
        QImage saved(file);
        QCOMPARE(saved.size(), QSize(320, 240));
        QCOMPARE(saved.pixel(30, 30), Tgd::ModuleToDesktop(0x07E0));
    }

    // Twenty mixed edits, each one undo step; undone one by one they give back every earlier
    // text, redone they give the final one.
    void undoAndRedoATwentyStepSession() {
        Editor e;
        e.host.captions = {"1:"};
        std::vector<QStringList> history{Lines(e.form)};
        auto step = [&](const char* what) {
            history.push_back(Lines(e.form));
            QVERIFY2(e.form.UndoStack()->count() == int(history.size()) - 1, what);
        };
        e.Click("CBG_BOX");                      step("palette box");
        e.Click("CBG_DS16");                     step("palette text");
        e.Click("CBG_CLS");                      step("palette cls");
        e.ClickLine(0);
        e.Drag(QPoint(50, 50), QPoint(70, 60));  step("drag");
        e.Drag(QPoint(120, 40), QPoint(150, 40)); step("right edge");
        e.Lcd()->setFocus();
        QTest::keyClick(e.Lcd(), Qt::Key_Down);  step("arrow");
        auto* edit = e.Child<QLineEdit>("cmdedit");
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, "BOX(1,2,3,4,5)"); step("typing");
        e.TypeInGrid("x2", "200");               step("grid");
        QVERIFY(e.Choose("c", e.form.ColourChooser(), "color7")); step("colour chooser");
        e.Click("SpeedButton3");                 step("copy");
        e.Click("SpeedButton2");                 step("delete");
        e.ClickLine(1);
        e.TypeInGrid("str", "hello");            step("grid string");
        e.Click("CBG_SXY");                      step("palette sxy");
        e.Click("CBG_BTN");                      step("palette button");
        QVERIFY(e.Choose("asc", e.form.KeyChooser(), "psel0")); step("key chooser");
        e.Drag(QPoint(200, 150), QPoint(190, 145)); step("drag button");  // drawn at the SXY offset
        e.Lcd()->setFocus();
        QTest::keyClick(e.Lcd(), Qt::Key_Right, Qt::ShiftModifier); step("shift arrow");
        e.ClickLine(0);
        edit->setFocus();
        edit->end(false);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, "6)");            step("typing again");
        e.Click("CBG_PL");                       step("palette line");
        e.Click("SpeedButton2");                 step("delete again");
        QCOMPARE(int(history.size()), 21);
        const QStringList final_lines = Lines(e.form);

        for (int i = int(history.size()) - 2; i >= 0; --i) {
            QTest::mouseClick(e.Child<QToolButton>("undo"), Qt::LeftButton);
            QCOMPARE(Lines(e.form), history[size_t(i)]);
        }
        QVERIFY(!e.Child<QToolButton>("undo")->isEnabled());
        for (size_t i = 1; i < history.size(); ++i) {
            e.form.setFocus();
            QTest::keyClick(&e.form, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(Lines(e.form), history[i]);
        }
        QCOMPARE(Lines(e.form), final_lines);
    }

    void loadsACommandFile() {
        Editor e;
        QTemporaryDir dir;
        QFile file(dir.filePath("page.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("CLS(0);\nDS16(0,0,'汉字',1);\n");
        file.close();
        QVERIFY(e.form.LoadFile(file.fileName()));
        QCOMPARE(Lines(e.form), (QStringList{"CLS(0)", "DS16(0,0,'汉字',1)"}));
        QVERIFY(!e.form.LoadFile(dir.filePath("missing.txt")));
    }

    void textIsDrawnWithTheBuiltInFonts() {
        // The main window builds its image over the base image drawn from the free fonts, so a
        // 16-pixel 'A' is a glyph, not a solid cell.
        test::Frame f;
        auto* design = qobject_cast<ui::Teditcmdform*>(f.main->Window("editcmd"));
        QVERIFY(design);
        design->LoadText("DS16(0,0,'A',1);");
        design->SimulateDisplay();
        const Framebuffer fb = design->Screen()->View();
        const uint32_t red = Tgd::ModuleToDesktop(0xF800);
        // The glyph in the image: 8 columns of 2 bytes, bit r % 8 of byte 2 x + r / 8 is row r.
        const uint8_t* glyph = f.g->Rom().Image() + flash::kAsc16 + ('A' - 0x20) * flash::kAsc16GlyphBytes;
        int set = 0;
        for (int x = 0; x < 8; ++x)
            for (int y = 0; y < 16; ++y) {
                const bool ink = (glyph[2 * x + y / 8] >> (y % 8)) & 1;
                set += ink;
                QCOMPARE(fb.At(x, y), ink ? red : Rgb(0, 0, 0));
            }
        QVERIFY(set > 10);  // a glyph, not an empty or solid cell
        QVERIFY(set < 100);
        QCOMPARE(fb.At(8, 0), Rgb(0, 0, 0));
    }

    void screenPixelsStaySharpWhenScaled() {
        Editor e;
        e.form.SetZoom(3);
        e.Load("PS(5,5,1);");
        e.form.SimulateDisplay();
        const QImage shown = e.Lcd()->grab().toImage();
        const int s = e.Lcd()->Scale();
        QCOMPARE(shown.size(), QSize(320 * s, 240 * s));
        const QColor red = QColor::fromRgb(Tgd::ModuleToDesktop(0xF800));
        for (int dy = 0; dy < s; ++dy)
            for (int dx = 0; dx < s; ++dx) QCOMPARE(shown.pixelColor(5 * s + dx, 5 * s + dy), red);
        QCOMPARE(shown.pixelColor(6 * s, 5 * s), QColor(Qt::black));
    }

    void captionCarriesTheVersion() {
        test::Frame f;
        QCOMPARE(f.main->windowTitle(), QStringLiteral("Quelmo V" QUELMO_VERSION));
    }
};

QTEST_MAIN(TestEditCmd)
#include "test_editcmd.moc"
