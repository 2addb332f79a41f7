#include "shell/ui/flow_chart.h"

#include <QPainter>
#include <QPainterPath>

namespace quelmo::ui {
namespace {

// Columns: start, A, B, C, D, done. Rows of the C column are 70 pixels apart.
constexpr int kTop = 30;
constexpr int kRow = 70;
constexpr int kButtonHeight = 44;
// The chart fits beside the left panels on a 1280-pixel screen.
constexpr int kTerminalWidth = 50;
constexpr int kColumnA = 74, kWidthA = 150;
constexpr int kColumnB = 246, kWidthB = 190;
constexpr int kColumnC = 460, kWidthC = 240;
constexpr int kColumnD = 722, kWidthD = 150;
constexpr int kColumnDone = 890;
constexpr int kWidth = kColumnDone + kTerminalWidth + 10;
constexpr int kHeight = kTop * 2 + 5 * kRow + kButtonHeight;

QPushButton* Button(QWidget* parent, const char* name, const QString& caption, QRect at) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    b->setGeometry(at);
    return b;
}

int RowY(double row) { return kTop + static_cast<int>(row * kRow); }

// An arrow from the right middle of `from` to the left middle of `to`, with a bend halfway.
void Arrow(QPainter& p, QPoint from, QPoint to) {
    const int mid = (from.x() + to.x()) / 2;
    QPainterPath path(from);
    path.lineTo(mid, from.y());
    path.lineTo(mid, to.y());
    path.lineTo(to.x() - 6, to.y());
    p.drawPath(path);
    QPolygon head;
    head << QPoint(to.x(), to.y()) << QPoint(to.x() - 8, to.y() - 5) << QPoint(to.x() - 8, to.y() + 5);
    p.setBrush(p.pen().color());
    p.drawPolygon(head);
    p.setBrush(Qt::NoBrush);
}

QPoint Right(const QRect& r) { return {r.right() + 1, r.center().y()}; }
QPoint Left(const QRect& r) { return {r.left(), r.center().y()}; }

}  // namespace

FlowChart::FlowChart(QWidget* parent) : QWidget(parent) {
    setObjectName("Image1");
    setAccessibleName("Image1");
    const int middle = RowY(2.5);
    start_ = QRect(6, middle, kTerminalWidth, kButtonHeight);
    done_ = QRect(kColumnDone, middle, kTerminalWidth, kButtonHeight);
    A1 = Button(this, "A1", tr("open/create a project"), QRect(kColumnA, middle, kWidthA, kButtonHeight));
    B1 = Button(this, "B1", tr("screen connect, retrieve data"), QRect(kColumnB, RowY(1.5), kWidthB, kButtonHeight));
    B2 = Button(this, "B2", tr("manually setup"), QRect(kColumnB, RowY(3.5), kWidthB, kButtonHeight));
    const QString captions[6] = {tr("setup basic parameter for this project"), tr("setup font used in this project"),
                                 tr("setup image used in this project"),      tr("edit batch interface/command"),
                                 tr("interface simulation design"),           tr("create c code")};
    for (int i = 0; i < 6; ++i) {
        const QByteArray name = "C" + QByteArray::number(i + 1);
        C.push_back(Button(this, name.constData(), captions[i], QRect(kColumnC, RowY(i), kWidthC, kButtonHeight)));
    }
    D1 = Button(this, "D1", tr("upload data to screen"), QRect(kColumnD, middle, kWidthD, kButtonHeight));
    setMinimumSize(kWidth, kHeight);
}

QSize FlowChart::sizeHint() const { return {kWidth, kHeight}; }

void FlowChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().base());
    p.setPen(QPen(palette().highlight().color(), 2));
    Arrow(p, Right(start_), Left(A1->geometry()));
    Arrow(p, Right(A1->geometry()), Left(B1->geometry()));
    Arrow(p, Right(A1->geometry()), Left(B2->geometry()));
    for (QPushButton* c : C) {
        const QRect from = c->geometry().center().y() < RowY(2.5) + kButtonHeight / 2 ? B1->geometry() : B2->geometry();
        Arrow(p, Right(from), Left(c->geometry()));
        Arrow(p, Right(c->geometry()), Left(D1->geometry()));
    }
    Arrow(p, Right(D1->geometry()), Left(done_));
    // 'start' and 'done' as rounded terminals.
    p.setPen(QPen(palette().text().color(), 1.5));
    p.setBrush(palette().alternateBase());
    for (const auto& [r, text] : {std::pair{start_, tr("start")}, std::pair{done_, tr("done")}}) {
        p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 20, 20);
        p.drawText(r, Qt::AlignCenter, text);
    }
}

}  // namespace quelmo::ui
