#pragma once

#include <QString>

// Identification rules on path strings and names alone.
bool parseVidPid(const QString &path, QString *vid, QString *pid);
bool isSupportedPid(const QString &pid);
bool isSupportedFriendlyName(const QString &name);
bool isVeltDevice(const QString &path);
