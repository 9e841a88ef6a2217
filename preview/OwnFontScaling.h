#pragma once

class QWidget;

// Gives every descendant of `window` the application font at its own point size scaled to the
// screen: trunc(screenScaleFactor() * (96 / logical DPI) * point size). Widgets whose font is
// sized in pixels keep their font.
void scaleOwnFonts(QWidget *window);
