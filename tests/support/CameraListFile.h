#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "FileBytes.h"

// The watched file of simulated cameras: writing another list plugs and unplugs cameras.
class CameraListFile {
public:
    explicit CameraListFile(const QString &path) : m_path(path) {}
    QString path() const { return m_path; }
    // By a rename over the file, so a reader never meets half a list.
    bool write(const QList<QJsonObject> &cameras) const {
        return writeFileByRename(m_path, document(cameras));
    }
    // Truncating the file itself, as an editor saving in place does.
    bool writeInPlace(const QList<QJsonObject> &cameras) const {
        return writeFile(m_path, document(cameras));
    }
    // This process's camera layer takes its cameras from the file from now on.
    void useInCameraLayer() const;

private:
    static QByteArray document(const QList<QJsonObject> &cameras) {
        QJsonArray list;
        for (const QJsonObject &camera : cameras)
            list.append(camera);
        return QJsonDocument(QJsonObject{{"cameras", list}}).toJson();
    }
    QString m_path;
};

// The path of an interface of a USB camera; `instance` tells two of one model apart.
inline QString usbCameraPath(const QString &vid, const QString &pid, const QString &instance = "0",
                             int interface = 0) {
    return QStringLiteral(
               "@device:pnp:\\\\?\\usb#vid_%1&pid_%2&mi_%3#6&%4&0&0000#"
               "{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global")
        .arg(vid, pid, QString::number(interface).rightJustified(2, '0'), instance);
}
