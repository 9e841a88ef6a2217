#pragma once

#include <QByteArray>

// Qt turns a value written as @Variant(...) into whatever type its bytes name, and some of those
// (a list that claims two thousand million entries) end the program while the file is read. The
// program itself writes only `long` numbers in that form.
//
// The lines of `iniText` (continued lines counted as one) that hold, as a value or as an item of a
// list value, a serialized variant of any other type. Empty for every file Qt writes for us.
QList<QByteArray> foreignVariantLines(const QByteArray &iniText);

// `iniText` without those lines.
QByteArray withoutForeignVariants(const QByteArray &iniText);
