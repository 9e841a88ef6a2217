#include "PreviewPlacement.h"

#include <algorithm>

PreviewPlacement placePreviewBeside(const QRect &screen, const QRect &mainWindow,
                                    const QRect &preview) {
    // Worked out against the screen's own left edge, so that a screen right of the primary one
    // gets the same arrangement as the primary one.
    const int x = std::max((screen.width() - preview.width() - mainWindow.width()) / 2, 0);
    const int mainX = preview.width() + x <= screen.width() ? x + preview.width()
                                                            : screen.width() - mainWindow.width();
    PreviewPlacement placement;
    placement.mainWindow = QPoint(screen.left() + mainX, mainWindow.y());
    placement.preview = QPoint(screen.left() + x, mainWindow.y());
    return placement;
}
