#pragma once

#include <QFile>
#include <QTemporaryDir>

// Points the per-user data, state and configuration folders (XDG_*_HOME) at new temporary
// folders before anything asks for them, and leaves them there: a late write fails instead of
// reaching the real home. With `below`, the data folder is that path inside and not made yet.
class FreshDataFolder {
public:
    explicit FreshDataFolder(const QString &below = QString())
        : m_path(below.isEmpty() ? m_dir.path() : m_dir.filePath(below)) {
        if (!m_dir.isValid() || !m_other.isValid())
            qFatal("no temporary folder for the data folder");
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_path));
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_other.filePath("state")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_other.filePath("config")));
    }

    QString path() const { return m_path; }

private:
    QTemporaryDir m_dir, m_other;
    QString m_path;
};
