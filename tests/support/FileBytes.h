#pragma once

// Whole files as bytes, for tests that prepare the files the program reads or look at what it
// wrote byte by byte.

#include <QByteArray>
#include <QString>

// Empty when the file cannot be read.
QByteArray readFile(const QString &path);

// Truncates and writes the file in place, creating missing folders on the way. False unless every
// byte was written.
bool writeFile(const QString &path, const QByteArray &bytes);

// Writes a new file beside the old one and renames it over it, as editors do: a reader sees the
// old content or the new, never a part.
bool writeFileByRename(const QString &path, const QByteArray &bytes);
