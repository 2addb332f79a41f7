#pragma once
// The font library make window ("font library make"): runs one whole font build on the
// context's rasteriser, logging each step and showing its progress. Shown modally from the font
// setup window's Make; when the build is done it closes and the frame returns to "start".
#include <QDialog>

class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace quelmo::ui {

class ShellHost;

class Trunfontform : public QDialog {
    Q_OBJECT
public:
    explicit Trunfontform(ShellHost& host, QWidget* parent = nullptr);

    bool Running() const { return running_; }

public slots:
    // "make all pixels": the whole build.
    void MakeAll();
    // The 16-pixel GBK full font alone (the hidden Button2).
    void MakeGbk16();
    // A running build cannot be closed: it would leave half the font files of the run.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Log(const std::string& line);
    void Begin();
    void End();

    ShellHost& host_;
    QPlainTextEdit* memo1_;
    QPushButton* button1_;
    QPushButton* button2_;
    QProgressBar* pb1_;
    bool running_ = false;
};

}  // namespace quelmo::ui
