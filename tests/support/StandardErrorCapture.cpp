#include "StandardErrorCapture.h"

#include <QFile>
#include <cstdio>
#ifdef _WIN32
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define close _close
#define fileno _fileno
#else
#include <unistd.h>
#endif

StandardErrorCapture::StandardErrorCapture() : m_file(m_dir.filePath("stderr.txt")) {
    std::fflush(stderr);
    m_saved = dup(2);
    std::FILE *f = std::fopen(qPrintable(m_file), "w");
    dup2(fileno(f), 2);
    std::fclose(f);
}

StandardErrorCapture::~StandardErrorCapture() {
    std::fflush(stderr);
    dup2(m_saved, 2);
    close(m_saved);
}

QString StandardErrorCapture::text() const {
    std::fflush(stderr);
    QFile file(m_file);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
