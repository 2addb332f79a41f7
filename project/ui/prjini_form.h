#pragma once
// The project parameters window (Tprjiniform): a grid of parameter names and values, filled
// from the open project whenever the window comes to the front, and 'save'.
#include <QWidget>

class QTableWidget;
class QPushButton;

namespace quelmo::ui {

class ShellHost;

class Tprjiniform : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kNameRow = "工程名称";
    static constexpr const char* kBaudRow = "串口波特率";

    Tprjiniform(ShellHost& host, QWidget* parent = nullptr);

    QTableWidget* Grid() const { return grid_; }

public slots:
    // Fills the name and baud rate rows from the project.
    void Fill();
    void Save();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The row whose key column reads `key`, added when missing.
    int Row(const QString& key);

    ShellHost& host_;
    QTableWidget* grid_;
    QPushButton* save_;
};

}  // namespace quelmo::ui
