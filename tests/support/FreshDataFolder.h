#pragma once

#include <QString>
#include <QTemporaryDir>

// Points the per-user data folder (XDG_DATA_HOME), where profiles, the index file and the external
// log go, at a new temporary folder, so that nothing a test does reaches the real home. Make it
// before anything asks for the data folder. It is left pointing there afterwards: anything still
// written then fails instead of landing in the home folder.
class FreshDataFolder {
public:
    // `below`: the data folder is that path inside the temporary folder and does not exist yet,
    // as on an account that has never run the program.
    explicit FreshDataFolder(const QString &below = QString());

    QString path() const { return m_path; }

private:
    QTemporaryDir m_dir;
    QString m_path;
};
