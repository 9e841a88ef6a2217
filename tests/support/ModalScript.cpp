#include "ModalScript.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
ModalScript *g_newest = nullptr;
}  // namespace

ModalScript::ModalScript() : outer(g_newest) {
    g_newest = this;
    QTimer::singleShot(5, this, &ModalScript::poll);
}

ModalScript::~ModalScript() {
    g_newest = outer;
}

ModalScript &ModalScript::answer(QMessageBox::StandardButton button) {
    steps.push([this, button](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        const auto def = box ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
        seen << QStringLiteral("%1 [default %2]")
                    .arg(box ? box->text() : modal->objectName(), def == QMessageBox::Yes ? "Yes"
                                                                  : def == QMessageBox::No
                                                                      ? "No"
                                                                      : "none");
        if (box)
            box->button(button)->click();
    });
    return *this;
}

ModalScript &ModalScript::typeName(const QString &text, bool ok) {
    steps.push([this, text, ok](QWidget *modal) {
        seen << (modal->objectName() == "InputProfileNameDlg" ? "name dialog"
                                                              : "not the name dialog");
        auto *edit = modal->findChild<QLineEdit *>("txtProfileName");
        if (edit && !text.isNull())
            edit->setText(text);
        // A mouse click moves the focus to the button, as a user's click does.
        if (auto *box = modal->findChild<QDialogButtonBox *>("buttonBox"))
            QTest::mouseClick(box->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
                              Qt::LeftButton);
    });
    return *this;
}

ModalScript &ModalScript::meanwhile(std::function<void(QWidget *)> action) {
    steps.push(action);
    return *this;
}

// A fresh single-shot timer each time, so polling goes on inside the nested event loop that a
// click may start (OK on a blank name opens a message box from within the click).
void ModalScript::poll() {
    QTimer::singleShot(5, this, &ModalScript::poll);
    auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (this != g_newest || !modal || !modal->isVisible())
        return;
    if (steps.empty()) {
        seen << "unexpected";
        modal->reject();
        return;
    }
    const auto step = steps.front();
    steps.pop();
    step(modal);
}
