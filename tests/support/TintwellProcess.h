#pragma once

#include <QProcess>
#include <QStringList>

// One copy of the built program started as a child process. What it writes to standard error,
// its debug lines, is kept line by line; standard output is left to the caller. A copy still
// running when this goes is killed.
class TintwellProcess : public QProcess {
public:
    explicit TintwellProcess(const QString &binary) : m_binary(binary) {}
    ~TintwellProcess() override;

    // A first start on a fresh account: the data, configuration, state and runtime folders inside
    // `home`, no screen, simulated cameras.
    static QProcessEnvironment freshEnvironment(const QString &home);

    void launch(const QProcessEnvironment &env, const QStringList &args = {});
    // The binary started by `wrapper`, a program with its arguments (such as one that changes the
    // user).
    void launchThrough(const QStringList &wrapper, const QProcessEnvironment &env);

    // The complete lines written to standard error so far.
    QStringList debugLines();
    bool hasLine(const QString &line);
    int count(const QString &prefix);
    // Empty when there is none.
    QString lastStartingWith(const QString &prefix);
    // Waits until a line starting with `prefix` has been written; false when `timeoutMs` passes
    // first.
    bool waitForLine(const QString &prefix, int timeoutMs);

private:
    QString m_binary;
    QByteArray m_partialLine;
    QStringList m_lines;
};
