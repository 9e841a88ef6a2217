#include "DeviceIdentification.h"

#include <QDebug>
#include <QRegExp>

#include "SupportedDevices.h"

bool parseVidPid(const QString &path, QString *vid, QString *pid) {
    QRegExp pattern(QStringLiteral("usb#vid_(\\w{4})&pid_(\\w{4})"));
    const bool found = pattern.indexIn(path.toLower()) >= 0;
    if (found) {
        qDebug() << "capCount:" << pattern.captureCount();
        qDebug() << "cap 1:" << pattern.cap(1) << ", cap 2:" << pattern.cap(2);
    }
    if (vid)
        *vid = found ? pattern.cap(1) : QStringLiteral("XXXX");
    if (pid)
        *pid = found ? pattern.cap(2) : QStringLiteral("XXXX");
    return found;
}

bool isSupportedPid(const QString &pid) {
    for (const QString &entry : supportedProductIds())
        if (pid.compare(entry, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool isSupportedFriendlyName(const QString &name) {
    const QString trimmed = name.trimmed();
    for (const QString &entry : supportedFriendlyNames())
        if (trimmed.compare(entry, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool isVeltDevice(const QString &path) {
    QString vid, pid;
    if (!parseVidPid(path, &vid, &pid))
        return false;
    const bool supported = isSupportedPid(pid);
    if (supported)
        qDebug() << "is velt device:" << path;
    else
        qDebug() << "is not velt device:" << path;
    return supported;
}
