#include "ExternalLogger.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>
#include <ctime>

#include "CameraDeviceManager.h"

namespace {
// After a failed open the file is tried again only this much later, so that a broken folder
// costs the camera calls nothing.
constexpr qint64 kRetryAfterMs = 5000;

// Local time as "yyyy-MM-dd hh:mm:ss.zzz ". QDateTime's local time has the C library look at
// the time zone file again for every line; localtime_r keeps to the zone rules it has loaded,
// which makes a stamp cheap enough for the two lines of every camera access.
QByteArray timeStamp() {
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    const std::time_t seconds = std::time_t(ms / 1000);
    std::tm local{};
#if defined(Q_OS_WIN)
    const bool converted = localtime_s(&local, &seconds) == 0;
#else
    const bool converted = localtime_r(&seconds, &local) != nullptr;
#endif
    if (!converted)
        return QDateTime::fromMSecsSinceEpoch(ms)
            .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz "))
            .toUtf8();
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d ", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  int(ms % 1000));
    return QByteArray(text);
}

}  // namespace

void logToExternal(const QString &message) {
    ExternalLogger::instance()->write(message);
}

ExternalLogger *ExternalLogger::instance() {
    static ExternalLogger *logger = new ExternalLogger;
    return logger;
}

QString ExternalLogger::filePath() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (data.isEmpty())
        return QString();
#if defined(Q_OS_WIN)
    // Beside the profiles in the local application data folder, in a folder of its own.
    return data + QStringLiteral("/logs/tintwell.log");
#else
    // The XDG state folder keeps what is worth keeping but is no user data; the program's own
    // part of the data folder's path (its name) names the folder there as well.
    const QString ownPart =
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
            .relativeFilePath(data);
    QString state = QFile::decodeName(qgetenv("XDG_STATE_HOME"));
    // XDG state folders are absolute; a relative one counts as unset.
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QLatin1Char('/') + ownPart + QStringLiteral("/tintwell.log");
#endif
}

void ExternalLogger::write(const QString &text) {
    const QByteArray line = timeStamp() + (text + QLatin1Char('\n')).toUtf8();
    if (!ensureOpen(line.size()))
        return;
    if (m_file.write(line) != line.size() || !m_file.flush())
        m_file.close();
}

bool ExternalLogger::ensureOpen(qint64 incomingBytes) {
    const QString path = filePath();
    // The data folder can change (a test or the application setting its name); follow it.
    if (m_file.isOpen() && m_file.fileName() != path)
        m_file.close();
    if (m_file.isOpen() && m_file.size() > 0 && m_file.size() + incomingBytes > kMaxFileSize) {
        m_file.close();
        QFile::remove(path + QStringLiteral(".1"));
        if (!QFile::rename(path, path + QStringLiteral(".1")))
            QFile::remove(path);
    }
    if (m_file.isOpen())
        return true;

    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (m_lastFailedOpenMs >= 0 && now - m_lastFailedOpenMs < kRetryAfterMs &&
        now >= m_lastFailedOpenMs)
        return false;
    const QFileInfo info(path);
    // Anything but a plain file (a pipe with no reader would block) is left alone.
    bool ok =
        !path.isEmpty() && (!info.exists() || info.isFile()) && QDir().mkpath(info.absolutePath());
    if (ok) {
        m_file.setFileName(path);
        ok = m_file.open(QIODevice::WriteOnly | QIODevice::Append);
    }
    m_lastFailedOpenMs = ok ? -1 : now;
    return ok;
}
