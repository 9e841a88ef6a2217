#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

// A private X server (Xvfb) on a display it picks itself, so parallel runs never collide; stopped
// when this goes.
class VirtualXServer {
public:
    ~VirtualXServer() {
        m_server.terminate();
        m_server.waitForFinished();
    }

    // One screen of `screen` ("1024x768x24"). False when Xvfb or xdotool is missing or no display
    // comes within `timeoutMs`; `failure()` says which.
    bool start(const QString &screen, int timeoutMs) {
        if (QStandardPaths::findExecutable("xdotool").isEmpty())
            return fail("xdotool is needed (package xdotool)");
        // -displayfd: the server names its display on standard output. -noreset: otherwise it
        // resets when its last client leaves and refuses one connecting meanwhile.
        m_server.start("Xvfb",
                       {"-displayfd", "1", "-nolisten", "tcp", "-noreset", "-screen", "0", screen});
        if (!m_server.waitForStarted())
            return fail("Xvfb is needed (package xvfb)");
        if (!QTest::qWaitFor([this] { return m_server.canReadLine(); }, timeoutMs))
            return fail("Xvfb named no display: " + m_server.readAllStandardError());
        m_display = ':' + QString::fromLatin1(m_server.readLine().trimmed());
        return true;
    }
    QString failure() const { return m_failure; }
    QString display() const { return m_display; }

    // `env` for a program that shows its windows on this server.
    QProcessEnvironment onScreen(QProcessEnvironment env) const {
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", m_display);
        return env;
    }
    // The ids of the mapped windows of process `pid`.
    QStringList visibleWindowsOf(qint64 pid, int timeoutMs) const {
        QProcess search;
        search.setProcessEnvironment(onScreen(QProcessEnvironment::systemEnvironment()));
        search.start("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid)});
        if (!search.waitForFinished(timeoutMs))
            return {};
        return QString::fromLatin1(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

private:
    bool fail(const QString &why) {
        m_failure = why;
        return false;
    }
    QProcess m_server;
    QString m_display, m_failure;
};
