#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

// The watched file of simulated cameras, {"cameras": [...]}: writing another list plugs and
// unplugs cameras in this process or in a program the test starts.
class CameraListFile {
public:
    explicit CameraListFile(const QString &path) : m_path(path) {}
    QString path() const { return m_path; }

    // By a rename over the file: a reader never meets half a list.
    bool write(const QList<QJsonObject> &cameras) const;
    // Truncating the file itself, as an editor that saves in place does.
    bool writeInPlace(const QList<QJsonObject> &cameras) const;
    // This process's camera layer takes its cameras from the file from now on.
    void useInCameraLayer() const;

private:
    QString m_path;
};

// "@device:pnp:" path of an interface of a USB camera; `instance` tells two of one model apart.
QString usbCameraPath(const QString &vid, const QString &pid, const QString &instance = "0",
                      int interface = 0);
