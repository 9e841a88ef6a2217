#pragma once

#include <QString>
#include <QStringList>

class CameraSetting;

// Puts profiles into cameras that are not shown, with no page involved: the values of the record
// (absent ones become that camera's own defaults) go to the listed camera of `devicePath`, each
// within the range the camera reports. Controls the profile marks as not enabled are left alone.
void applyProfile(CameraSetting &record, const QString &devicePath);

// The active profile of the camera's model, read from its file without loading it into the store
// (the store keeps the shown camera's model). A model without that file gets its base profile:
// the camera's own defaults. Writes no profile file.
void applyActiveProfile(const QString &devicePath);

// Every listed camera except the selected one and those in `skipped` (compared ignoring case).
void applyActiveProfilesBesideShown(const QStringList &skipped = QStringList());
