#pragma once
// The start page (window name "start"): without a project it offers to create or open one, or
// to fetch a sample; without a module it offers to connect or to set up offline editing; with
// both it shows the design flow chart. Its state is recomputed every time it is shown.
#include <QWidget>

#include "shell/start_page.h"

class QComboBox;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;

namespace quelmo::ui {

class FlowChart;
class ShellHost;

class Tstartform : public QWidget {
    Q_OBJECT
public:
    explicit Tstartform(ShellHost& host, QWidget* parent = nullptr);

    // Places and shows the panels for the state of this moment, refreshes the status panel,
    // refills the sample list and resets the history. Runs on every show and activation; the
    // frame also calls it after create, open and close.
    void ShowAfresh();

    // The sample download of a double click, for entry `row` of the list.
    void OpenSample(int row);

    const std::vector<shell::SampleEntry>& Samples() const { return samples_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Place();
    QWidget* BuildPanel1();
    QWidget* BuildPanel2();
    void Offline(const std::string& window);
    void Log(const QString& line);

    ShellHost& host_;
    QWidget *panel1_, *panel2_, *panel3_;
    FlowChart* chart_;
    QComboBox *fbl_, *rsize_;
    QListWidget* lb1_;
    QPlainTextEdit* memo1_;
    std::vector<shell::SampleEntry> samples_;
    bool busy_ = false;  // a sample download is running
};

}  // namespace quelmo::ui
