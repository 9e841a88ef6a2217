#include "LoginStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace {
const char *const kStartHiddenOption = "-startup";

#if defined(Q_OS_WIN)
const char *const kRunKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char *const kRunValue = "Tintwell";
#else
// The command by which the session starts the program: its plain name when that is what the
// search path finds (an installed copy, which may later move between versions), otherwise its
// full path, quoted as the desktop entry rules ask.
QString execLine() {
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const QString name = QFileInfo(self).fileName();
    const QString found = QStandardPaths::findExecutable(name);
    QString program = name;
    if (found.isEmpty() || QFileInfo(found).canonicalFilePath() != self) {
        program = self;
        for (const char *special : {"\\", "\"", "`", "$"})
            program.replace(QLatin1String(special), QLatin1Char('\\') + QLatin1String(special));
        // The value itself is a string, in which a backslash is escaped once more.
        program = QLatin1Char('"') + program.replace(QLatin1Char('\\'), QLatin1String("\\\\")) +
                  QLatin1Char('"');
    }
    program.replace(QLatin1Char('%'), QLatin1String("%%"));
    return program + QLatin1Char(' ') + QLatin1String(kStartHiddenOption);
}
#endif
}  // namespace

namespace LoginStart {

QString entryPath() {
#if defined(Q_OS_WIN)
    return QString();
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/tintwell.desktop");
#endif
}

bool isEnabled() {
#if defined(Q_OS_WIN)
    return QSettings(QString::fromLatin1(kRunKey), QSettings::NativeFormat)
        .contains(QString::fromLatin1(kRunValue));
#else
    QFile entry(entryPath());
    if (!entry.open(QIODevice::ReadOnly))
        return false;
    // A session's own settings may keep the entry but turn it off.
    while (!entry.atEnd()) {
        const QByteArray line = entry.readLine().trimmed();
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return true;
#endif
}

bool setEnabled(bool on) {
#if defined(Q_OS_WIN)
    QSettings run(QString::fromLatin1(kRunKey), QSettings::NativeFormat);
    if (on)
        run.setValue(QString::fromLatin1(kRunValue),
                     QLatin1Char('"') +
                         QDir::toNativeSeparators(QCoreApplication::applicationFilePath()) +
                         QStringLiteral("\" ") + QLatin1String(kStartHiddenOption));
    else
        run.remove(QString::fromLatin1(kRunValue));
    run.sync();
    return run.status() == QSettings::NoError && isEnabled() == on;
#else
    const QString path = entryPath();
    if (!on)
        return !QFileInfo::exists(path) || QFile::remove(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile entry(path);
    if (!entry.open(QIODevice::WriteOnly))
        return false;
    const QString text = QStringLiteral(
                             "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Tintwell\n"
                             "Comment=Applies the active camera profiles at login\n"
                             "Icon=example.velt.Tintwell\n"
                             "Exec=%1\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n")
                             .arg(execLine());
    entry.write(text.toUtf8());
    return entry.commit();
#endif
}

}  // namespace LoginStart
