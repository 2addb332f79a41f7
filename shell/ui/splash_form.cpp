#include "shell/ui/splash_form.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "shell/self_update.h"
#include "shell/ui/messages.h"

namespace quelmo::ui {
namespace {

constexpr QSize kSplashSize(480, 280);
constexpr int kTimerInterval = 10;

QString U(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

}  // namespace

TForm2::TForm2(shell::UpdateOptions options, QWidget* main_window)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint),
      options_(std::move(options)),
      label1_(new QLabel(this)),
      label2_(new QLabel(this)),
      timer1_(new QTimer(this)) {
    setObjectName("TForm2");
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(kSplashSize);
    const QString version = QString::fromStdString(options_.current.Text());
    label1_->setObjectName("Label1");
    label2_->setObjectName("Label2");
    label2_->setText("Ver:" + version);
    label2_->setAccessibleName(label2_->text());
    for (QLabel* l : {label1_, label2_}) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, palette().highlightedText().color());
        l->setPalette(p);
    }
    label1_->setGeometry(12, height() - 30, width() - 140, 22);
    label2_->setGeometry(width() - 120, height() - 30, 108, 22);
    label2_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (main_window) main_window->setWindowTitle("Quelmo V" + version);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    timer1_->setObjectName("Timer1");
    timer1_->setInterval(kTimerInterval);
    timer1_->setSingleShot(true);
    connect(timer1_, &QTimer::timeout, this, &TForm2::Timer1Timer);
    timer1_->start();
}

void TForm2::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor back = palette().highlight().color();
    p.fillRect(rect(), back);
    // A module's screen drawn as the picture: a dark panel with a few coloured rows of "text".
    const QRect lcd(40, 36, 180, 136);
    p.setPen(Qt::NoPen);
    p.setBrush(back.darker(170));
    p.drawRoundedRect(lcd.adjusted(-8, -8, 8, 8), 8, 8);
    p.fillRect(lcd, QColor(16, 24, 40));
    const QColor rows[] = {QColor(255, 200, 60), QColor(90, 200, 255), QColor(120, 230, 120), QColor(255, 110, 110)};
    for (int i = 0; i < 4; ++i) p.fillRect(lcd.x() + 14, lcd.y() + 16 + i * 28, 60 + (i * 37) % 90, 12, rows[i]);
    p.setPen(palette().highlightedText().color());
    QFont title = font();
    title.setPointSize(34);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(240, 60, 230, 60), Qt::AlignLeft | Qt::AlignVCenter, "Quelmo");
    QFont sub = font();
    sub.setPointSize(11);
    p.setFont(sub);
    p.drawText(QRect(244, 120, 230, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               tr("designer for the Tarvo colour LCD module"));
}

void TForm2::Status(std::string_view text) {
    label1_->setText(U(text));
    label1_->setAccessibleName(label1_->text());
    label1_->repaint();
    QCoreApplication::processEvents();
}

bool TForm2::Ask(std::string_view question) { return ui::Ask(this, U(question)); }

void TForm2::Show(std::string_view message) { Inform(this, U(message)); }

bool TForm2::Pump() {
    QCoreApplication::processEvents();
    return true;
}

void TForm2::Timer1Timer() {
    timer1_->stop();
    result_ = shell::RunUpdateCheck(*this, options_);
    finished_ = true;
}

bool RunSplash(const std::filesystem::path& workdir, QWidget* main_window, const std::function<void()>& create_windows) {
    shell::UpdateOptions options;
    options.server = shell::ServerAddress();
    options.workdir = workdir;
    options.program = shell::ProgramFile();
    return RunSplash(options, main_window, create_windows);
}

bool RunSplash(const shell::UpdateOptions& options, QWidget* main_window, const std::function<void()>& create_windows) {
    TForm2 splash(options, main_window);
    splash.show();
    QCoreApplication::processEvents();
    if (create_windows) create_windows();
    while (!splash.Finished()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    splash.close();
    const shell::UpdateResult result = splash.Result();
    if (result.outcome == shell::UpdateOutcome::Quit) return false;
    if (result.outcome == shell::UpdateOutcome::ProgramReplaced) {
        const Error failed = shell::Restart(options.program, shell::ProgramArguments());
        Inform(main_window, QString::fromStdString(failed.message), QMessageBox::Warning);
    }
    return true;
}

}  // namespace quelmo::ui
