#pragma once
// The design flow chart of the start page: 'start', the buttons A1 .. D1 in four columns and
// 'done', joined by arrows in the order a project is made. The buttons are ordinary push
// buttons placed on the chart; the chart only draws the connections behind them.
#include <QPushButton>
#include <QWidget>
#include <vector>

namespace quelmo::ui {

class FlowChart : public QWidget {
    Q_OBJECT
public:
    explicit FlowChart(QWidget* parent = nullptr);

    QPushButton* A1;
    QPushButton *B1, *B2;
    std::vector<QPushButton*> C;  // C1 .. C6
    QPushButton* D1;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect start_, done_;
};

}  // namespace quelmo::ui
