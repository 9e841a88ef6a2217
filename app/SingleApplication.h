#pragma once

#include <QApplication>
#include <QHash>
#include <QScopedPointer>
#include <QString>

class QDeadlineTimer;
class QLocalServer;
class QLocalSocket;
class QLockFile;

// The application object of a program that runs once per logged-in user.
//
// The first copy takes a lock file in a place only its user can reach and listens on a local
// socket beside it; every later copy finds the lock taken, reports isRunning() and can pass the
// running copy a line of text, which arrives there as messageReceived() on the GUI thread.
// The lock file decides who is first, so copies started at the same instant elect exactly one;
// a lock whose holder does not answer on the socket (left behind by a killed copy, emptied,
// replaced, or naming a reused process id) is taken over.
class SingleApplication : public QApplication {
    Q_OBJECT
public:
    SingleApplication(int &argc, char **argv);
    ~SingleApplication() override;

    // True when another copy of this program already runs for the same user.
    bool isRunning() const { return m_running; }

    // Delivers text to the running copy and waits until it confirms receipt or timeoutMs has
    // passed. False in the running copy itself, on timeout and when nobody listens.
    bool sendMessage(const QString &text, int timeoutMs);

    // Where the running copy listens; empty when single-instance detection is unavailable.
    QString serverName() const { return m_serverName; }

    // Longest message accepted, in bytes of UTF-8; longer ones are refused unread.
    static constexpr quint32 kMaxMessageBytes = 64 * 1024;

signals:
    void messageReceived(const QString &text);

private:
    bool ownerAnswers() const;
    bool connectBefore(QLocalSocket &socket, const QDeadlineTimer &deadline) const;
    void becomeRunningCopy();
    void acceptConnections();
    void readFromClient(QLocalSocket *client);
    void dropClient(QLocalSocket *client);

    bool m_running = false;
    QString m_serverName;
    QScopedPointer<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
    QHash<QLocalSocket *, QByteArray> m_partialMessages;
};
