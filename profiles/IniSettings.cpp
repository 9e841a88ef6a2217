#include "IniSettings.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryFile>

#include "AtomicFile.h"
#include "IniLayout.h"

IniSettings::IniSettings(const QString &filePath) : QSettings(filePath, QSettings::IniFormat) {}

IniSettings::~IniSettings() {
    sync();
}

QVariant IniSettings::value(const QString &key, const QVariant &defaultValue) const {
    const auto changed = m_changes.constFind(key);
    if (changed != m_changes.constEnd())
        return *changed;
    return m_cleared ? defaultValue : QSettings::value(key, defaultValue);
}

bool IniSettings::contains(const QString &key) const {
    return m_changes.contains(key) || (!m_cleared && QSettings::contains(key));
}

void IniSettings::setValue(const QString &key, const QVariant &value) {
    m_changes.insert(key, value);
    changed();
}

void IniSettings::clear() {
    m_changes.clear();
    m_cleared = true;
    changed();
}

void IniSettings::changed() {
    m_pending = true;
    if (!m_updatePosted) {
        m_updatePosted = true;
        QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest));
    }
}

bool IniSettings::event(QEvent *event) {
    if (event->type() != QEvent::UpdateRequest)
        return QSettings::event(event);
    m_updatePosted = false;
    sync();
    return true;
}

bool IniSettings::sync() {
    if (!m_pending)
        return true;
    if (!writeFile()) {
        qDebug() << "config file not saved:" << fileName();
        return false;
    }
    m_pending = false;
    return true;
}

// Qt formats the new content on a copy of the current file, so that sections keep their order,
// every value its form and entries written by someone else stay. That copy may come out cut
// short without Qt noticing, so the file that replaces the old one is parsed again in full and
// must hold exactly what Qt meant to write.
bool IniSettings::writeFile() {
    const QString path = fileName();
    QByteArray text;
    QFile current(path);
    if (!m_cleared && current.exists()) {
        if (!current.open(QIODevice::ReadOnly))
            return false;
        text = current.readAll();
        if (current.error() != QFileDevice::NoError)
            return false;
    }
    const QFileInfo target(path);
    // QSettings made missing folders on its own; files written here must not need them either.
    if (!QDir().mkpath(target.absolutePath()))
        return false;
    QString copyPath;
    {
        // Only the name is kept: Windows refuses to let Qt replace a file that a QTemporaryFile
        // object still stands for.
        QTemporaryFile copy(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                            QStringLiteral(".XXXXXX"));
        copy.setAutoRemove(false);
        if (!copy.open())
            return false;
        copyPath = copy.fileName();
        if (copy.write(text) != text.size() || !copy.flush()) {
            copy.remove();
            return false;
        }
    }
    const auto removeCopy = qScopeGuard([&copyPath] { QFile::remove(copyPath); });

    QSettings formatted(copyPath, QSettings::IniFormat);
    for (auto it = m_changes.constBegin(); it != m_changes.constEnd(); ++it)
        formatted.setValue(it.key(), it.value());
    formatted.sync();
    // A format error only says that the old content had lines Qt could not read; they are gone
    // from what Qt wrote, as they always were.
    if (formatted.status() == QSettings::AccessError)
        return false;
    // Qt has put a new file in the copy's place; the copy's own handle still reads the old one.
    QFile result(copyPath);
    if (!result.open(QIODevice::ReadOnly))
        return false;
    text = result.readAll();
#ifdef Q_OS_WIN
    text = sortedIniLayout(text);
#endif

    const QStringList keys = formatted.allKeys();
    const auto complete = [&](const QString &tempPath) {
        // A path Qt has not seen before, so that it parses the bytes rather than its cache.
        const QSettings check(tempPath, QSettings::IniFormat);
        if (check.status() != QSettings::NoError || check.allKeys().size() != keys.size())
            return false;
        for (const QString &key : keys)
            if (check.value(key) != formatted.value(key))
                return false;
        return true;
    };
    return replaceFileAtomically(path, text, complete);
}
