#include "project/ui/newprj_form.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "core/gbk.h"
#include "project/project.h"
#include "shell/ui/messages.h"

namespace quelmo::ui {

Tnewprjform::Tnewprjform(const Tproject& project, QWidget* parent)
    : QDialog(parent), project_(project), name_(new QLineEdit(this)), file_(new QLineEdit(this)) {
    setObjectName("Tnewprjform");
    setWindowTitle(tr("create a new project file"));
    name_->setObjectName("name");
    name_->setAccessibleName(tr("name"));
    file_->setObjectName("prjfile");
    file_->setAccessibleName(tr("project file:"));
    // The working folder is the dialog's "." (the project's own folder names live beside it).
    file_->setText(QString::fromStdString((project.Workdir() / "test.gpu").string()));
    file_->setMinimumWidth(360);
    auto* choose = new QPushButton(tr("..."), this);
    choose->setObjectName("choose");
    choose->setAccessibleName(tr("choose a project data file"));
    auto* create = new QPushButton(tr("create"), this);
    create->setObjectName("create");
    create->setAccessibleName(create->text());
    create->setDefault(true);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(choose);
    auto* form = new QFormLayout(this);
    form->addRow(tr("name"), name_);
    form->addRow(tr("project file:"), fileRow);
    form->addRow(QString(), create);

    connect(choose, &QPushButton::clicked, this, &Tnewprjform::Choose);
    connect(create, &QPushButton::clicked, this, &Tnewprjform::Create);
}

QString Tnewprjform::ProjectName() const { return name_->text(); }
QString Tnewprjform::ProjectFile() const { return file_->text(); }

void Tnewprjform::Choose() {
    // The file need not exist: it is written at the first save.
    QString file = ChooseSaveFile(this, tr("choose a project data file"), QStringLiteral("GPU数据文件 (*.gpu)"),
                                  QString::fromStdString(project_.Workdir().string()));
    if (file.isEmpty()) return;
    if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".gpu");
    file_->setText(file);
}

void Tnewprjform::Create() {
    const std::string name = Utf8ToGbk(name_->text().toStdString());
    if (Status s = project_.CanCreate(name, file_->text().toStdString()); !s) {
        Inform(this, QString::fromStdString(s.error().message));
        return;
    }
    accept();
}

}  // namespace quelmo::ui
