#include "CameraListFile.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "CameraDeviceManager.h"
#include "FileBytes.h"
#include "SimulatedBackend.h"

static QByteArray document(const QList<QJsonObject> &cameras) {
    QJsonArray list;
    for (const QJsonObject &camera : cameras)
        list.append(camera);
    return QJsonDocument(QJsonObject{{"cameras", list}}).toJson();
}

bool CameraListFile::write(const QList<QJsonObject> &cameras) const {
    return writeFileByRename(m_path, document(cameras));
}

bool CameraListFile::writeInPlace(const QList<QJsonObject> &cameras) const {
    return writeFile(m_path, document(cameras));
}

void CameraListFile::useInCameraLayer() const {
    CameraDeviceManager::instance()->setBackend(createSimulatedBackend(m_path));
}

QString usbCameraPath(const QString &vid, const QString &pid, const QString &instance,
                      int interface) {
    return QStringLiteral(
               "@device:pnp:\\\\?\\usb#vid_%1&pid_%2&mi_%3#6&%4&0&0000#"
               "{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global")
        .arg(vid, pid, QStringLiteral("%1").arg(interface, 2, 10, QLatin1Char('0')), instance);
}
