#include "ExternalLogger.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "CameraDeviceManager.h"

namespace {
// After a failed open the file is tried again only this much later, so that a broken folder
// costs the camera calls nothing.
constexpr qint64 kRetryAfterMs = 5000;
}  // namespace

bool externalLogEnabled = true;

void logToExternal(const QString &message) {
    if (externalLogEnabled)
        ExternalLogger::instance()->write(message);
}

ExternalLogger *ExternalLogger::instance() {
    static ExternalLogger *logger = new ExternalLogger;
    return logger;
}

QString ExternalLogger::filePath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/tintwell.log");
}

void ExternalLogger::write(const QString &text) {
    const QByteArray line =
        (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz ")) + text +
         QLatin1Char('\n'))
            .toUtf8();
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
