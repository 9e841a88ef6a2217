#pragma once

#include "CameraListFile.h"

// A supported camera (vendor 1a2b) as the simulated camera file describes it: brightness
// (VideoProcAmp 0, 0..255) and contrast (1, 0..64) starting at the given defaults.
struct VeltCamera {
    QString pid;
    QString name;
    int brightnessDefault = 128;
    int contrastDefault = 32;
    QString instance = {};  // empty: the product id

    // Interface 0 is the one the camera is listed by.
    QString path(int interface = 0) const {
        return usbCameraPath("1a2b", pid, instance.isEmpty() ? pid : instance, interface);
    }
    // The key its profiles are kept under.
    QString key() const { return "1a2b__" + pid; }
    QJsonObject describe() const {
        auto control = [](int max, int byDefault) {
            return QJsonObject{{"min", 0}, {"max", max}, {"default", byDefault}};
        };
        return {{"path", path()},
                {"friendlyName", name},
                {"videoProcAmp", QJsonObject{{"0", control(255, brightnessDefault)},
                                             {"1", control(64, contrastDefault)}}}};
    }
};

// What CameraListFile::write takes.
inline QList<QJsonObject> described(const QList<VeltCamera> &cameras) {
    QList<QJsonObject> list;
    for (const VeltCamera &camera : cameras)
        list << camera.describe();
    return list;
}
