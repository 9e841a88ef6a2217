#pragma once

class QRect;

// The main window's own width and height factors: the size of the screen under the mouse pointer
// against 1920 x 1080, each on its own axis and never below 1.
float screenWidthScale();
float screenHeightScale();

// The same rules for a given screen extent.
float widthScaleFor(int screenWidth);
float heightScaleFor(int screenHeight);

// Geometry of the screen under the mouse pointer (the primary screen when the pointer is on
// none); an empty rectangle when there is no screen at all.
QRect screenUnderPointer();
