#include "AtomicFile.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#include <QDir>
#include <QTemporaryFile>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

QString tempTemplate(const QString &path) {
    const QFileInfo target(path);
    // Hidden and without the .ini extension, so that a leftover is never listed as a profile.
    return target.absolutePath() + QStringLiteral("/.") + target.fileName() +
           QStringLiteral(".XXXXXX");
}

#ifdef Q_OS_WIN

bool writeTemp(QTemporaryFile &file, const QString &path, const QByteArray &bytes) {
    if (!file.open())
        return false;
    if (QFile::exists(path))
        file.setPermissions(QFile::permissions(path));
    if (file.write(bytes) != bytes.size() || !file.flush())
        return false;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    return FlushFileBuffers(handle) != 0;
}

}  // namespace

bool replaceFileAtomically(const QString &path, const QByteArray &bytes,
                           const std::function<bool(const QString &)> &check) {
    QString temp;
    bool ok = false;
    {
        // Only the name is kept: Windows does not let a file be renamed while a QTemporaryFile
        // object still stands for it.
        QTemporaryFile file(tempTemplate(path));
        file.setAutoRemove(false);
        ok = writeTemp(file, path, bytes);
        temp = file.fileName();
    }
    const QString target = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    const QString source = QDir::toNativeSeparators(temp);
    ok = ok && (!check || check(temp)) &&
         MoveFileExW(reinterpret_cast<const wchar_t *>(source.utf16()),
                     reinterpret_cast<const wchar_t *>(target.utf16()),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok && !temp.isEmpty())
        QFile::remove(temp);
    return ok;
}

#else

bool writeAll(int fd, const QByteArray &bytes) {
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

// The mode of the file being replaced; a new file gets what the umask leaves of rw-rw-rw-, as
// Qt's own writer gives it.
mode_t modeFor(const QByteArray &target) {
    struct stat info;
    if (::stat(target.constData(), &info) == 0)
        return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Makes the rename itself survive a power cut; a folder that cannot be synced changes nothing
// about the file's content, so the result is not looked at.
void syncFolder(const QString &path) {
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool replaceFileAtomically(const QString &path, const QByteArray &bytes,
                           const std::function<bool(const QString &)> &check) {
    const QByteArray target = QFile::encodeName(path);
    QByteArray temp = QFile::encodeName(tempTemplate(path));
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, modeFor(target)) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && (!check || check(QFile::decodeName(temp))) &&
         ::rename(temp.constData(), target.constData()) == 0;
    if (!ok) {
        ::unlink(temp.constData());
        return false;
    }
    syncFolder(path);
    return true;
}

#endif
