#pragma once

#include <QDir>
#include <QProcess>
#include <QTest>

// The built program as a child process, its debug lines (standard error) kept line by line; killed
// if still running when this goes.
class TintwellProcess : public QProcess {
public:
    explicit TintwellProcess(const QString &binary) : m_binary(binary) {}
    ~TintwellProcess() override {
        if (state() != NotRunning) {
            kill();
            waitForFinished();
        }
    }

    // A first start on a fresh account: per-user folders inside `home`, no screen, simulated
    // cameras.
    static QProcessEnvironment freshEnvironment(const QString &home) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TINTWELL_CAMERA_BACKEND", "simulated");
        for (const QString folder : {"data", "config", "state"})
            env.insert("XDG_" + folder.toUpper() + "_HOME", QDir(home).filePath(folder));
        env.insert("XDG_RUNTIME_DIR", home);
        return env;
    }
    void launch(const QProcessEnvironment &env, const QStringList &args = {}) {
        setProcessEnvironment(env);
        start(m_binary, args);
    }
    // Started by `wrapper`, a program and its arguments (such as one that changes the user).
    void launchThrough(const QStringList &wrapper, const QProcessEnvironment &env) {
        setProcessEnvironment(env);
        start(wrapper.value(0), wrapper.mid(1) << m_binary);
    }

    // The complete lines so far: one still being written might be the start of a longer one.
    QStringList debugLines() {
        m_partialLine += readAllStandardError();
        const int end = m_partialLine.lastIndexOf('\n');
        if (end >= 0) {
            m_lines << QString::fromUtf8(m_partialLine.left(end)).split('\n');
            m_partialLine.remove(0, end + 1);
        }
        return m_lines;
    }
    bool hasLine(const QString &line) { return debugLines().contains(line); }
    int count(const QString &prefix) { return startingWith(prefix).size(); }
    QString lastStartingWith(const QString &prefix) {  // empty when there is none
        const QStringList found = startingWith(prefix);
        return found.isEmpty() ? QString() : found.last();
    }
    bool waitForLine(const QString &prefix, int timeoutMs) {
        return QTest::qWaitFor([&] { return count(prefix) > 0; }, timeoutMs);
    }

private:
    QStringList startingWith(const QString &prefix) {
        QStringList found;
        for (const QString &line : debugLines())
            if (line.startsWith(prefix))
                found << line;
        return found;
    }
    QString m_binary;
    QByteArray m_partialLine;
    QStringList m_lines;
};
