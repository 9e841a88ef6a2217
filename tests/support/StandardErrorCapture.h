#pragma once

#include <unistd.h>
#include <QTemporaryFile>
#include <cstdio>

#include "FileBytes.h"

// Sends this process's standard error to a file while it lives.
class StandardErrorCapture {
public:
    StandardErrorCapture() {
        std::fflush(stderr);
        if (m_file.open())
            dup2(m_file.handle(), 2);
    }
    ~StandardErrorCapture() {
        std::fflush(stderr);
        dup2(m_saved, 2);
        close(m_saved);
    }
    QString text() const {
        std::fflush(stderr);
        return readFile(m_file.fileName());
    }

private:
    int m_saved = dup(2);
    QTemporaryFile m_file;
};
