// The picture chooser's buttons: made once from the picture folder, kept while it is unchanged,
// remade when it changes or on 'reflash', each showing its picture.
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <filesystem>
#include <fstream>

#include "editors/ui/chooser_forms.h"
#include "pictures/picture.h"
#include "pictures/picture_list.h"

using namespace quelmo;
namespace fs = std::filesystem;

namespace {

struct Folder {
    fs::path Workdir() const { return dir.path().toStdString(); }
    fs::path Pic() const { return Workdir() / "temp" / "pic"; }
    // A solid picture; large ones go through the decoder's scaling.
    void Write(const std::string& name, int width, int height, uint8_t r, uint8_t g, uint8_t b) const {
        fs::create_directories(Pic());
        Picture p;
        p.Resize(width, height, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint8_t* c = p.At(x, y);
                c[0] = r, c[1] = g, c[2] = b;
            }
        std::ofstream(Pic() / name, std::ios::binary) << *pictures::EncodeJpeg(p, 95);
    }
    QTemporaryDir dir;
};

QToolButton* Button(ui::Tselpicform& d, int p) { return d.findChild<QToolButton*>(QStringLiteral("pic%1").arg(p)); }

QColor Middle(QToolButton* b) {
    const QImage shown = b->icon().pixmap(b->iconSize()).toImage();
    return shown.pixelColor(shown.width() / 2, shown.height() / 2);
}

bool Near(const QColor& c, int r, int g, int b) {
    return std::abs(c.red() - r) < 12 && std::abs(c.green() - g) < 12 && std::abs(c.blue() - b) < 12;
}

}  // namespace

class PictureChooserTest : public QObject {
    Q_OBJECT
private slots:
    void thumbnailsAreKeptUntilTheFolderChanges() {
        Folder f;
        f.Write("1.jpg", 854, 480, 255, 0, 0);
        f.Write("2.jpg", 100, 60, 0, 0, 255);
        ui::Tselpicform d(f.Workdir());
        d.Reflash();
        QCOMPARE(d.Count(), 2);
        QToolButton* first = Button(d, 0);
        QVERIFY(first);
        QVERIFY2(Near(Middle(first), 255, 0, 0), qPrintable(Middle(first).name()));
        QVERIFY2(Near(Middle(Button(d, 1)), 0, 0, 255), qPrintable(Middle(Button(d, 1)).name()));

        // Opened again on the same folder: the very same buttons.
        d.Reflash();
        QCOMPARE(Button(d, 0), first);

        // A picture replaced by another one: remade, showing the new picture.
        f.Write("1.jpg", 1600, 1200, 0, 255, 0);
        d.Reflash();
        QVERIFY(Button(d, 0) != first);
        QVERIFY2(Near(Middle(Button(d, 0)), 0, 255, 0), qPrintable(Middle(Button(d, 0)).name()));

        // A picture added: one more button.
        f.Write("3.jpg", 320, 240, 255, 255, 0);
        d.Reflash();
        QCOMPARE(d.Count(), 3);
        QVERIFY(Button(d, 2));

        // 'reflash' remakes them even when nothing changed.
        first = Button(d, 0);
        auto* reflash = d.findChild<QPushButton*>("reflash");
        QVERIFY(reflash);
        QTest::mouseClick(reflash, Qt::LeftButton);
        QVERIFY(Button(d, 0) != first);
        QCOMPARE(d.Count(), 3);
    }

    // The thumbnails the picture list has made are taken as they are while the folder is as that
    // list saw it: a file rewritten under the same name, size and time is not decoded again. A
    // folder changed since, or a list reordered by hand, makes the chooser decode its own.
    void theMadePictureListsThumbnailsAreTakenWhileItIsCurrent() {
        Folder f;
        f.Write("1.jpg", 400, 300, 255, 0, 0);
        PictureList made = PictureList::ForFlash(f.Workdir());
        QVERIFY(made.Reflash());
        // Make writes the data files beside the folder and keeps the thumbnails.
        QVERIFY(made.Make(nullptr));
        const fs::path file = f.Pic() / "1.jpg";
        const auto size = fs::file_size(file);
        const auto time = fs::last_write_time(file);
        // Blue in red's place, the folder's state kept.
        f.Write("1.jpg", 400, 300, 0, 0, 255);
        fs::resize_file(file, size);
        fs::last_write_time(file, time);

        ui::Tselpicform d(f.Workdir());
        d.SetMadeList([&made] { return &made; });
        d.Reflash();
        QCOMPARE(d.Count(), 1);
        QVERIFY(Near(Middle(Button(d, 0)), 255, 0, 0));

        // The user's own order is not the folder's: the chooser lists the folder itself.
        f.Write("2.jpg", 100, 60, 0, 255, 0);
        QVERIFY(made.Reflash());
        QVERIFY(made.MoveItem(1, 0));
        ui::Tselpicform e(f.Workdir());
        e.SetMadeList([&made] { return &made; });
        e.Reflash();
        QCOMPARE(e.Count(), 2);
        QVERIFY(Near(Middle(Button(e, 0)), 0, 0, 255));

        // A folder changed since the list was made.
        f.Write("3.jpg", 100, 60, 0, 255, 0);
        ui::Tselpicform g(f.Workdir());
        g.SetMadeList([&made] { return &made; });
        g.Reflash();
        QCOMPARE(g.Count(), 3);
    }

    // A picture that cannot be decoded ends the list there, as in the picture list.
    void aBrokenPictureEndsTheChoice() {
        Folder f;
        f.Write("1.jpg", 400, 300, 255, 0, 0);
        f.Write("3.jpg", 400, 300, 0, 0, 255);
        std::ofstream(f.Pic() / "2.jpg", std::ios::binary) << "not a picture";
        ui::Tselpicform d(f.Workdir());
        d.Reflash();
        QCOMPARE(d.Count(), 1);
        QVERIFY(Button(d, 0));
        QVERIFY(!Button(d, 1));
    }
};

QTEST_MAIN(PictureChooserTest)
#include "test_picture_chooser.moc"
