#pragma once
// The batch interface editor: the project's 128 stored pages on the left, the edit area, the
// page's number and name, the senders to the connected module and what the module answers.
#include <QWidget>
#include <string>
#include <vector>

#include "editors/pages.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTimer;

namespace quelmo::ui {

class ShellHost;

class Tpjmform : public QWidget {
    Q_OBJECT
public:
    explicit Tpjmform(ShellHost& host, QWidget* parent = nullptr);

    // Showing or activating the window: the page list is rebuilt from the store and received
    // bytes go to the receive area.
    void Reload();
    // The edit area (txmemo) as GBK text, lines separated by CR LF.
    std::string EditAreaText() const;
    void SetEditAreaText(const std::string& gbk);
    // The captions of the 128 page items (GBK).
    std::vector<std::string> PageCaptions() const;
    PageEditor& Pages() { return pages_; }

    // The controls' actions.
    void ChoosePage(int n);
    void SavePage();
    void ImportOldPages();
    void SendFixed(const std::string& utf8);
    void SendEditArea();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ShowItems();
    void ShowReceived();

    ShellHost& host_;
    PageEditor pages_;
    QListWidget* plist_;
    QPlainTextEdit* txmemo_;
    QPlainTextEdit* rxmemo_;
    QLabel* pjmbh_;
    QLineEdit* pjmname_;
    QTimer* rx_timer_;
    std::string rx_shown_;
};

}  // namespace quelmo::ui
