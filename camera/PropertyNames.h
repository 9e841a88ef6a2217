#pragma once

#include <QString>

// The names under which properties appear in log lines.
QString videoProcAmpPropertyName(int id);
QString cameraControlPropertyName(int id);
