#pragma once
// The connection window ("commcon"): finds the module on a serial port by automatic search or a
// manual connect, disconnects, runs the error detection, and keeps the connection log. It also
// answers for a port that goes away while it is open (an adapter pulled, the far end of a
// pseudo-terminal closed): the user is told, the port is closed and nothing stays connected.
#include <QWidget>
#include <filesystem>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace quelmo::ui {

class ShellHost;

class Tcommconform : public QWidget {
    Q_OBJECT
public:
    explicit Tcommconform(ShellHost& host, QWidget* parent = nullptr);
    ~Tcommconform() override;

    // Closes the port, nothing connected, buttons, menus and status panel refreshed.
    void Disconnect();
    // The port list: the serial devices plus every path typed into the port box, sorted as text;
    // the first is selected. "无串口" alone when there is none.
    void RefreshPorts();
    // Where the serial devices are listed (/sys/class/tty unless told otherwise).
    void SetPortRoot(std::filesystem::path sys_tty) { sys_tty_ = std::move(sys_tty); }
    // Button2's caption and which buttons are usable, from the connection state (also done
    // whenever the window is shown).
    void RefreshButtons();
    // True while a search, connect or error detection is running.
    bool Busy() const { return busy_; }

public slots:
    void AutoConnect();   // Button1
    void ManualConnect(); // Button2: connect, or disconnect while connected
    void ErrorDetect();   // Button4

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CatchUpLog();
    void Hangup();
    void RememberTypedPort();
    void SelectRate(uint32_t rate);
    uint32_t SelectedRate() const;

    ShellHost& host_;
    QPushButton* button1_;
    QComboBox* cbcomm_;
    QComboBox* btl_;
    QPushButton* button2_;
    QPushButton* button4_;
    QLabel* label4_;
    QPlainTextEdit* memo1_;
    QLineEdit* ysz_;
    QCheckBox* qz115200_;
    std::filesystem::path sys_tty_ = "/sys/class/tty";
    std::vector<std::string> typed_;
    size_t log_shown_ = 0;
    bool busy_ = false;
};

}  // namespace quelmo::ui
