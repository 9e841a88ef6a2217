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

bool InputProfileNameDlg::isReservedName(const QString &name) {
    const QString trimmed = name.trimmed();
    return trimmed.compare(QStringLiteral("Default"), Qt::CaseInsensitive) == 0 ||
           trimmed.compare(QStringLiteral("Standard Profile"), Qt::CaseInsensitive) == 0;
}

void InputProfileNameDlg::onAccepted() {
    const QString text = ui->txtProfileName->text();
    if (text.trimmed().isEmpty()) {
        refuse(tr("Profile name should not be empty"));
        return;
    }
    if (isReservedName(text)) {
        refuse(tr("\"%1\" is the name of the camera's own defaults. Please choose another name.")
                   .arg(text.trimmed()));
        return;
    }
    if (takenNames.contains(text)) {
        const auto answer = QMessageBox::question(
            this, tr("Tintwell"), tr("A profile named %1 already exists. Replace it?").arg(text),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            ui->txtProfileName->setFocus();
            return;
        }
    }
    accept();
}

// The text stays as typed and typing goes on in the field, not on the OK button just pressed.
void InputProfileNameDlg::refuse(const QString &text) {
    QMessageBox::information(this, tr("Information"), text, QMessageBox::Ok, QMessageBox::NoButton);
    ui->txtProfileName->setFocus();
}
