#pragma once

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <queue>

// Answers the modal windows the code under test opens, one scripted step per window, so that no
// test waits on a person. Every window met goes to `seen`; one with no step left is rejected and
// noted as "unexpected". Only the newest script answers while it lives.
class ModalScript : public QObject {
public:
    ModalScript() : outer(s_newest) {
        s_newest = this;
        QTimer::singleShot(5, this, &ModalScript::poll);
    }
    ~ModalScript() override { s_newest = outer; }

    // Question boxes are seen as "<text> [default Yes|No|none]".
    ModalScript &answer(QMessageBox::StandardButton button) {
        return meanwhile([this, button](QWidget *modal) {
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
    }
    // The name dialog is seen as "name dialog": types `text` (null: keeps the field), then clicks
    // OK or Cancel with the mouse, which moves the focus to the button as a user's click does.
    ModalScript &typeName(const QString &text, bool ok = true) {
        return meanwhile([this, text, ok](QWidget *modal) {
            seen << (modal->objectName() == "InputProfileNameDlg" ? "name dialog"
                                                                  : "not the name dialog");
            auto *edit = modal->findChild<QLineEdit *>("txtProfileName");
            if (edit && !text.isNull())
                edit->setText(text);
            if (auto *box = modal->findChild<QDialogButtonBox *>("buttonBox"))
                QTest::mouseClick(box->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
                                  Qt::LeftButton);
        });
    }
    ModalScript &cancelName() { return typeName(QString(), false); }
    // Runs `action` on the open window without answering it; the next step meets it again.
    ModalScript &meanwhile(std::function<void(QWidget *)> action) {
        steps.push(std::move(action));
        return *this;
    }
    bool done() const { return steps.empty(); }

    QStringList seen;

private:
    // A fresh single-shot timer each time, so polling goes on inside the nested event loop that
    // a click may start (OK on a blank name opens a message box from within the click).
    void poll() {
        QTimer::singleShot(5, this, &ModalScript::poll);
        auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (this != s_newest || !modal || !modal->isVisible())
            return;
        if (steps.empty()) {
            seen << "unexpected";
            return modal->reject();
        }
        const auto step = steps.front();
        steps.pop();
        step(modal);
    }

    static inline ModalScript *s_newest = nullptr;
    std::queue<std::function<void(QWidget *)>> steps;
    ModalScript *outer;
};
