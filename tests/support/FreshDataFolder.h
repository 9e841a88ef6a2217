#pragma once

#include <QFile>
#include <QTemporaryDir>

// Points the per-user data, state and configuration folders (XDG_*_HOME) at new temporary folders
// and leaves them there, so a late write fails instead of reaching the real home. With `below`,
// the data folder is that path inside, not made yet.
class FreshDataFolder {
public:
    explicit FreshDataFolder(const QString &below = QString()) {
        if (!m_data.isValid() || !m_other.isValid())
            qFatal("no temporary folder for the data folder");
        qputenv("XDG_DATA_HOME",
                QFile::encodeName(below.isEmpty() ? m_data.path() : m_data.filePath(below)));
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_other.filePath("state")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_other.filePath("config")));
    }

private:
    QTemporaryDir m_data, m_other;
};
