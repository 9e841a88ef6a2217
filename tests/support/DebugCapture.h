#pragma once

#include <QMutex>
#include <QStringList>
#include <algorithm>

// Records the debug lines written while it lives (the newest capture records); other messages go
// on to the handler QTest::qExec installs, so make a capture inside the run.
class DebugCapture {
public:
    DebugCapture() : m_outer(s_active) {
        if (!m_outer)
            s_framework = qInstallMessageHandler(&DebugCapture::record);
        s_active = this;
    }
    ~DebugCapture() {
        if (!(s_active = m_outer))
            qInstallMessageHandler(s_framework);
    }
    DebugCapture(const DebugCapture &) = delete;
    DebugCapture &operator=(const DebugCapture &) = delete;

    QStringList lines() const {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }
    // The lines so far, leaving none behind.
    QStringList take() {
        QMutexLocker lock(&m_mutex);
        return std::exchange(m_lines, {});
    }
    void clear() { take(); }
    // How many lines start with `prefix` and end with `suffix`.
    int count(const QString &prefix, const QString &suffix = QString()) const {
        const QStringList all = lines();
        return int(std::count_if(all.begin(), all.end(), [&](const QString &line) {
            return line.startsWith(prefix) && line.endsWith(suffix);
        }));
    }

private:
    static void record(QtMsgType type, const QMessageLogContext &context, const QString &text) {
        if (type != QtDebugMsg || !s_active)
            return s_framework ? s_framework(type, context, text) : void();
        QMutexLocker lock(&s_active->m_mutex);
        s_active->m_lines << text;
    }
    static inline QtMessageHandler s_framework = nullptr;  // never `record` itself
    static inline DebugCapture *s_active = nullptr;
    DebugCapture *m_outer;
    mutable QMutex m_mutex;  // messages may come from any thread
    QStringList m_lines;
};
