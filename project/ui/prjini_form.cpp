#include "project/ui/prjini_form.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/gbk.h"
#include "project/project.h"
#include "shell/ui/messages.h"
#include "shell/ui/shell_host.h"

namespace quelmo::ui {

Tprjiniform::Tprjiniform(ShellHost& host, QWidget* parent)
    : QWidget(parent), host_(host), grid_(new QTableWidget(0, 2, this)), save_(new QPushButton(tr("save"), this)) {
    setObjectName("Tprjiniform");
    setWindowTitle(tr("project file parameter setup"));
    grid_->setObjectName("vle");
    grid_->setAccessibleName(tr("project file parameter setup"));
    grid_->setHorizontalHeaderLabels({tr("parameter name"), tr("value")});
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->setColumnWidth(0, 200);
    grid_->setEditTriggers(QAbstractItemView::AllEditTriggers);
    save_->setObjectName("save");
    save_->setAccessibleName(save_->text());

    auto* title = new QLabel(tr("project file parameter setup"), this);
    title->setAccessibleName(title->text());
    QFont f = title->font();
    f.setBold(true);
    title->setFont(f);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(grid_, 1);
    layout->addWidget(save_, 0, Qt::AlignLeft);
    connect(save_, &QPushButton::clicked, this, &Tprjiniform::Save);
    Fill();
}

int Tprjiniform::Row(const QString& key) {
    for (int r = 0; r < grid_->rowCount(); ++r)
        if (grid_->item(r, 0) && grid_->item(r, 0)->text() == key) return r;
    const int r = grid_->rowCount();
    grid_->insertRow(r);
    auto* k = new QTableWidgetItem(key);
    k->setFlags(k->flags() & ~Qt::ItemIsEditable);
    grid_->setItem(r, 0, k);
    grid_->setItem(r, 1, new QTableWidgetItem);
    return r;
}

void Tprjiniform::Fill() {
    const ProjectState& p = host_.Project().State();
    const std::string_view baud = BaudText(p.BTL);
    grid_->item(Row(QString::fromUtf8(kNameRow)), 1)->setText(QString::fromStdString(GbkToUtf8(p.Name)));
    grid_->item(Row(QString::fromUtf8(kBaudRow)), 1)->setText(QString::fromUtf8(baud.data(), static_cast<qsizetype>(baud.size())));
}

void Tprjiniform::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Fill();
}

void Tprjiniform::Save() {
    const QString name = grid_->item(Row(QString::fromUtf8(kNameRow)), 1)->text();
    const QString baud = grid_->item(Row(QString::fromUtf8(kBaudRow)), 1)->text();
    Result<std::string> saved = host_.Project().SaveParameters(Utf8ToGbk(name.toStdString()), baud.toStdString());
    if (!saved) {
        Inform(this, QString::fromStdString(saved.error().message));
        return;
    }
    Inform(this, QString::fromStdString(*saved));
    host_.Navigate("start");
}

}  // namespace quelmo::ui
