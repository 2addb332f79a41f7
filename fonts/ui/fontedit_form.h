#pragma once
// The font setup window ("Characters pixels setup"): one group per font size with the current
// setting of each generated font, its setup buttons, the GBK16 switch and Make, which opens the
// font library make window.
#include <QWidget>
#include <map>

class QCheckBox;
class QLabel;
class QPushButton;

namespace quelmo::ui {

class ShellHost;
class Tasceditform;
class ThzeditForm;
class Trunfontform;

class Tfonteditform : public QWidget {
    Q_OBJECT
public:
    explicit Tfonteditform(ShellHost& host, QWidget* parent = nullptr);

    ThzeditForm* ChineseDialog() const { return hz_; }
    Tasceditform* AscDialog() const { return asc_; }
    Trunfontform* MakeWindow() const { return run_; }

public slots:
    // Reads every line, Make's state and the GBK16 switch from the settings.
    void Refresh();
    void EditChinese(int size);
    void EditAsc(int size);
    void Make();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    ShellHost& host_;
    std::map<int, QLabel*> hz_lines_, asc_lines_;
    QCheckBox* gbk16_;
    QPushButton* make_;
    ThzeditForm* hz_;
    Tasceditform* asc_;
    Trunfontform* run_;
};

}  // namespace quelmo::ui
