#include "ControlChangeWatcher.h"

#include <QSocketNotifier>

#include "CameraDeviceManager.h"

ControlChangeWatcher::ControlChangeWatcher(QObject *parent) : QObject(parent) {}

ControlChangeWatcher::~ControlChangeWatcher() {
    stop();
}

bool ControlChangeWatcher::start(const QString &path) {
    stop();
    if (!CameraDeviceManager::instance()->watchControlChanges(path, m_watch))
        return false;
    // V4L2 signals a waiting event as urgent data.
    m_notifier = new QSocketNotifier(m_watch->descriptor(), QSocketNotifier::Exception, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ControlChangeWatcher::takeChanges);
    return true;
}

void ControlChangeWatcher::stop() {
    delete m_notifier;
    m_notifier = nullptr;
    m_watch.reset();
}

void ControlChangeWatcher::takeChanges() {
    if (!m_watch)
        return;
    bool changed = false;
    // A watch that fails (the camera has gone) would keep its descriptor signalling.
    if (m_watch->takeChanges(&changed) != capture::kOk) {
        stop();
        return;
    }
    if (changed)
        emit controlsChanged();
}
