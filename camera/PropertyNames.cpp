#include "PropertyNames.h"

#include "PropertyIds.h"

namespace {

QString logName(PropertyFamily family, int id, const char *unknownPrefix) {
    for (const NamedProperty &property : kNamedProperties)
        if (property.family == family && property.id == id)
            return QString::fromLatin1(property.logName);
    return QLatin1String(unknownPrefix) + QString::number(id);
}

}  // namespace

QString videoProcAmpPropertyName(int id) {
    return logName(PropertyFamily::VideoProcAmp, id, "Unknown VideoProcAmpProperty");
}

QString cameraControlPropertyName(int id) {
    return logName(PropertyFamily::CameraControl, id, "Unknown CameraControlInfo");
}
