#include "SingleApplication.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#else
#include <QCryptographicHash>
#endif

namespace {

// Sent back once a message has arrived whole, so that the sender knows it was delivered.
constexpr char kAck = '\x06';
// Pause between connection attempts while the running copy is still setting up its socket.
constexpr int kConnectRetryMs = 20;
constexpr int kHeaderBytes = 4;

// How long one copy waits for the other on the socket: a client that has not sent its whole
// message by then is cut off, and a holder of the instance lock that has not answered by then
// counts as gone, the same time a later start gives the running copy to take its message.
// TINTWELL_INSTANCE_WAIT_MS shortens it for tests that have to wait it out.
int instanceWaitMs() {
    static const int ms = [] {
        bool ok = false;
        const int fromEnvironment = qEnvironmentVariableIntValue("TINTWELL_INSTANCE_WAIT_MS", &ok);
        return ok && fromEnvironment > 0 ? fromEnvironment : 5000;
    }();
    return ms;
}

int msLeft(const QDeadlineTimer &deadline) {
    return int(qMax<qint64>(0, deadline.remainingTime()));
}

// Names the instance after the executable and the user, so that another program or another
// user's copy of this one never counts as "running".
QString instanceKey() {
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
#ifdef Q_OS_UNIX
    return program + QLatin1Char('-') + QString::number(geteuid());
#else
    const QByteArray user = qgetenv("USERDOMAIN") + '\\' + qgetenv("USERNAME");
    const QByteArray tag = QCryptographicHash::hash(user, QCryptographicHash::Sha256).toHex();
    return program + QLatin1Char('-') + QString::fromLatin1(tag.left(16));
#endif
}

#ifdef Q_OS_UNIX
// The folder key under base when it is, or can be made, this user's alone; empty otherwise.
// A lock or socket in a folder another user controls could be faked or hijacked.
QString privateFolderIn(const QString &base, const QString &key) {
    if (base.isEmpty() || !QFileInfo(base).isDir())
        return QString();
    const QString folder = base + QLatin1Char('/') + key;
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    struct stat info;
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != geteuid())
        return QString();
    if ((info.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return QString();
    return folder;
}

// The session's runtime folder is preferred; it may be missing (cron, some remote logins) or
// unusable when the environment was inherited from another user (su). Then the cache folder in
// the user's home serves: in a shared temporary folder another user could create ours first.
QString privateFolder(const QString &key) {
    const QString runtime = privateFolderIn(QFile::decodeName(qgetenv("XDG_RUNTIME_DIR")), key);
    if (!runtime.isEmpty())
        return runtime;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    QDir().mkpath(cache);
    return privateFolderIn(cache, key);
}
#endif

// A lock naming this very process cannot be held by a living copy: it was left by one that ended
// without removing it and whose process id has been handed to us. Wine reuses the same few ids
// all the time; Windows and Linux do so too, only more rarely.
bool isLeftUnderOurId(const QLockFile &lock) {
    qint64 pid = 0;
    QString host;
    QString application;
    return lock.getLockInfo(&pid, &host, &application) &&
           pid == QCoreApplication::applicationPid() &&
           (host.isEmpty() || host == QSysInfo::machineHostName());
}

}  // namespace

SingleApplication::SingleApplication(int &argc, char **argv) : QApplication(argc, argv) {
    const QString key = instanceKey();
#ifdef Q_OS_UNIX
    const QString folder = privateFolder(key);
    if (folder.isEmpty()) {
        qWarning("No private folder for the instance lock of %s; not checking for other copies",
                 qPrintable(key));
        return;
    }
    const QString lockPath = folder + QStringLiteral("/lock");
    const QString serverName = folder + QStringLiteral("/socket");
#else
    const QString lockPath = QDir::tempPath() + QLatin1Char('/') + key + QStringLiteral(".lock");
    const QString serverName = key;
#endif

    m_lock.reset(new QLockFile(lockPath));
    // The lock is held for the program's whole life, so its age says nothing; only a holder
    // that no longer exists makes it stale.
    m_lock->setStaleLockTime(0);
    m_serverName = serverName;
    bool locked = m_lock->tryLock(0);
    // A lock under our own process id is a dead copy's: Wine and a fresh PID namespace hand out
    // the same small ids again at once.
    if (!locked && m_lock->error() == QLockFile::LockFailedError && isLeftUnderOurId(*m_lock))
        locked = m_lock->removeStaleLockFile() && m_lock->tryLock(0);
    if (!locked && ownerAnswers()) {
        m_running = true;
        return;
    }
    if (!locked) {
        // Left behind: empty or unreadable, a folder in its place, or naming a process that is not
        // a running copy (a reused process id). Nobody answers for it, so it is taken over once.
        if (!m_lock->removeStaleLockFile())
            QDir().rmdir(lockPath);
        locked = m_lock->tryLock(0);
        // Another start took it over at the same moment and is the running copy now.
        if (!locked && ownerAnswers()) {
            m_running = true;
            return;
        }
    }
    if (locked) {
        becomeRunningCopy();
        return;
    }
    m_serverName.clear();
    qWarning("Cannot take the instance lock %s; not checking for other copies",
             qPrintable(lockPath));
}

// Whether a running copy listens on the socket; one that has just taken the lock may still be
// setting it up, so it is given the time a later start gives its message.
bool SingleApplication::ownerAnswers() const {
    QLocalSocket socket;
    return connectBefore(socket, QDeadlineTimer(instanceWaitMs()));
}

// The running copy may have taken the lock a moment ago and not be listening yet.
bool SingleApplication::connectBefore(QLocalSocket &socket, const QDeadlineTimer &deadline) const {
    for (;;) {
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(msLeft(deadline)))
            return true;
        socket.abort();
        if (deadline.hasExpired())
            return false;
        QThread::msleep(qMin(kConnectRetryMs, msLeft(deadline)));
    }
}

SingleApplication::~SingleApplication() {
    // Remove the socket before giving up the lock, so the next first copy finds neither.
    if (m_server)
        m_server->close();
    m_lock.reset();
}

void SingleApplication::becomeRunningCopy() {
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleApplication::acceptConnections);
    // A copy that was killed leaves its socket behind; we hold the lock, so it is not in use.
    QLocalServer::removeServer(m_serverName);
    if (!m_server->listen(m_serverName))
        qWarning("Cannot listen on %s: %s", qPrintable(m_serverName),
                 qPrintable(m_server->errorString()));
}

void SingleApplication::acceptConnections() {
    while (QLocalSocket *client = m_server->nextPendingConnection()) {
        m_partialMessages.insert(client, QByteArray());
        connect(client, &QLocalSocket::readyRead, this, [this, client] { readFromClient(client); });
        connect(client, &QLocalSocket::disconnected, this, [this, client] { dropClient(client); });
        QTimer::singleShot(instanceWaitMs(), client, [this, client] { dropClient(client); });
        readFromClient(client);
    }
}

// One connection carries one message: a 32-bit big-endian byte count and that many bytes of
// UTF-8. Nothing is buffered beyond one message of the accepted size.
void SingleApplication::readFromClient(QLocalSocket *client) {
    const auto pending = m_partialMessages.find(client);
    if (pending == m_partialMessages.end())
        return;
    QByteArray &buffer = *pending;
    buffer += client->read(kHeaderBytes + kMaxMessageBytes - buffer.size());
    if (buffer.size() < kHeaderBytes)
        return;
    const quint32 length = qFromBigEndian<quint32>(buffer.constData());
    if (length > kMaxMessageBytes) {
        dropClient(client);
        return;
    }
    if (quint32(buffer.size() - kHeaderBytes) < length)
        return;
    const QString text = QString::fromUtf8(buffer.constData() + kHeaderBytes, int(length));
    m_partialMessages.erase(pending);
    client->write(&kAck, 1);
    client->disconnectFromServer();
    emit messageReceived(text);
}

// Safe to call more than once for the same client; abort() may call back here.
void SingleApplication::dropClient(QLocalSocket *client) {
    m_partialMessages.remove(client);
    client->abort();
    client->deleteLater();
}

bool SingleApplication::sendMessage(const QString &text, int timeoutMs) {
    if (!m_running || m_serverName.isEmpty())
        return false;
    const QByteArray payload = text.toUtf8();
    if (quint32(payload.size()) > kMaxMessageBytes)
        return false;
    const QDeadlineTimer deadline(qMax(timeoutMs, 0));

    QLocalSocket socket;
    if (!connectBefore(socket, deadline))
        return false;

    QByteArray frame(kHeaderBytes, '\0');
    qToBigEndian<quint32>(quint32(payload.size()), frame.data());
    frame += payload;
    socket.write(frame);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(msLeft(deadline)))
            return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(msLeft(deadline)))
            return false;
    }
    char reply = 0;
    return socket.getChar(&reply) && reply == kAck;
}
