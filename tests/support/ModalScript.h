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

// Answers the modal windows the code under test opens, one scripted step per window, so no test
// waits on a person. Each window met goes to `seen`; one with no step left is rejected and seen as
// "unexpected". Only the newest script answers while it lives.
class ModalScript : public QObject {
public:
    ModalScript() : m_outer(s_newest) {
        s_newest = this;
        QTimer::singleShot(5, this, &ModalScript::poll);
    }
    ~ModalScript() override { s_newest = m_outer; }

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
    // The name dialog is seen as "name dialog": types `text` (null keeps the field), then clicks
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
        m_steps.push(std::move(action));
        return *this;
    }

    QStringList seen;

private:
    // A fresh timer each time keeps polling inside the nested event loop a click may start (OK on
    // a blank name opens a message box from within the click).
    void poll() {
        QTimer::singleShot(5, this, &ModalScript::poll);
        auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (this != s_newest || !modal || !modal->isVisible())
            return;
        if (m_steps.empty()) {
            seen << "unexpected";
            return modal->reject();
        }
        const auto step = m_steps.front();
        m_steps.pop();
        step(modal);
    }
    static inline ModalScript *s_newest = nullptr;
    std::queue<std::function<void(QWidget *)>> m_steps;
    ModalScript *m_outer;
};
