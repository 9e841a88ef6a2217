#pragma once

// Simulated camera files written by hand, and the external log read back.

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include "ExternalLogger.h"

// One camera object of the simulated camera file; `extra` is spliced in as further members.
inline QByteArray cameraJson(const QString &path, const QString &name,
                             const QByteArray &extra = {}) {
    QByteArray json = "{ \"path\": \"" + QString(path).replace("\\", "\\\\").toUtf8() + "\"";
    if (!name.isNull())
        json += ", \"friendlyName\": \"" + name.toUtf8() + "\"";
    return json + (extra.isEmpty() ? "" : ", " + extra) + " }";
}

inline QByteArray camerasJson(const QList<QByteArray> &cameras) {
    return "{ \"cameras\": [" + cameras.join(",\n") + "] }\n";
}

// The external log's lines from line `skip` on, without their time stamps and with elapsed times
// written as "N(ms)".
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
