#pragma once

class QSize;

// The factor by which pages and windows multiply their pixel sizes, for the screen under the
// mouse pointer: the screen's size against 1920 x 1080, never below 1.
float screenScaleFactor();

// The same rule for a given screen size.
float scaleFactorForScreenSize(int width, int height);

// A nominal size in pixels at the given factor, truncated toward zero.
inline int scaledPixels(int size, double factor) {
    return int(size * factor);
}
