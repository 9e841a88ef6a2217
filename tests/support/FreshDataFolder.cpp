#include "FreshDataFolder.h"

#include <QFile>
#include <QtGlobal>

FreshDataFolder::FreshDataFolder(const QString &below)
    : m_path(below.isEmpty() ? m_dir.path() : m_dir.filePath(below)) {
    // An empty XDG_DATA_HOME would mean the real home.
    if (!m_dir.isValid() || !m_otherFolders.isValid())
        qFatal("no temporary folder for the data folder: %s", qPrintable(m_dir.errorString()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_path));
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_otherFolders.filePath("state")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_otherFolders.filePath("config")));
}
