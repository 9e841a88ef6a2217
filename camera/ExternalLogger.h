#pragma once

#include <QFile>
#include <QString>

// The camera access log: every message is appended with a time stamp to "tintwell.log" in the
// per-user state folder (Linux: $XDG_STATE_HOME/tintwell, by default ~/.local/state/tintwell;
// Windows: the "logs" folder in the local application data folder) and flushed at once. The file is
// rotated at 1 MiB, keeping one older file as "tintwell.log.1". Logging never holds up or fails the
// caller: when the file cannot be written the message is dropped.
class ExternalLogger {
public:
    static ExternalLogger *instance();
    virtual ~ExternalLogger() = default;

    virtual void write(const QString &text);

    // Where the messages go with the current per-user folders.
    static QString filePath();
    static constexpr qint64 kMaxFileSize = 1024 * 1024;

private:
    ExternalLogger() = default;
    bool ensureOpen(qint64 incomingBytes);

    QFile m_file;
    qint64 m_lastFailedOpenMs = -1;
};

// Writes one message to the camera access log.
void logToExternal(const QString &message);
