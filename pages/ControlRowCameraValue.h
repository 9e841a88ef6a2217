#pragma once

// Showing in a row what the camera holds after another program changed it: nothing is written
// to the camera and nothing is marked modified.

#include "ControlRow.h"

class QRadioButton;
struct PropertyInfo;

// Takes range and value from a successful read into the row without running its handler.
void showCameraValue(const ControlRow &row, const PropertyInfo &info, bool readOk);

// As showCameraValue, and the automatic or manual mode into the mode buttons, the slider's
// visibility and the step buttons, as the page shows a mode the user chose.
void showCameraValueAndMode(const ControlRow &row, const PropertyInfo &info, bool readOk,
                            QRadioButton *autoButton, QRadioButton *manualButton);
