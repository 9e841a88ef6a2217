#pragma once
#include <QString>
#include <QTemporaryDir>

// Sends this process's standard error to a file while it lives, for checking what the program
// writes there outside Qt's message handler.
class StandardErrorCapture {
public:
    StandardErrorCapture();
    ~StandardErrorCapture();
    StandardErrorCapture(const StandardErrorCapture &) = delete;
    StandardErrorCapture &operator=(const StandardErrorCapture &) = delete;
    QString text() const;

private:
    QTemporaryDir m_dir;
    QString m_file;
    int m_saved = -1;
};
