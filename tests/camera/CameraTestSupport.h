#pragma once

// Helpers shared by the camera tests: simulated camera files, captured debug lines and standard
// error, and the external log.

#ifdef _WIN32
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define close _close
#define fileno _fileno
#else
#include <unistd.h>
#endif
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

#include "ExternalLogger.h"

// "@device:pnp:" path of a USB camera with the given ids and instance.
inline QString usbPath(const QString &vid, const QString &pid, const QString &instance = "0") {
    return QStringLiteral(
               "@device:pnp:\\\\?\\usb#vid_%1&pid_%2&mi_00#6&%3&0&0000#"
               "{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global")
        .arg(vid, pid, instance);
}

// One camera object of the simulated camera file; `extra` is spliced in as further members.
inline QByteArray cameraJson(const QString &path, const QString &name,
                             const QByteArray &extra = {}) {
    QByteArray json = "{ \"path\": \"" + QString(path).replace("\\", "\\\\").toUtf8() + "\"";
    if (!name.isNull())
        json += ", \"friendlyName\": \"" + name.toUtf8() + "\"";
    if (!extra.isEmpty())
        json += ", " + extra;
    return json + " }";
}

inline QByteArray camerasJson(const QList<QByteArray> &cameras) {
    QByteArray json = "{ \"cameras\": [";
    for (int i = 0; i < cameras.size(); ++i)
        json += (i ? ",\n" : "\n") + cameras.at(i);
    return json + "\n] }\n";
}

inline void writeFileInPlace(const QString &fileName, const QByteArray &content) {
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), qint64(content.size()));
}

// Writes a new file beside the old one and renames it over it, as editors do.
inline void writeFileByRename(const QString &fileName, const QByteArray &content) {
    QSaveFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    QVERIFY(file.commit());
}

// Collects every debug line while it lives.
class DebugLines {
public:
    DebugLines() {
        s_lines.clear();
        m_previous = qInstallMessageHandler(&DebugLines::collect);
    }
    ~DebugLines() { qInstallMessageHandler(m_previous); }
    QStringList lines() const { return s_lines; }
    QStringList take() {
        const QStringList lines = s_lines;
        s_lines.clear();
        return lines;
    }

private:
    static void collect(QtMsgType, const QMessageLogContext &, const QString &text) {
        s_lines << text;
    }
    static inline QStringList s_lines;
    QtMessageHandler m_previous;
};

// Sends standard error to a file while it lives.
class StandardErrorCapture {
public:
    StandardErrorCapture() : m_file(m_dir.filePath("stderr.txt")) {
        std::fflush(stderr);
        m_saved = dup(2);
        std::FILE *f = std::fopen(qPrintable(m_file), "w");
        dup2(fileno(f), 2);
        std::fclose(f);
    }
    ~StandardErrorCapture() {
        std::fflush(stderr);
        dup2(m_saved, 2);
        close(m_saved);
    }
    QString text() const {
        std::fflush(stderr);
        QFile file(m_file);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QTemporaryDir m_dir;
    QString m_file;
    int m_saved = -1;
};

// Points the per-user data folder, and with it the external log, at a fresh folder.
class FreshDataFolder {
public:
    FreshDataFolder() { qputenv("XDG_DATA_HOME", m_dir.path().toLocal8Bit()); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

// The external log's lines from line `skip` on, without their "yyyy-MM-dd hh:mm:ss.zzz " stamps
// and with elapsed times written as "N(ms)".
inline QStringList externalLogLines(int skip = 0) {
    QFile file(ExternalLogger::filePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts).mid(skip);
    const QRegularExpression stamp("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} ");
    for (QString &line : lines)
        line.remove(stamp).replace(QRegularExpression(" elapsed:\\d+\\(ms\\)$"), " elapsed:N(ms)");
    return lines;
}
