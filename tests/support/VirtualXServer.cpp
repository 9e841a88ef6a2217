#include "VirtualXServer.h"

#include <QStandardPaths>
#include <QTest>

VirtualXServer::~VirtualXServer() {
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        m_server.waitForFinished();
    }
}

bool VirtualXServer::start(const QString &screen, int timeoutMs) {
    if (QStandardPaths::findExecutable("xdotool").isEmpty()) {
        m_failure = "xdotool is needed (package xdotool)";
        return false;
    }
    // The server writes the display number it chose to the descriptor -displayfd names. Without
    // -noreset it resets whenever its last client leaves (a window probe, say) and refuses a
    // program that connects during the reset.
    m_server.start("Xvfb",
                   {"-displayfd", "1", "-nolisten", "tcp", "-noreset", "-screen", "0", screen});
    if (!m_server.waitForStarted()) {
        m_failure = "Xvfb is needed (package xvfb)";
        return false;
    }
    if (!QTest::qWaitFor([this] { return m_server.canReadLine(); }, timeoutMs)) {
        m_failure =
            "Xvfb named no display: " + QString::fromLocal8Bit(m_server.readAllStandardError());
        return false;
    }
    m_display = ':' + QString::fromLatin1(m_server.readLine().trimmed());
    return true;
}

QProcessEnvironment VirtualXServer::onScreen(QProcessEnvironment env) const {
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("DISPLAY", m_display);
    return env;
}

QStringList VirtualXServer::visibleWindowsOf(qint64 pid, int timeoutMs) const {
    QProcess search;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_display);
    search.setProcessEnvironment(env);
    search.start("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid)});
    if (!search.waitForFinished(timeoutMs))
        return {};
    return QString::fromLatin1(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}
