#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

// A supported camera (vendor 1a2b) as a test puts it into the simulated camera file: brightness
// (VideoProcAmp 0, 0..255) and contrast (1, 0..64) starting at the given defaults.
struct VeltCamera {
    QString pid;
    QString name;
    int brightnessDefault = 128;
    int contrastDefault = 32;
    QString instance = {};  // tells two cameras of one model apart; empty: the product id

    // Interface 0 is the one the camera is listed by; others are further interfaces of the device.
    QString path(int interface = 0) const;
    // The key its profiles are kept under.
    QString key() const { return "1a2b__" + pid; }
    QJsonObject describe() const;
};

// What CameraListFile::write takes.
QList<QJsonObject> described(const QList<VeltCamera> &cameras);
