#pragma once

#include <QPoint>
#include <QRect>

// Where the preview and the main window go so that the pair stands side by side, preview on the
// left, centred on the screen, both at the main window's height.
struct PreviewPlacement {
    QPoint mainWindow;
    QPoint preview;
};

// `screen`, `mainWindow` and `preview` are the current geometries. When the pair is wider than
// the screen the preview starts at the screen's left edge and the main window follows it; only
// when the preview alone is wider than the screen does the main window end at the screen's right
// edge instead.
PreviewPlacement placePreviewBeside(const QRect &screen, const QRect &mainWindow,
                                    const QRect &preview);
