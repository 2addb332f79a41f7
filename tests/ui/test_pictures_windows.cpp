// The picture windows as a user meets them: the picture lists (order, dragging, sort file name,
// Make) and the gif2jpg converter (choose, convert, save, check image), alone and from the menu.
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMovie>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include <fstream>

#include "display/tgd.h"
#include "editors/ui/editcmd_form.h"
#include "editors/ui/screen_view.h"
#include "pictures/ui/gif_form.h"
#include "pictures/ui/pic_form.h"
#include "shell/ui/messages.h"
#include "support/picture_files.h"
#include "frame_fixture.h"

using namespace quelmo;
namespace fs = std::filesystem;

namespace {

// Red, green, blue.
const std::vector<uint8_t> kPalette{255, 0, 0, 0, 255, 0, 0, 0, 255};

// A working folder with both picture folders.
struct Workdir {
    Workdir() {
        fs::create_directories(Flash());
        fs::create_directories(Sd());
    }
    fs::path Root() const { return dir.path().toStdString(); }
    fs::path Flash() const { return Root() / "temp" / "pic"; }
    fs::path Sd() const { return Root() / "sd" / "pic"; }
    QTemporaryDir dir;
};

// Three 32 x 32 frames: red, then a green and a blue 16 x 16 patch at (8, 8).
void WriteAnimation(const fs::path& file) {
    test::WriteGif(file, 32, 32, kPalette,
                   {test::SolidFrame(0, 0, 32, 32, 0), test::SolidFrame(8, 8, 16, 16, 1), test::SolidFrame(8, 8, 16, 16, 2)});
}

QStringList Texts(const ui::PicForm& form) {
    QStringList texts;
    for (int p = 0; p < form.Buttons()->count(); ++p) texts << form.Buttons()->item(p)->text();
    return texts;
}

QListWidgetItem* ItemNamed(const ui::PicForm& form, const QString& name) {
    for (int p = 0; p < form.Buttons()->count(); ++p)
        if (form.Buttons()->item(p)->data(ui::PicForm::kNameRole).toString() == name) return form.Buttons()->item(p);
    return nullptr;
}

// Clicks the tool button of one of the window's actions.
bool Trigger(QWidget& form, const char* action) {
    auto* a = form.findChild<QAction*>(action);
    auto* bar = form.findChild<QToolBar*>();
    if (!a || !bar || !bar->widgetForAction(a)) return false;
    QTest::mouseClick(bar->widgetForAction(a), Qt::LeftButton);
    return true;
}

bool Near(QColor shown, QColor want) {
    return std::abs(shown.red() - want.red()) < 8 && std::abs(shown.green() - want.green()) < 8 &&
           std::abs(shown.blue() - want.blue()) < 8;
}

QSize JpegSize(const fs::path& file) {
    auto picture = pictures::DecodeJpeg(test::ReadFile(file));
    return picture ? QSize(picture->width, picture->height) : QSize();
}

QByteArray Record(const fs::path& idx, int n) {
    return QByteArray::fromStdString(test::ReadFile(idx)).mid(n * 8, 8);
}

QString LastBoxText(QWidget& form) {
    const auto boxes = form.findChildren<QMessageBox*>();
    return boxes.isEmpty() ? QString() : boxes.last()->text();
}

}  // namespace

class TestPicturesWindows : public QObject {
    Q_OBJECT
private slots:
    void listsShowTheirPicturesInOrder_data() {
        QTest::addColumn<bool>("sd");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QColor>("first");
        // Numbered files first, then the other GIF files, then the other JPEG files; no GIF on the card.
        QTest::newRow("flash") << false << "Tpicform" << QStringList{"1(1.gif)", "2(2.jpg)", "3(b.gif)", "4(a.jpg)"}
                               << QColor(0, 255, 0);
        QTest::newRow("sd") << true << "Tsdpicform" << QStringList{"1024(2.jpg)", "1025(a.jpg)"} << QColor(255, 0, 0);
    }

    void listsShowTheirPicturesInOrder() {
        QFETCH(bool, sd);
        QFETCH(QString, name);
        QFETCH(QStringList, texts);
        QFETCH(QColor, first);
        Workdir w;
        for (const fs::path& folder : {w.Flash(), w.Sd()}) {
            test::WriteJpeg(folder / "2.jpg", test::Solid(8, 4, 255, 0, 0));
            test::WriteJpeg(folder / "a.jpg", test::Solid(320, 100, 0, 0, 255));
            test::WriteGif(folder / "1.gif", 6, 6, kPalette, {test::SolidFrame(0, 0, 6, 6, 1)});
            test::WriteGif(folder / "b.gif", 5, 5, kPalette, {test::SolidFrame(0, 0, 5, 5, 2)});
        }
        ui::PicForm form(sd ? PicLayout::kSd : PicLayout::kFlash, w.Root());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.objectName(), name);
        QCOMPARE(Texts(form), texts);

        // Small pictures are their own thumbnails; larger ones are scaled into the button.
        QCOMPARE(ItemNamed(form, "2.jpg")->data(Qt::DecorationRole).value<QImage>().size(), QSize(8, 4));
        QCOMPARE(ItemNamed(form, "a.jpg")->data(Qt::DecorationRole).value<QImage>().size(), QSize(160, 160));

        // The first button: its picture in the middle, its text in the top-left corner.
        QListWidget* bgp = form.Buttons();
        const QRect cell = bgp->visualItemRect(bgp->item(0));
        QCOMPARE(cell.size(), QSize(160, 160));
        const QImage shown = bgp->viewport()->grab().toImage();
        QVERIFY(Near(shown.pixelColor(cell.center()), first));
        // The caption's glyphs, drawn alone in the list's font where the button draws them: the
        // shown pixels are dark where the glyphs cover them and light where they do not.
        const QFontMetrics metrics(bgp->font());
        QImage glyphs(cell.size(), QImage::Format_ARGB32_Premultiplied);
        glyphs.fill(Qt::transparent);
        {
            QPainter p(&glyphs);
            p.setFont(bgp->font());
            p.setPen(Qt::black);
            p.drawText(QRect(2, 1, cell.width() - 2, metrics.height() + 1), Qt::AlignLeft | Qt::AlignTop, texts[0]);
        }
        int covered = 0;
        for (int y = 0; y < metrics.height(); ++y)
            for (int x = 0; x < metrics.horizontalAdvance(texts[0]) + 2; ++x) {
                const int coverage = qAlpha(glyphs.pixel(x, y));
                const int value = shown.pixelColor(cell.left() + x, cell.top() + y).value();
                if (coverage >= 230) {
                    ++covered;
                    QVERIFY2(value < 80, qPrintable(QString("(%1,%2) should be ink").arg(x).arg(y)));
                } else if (coverage == 0) {
                    QVERIFY2(value > 150, qPrintable(QString("(%1,%2) should be paper").arg(x).arg(y)));
                }
            }
        QVERIFY(covered > 5);
    }

    void draggedOrderIsWhatMakeAndSortTake() {
        Workdir w;
        // Widths 1, 2, 3 tell the pictures apart in the records.
        for (int n = 1; n <= 3; ++n)
            test::WriteJpeg(w.Flash() / (std::to_string(n) + ".jpg"), test::Solid(n, 2, 0, 0, 0));
        ui::PicForm form(PicLayout::kFlash, w.Root());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        // A drop between two buttons moves the row in the list's model, as here.
        QAbstractItemModel* model = form.Buttons()->model();
        QVERIFY(model->moveRow(QModelIndex(), 0, QModelIndex(), 3));
        QCOMPARE(Texts(form), (QStringList{"1(2.jpg)", "2(3.jpg)", "3(1.jpg)"}));
        QVERIFY(model->moveRow(QModelIndex(), 2, QModelIndex(), 1));
        QCOMPARE(Texts(form), (QStringList{"1(2.jpg)", "2(1.jpg)", "3(3.jpg)"}));

        QVERIFY(Trigger(form, "make"));
        const fs::path idx = w.Root() / "temp" / "pic.idx";
        QCOMPARE(Record(idx, 1), QByteArray::fromHex("0002000200100000"));
        QCOMPARE(Record(idx, 2), QByteArray::fromHex("0001000200100008"));
        QCOMPARE(Record(idx, 3), QByteArray::fromHex("000300020010000c"));

        QVERIFY(Trigger(form, "sortfilename"));
        QCOMPARE(Texts(form), (QStringList{"1(1.jpg)", "2(2.jpg)", "3(3.jpg)"}));
        QCOMPARE(JpegSize(w.Flash() / "1.jpg"), QSize(2, 2));
        QCOMPARE(JpegSize(w.Flash() / "2.jpg"), QSize(1, 2));
        QCOMPARE(JpegSize(w.Flash() / "3.jpg"), QSize(3, 2));
    }

    void makeWritesTheDataFilesAndSaysSo_data() {
        QTest::addColumn<bool>("sd");
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("record");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("done");
        QTest::newRow("flash") << false << "temp" << 1 << QByteArray::fromHex("0008000400100000") << "生成完成!";
        QTest::newRow("sd") << true << "sd" << 0 << QByteArray::fromHex("0008000400200000") << "图片生成完成!";
    }

    void makeWritesTheDataFilesAndSaysSo() {
        QFETCH(bool, sd);
        QFETCH(QString, output);
        QFETCH(int, record);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, done);
        Workdir w;
        test::WriteJpeg((sd ? w.Sd() : w.Flash()) / "1.jpg", test::Solid(8, 4, 0, 0, 0));
        ui::PicForm form(sd ? PicLayout::kSd : PicLayout::kFlash, w.Root());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QList<int> progress;
        connect(form.Progress(), &QProgressBar::valueChanged, this, [&](int v) { progress << v; });
        QSignalSpy made(&form, &ui::PicForm::Made);

        QVERIFY(Trigger(form, "make"));
        const fs::path out = w.Root() / output.toStdString();
        QCOMPARE(Record(out / "pic.idx", record), bytes);
        QCOMPARE(test::ReadFile(out / "pic.idx").size(), size_t{4096});
        QCOMPARE(test::ReadFile(out / "pic.sbin").size(), size_t{8 * 4 * 2});
        QCOMPARE(form.Progress()->value(), 100);
        QVERIFY(!progress.isEmpty());
        QVERIFY(std::is_sorted(progress.begin(), progress.end()));
        QCOMPARE(made.count(), 1);
        QCOMPARE(form.StatusText(), done);
        QCOMPARE(LastBoxText(form), done);
    }

    void failuresAreShownAndChangeNothingElse() {
        Workdir w;
        test::WriteJpeg(w.Flash() / "1.jpg", test::Solid(4, 4, 0, 0, 0));
        std::ofstream(w.Flash() / "2.jpg") << "not a picture";
        ui::PicForm form(PicLayout::kFlash, w.Root());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The reflash stops at the broken file; the pictures before it stay listed.
        QVERIFY2(form.StatusText().contains("2.jpg"), qPrintable(form.StatusText()));
        QCOMPARE(Texts(form), QStringList{"1(1.jpg)"});

        // Sort file name refuses while a file outside the list is in its way, renaming nothing.
        fs::remove(w.Flash() / "2.jpg");
        std::ofstream(w.Flash() / "_@1.jpg") << "left over";
        QVERIFY(Trigger(form, "sortfilename"));
        QVERIFY2(form.StatusText().contains("_@1.jpg"), qPrintable(form.StatusText()));
        QCOMPARE(LastBoxText(form), form.StatusText());
        QCOMPARE(test::ReadFile(w.Flash() / "_@1.jpg"), std::string("left over"));
        QCOMPARE(JpegSize(w.Flash() / "1.jpg"), QSize(4, 4));
        QCOMPARE(Texts(form), QStringList{"1(1.jpg)"});

        // Make names the picture that went missing since the reflash and writes nothing.
        fs::remove(w.Flash() / "_@1.jpg");
        fs::remove(w.Flash() / "1.jpg");
        QSignalSpy made(&form, &ui::PicForm::Made);
        QVERIFY(Trigger(form, "make"));
        QVERIFY2(form.StatusText().contains("1.jpg"), qPrintable(form.StatusText()));
        QCOMPARE(made.count(), 0);
        QVERIFY(!fs::exists(w.Root() / "temp" / "pic.sbin"));
        QVERIFY(!fs::exists(w.Root() / "temp" / "pic.idx"));

        // A folder that cannot be read (a file took its name) is shown with its reason, lists
        // nothing, and Make keeps the data files made before.
        test::WriteJpeg(w.Flash() / "1.jpg", test::Solid(4, 4, 0, 0, 0));
        QVERIFY(Trigger(form, "reflash"));
        QVERIFY(Trigger(form, "make"));
        QCOMPARE(made.count(), 1);
        const std::string sbin = test::ReadFile(w.Root() / "temp" / "pic.sbin");
        fs::remove_all(w.Flash());
        std::ofstream(w.Flash()) << "not a folder";
        QVERIFY(Trigger(form, "reflash"));
        QVERIFY2(form.StatusText().contains("cannot read the picture folder"), qPrintable(form.StatusText()));
        QCOMPARE(Texts(form), QStringList{});
        QVERIFY(Trigger(form, "make"));
        QVERIFY2(form.StatusText().contains("cannot read the picture folder"), qPrintable(form.StatusText()));
        QCOMPARE(made.count(), 1);
        QCOMPARE(test::ReadFile(w.Root() / "temp" / "pic.sbin"), sbin);
    }

    void openFolderMakesTheFolderFirst_data() {
        QTest::addColumn<bool>("sd");
        QTest::addColumn<QString>("folder");
        QTest::newRow("flash") << false << "temp/pic";
        QTest::newRow("sd") << true << "sd/pic";
    }

    void openFolderMakesTheFolderFirst() {
        QFETCH(bool, sd);
        QFETCH(QString, folder);
        QTemporaryDir dir;
        const fs::path root = dir.path().toStdString();
        const fs::path path = root / folder.toStdString();
        ui::PicForm form(sd ? PicLayout::kSd : PicLayout::kFlash, root);
        QList<QUrl> opened;
        form.SetFolderOpener([&](const QUrl& url) {
            opened << url;
            return true;
        });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(!fs::exists(path));
        QVERIFY(Trigger(form, "openfolder"));
        QVERIFY(fs::is_directory(path));
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(path.string()))});
    }

    void gifStripIsSavedAndReplacedOnlyOnYes() {
        Workdir w;
        WriteAnimation(w.Root() / "anim.gif");
        ui::GifForm form(w.Root());
        QStringList asked;
        bool answer = false;
        form.SetAsker([&](const QString& title, const QString& question) {
            asked << title + "|" + question;
            return answer;
        });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* convert = form.findChild<QPushButton*>("Button2");
        auto* save = form.findChild<QPushButton*>("Button3");
        QVERIFY(convert && save);
        QVERIFY(!convert->isEnabled());
        QVERIFY(!save->isEnabled());

        form.ChooseFile(QString::fromStdString((w.Root() / "anim.gif").string()));
        QVERIFY(convert->isEnabled());
        QVERIFY(!save->isEnabled());
        QTest::mouseClick(convert, Qt::LeftButton);
        QVERIFY(save->isEnabled());
        QCOMPARE(form.findChild<QLabel*>("Image2")->pixmap().size(), QSize(96, 32));

        const fs::path target = w.Flash() / "anim.jpg";
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(JpegSize(target), QSize(96, 32));
        QVERIFY(asked.isEmpty());

        // Saving again asks first; No leaves the file as it is, Yes replaces it.
        std::ofstream(target, std::ios::trunc) << "older strip";
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(asked, QStringList{"系统提示|已经发现:anim.jpg 文件存在，是否覆盖？"});
        QCOMPARE(test::ReadFile(target), std::string("older strip"));
        answer = true;
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(asked.size(), 2);
        QCOMPARE(JpegSize(target), QSize(96, 32));
    }

    void previewStretchesOnlyGifsLargerThanIt_data() {
        QTest::addColumn<QSize>("gif");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("wide") << QSize(400, 200) << QSize(360, 360);
        QTest::newRow("tall") << QSize(100, 361) << QSize(360, 360);
        QTest::newRow("fits") << QSize(200, 200) << QSize(200, 200);
        QTest::newRow("as wide as the preview") << QSize(360, 200) << QSize(360, 200);
    }

    void previewStretchesOnlyGifsLargerThanIt() {
        QFETCH(QSize, gif);
        QFETCH(QSize, shown);
        QTemporaryDir dir;
        const fs::path file = fs::path(dir.path().toStdString()) / "p.gif";
        test::WriteGif(file, gif.width(), gif.height(), kPalette, {test::SolidFrame(0, 0, gif.width(), gif.height(), 2)});
        ui::GifForm form(dir.path().toStdString());
        form.ChooseFile(QString::fromStdString(file.string()));
        QVERIFY(form.Movie());
        QCOMPARE(form.Movie()->currentPixmap().size(), shown);
        QCOMPARE(form.Movie()->speed(), 500);
    }

    void anotherChoiceForgetsTheStripAndABadFileChangesNothing() {
        Workdir w;
        WriteAnimation(w.Root() / "a.gif");
        test::WriteGif(w.Root() / "b.gif", 10, 10, kPalette, {test::SolidFrame(0, 0, 10, 10, 1)});
        std::ofstream(w.Root() / "bad.gif") << "GIF89a and nothing more";
        ui::GifForm form(w.Root());
        auto* convert = form.findChild<QPushButton*>("Button2");
        auto* save = form.findChild<QPushButton*>("Button3");
        auto choose = [&](const char* name) { form.ChooseFile(QString::fromStdString((w.Root() / name).string())); };

        choose("a.gif");
        QTest::mouseClick(convert, Qt::LeftButton);
        QVERIFY(save->isEnabled());

        choose("bad.gif");
        QVERIFY2(form.StatusText().contains("bad.gif"), qPrintable(form.StatusText()));
        QVERIFY(save->isEnabled());
        QVERIFY(form.Strip());
        QCOMPARE(form.Strip()->base_name, std::string("a"));

        choose("b.gif");
        QVERIFY(!form.Strip());
        QVERIFY(!save->isEnabled());
        QVERIFY(convert->isEnabled());
        QVERIFY(form.findChild<QLabel*>("Image2")->pixmap().isNull());
        QTest::mouseClick(convert, Qt::LeftButton);
        QCOMPARE(form.Strip()->base_name, std::string("b"));
        QCOMPARE(form.Strip()->strip.width, 10);
    }

    void menuShowsEachPictureWindowInTheFrame_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("window");
        QTest::newRow("picture list") << "p3" << "pic" << "Tpicform";
        QTest::newRow("gif2jpg") << "GIFJPG1" << "gif" << "Tgifform";
    }

    void menuShowsEachPictureWindowInTheFrame() {
        QFETCH(QString, action);
        QFETCH(QString, name);
        QFETCH(QString, window);
        test::Frame f;
        f.OpenOffline();
        QVERIFY(f.Choose(action.toLatin1().constData()));
        QVERIFY(f.Choose(action.toLatin1().constData()));
        const auto windows = f.main->findChildren<QWidget*>(window);
        QCOMPARE(windows.size(), 1);
        QVERIFY(!windows.first()->isWindow());
        QVERIFY(windows.first()->isVisibleTo(f.main.get()));
        QCOMPARE(QString::fromStdString(f.main->CurrentWindow()), name);
    }

    void sdPictureListIsAWorkingWindowOfItsOwn() {
        Workdir w;
        test::Frame f(w.Root());
        f.main->Navigate("sdpic");
        auto* sd = f.main->findChild<ui::PicForm*>("Tsdpicform");
        auto* flash = f.main->findChild<ui::PicForm*>("Tpicform");
        QVERIFY(sd && flash);
        QVERIFY(sd->isVisibleTo(f.main.get()));
        QVERIFY(!flash->isVisibleTo(f.main.get()));
    }

    void makeShowsTheNewPictureOnTheDesignScreen() {
        Workdir w;
        test::WriteJpeg(w.Flash() / "1.jpg", test::Solid(40, 40, 255, 0, 0));
        test::Frame f(w.Root());
        f.OpenOffline();
        auto* design = f.main->findChild<ui::Teditcmdform*>("Teditcmdform");
        QVERIFY(design);
        ui::ScreenView* lcd = design->Screen();
        design->LoadText("PIC(20,20,1);");
        const uint32_t red = Tgd::ModuleToDesktop(0xF800);
        QVERIFY(lcd->View().At(40, 40) != red);

        QVERIFY(f.Choose("p3"));
        auto* pic = f.main->findChild<ui::PicForm*>("Tpicform");
        QVERIFY(Trigger(*pic, "make"));
        // Inside the line's frame (its label sits in the top-left corner).
        QCOMPARE(lcd->View().At(40, 40), red);
        QCOMPARE(lcd->View().At(59, 59), red);
        QVERIFY(lcd->View().At(61, 40) != red);
    }

    // The picture window follows the workspace: a closed project leaves no pictures listed, an
    // opened one lists its own.
    void thePictureListFollowsTheProject() {
        Workdir w;
        test::Frame f(w.Root());
        f.OpenOffline();
        test::WriteJpeg(w.Flash() / "1.jpg", test::Solid(8, 8, 255, 0, 0));
        auto* pic = qobject_cast<ui::PicForm*>(f.main->Window("pic"));
        QVERIFY(pic);
        pic->Reflash();
        QCOMPARE(pic->List().Items().size(), size_t(1));
        ui::Responder r;
        QVERIFY(f.main->Project().Save());
        r.answers = {false};
        QVERIFY(f.Choose("closeprj"));
        QCOMPARE(pic->List().Items().size(), size_t(0));
        r.files = {QString::fromStdString((w.Root() / "demo.gpu").string())};
        QVERIFY(f.Choose("loadprj"));
        QVERIFY(f.main->Project().State().IsOpen());
        QCOMPARE(pic->List().Items().size(), size_t(1));
    }

    void checkImageShowsTheSavedStripInThePictureList() {
        Workdir w;
        WriteAnimation(w.Root() / "anim.gif");
        test::Frame f(w.Root());
        f.OpenOffline();
        auto* pic = f.main->findChild<ui::PicForm*>("Tpicform");
        QVERIFY(Texts(*pic).isEmpty());

        QVERIFY(f.Choose("GIFJPG1"));
        auto* gif = f.main->findChild<ui::GifForm*>("Tgifform");
        QVERIFY(gif->isVisibleTo(f.main.get()));
        gif->ChooseFile(QString::fromStdString((w.Root() / "anim.gif").string()));
        QTest::mouseClick(gif->findChild<QPushButton*>("Button2"), Qt::LeftButton);
        QTest::mouseClick(gif->findChild<QPushButton*>("Button3"), Qt::LeftButton);
        QTest::mouseClick(gif->findChild<QPushButton*>("Button4"), Qt::LeftButton);
        QCOMPARE(f.main->CurrentWindow(), std::string("pic"));
        QVERIFY(pic->isVisibleTo(f.main.get()));
        QCOMPARE(Texts(*pic), QStringList{"1(anim.jpg)"});
    }
};

QTEST_MAIN(TestPicturesWindows)
#include "test_pictures_windows.moc"
