#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A private X server (Xvfb) on which started programs show their windows the way a user would see
// them. The server picks a free display itself, so parallel runs never collide. Stopped when this
// goes.
class VirtualXServer {
public:
    ~VirtualXServer();

    // One screen of `screen` ("1024x768x24"). False when the server or the window probe is
    // missing or no display comes within `timeoutMs`; `failure()` says which.
    bool start(const QString &screen, int timeoutMs);
    QString failure() const { return m_failure; }
    QString display() const { return m_display; }

    // `env` for a program that shows its windows on this server.
    QProcessEnvironment onScreen(QProcessEnvironment env) const;
    // The ids of the mapped windows of process `pid`.
    QStringList visibleWindowsOf(qint64 pid, int timeoutMs) const;

private:
    QProcess m_server;
    QString m_display;
    QString m_failure;
};
