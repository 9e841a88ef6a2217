#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// Replaces the file at `path` with `bytes` so that it holds either its old content or the whole
// new one, also on a full disk, under a file-size limit or after a crash: the bytes go to a
// temporary file in the same folder, every write, the flush and the sync to disk are checked, and
// only then is the temporary file renamed over `path`. `check`, when given, is asked about the
// temporary file once it is on disk; false stops the replacement. On any failure the temporary
// file is removed, `path` is left untouched and the result is false.
bool replaceFileAtomically(const QString &path, const QByteArray &bytes,
                           const std::function<bool(const QString &tempPath)> &check = {});
