#pragma once
// The main window's bottom panel: the connection lines, the flash usage bar with its scale and
// the 'reflash display' button.
#include <QImage>
#include <QWidget>
#include <array>

class QLabel;
class QPushButton;

namespace quelmo {
struct StatusPanel;
}

namespace quelmo::ui {

class StatusBarPanel : public QWidget {
    Q_OBJECT
public:
    explicit StatusBarPanel(QWidget* parent = nullptr);

    void Show(const StatusPanel& panel);
    QPushButton* ReflashButton() const { return button1_; }
    const QImage& FlashBar() const { return bar_; }

    // The 514 x 22 flash bar: a black frame round the picture, then one column per 1/512 of the
    // memory at x = i + 1, red where the flash holds data, white where it is erased.
    static QImage DrawFlashBar(const std::array<bool, 512>& columns);

private:
    QLabel* label1_;
    QLabel* label2_;
    QLabel* romimg_;
    QLabel* label3_;
    QLabel* label4_;
    QLabel* label5_;
    QPushButton* button1_;
    QImage bar_;
};

}  // namespace quelmo::ui
