#include "InputProfileNameDlg.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>

#include "ui_InputProfileNameDlg.h"

InputProfileNameDlg::InputProfileNameDlg(QWidget *parent)
    : QDialog(parent), ui(new Ui::InputProfileNameDlg) {
    ui->setupUi(this);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &InputProfileNameDlg::onAccepted);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

InputProfileNameDlg::~InputProfileNameDlg() {
    delete ui;
}

QString InputProfileNameDlg::profileName() {
    name = ui->txtProfileName->text();
    return name;
}

void InputProfileNameDlg::onAccepted() {
    if (!ui->txtProfileName->text().trimmed().isEmpty()) {
        accept();
        return;
    }
    QMessageBox::information(this, tr("Information"), tr("Profile name should not be empty"),
                             QMessageBox::Ok, QMessageBox::NoButton);
}
