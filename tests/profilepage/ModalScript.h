#pragma once

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <queue>

// Answers the modal windows that the code under test opens, one scripted step per window, so that
// no test waits on a person. Every window met goes to `seen`; one with no step left is rejected
// and noted as "unexpected".
class ModalScript : public QObject {
public:
    // Only the newest script answers while it lives.
    ModalScript() : outer(newest) {
        newest = this;
        QTimer::singleShot(5, this, &ModalScript::poll);
    }
    ~ModalScript() override { newest = outer; }

    // Question boxes are seen as "<text> [default Yes|No|none]".
    ModalScript &answer(QMessageBox::StandardButton button) {
        steps.push([this, button](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            const auto def =
                box ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
            seen << QStringLiteral("%1 [default %2]")
                        .arg(box ? box->text() : modal->objectName(),
                             def == QMessageBox::Yes  ? "Yes"
                             : def == QMessageBox::No ? "No"
                                                      : "none");
            if (box)
                box->button(button)->click();
        });
        return *this;
    }
    // The name dialog is seen as "name dialog": types `text`, then presses OK or Cancel.
    ModalScript &typeName(const QString &text, bool ok = true) {
        steps.push([this, text, ok](QWidget *modal) {
            seen << (modal->objectName() == "InputProfileNameDlg" ? "name dialog"
                                                                  : "not the name dialog");
            if (auto *edit = modal->findChild<QLineEdit *>("txtProfileName"))
                edit->setText(text);
            if (auto *box = modal->findChild<QDialogButtonBox *>("buttonBox"))
                box->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        return *this;
    }
    ModalScript &cancelName() { return typeName(QString(), false); }
    bool done() const { return steps.empty(); }

    QStringList seen;

private:
    // A fresh single-shot timer each time, so polling goes on inside the nested event loop that a
    // click may start (OK on a blank name opens a message box from within the click).
    void poll() {
        QTimer::singleShot(5, this, &ModalScript::poll);
        auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (this != newest || !modal || !modal->isVisible())
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

    std::queue<std::function<void(QWidget *)>> steps;
    ModalScript *outer;
    static inline ModalScript *newest = nullptr;
};
