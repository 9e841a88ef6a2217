#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

// The JSON file of simulated cameras, {"cameras": [...]}, that a test writes and from which the
// camera layer of this process, or of a program the test starts, takes its cameras. The file is
// watched, so writing another list plugs and unplugs cameras.
class CameraListFile {
public:
    explicit CameraListFile(const QString &path) : m_path(path) {}

    QString path() const { return m_path; }

    // Replaces the list by writing beside the file and renaming over it: a reader never meets
    // half a list.
    bool write(const QList<QJsonObject> &cameras) const;
    // Truncates and writes the file itself, as an editor that saves in place does.
    bool writeInPlace(const QList<QJsonObject> &cameras) const;

    // Makes this process's camera layer take its cameras from the file from now on.
    void useInCameraLayer() const;

private:
    QString m_path;
};

// "@device:pnp:" path of interface `interface` of a USB camera with the given ids; `instance` tells
// two cameras of one model apart.
QString usbCameraPath(const QString &vid, const QString &pid, const QString &instance = "0",
                      int interface = 0);
