#include "VeltCamera.h"

#include "CameraListFile.h"

QString VeltCamera::path(int interface) const {
    return usbCameraPath("1a2b", pid, instance.isEmpty() ? pid : instance, interface);
}

QJsonObject VeltCamera::describe() const {
    auto control = [](int max, int byDefault) {
        return QJsonObject{{"min", 0}, {"max", max}, {"default", byDefault}};
    };
    return {{"path", path()},
            {"friendlyName", name},
            {"videoProcAmp", QJsonObject{{"0", control(255, brightnessDefault)},
                                         {"1", control(64, contrastDefault)}}}};
}

QList<QJsonObject> described(const QList<VeltCamera> &cameras) {
    QList<QJsonObject> list;
    for (const VeltCamera &camera : cameras)
        list << camera.describe();
    return list;
}
