#include "TintwellProcess.h"

#include <QDir>
#include <QTest>

TintwellProcess::~TintwellProcess() {
    if (state() != NotRunning) {
        kill();
        waitForFinished();
    }
}

QProcessEnvironment TintwellProcess::freshEnvironment(const QString &home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TINTWELL_CAMERA_BACKEND", "simulated");
    env.insert("XDG_DATA_HOME", QDir(home).filePath("data"));
    env.insert("XDG_CONFIG_HOME", QDir(home).filePath("config"));
    env.insert("XDG_STATE_HOME", QDir(home).filePath("state"));
    env.insert("XDG_RUNTIME_DIR", home);
    return env;
}

void TintwellProcess::launch(const QProcessEnvironment &env, const QStringList &args) {
    setProcessEnvironment(env);
    start(m_binary, args);
}

void TintwellProcess::launchThrough(const QStringList &wrapper, const QProcessEnvironment &env) {
    setProcessEnvironment(env);
    start(wrapper.value(0), wrapper.mid(1) << m_binary);
}

QStringList TintwellProcess::debugLines() {
    m_partialLine += readAllStandardError();
    // A line still being written is not a line yet: it might be the start of a longer one.
    const int end = m_partialLine.lastIndexOf('\n');
    if (end >= 0) {
        m_lines << QString::fromUtf8(m_partialLine.left(end)).split('\n');
        m_partialLine.remove(0, end + 1);
    }
    return m_lines;
}

bool TintwellProcess::hasLine(const QString &line) {
    return debugLines().contains(line);
}

int TintwellProcess::count(const QString &prefix) {
    int n = 0;
    for (const QString &line : debugLines())
        n += line.startsWith(prefix) ? 1 : 0;
    return n;
}

QString TintwellProcess::lastStartingWith(const QString &prefix) {
    const QStringList all = debugLines();
    for (int i = all.size() - 1; i >= 0; --i) {
        if (all.at(i).startsWith(prefix))
            return all.at(i);
    }
    return QString();
}

bool TintwellProcess::waitForLine(const QString &prefix, int timeoutMs) {
    return QTest::qWaitFor([&] { return count(prefix) > 0; }, timeoutMs);
}
