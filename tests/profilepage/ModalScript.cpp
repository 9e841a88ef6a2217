#include "ModalScript.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

ModalScript::ModalScript() {
    QTimer::singleShot(5, this, &ModalScript::poll);
}

ModalScript &ModalScript::answer(QMessageBox::StandardButton button) {
    m_steps.push([this, button](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box) {
            unexpected << QStringLiteral("wanted a question, got %1").arg(modal->objectName());
            return;
        }
        const QMessageBox::StandardButton def = box->standardButton(box->defaultButton());
        seen << QStringLiteral("%1 [default %2]")
                    .arg(box->text(), def == QMessageBox::Yes  ? "Yes"
                                      : def == QMessageBox::No ? "No"
                                                               : "other");
        box->button(button)->click();
    });
    return *this;
}

ModalScript &ModalScript::typeName(const QString &text, bool ok) {
    m_steps.push([this, text, ok](QWidget *modal) {
        auto *edit = modal->findChild<QLineEdit *>(QStringLiteral("txtProfileName"));
        auto *buttons = modal->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        if (modal->objectName() != QLatin1String("InputProfileNameDlg") || !edit || !buttons) {
            unexpected << QStringLiteral("wanted the name dialog, got %1")
                              .arg(qobject_cast<QMessageBox *>(modal)
                                       ? qobject_cast<QMessageBox *>(modal)->text()
                                       : modal->objectName());
            return;
        }
        seen << QStringLiteral("name dialog");
        edit->setText(text);
        buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    });
    return *this;
}

// Each poll is a fresh single-shot timer, so polling goes on inside the nested event loop that a
// click may start (OK on a blank name opens a message box from within the click).
void ModalScript::poll() {
    QTimer::singleShot(5, this, &ModalScript::poll);
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    if (m_steps.empty()) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        unexpected << (box ? box->text() : modal->objectName());
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        return;
    }
    const auto step = m_steps.front();
    m_steps.pop();
    step(modal);
}
