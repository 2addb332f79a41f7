#pragma once
// The parameter grid's chooser dialogs: colour numbers with the screen's current colours,
// pictures of the picture list as thumbnails, and key codes or page jumps of touch buttons.
// Each is modal and returns one whole number, or nothing when closed any other way.
#include <QDialog>
#include <QPixmap>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QGridLayout;
class QWidget;

namespace quelmo {
class PictureList;
class Tgd;
}

namespace quelmo::ui {

class ChooserDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
    // Shows the dialog modally; the value of the button clicked.
    std::optional<int> Run();

protected:
    void Pick(int value);

private:
    int chosen_ = 0;
};

// "choose color": 64 buttons, button i showing colour number i as the screen now gives it.
class Tselcolorform : public ChooserDialog {
    Q_OBJECT
public:
    explicit Tselcolorform(QWidget* parent = nullptr);
    // Repaints the swatches from the screen's current palette, then runs the dialog.
    std::optional<int> Choose(const Tgd& screen);
    void ShowPalette(const Tgd& screen);
};

// "choose image": one 160 x 160 button per picture of the flash picture list; the button at
// position p returns p. Thumbnails are made once and kept while the folder is unchanged.
class Tselpicform : public ChooserDialog {
    Q_OBJECT
public:
    explicit Tselpicform(std::filesystem::path workdir, QWidget* parent = nullptr);
    std::optional<int> Choose();
    // Rebuilds the buttons; `force` remakes the thumbnails even when the folder looks the same.
    // Thumbnails the picture list has already made are taken as they are while that list still
    // holds what the folder holds.
    void Reflash(bool force = false);
    int Count() const { return static_cast<int>(thumbs_.size()); }
    // Where the picture list already made (the picture window's) is found; it may give none.
    void SetMadeList(std::function<const PictureList*()> made) { made_ = std::move(made); }

private:
    std::filesystem::path workdir_;
    std::function<const PictureList*()> made_;
    std::string listing_;  // names, sizes and times of the pictures the thumbnails were made from
    std::vector<QPixmap> thumbs_;
    QWidget* bgp_;
    QGridLayout* grid_;
};

// "choose chars or page": the characters 32..126, one button per page item (129 + its
// position), and back (1), clear (2), input done (13).
class Tselascform : public ChooserDialog {
    Q_OBJECT
public:
    explicit Tselascform(QWidget* parent = nullptr);
    // `page_captions` are the batch interface editor's page items (GBK).
    std::optional<int> Choose(const std::vector<std::string>& page_captions);
    void Rebuild(const std::vector<std::string>& page_captions);

private:
    QWidget* psel_;
    QGridLayout* psel_grid_;
};

}  // namespace quelmo::ui
