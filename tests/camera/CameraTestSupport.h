#pragma once

// Helpers shared by the camera tests: simulated camera files written by hand, captured standard
// error, and the external log.

#ifdef _WIN32
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define close _close
#define fileno _fileno
#else
#include <unistd.h>
#endif
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>

#include "ExternalLogger.h"

// One camera object of the simulated camera file; `extra` is spliced in as further members.
inline QByteArray cameraJson(const QString &path, const QString &name,
                             const QByteArray &extra = {}) {
    QByteArray json = "{ \"path\": \"" + QString(path).replace("\\", "\\\\").toUtf8() + "\"";
    if (!name.isNull())
        json += ", \"friendlyName\": \"" + name.toUtf8() + "\"";
    if (!extra.isEmpty())
        json += ", " + extra;
    return json + " }";
}

inline QByteArray camerasJson(const QList<QByteArray> &cameras) {
    QByteArray json = "{ \"cameras\": [";
    for (int i = 0; i < cameras.size(); ++i)
        json += (i ? ",\n" : "\n") + cameras.at(i);
    return json + "\n] }\n";
}

// Sends standard error to a file while it lives.
class StandardErrorCapture {
public:
    StandardErrorCapture() : m_file(m_dir.filePath("stderr.txt")) {
        std::fflush(stderr);
        m_saved = dup(2);
        std::FILE *f = std::fopen(qPrintable(m_file), "w");
        dup2(fileno(f), 2);
        std::fclose(f);
    }
    ~StandardErrorCapture() {
        std::fflush(stderr);
        dup2(m_saved, 2);
        close(m_saved);
    }
    QString text() const {
        std::fflush(stderr);
        QFile file(m_file);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QTemporaryDir m_dir;
    QString m_file;
    int m_saved = -1;
};

// The external log's lines from line `skip` on, without their "yyyy-MM-dd hh:mm:ss.zzz " stamps
// and with elapsed times written as "N(ms)".
inline QStringList externalLogLines(int skip = 0) {
    QFile file(ExternalLogger::filePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts).mid(skip);
    const QRegularExpression stamp("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} ");
    for (QString &line : lines)
        line.remove(stamp).replace(QRegularExpression(" elapsed:\\d+\\(ms\\)$"), " elapsed:N(ms)");
    return lines;
}
