#pragma once

#include <QObject>
#include <QString>

// The little state every page shares: the selected camera model and whether the active profile
// is being applied by the program or has been changed by the user.
class AppGlobals : public QObject {
    Q_OBJECT
public:
    static AppGlobals *instance();

    QString currentDeviceKey() const { return m_currentDeviceKey; }
    void setCurrentDeviceKey(const QString &key) { m_currentDeviceKey = key; }

    bool isApplyingProfile() const { return m_applyingProfile; }
    void setApplyingProfile(bool on) { m_applyingProfile = on; }

    bool isModified() const { return m_modified; }
    // With notify, emits modifyStateChanged even when the flag does not change.
    void setModified(bool modified, bool notify);

signals:
    void modifyStateChanged(bool bModified);

private:
    AppGlobals() = default;

    QString m_currentDeviceKey;
    bool m_applyingProfile = false;
    bool m_modified = false;
};
