#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <functional>
#include <queue>

// Answers the modal boxes and dialogs that the code under test opens, one scripted step per modal
// window, so that no test ever waits on a person. Every window met is written to `seen`; a window
// with no step left is rejected and reported as unexpected.
class ModalScript : public QObject {
    Q_OBJECT
public:
    ModalScript();

    // A question box: clicks `button`. Seen as "<text> [default <button name>]".
    ModalScript &answer(QMessageBox::StandardButton button);
    // The profile name dialog: types `text`, then presses OK (or Cancel). Seen as "name dialog".
    ModalScript &typeName(const QString &text, bool ok = true);
    ModalScript &cancelName() { return typeName(QString(), false); }

    bool done() const { return m_steps.empty(); }

    QStringList seen;
    QStringList unexpected;

private:
    void poll();

    std::queue<std::function<void(QWidget *)>> m_steps;
};
