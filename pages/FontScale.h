#pragma once

class QWidget;

// A font of `pointSize` points as the screen under the mouse pointer shows it:
// trunc(screenScaleFactor() * (96 / logical DPI) * pointSize), with a desktop that reports no DPI
// taken as 96. Pixel-sized fonts (point size -1) give 0.
int scaledPointSize(int pointSize);

// Gives every descendant of `window` the application font at its own point size scaled as above.
// Widgets whose font is sized in pixels keep their font.
void scaleOwnFonts(QWidget *window);
