// The picture windows as a user meets them: the picture lists (order, dragging, sort file name,
// Make).
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include <fstream>

#include "pictures/ui/pic_form.h"
#include "support/picture_files.h"

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
        int ink = 0;
        for (int y = cell.top() + 3; y < cell.top() + 16; ++y)
            for (int x = cell.left() + 3; x < cell.left() + 40; ++x) ink += shown.pixelColor(x, y).value() < 80;
        QVERIFY(ink > 5);
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

};

QTEST_MAIN(TestPicturesWindows)
#include "test_pictures_windows.moc"
