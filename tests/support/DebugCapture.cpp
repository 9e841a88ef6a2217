#include "DebugCapture.h"

#include <QMutexLocker>

namespace {
// The handler is a plain function, so it finds the newest capture here.
DebugCapture *g_active = nullptr;
}  // namespace

DebugCapture::DebugCapture(Kinds kinds) : m_kinds(kinds), m_previousCapture(g_active) {
    g_active = this;
    m_previousHandler = qInstallMessageHandler(&DebugCapture::record);
}

DebugCapture::~DebugCapture() {
    qInstallMessageHandler(m_previousHandler);
    g_active = m_previousCapture;
}

QStringList DebugCapture::lines() const {
    QMutexLocker lock(&m_mutex);
    return m_lines;
}

QStringList DebugCapture::take() {
    QMutexLocker lock(&m_mutex);
    QStringList taken;
    taken.swap(m_lines);
    return taken;
}

void DebugCapture::clear() {
    QMutexLocker lock(&m_mutex);
    m_lines.clear();
}

int DebugCapture::count(const QString &prefix, const QString &suffix) const {
    QMutexLocker lock(&m_mutex);
    int n = 0;
    for (const QString &line : m_lines)
        n += line.startsWith(prefix) && line.endsWith(suffix) ? 1 : 0;
    return n;
}

void DebugCapture::record(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    DebugCapture *capture = g_active;
    if (!capture)
        return;
    if (type != QtDebugMsg && capture->m_kinds == DebugLinesOnly) {
        if (capture->m_previousHandler)
            capture->m_previousHandler(type, context, text);
        return;
    }
    QMutexLocker lock(&capture->m_mutex);
    capture->m_lines << text;
}
