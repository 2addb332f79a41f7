// The main window as a user meets it: the menus and their enabling, the working windows behind
// 'return', the status panel, the file menu with its dialogs and messages, the project
// parameters window, start-up and the end of the program.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <fstream>

#include "core/gbk.h"
#include "editors/ui/editcmd_form.h"
#include "flash/layout.h"
#include "flash/trom.h"
#include "frame_fixture.h"
#include "core/hashtable.h"
#include "project/ui/newprj_form.h"
#include "project/ui/prjini_form.h"
#include "shell/ui/messages.h"
#include "shell/ui/status_bar.h"
#include "link/link_fixture.h"
#include "support/zip_maker.h"

using namespace quelmo;
namespace fs = std::filesystem;

namespace {

// The program's windows, the start page among them, for the cases that go through the start
// page by its menu entry.
ui::WindowTable WithStartPage() { return ui::ProgramWindows(); }

QPushButton* Button(QWidget& w, const char* name) { return w.findChild<QPushButton*>(name); }
// The frame's own controls: the top bar and the status panel (working windows reuse the names).
QWidget& Bar(ui::Tmainform& w, const char* bar) { return *w.findChild<QWidget*>(bar); }
QPushButton* Return(ui::Tmainform& w) { return Button(Bar(w, "topbar"), "Button2"); }
QString LabelText(ui::Tmainform& w, const char* name) {
    QWidget& owner = std::string_view(name) == "gcname" ? Bar(w, "topbar") : Bar(w, "StatusPanel");
    return owner.findChild<QLabel*>(name)->text();
}

// Types text of any script, one character at a time, as key presses that carry it.
void TypeText(QWidget* w, const QString& text) {
    for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The working window in front: the one sub-window shown.
QString Shown(ui::Tmainform& w) {
    QString shown;
    for (QMdiSubWindow* sub : w.findChildren<QMdiSubWindow*>())
        if (sub->isVisibleTo(&w)) shown += sub->widget()->objectName();
    return shown;
}

// Answers the new project dialog once it is open: `steps` acts on it as the user would.
void OnNewProjectDialog(std::function<void(ui::Tnewprjform&)> steps) {
    QTimer::singleShot(0, [steps] {
        auto* d = qobject_cast<ui::Tnewprjform*>(QApplication::activeModalWidget());
        QVERIFY(d);
        steps(*d);
        if (d->isVisible()) d->reject();
    });
}

void FillNewProject(ui::Tnewprjform& d, const QString& name, const QString& file) {
    auto* n = d.findChild<QLineEdit*>("name");
    auto* p = d.findChild<QLineEdit*>("prjfile");
    n->clear();
    TypeText(n, name);
    p->clear();
    TypeText(p, file);
    QTest::mouseClick(Button(d, "create"), Qt::LeftButton);
}

// Types into the value cell of a grid row the way a user does: double-click, type, and Enter
// unless the next click is to end the typing.
void TypeIntoGrid(QTableWidget* grid, int row, const QString& text, bool enter = true) {
    const QRect cell = grid->visualRect(grid->model()->index(row, 1));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    TypeText(editor, text);
    if (enter) QTest::keyClick(editor, Qt::Key_Return);
}

int RowOf(QTableWidget* grid, const char* key) {
    for (int r = 0; r < grid->rowCount(); ++r)
        if (grid->item(r, 0)->text() == QString::fromUtf8(key)) return r;
    return -1;
}

}  // namespace

class TestMainForm : public QObject {
    Q_OBJECT
private slots:
    // --- menus ---

    void menuEntriesCarryTheirCaptionsAndShortcuts() {
        test::Frame f;
        struct Entry {
            const char* name;
            const char* caption;
            QKeySequence shortcut;
        };
        for (const Entry& e : {Entry{"newprj", "create a new project file", QKeySequence("Ctrl+N")},
                               Entry{"loadprj", "open a project file", QKeySequence("Ctrl+O")},
                               Entry{"closeprj", "close current project", {}},
                               Entry{"saveprj", "Project file save", QKeySequence("Ctrl+S")},
                               Entry{"saveasprj", "save as project file", {}},
                               Entry{"exit", "exit", {}},
                               Entry{"p1", "project setup", {}},
                               Entry{"p3", "graphic setup", {}},
                               Entry{"p5", "assist design", {}},
                               Entry{"GIFJPG1", "GIF to JPG", {}},
                               Entry{"N18", "about", {}}}) {
            QAction* a = f.Action(e.name);
            QVERIFY2(a, e.name);
            QCOMPARE(a->text(), QString(e.caption));
            QCOMPARE(a->shortcut(), e.shortcut);
        }
        // The about entry sits under three separator lines.
        const auto help = f.main->findChild<QMenu*>("help")->actions();
        QCOMPARE(help.size(), 4);
        for (int i = 0; i < 3; ++i) QVERIFY(help[i]->isSeparator());
    }

    void entriesOfWindowsNotBuiltAreAbsent() {
        // Windows not in the table have no entry; a menu left empty is not shown.
        ui::WindowTable t = ui::ProgramWindows();
        const std::vector<std::string> left_out = {"start", "commcon", "pjm", "sync", "fontedit", "sdstart", "pymb", "ccode"};
        std::erase_if(t, [&](const ui::WindowEntry& e) {
            return std::find(left_out.begin(), left_out.end(), e.name) != left_out.end();
        });
        test::Frame without({}, t);
        for (const char* name : {"start", "c1", "c2", "c3", "p2", "p4", "F4", "C4", "N3"})
            QVERIFY2(!without.Action(name), name);
        QVERIFY(!without.main->findChild<QMenu*>("connect")->menuAction()->isVisible());
        QVERIFY(without.main->findChild<QMenu*>("edit")->menuAction()->isVisible());
        // With the whole table they are there.
        test::Frame f;
        for (const char* name : {"start", "c1", "c3"}) QVERIFY2(f.Action(name), name);
        QVERIFY(f.main->findChild<QMenu*>("connect")->menuAction()->isVisible());
    }

    void aModalWindowOfTheTableOpensFromItsEntry() {
        ui::WindowTable t = ui::ProgramWindows();
        t.push_back({"ccode", [](ui::ShellHost&, QWidget* parent) -> QWidget* {
                         auto* d = new QDialog(parent);
                         d->setObjectName("Tccodeform");
                         return d;
                     }, {}, true});
        test::Frame f({}, t);
        QVERIFY(f.Action("C4"));
        // Not a sub-window: nothing switches to it by name.
        const QString before = Shown(*f.main);
        f.main->Navigate("ccode");
        QCOMPARE(Shown(*f.main), before);
        bool was_modal = false;
        QTimer::singleShot(0, [&] {
            QWidget* w = QApplication::activeModalWidget();
            was_modal = w && w->objectName() == "Tccodeform";
            if (w) w->close();
        });
        QVERIFY(f.Choose("C4"));
        QVERIFY(was_modal);
    }

    void menuRulesFollowTheProjectAndTheConnection() {
        test::Frame f;
        auto on = [&f](const char* name) { return f.Action(name)->isEnabled(); };
        // No project: create and open only; a connection made meanwhile reads 0 again.
        for (const char* name : {"newprj", "loadprj", "exit", "GIFJPG1", "N18"}) QVERIFY2(on(name), name);
        for (const char* name : {"closeprj", "saveprj", "saveasprj", "p1", "p3", "p5"}) QVERIFY2(!on(name), name);
        f.main->Link().ConnectionState = 1;
        f.main->RefreshMenus();
        QCOMPARE(f.main->Link().ConnectionState, 0);
        QVERIFY(!on("p1"));

        // A project open but not connected: the file entries, no editing.
        QVERIFY(f.main->Project().Create("demo", f.root / "demo.gpu"));
        f.main->RefreshMenus();
        for (const char* name : {"closeprj", "saveprj", "saveasprj"}) QVERIFY2(on(name), name);
        for (const char* name : {"newprj", "loadprj", "p1", "p3", "p5"}) QVERIFY2(!on(name), name);

        // Offline editing: the edit entries come on.
        f.main->Link().ConnectionState = 2;
        f.main->RefreshMenus();
        QCOMPARE(f.main->Link().ConnectionState, 2);
        for (const char* name : {"p1", "p3", "p5"}) QVERIFY2(on(name), name);
    }

    // --- navigation ---

    void returnWalksBackThroughTheHistory() {
        test::Frame f;
        f.OpenOffline();
        auto* ret = Return(*f.main);
        QVERIFY(!ret->isEnabled());
        // A, B, C: project setup, graphic setup, assist design.
        for (const char* entry : {"p1", "p3", "p5"}) QVERIFY(f.Choose(entry));
        QCOMPARE(Shown(*f.main), QString("Teditcmdform"));
        QVERIFY(ret->isEnabled());

        QTest::mouseClick(ret, Qt::LeftButton);
        QCOMPARE(Shown(*f.main), QString("Tpicform"));
        QTest::mouseClick(ret, Qt::LeftButton);
        QCOMPARE(Shown(*f.main), QString("Tprjiniform"));
        QTest::mouseClick(ret, Qt::LeftButton);
        QCOMPARE(f.main->CurrentWindow(), std::string("start"));
        QCOMPARE(f.main->History().Depth(), 0);
        QVERIFY(!ret->isEnabled());
        // At depth 0 nothing more happens.
        f.main->Return();
        QCOMPARE(f.main->CurrentWindow(), std::string("start"));
    }

    void startPageResetsTheHistory() {
        test::Frame f({}, WithStartPage());
        f.OpenOffline();
        for (const char* entry : {"p1", "p3", "p5"}) QVERIFY(f.Choose(entry));
        QVERIFY(f.Choose("start"));
        QCOMPARE(Shown(*f.main), QString("Tstartform"));
        QCOMPARE(f.main->History().Depth(), 0);
        auto* ret = Return(*f.main);
        QVERIFY(!ret->isEnabled());
        f.main->Return();
        QCOMPARE(Shown(*f.main), QString("Tstartform"));
        // From the start page the chain begins again.
        QVERIFY(f.Choose("p3"));
        QTest::mouseClick(ret, Qt::LeftButton);
        QCOMPARE(Shown(*f.main), QString("Tstartform"));
    }

    void returnAsksBeforeDroppingAnEditedDesign() {
        test::Frame f;
        f.OpenOffline();
        QVERIFY(f.Choose("p1"));
        QVERIFY(f.Choose("p5"));
        // A palette button adds a line and opens it for editing.
        auto* box = f.main->findChild<QAbstractButton*>("CBG_BOXF");
        QVERIFY(box);
        QTest::mouseClick(box, Qt::LeftButton);
        auto* ret = Return(*f.main);

        ui::Responder r;
        r.answers = {false, true};
        QTest::mouseClick(ret, Qt::LeftButton);
        QCOMPARE(Shown(*f.main), QString("Teditcmdform"));
        QTest::mouseClick(ret, Qt::LeftButton);
        QCOMPARE(Shown(*f.main), QString("Tprjiniform"));
        QCOMPARE(r.boxes.size(), size_t(2));
        QCOMPARE(r.boxes[0].kind, ui::Box::Question);
        QCOMPARE(r.boxes[0].title, QString::fromUtf8("系统提示"));
        QCOMPARE(r.boxes[0].text, QString::fromUtf8(ui::main_text::kDropDesign));

        // A design loaded as it stands asks nothing.
        qobject_cast<ui::Teditcmdform*>(f.main->Window("editcmd"))->LoadText("CLS(2);");
        QVERIFY(f.Choose("p5"));
        QTest::mouseClick(ret, Qt::LeftButton);
        QCOMPARE(r.boxes.size(), size_t(2));
        QCOMPARE(Shown(*f.main), QString("Tprjiniform"));
    }

    // --- status panel ---

    void flashBarIsDrawnPixelForPixel() {
        std::array<bool, 512> columns{};
        columns[0] = columns[511] = columns[100] = true;
        const QImage bar = ui::StatusBarPanel::DrawFlashBar(columns);
        QCOMPARE(bar.size(), QSize(514, 22));
        const QRgb black = qRgb(0, 0, 0), red = qRgb(255, 0, 0), white = qRgb(255, 255, 255);
        for (const QPoint p : {QPoint(0, 0), QPoint(513, 0), QPoint(0, 21), QPoint(513, 21), QPoint(200, 0), QPoint(0, 10)})
            QCOMPARE(bar.pixel(p), black);
        for (int x : {1, 101, 512}) {
            QCOMPARE(bar.pixel(x, 1), white);
            for (int y = 2; y <= 18; ++y) QCOMPARE(bar.pixel(x, y), red);
            QCOMPARE(bar.pixel(x, 19), white);
        }
        for (int y = 1; y <= 20; ++y) QCOMPARE(bar.pixel(2, y), white);
    }

    void statusPanelShowsTheConnectionAndTheFlash() {
        test::Frame f;
        QCOMPARE(LabelText(*f.main, "Label1"), QString::fromUtf8("串口屏未连接!"));
        QCOMPARE(LabelText(*f.main, "Label2"), QString());
        QCOMPARE(LabelText(*f.main, "Label4"), QString("8M"));
        QCOMPARE(LabelText(*f.main, "Label5"), QString("16M"));
        // The bar shows the image just built from the base image: data at the start, erased at the end.
        auto* romimg = Bar(*f.main, "StatusPanel").findChild<QLabel*>("romimg");
        const QImage shown = romimg->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown, ui::StatusBarPanel::DrawFlashBar(FlashBarColumns(f.g->Rom())));
        QCOMPARE(shown.pixel(1, 10), qRgb(255, 0, 0));
        QCOMPARE(shown.pixel(512, 10), qRgb(255, 255, 255));

        f.OpenOffline();
        f.g->Rom().Device().ScreenWidth = 480;
        f.g->Rom().Device().ScreenHeight = 272;
        f.g->Rom().Device().MemorySize = 8;
        QTest::mouseClick(Button(Bar(*f.main, "StatusPanel"), "Button1"), Qt::LeftButton);
        QCOMPARE(LabelText(*f.main, "Label1"), QString::fromUtf8("非连线编辑"));
        QCOMPARE(LabelText(*f.main, "Label2"), QString::fromUtf8("分辨率: 480X272   内存:8M"));
        QCOMPARE(LabelText(*f.main, "Label4"), QString("4M"));
        QCOMPARE(LabelText(*f.main, "Label5"), QString("8M"));
        QCOMPARE(LabelText(*f.main, "gcname"),
                 QString::fromStdString("demo(" + (f.root / "demo.gpu").string() + ")"));
    }

    // --- file menu ---

    void newProjectDialogRefusesAnEmptyNameThenCreates() {
        test::Frame f;
        ui::Responder r;
        const QString file = QString::fromStdString((f.root / "a.gpu").string());
        OnNewProjectDialog([&](ui::Tnewprjform& d) {
            // The project file field starts on test.gpu in the working folder.
            QCOMPARE(d.findChild<QLineEdit*>("prjfile")->text(), QString::fromStdString((f.root / "test.gpu").string()));
            if (const QString shots = qEnvironmentVariable("QUELMO_SHOTS"); !shots.isEmpty())
                d.grab().save(shots + "/newprj.png");
            QTest::mouseClick(Button(d, "create"), Qt::LeftButton);
            QVERIFY(d.isVisible());
            QCOMPARE(r.Texts(), QStringList{QString::fromUtf8("工程名为空")});
            FillNewProject(d, QString::fromUtf8("演示"), file);
            QVERIFY(!d.isVisible());
        });
        QVERIFY(f.Choose("newprj"));
        QVERIFY(f.main->Project().State().IsOpen());
        QCOMPARE(f.main->Project().State().Name, Utf8ToGbk("演示"));
        QVERIFY(fs::exists(f.root / "temp" / "prj.ini.key"));
        QVERIFY(fs::is_directory(f.root / "temp" / "pic"));
        QVERIFY(!fs::exists(f.root / "a.gpu"));  // the archive comes with the first save
        QCOMPARE(f.main->CurrentWindow(), std::string("start"));
        QCOMPARE(LabelText(*f.main, "gcname"), QString::fromUtf8("演示(") + file + ")");
        QVERIFY(!f.Action("newprj")->isEnabled());
        QVERIFY(f.Action("saveprj")->isEnabled());
    }

    void newProjectDialogClosedOtherwiseCreatesNothing() {
        test::Frame f;
        ui::Responder r;
        OnNewProjectDialog([](ui::Tnewprjform& d) { d.reject(); });
        QVERIFY(f.Choose("newprj"));
        QVERIFY(!f.main->Project().State().IsOpen());
        QVERIFY(!fs::exists(f.root / "temp" / "prj.ini.key"));
        QVERIFY(f.Action("newprj")->isEnabled());
        QVERIFY(r.boxes.empty());
    }

    void newProjectChooserFillsTheFileField() {
        test::Frame f;
        ui::Responder r;
        r.files = {QString::fromStdString((f.root / "chosen").string())};
        OnNewProjectDialog([&](ui::Tnewprjform& d) {
            QTest::mouseClick(Button(d, "choose"), Qt::LeftButton);
            QCOMPARE(d.ProjectFile(), QString::fromStdString((f.root / "chosen.gpu").string()));
            QCOMPARE(r.boxes.at(0).text, QString("choose a project data file"));
            QCOMPARE(r.boxes.at(0).filter, QString::fromUtf8("GPU数据文件 (*.gpu)"));
        });
        QVERIFY(f.Choose("newprj"));
    }

    void saveSaveAsCloseAndOpenAgain() {
        test::Frame f;
        f.OpenOffline("demo");
        const fs::path first = f.root / "demo.gpu";
        const fs::path second = f.root / "copy.gpu";
        ui::Responder r;

        QVERIFY(f.Choose("saveprj"));
        QCOMPARE(r.Texts(), QStringList{QString::fromUtf8("保存成功!")});
        QVERIFY(fs::exists(first));

        // Save as starts on the project file and switches to the new one without a message.
        r.files = {QString::fromStdString(second.string())};
        QVERIFY(f.Choose("saveasprj"));
        QCOMPARE(r.boxes.size(), size_t(2));
        QCOMPARE(r.boxes[1].title, QString::fromUtf8("工程另存为"));
        QCOMPARE(r.boxes[1].filter, QString("*.gpu "));
        QCOMPARE(r.boxes[1].path, QString::fromStdString(first.string()));
        QVERIFY(fs::exists(second));
        QCOMPARE(f.main->Project().State().FileName, second);
        QCOMPARE(LabelText(*f.main, "gcname"), QString::fromStdString("demo(" + second.string() + ")"));

        // Close answered No: the archive stays as it was, the workspace goes all the same.
        const std::string packed = ReadFile(second);
        r.answers = {false};
        QVERIFY(f.Choose("closeprj"));
        QCOMPARE(r.boxes.back().kind, ui::Box::Question);
        QCOMPARE(r.boxes.back().text, QString::fromStdString("是否保存工程:demo 到工程文件:" + second.string()));
        QVERIFY(!fs::exists(f.root / "temp"));
        QCOMPARE(ReadFile(second), packed);
        QVERIFY(!f.main->Project().State().IsOpen());
        QCOMPARE(f.main->Link().ConnectionState, 0);
        QCOMPARE(LabelText(*f.main, "gcname"), QString());
        QVERIFY(f.Action("loadprj")->isEnabled());
        QVERIFY(!f.Action("p1")->isEnabled());

        // Open brings it back under the path opened.
        r.files = {QString::fromStdString(second.string())};
        QVERIFY(f.Choose("loadprj"));
        QCOMPARE(r.boxes.back().kind, ui::Box::OpenFile);
        QCOMPARE(r.boxes.back().text, QString("choose a project data file"));
        QVERIFY(f.main->Project().State().IsOpen());
        QCOMPARE(f.main->Project().State().FileName, second);
        QCOMPARE(f.main->Project().State().Name, std::string("demo"));
        QVERIFY(fs::exists(f.root / "temp" / "prj.ini.key"));
        QCOMPARE(f.main->CurrentWindow(), std::string("start"));
        QVERIFY(f.Action("closeprj")->isEnabled());
    }

    void theSharedPortDeliversRepliesAndClosingTheProjectClosesIt() {
        test::Frame f;
        f.OpenOffline("demo");
        test::PtyPeer module;
        TComm& port = f.main->Comm1();
        port.SetCommName(module.path);
        port.SetBaudRate(115200);
        QVERIFY(port.OpenPort());
        f.main->Link().ConnectionState = 1;
        f.g->Rom().Device().SerialNo = "A123";
        f.main->RefreshStatus();
        QCOMPARE(LabelText(*f.main, "Label1"), QString("连接: SN:A123"));
        // What the module sends reaches the reply buffer from the event loop alone.
        module.Write("OK");
        QTRY_COMPARE(f.main->Link().ReplyBuffer, std::string("OK"));

        ui::Responder r;
        r.answers = {false};
        QVERIFY(f.Choose("closeprj"));
        QVERIFY(!port.IsOpen());
        QCOMPARE(f.main->Link().ConnectionState, 0);
        QCOMPARE(LabelText(*f.main, "Label1"), QString::fromUtf8("串口屏未连接!"));
    }

    void openingAWrongArchiveChangesNothing_data() {
        QTest::addColumn<bool>("zip");
        QTest::newRow("entry outside temp/") << true;
        QTest::newRow("not a zip at all") << false;
    }

    void openingAWrongArchiveChangesNothing() {
        QFETCH(bool, zip);
        test::Frame f;
        const fs::path bad = f.root / "bad.gpu";
        if (zip)
            QVERIFY(test::MakeZip(bad, {{"TEMP/x", "x"}}));
        else
            std::ofstream(bad) << "not an archive";
        ui::Responder r;
        r.files = {QString::fromStdString(bad.string())};
        QVERIFY(f.Choose("loadprj"));
        QCOMPARE(r.boxes.back().text, QString::fromUtf8("文件格式不对"));
        QVERIFY(!f.main->Project().State().IsOpen());
        QVERIFY(!fs::exists(f.root / "TEMP"));
        QVERIFY(!fs::exists(f.root / "temp" / "prj.ini.key"));
        QVERIFY(f.Action("loadprj")->isEnabled());
        // The program goes on.
        QVERIFY(f.main->isEnabled());
    }

    void aFailedSaveKeepsTheProjectAndTheOldArchive() {
        test::Frame f;
        f.OpenOffline("demo");
        ui::Responder r;
        QVERIFY(f.Choose("saveprj"));
        const fs::path archive = f.root / "demo.gpu";
        const std::string before = ReadFile(archive);
        std::ofstream(f.root / "blocker") << "a file, not a folder";
        r.files = {QString::fromStdString((f.root / "blocker" / "x.gpu").string())};
        QVERIFY(f.Choose("saveasprj"));
        QCOMPARE(r.boxes.back().kind, ui::Box::Message);
        QVERIFY(r.boxes.back().text != QString::fromUtf8("保存成功!"));
        QCOMPARE(f.main->Project().State().FileName, archive);
        QCOMPARE(ReadFile(archive), before);
        QVERIFY(f.Action("closeprj")->isEnabled());
    }

    // --- project parameters window ---

    void parametersWindowSavesWhatTheUserTypes() {
        test::Frame f;
        f.OpenOffline("demo");
        QVERIFY(f.Choose("p1"));
        auto* form = f.main->findChild<ui::Tprjiniform*>("Tprjiniform");
        QTableWidget* grid = form->Grid();
        const int nameRow = RowOf(grid, ui::Tprjiniform::kNameRow);
        const int baudRow = RowOf(grid, ui::Tprjiniform::kBaudRow);
        QVERIFY(nameRow >= 0 && baudRow >= 0);
        QCOMPARE(grid->item(nameRow, 1)->text(), QString("demo"));
        QCOMPARE(grid->item(baudRow, 1)->text(), QString("115200"));

        ui::Responder r;
        TypeIntoGrid(grid, nameRow, QString::fromUtf8("新名"));
        // The baud rate is still being typed when 'save' is clicked.
        TypeIntoGrid(grid, baudRow, "9600", false);
        QTest::mouseClick(Button(*form, "save"), Qt::LeftButton);
        QCOMPARE(r.Texts(), QStringList{QString::fromUtf8("保存成功!")});
        QCOMPARE(f.main->CurrentWindow(), std::string("start"));
        THashTable stored;
        QVERIFY(stored.Load(f.root / "temp", "prj.ini"));
        QCOMPARE(stored.GetInt("BTL"), 2);
        QCOMPARE(stored.GetValue("PrjName"), Utf8ToGbk("新名"));
    }

    void parametersWindowRefusesABaudRateOutsideTheTable() {
        test::Frame f;
        f.OpenOffline("demo");
        QVERIFY(f.Choose("p1"));
        auto* form = f.main->findChild<ui::Tprjiniform*>("Tprjiniform");
        QTableWidget* grid = form->Grid();
        const std::string settings = ReadFile(f.root / "temp" / "prj.ini.val");
        ui::Responder r;
        TypeIntoGrid(grid, RowOf(grid, ui::Tprjiniform::kNameRow), "renamed");
        TypeIntoGrid(grid, RowOf(grid, ui::Tprjiniform::kBaudRow), "115200 ");
        QTest::mouseClick(Button(*form, "save"), Qt::LeftButton);
        QCOMPARE(r.Texts(), QStringList{QString::fromUtf8("波特率设置不正确,保存失败!")});
        QCOMPARE(ReadFile(f.root / "temp" / "prj.ini.val"), settings);
        QCOMPARE(f.main->CurrentWindow(), std::string("prjini"));
        // The name is taken all the same and reaches the files with the next save of the settings.
        QCOMPARE(f.main->Project().State().Name, std::string("renamed"));
    }

    void parametersWindowShowsAnAbsentBaudRateAs2400() {
        test::Frame f;
        f.OpenOffline("demo");
        f.main->Project().State().BTL = 0;
        QVERIFY(f.Choose("p1"));
        QTableWidget* grid = f.main->findChild<ui::Tprjiniform*>("Tprjiniform")->Grid();
        QCOMPARE(grid->item(RowOf(grid, ui::Tprjiniform::kBaudRow), 1)->text(), QString("2400"));
        // Each time it comes to the front it reads the project again.
        f.main->Project().State().BTL = 42;
        QVERIFY(f.Choose("p3"));
        QVERIFY(f.Choose("p1"));
        QCOMPARE(grid->item(RowOf(grid, ui::Tprjiniform::kBaudRow), 1)->text(), QString("115200"));
    }

    // --- start-up and the end of the program ---

    void firstRunCreatesTheWorkspace() {
        QTemporaryDir dir;
        const fs::path root = dir.path().toStdString();
        test::Frame f(root);
        QVERIFY(fs::is_directory(root / "temp" / "pic"));
        QVERIFY(!f.main->Project().State().IsOpen());
        QVERIFY(f.Action("newprj")->isEnabled());
        QVERIFY(f.Action("loadprj")->isEnabled());
        QCOMPARE(f.main->CurrentWindow(), std::string("start"));
    }

    void aWorkspaceWithoutSettingsOpensNothing() {
        QTemporaryDir dir;
        const fs::path root = dir.path().toStdString();
        fs::create_directories(root / "temp");
        test::Frame f(root);
        QVERIFY(!fs::exists(root / "temp" / "pic"));
        QVERIFY(!f.main->Project().State().IsOpen());
        QVERIFY(!f.Action("closeprj")->isEnabled());
    }

    void theProjectLeftOpenIsRestoredWithItsImageBuilt() {
        QTemporaryDir dir;
        const fs::path root = dir.path().toStdString();
        {
            test::Frame f(root);
            f.OpenOffline("kept");
            // A page and a setting that only the running program knows: the end of life saves them.
            f.g->Settings().SetValue("pgcn0", "CLS(5);");
            f.main->Project().State().BTL = 3;
        }
        Tglobal g(root);
        ui::Tmainform main(g);
        QVERIFY(!main.isVisible());
        QVERIFY(main.Project().State().IsOpen());
        QCOMPARE(main.Project().State().Name, std::string("kept"));
        QCOMPARE(main.Project().State().BTL, 3);
        QCOMPARE(LabelText(main, "gcname"),
                 QString::fromStdString("kept(" + (root / "kept.gpu").string() + ")"));
        // The page table holds the page before the window is ever shown.
        const char* slot = reinterpret_cast<const char*>(g.Rom().Image() + flash::kPageTable);
        QVERIFY(std::string(slot, flash::kPageSlotSize).find("CLS(5);") != std::string::npos);
    }

    void exitAndClosingSetTheStopFlag() {
        test::Frame f;
        f.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.main.get()));
        QVERIFY(f.Choose("exit"));
        QVERIFY(f.main->StopFlag());
        QVERIFY(!f.main->isVisible());

        test::Frame g;
        g.main->show();
        QVERIFY(g.main->close());
        QVERIFY(g.main->StopFlag());
    }

    // Every working window in the frame at both screen sizes: the frame's bars stay whole and
    // apart. With QUELMO_SHOTS naming a folder, the pictures are kept there to be looked at.
    void framesLayOutAtBothScreenSizes_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("1280x800") << QSize(1280, 800);
        QTest::newRow("1920x1080") << QSize(1920, 1080);
    }

    void framesLayOutAtBothScreenSizes() {
        QFETCH(QSize, size);
        test::Frame f;
        f.OpenOffline("demo");
        f.main->resize(size);
        const QString shots = qEnvironmentVariable("QUELMO_SHOTS");
        for (const ui::WindowEntry& e : ui::ProgramWindows()) {
            if (e.modal) continue;
            const char* window = e.name.c_str();
            f.main->Navigate(e.name);
            QApplication::processEvents();
            const QImage shot = f.main->grab().toImage();
            QCOMPARE(shot.size(), size);
            if (!shots.isEmpty())
                shot.save(QStringLiteral("%1/main_%2_%3x%4.png").arg(shots, window).arg(size.width()).arg(size.height()));
            auto rectOf = [&f](QWidget* w) { return QRect(w->mapTo(f.main.get(), QPoint(0, 0)), w->size()); };
            QWidget& panel = Bar(*f.main, "StatusPanel");
            const QRect top = rectOf(&Bar(*f.main, "topbar"));
            const QRect mdi = rectOf(f.main->findChild<QWidget*>("mdi"));
            const QRect bottom = rectOf(&panel);
            QVERIFY(!top.intersects(mdi) && !mdi.intersects(bottom));
            for (const char* name : {"Label1", "Label2", "Label3", "Label4", "Label5", "romimg", "Button1"}) {
                QWidget* w = panel.findChild<QWidget*>(name);
                QVERIFY2(f.main->rect().contains(rectOf(w)), name);
            }
            // The flash bar is shown at its own size, pixel for pixel.
            QCOMPARE(panel.findChild<QLabel*>("romimg")->size(), QSize(514, 22));
            // The working window fills the space between the bars.
            QWidget* shown = f.main->Window(window);
            QVERIFY(rectOf(shown).height() > mdi.height() - 40);
        }
    }
};

QTEST_MAIN(TestMainForm)
#include "test_mainform.moc"
