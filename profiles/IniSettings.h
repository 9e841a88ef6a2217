#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// A settings object on one INI file that Qt reads and formats but never writes by itself: Qt's
// own save can report success after a failed last write and leave the file empty or cut short.
// Changes stay here until sync() (called at the next turn of the event loop after a change, and
// on destruction), which puts the file on disk whole, with the bytes Qt would have written, or
// leaves it as it was.
//
// Reads and writes go through the functions below; the QSettings ones of the same names would
// miss the changes not yet read back from disk.
class IniSettings : public QSettings {
public:
    explicit IniSettings(const QString &filePath);
    ~IniSettings() override;

    QVariant value(const QString &key, const QVariant &defaultValue = QVariant()) const;
    bool contains(const QString &key) const;
    void setValue(const QString &key, const QVariant &value);
    // Removes every entry.
    void clear();

    // True when the file holds every change; false, with a debug line, when it could not be
    // written whole: the file then keeps its old content and the changes stay pending.
    bool sync();
    // Forgets unsaved changes, so that nothing is written (for a file that has been deleted).
    void dropPendingChanges() { m_pending = false; }

protected:
    bool event(QEvent *event) override;

private:
    bool writeFile();
    void changed();

    // Every change since the file was opened; the QSettings part keeps what was read then.
    QVariantMap m_changes;
    // Set by clear(): what the QSettings part read no longer counts.
    bool m_cleared = false;
    bool m_pending = false;
    bool m_updatePosted = false;
};
