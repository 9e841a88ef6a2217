#include "ControlChangeFollower.h"

#include <QEvent>
#include <QWidget>

#include "CameraDeviceManager.h"

ControlChangeFollower::ControlChangeFollower(QWidget *window,
                                             std::function<void()> showCameraValues)
    : QObject(window), m_window(window), m_showCameraValues(std::move(showCameraValues)) {
    connect(&m_watcher, &ControlChangeWatcher::controlsChanged, this,
            [this] { m_showCameraValues(); });
    window->installEventFilter(this);
}

void ControlChangeFollower::onDeviceSelChanged() {
    if (m_window->isVisible())
        m_watcher.start(CameraDeviceManager::instance()->currentDevicePath());
}

bool ControlChangeFollower::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_window) {
        switch (event->type()) {
            case QEvent::Show:
                m_watcher.start(CameraDeviceManager::instance()->currentDevicePath());
                break;
            case QEvent::Hide:
                m_watcher.stop();
                break;
            case QEvent::WindowActivate:
                if (!m_watcher.isWatching())
                    m_showCameraValues();
                break;
            default:
                break;
        }
    }
    return QObject::eventFilter(watched, event);
}
