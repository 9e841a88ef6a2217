#pragma once

#include <QCameraViewfinderSettings>
#include <QList>

// The viewfinder setting the preview asks a camera for.
struct ViewfinderChoice {
    QCameraViewfinderSettings settings;
    // True when a 1920 x 1080 entry was taken over the largest one.
    bool fullHd = false;
};

// Walks the settings in the camera's order keeping the first entry of each new largest area.
// Full HD wins when it was the largest seen so far at the time it was listed, even if a larger
// entry follows; otherwise the first entry of the largest area is chosen. An empty list gives
// settings with a 0 x 0 resolution.
ViewfinderChoice chooseViewfinderSettings(const QList<QCameraViewfinderSettings> &supported);
