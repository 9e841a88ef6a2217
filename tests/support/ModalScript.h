#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <functional>
#include <queue>

// Answers the modal windows that the code under test opens, one scripted step per window, so that
// no test waits on a person. Every window met goes to `seen`; one with no step left is rejected
// and noted as "unexpected".
class ModalScript : public QObject {
public:
    // Only the newest script answers while it lives.
    ModalScript();
    ~ModalScript() override;

    // Question boxes are seen as "<text> [default Yes|No|none]".
    ModalScript &answer(QMessageBox::StandardButton button);
    // The name dialog is seen as "name dialog": types `text` (a null text keeps what the field
    // holds), then clicks OK or Cancel with the mouse.
    ModalScript &typeName(const QString &text, bool ok = true);
    ModalScript &cancelName() { return typeName(QString(), false); }
    // Runs `action` while the window is open without answering it; the next step meets it again.
    ModalScript &meanwhile(std::function<void(QWidget *)> action);
    bool done() const { return steps.empty(); }

    QStringList seen;

private:
    void poll();

    std::queue<std::function<void(QWidget *)>> steps;
    ModalScript *outer;
};
