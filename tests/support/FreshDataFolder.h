#pragma once

#include <QString>
#include <QTemporaryDir>

// Points the per-user data folder (XDG_DATA_HOME), where profiles and the index file go, the
// state folder (XDG_STATE_HOME), where the external log goes, and the configuration folder
// (XDG_CONFIG_HOME), where the login start entry goes, at new temporary folders, so that nothing
// a test does reaches the real home. Make it before anything asks for the data folder. It is left
// pointing there afterwards: anything still written then fails instead of landing in the home
// folder.
class FreshDataFolder {
public:
    // `below`: the data folder is that path inside the temporary folder and does not exist yet,
    // as on an account that has never run the program.
    explicit FreshDataFolder(const QString &below = QString());

    QString path() const { return m_path; }

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_otherFolders;
    QString m_path;
};
