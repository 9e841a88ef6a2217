#include "ViewfinderResolution.h"

#include <QSize>

namespace {

qint64 area(const QSize &size) {
    return qint64(size.width()) * qint64(size.height());
}

}  // namespace

ViewfinderChoice chooseViewfinderSettings(const QList<QCameraViewfinderSettings> &supported) {
    QCameraViewfinderSettings largest;
    largest.setResolution(0, 0);
    ViewfinderChoice choice;
    for (const QCameraViewfinderSettings &entry : supported) {
        if (area(entry.resolution()) <= area(largest.resolution()))
            continue;
        if (entry.resolution() == QSize(1920, 1080)) {
            choice.settings = entry;
            choice.fullHd = true;
        }
        largest = entry;
    }
    if (!choice.fullHd)
        choice.settings = largest;
    return choice;
}
