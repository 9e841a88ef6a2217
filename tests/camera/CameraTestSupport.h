#pragma once

#include <QRegularExpression>

#include "ExternalLogger.h"
#include "FileBytes.h"

// The camera access log from line `skip` on, without time stamps and with elapsed times as "N(ms)".
inline QStringList externalLogLines(int skip = 0) {
    QStringList lines = QString(readFile(ExternalLogger::filePath())).split('\n').mid(skip);
    for (QString &line : lines)
        line = line.mid(24).replace(QRegularExpression(" elapsed:\\d+\\(ms\\)$"), " elapsed:N(ms)");
    return lines.mid(0, lines.size() - 1);
}
