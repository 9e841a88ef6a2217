#pragma once

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

// Records the debug lines written while it lives, in place of the test framework's own message
// handler, which it puts back when it goes. The framework installs that handler when a run
// starts, so a capture made before QTest::qExec would be replaced: make it in initTestCase or in
// the test function itself. Captures nest; the newest one records.
class DebugCapture {
public:
    enum Kinds {
        DebugLinesOnly,  // other messages still reach the framework's output
        EveryMessage,    // warnings and the like are recorded among the debug lines
    };

    explicit DebugCapture(Kinds kinds = DebugLinesOnly);
    ~DebugCapture();
    DebugCapture(const DebugCapture &) = delete;
    DebugCapture &operator=(const DebugCapture &) = delete;

    QStringList lines() const;
    // The lines so far, leaving none behind.
    QStringList take();
    void clear();
    // How many lines start with `prefix` and end with `suffix`.
    int count(const QString &prefix, const QString &suffix = QString()) const;

private:
    static void record(QtMsgType type, const QMessageLogContext &context, const QString &text);

    Kinds m_kinds;
    QtMessageHandler m_previousHandler;
    DebugCapture *m_previousCapture;
    // Messages may come from any thread.
    mutable QMutex m_mutex;
    QStringList m_lines;
};
