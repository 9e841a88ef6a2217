#pragma once

// Keeps the pages showing what the shown camera holds when another program changes it. Where the
// camera reports changes (V4L2 control events) it is watched while the window is visible and let
// go when the window hides, so that it can suspend; elsewhere its values are read again whenever
// the window is activated.

#include <QObject>
#include <functional>

#include "ControlChangeWatcher.h"

class QWidget;

class ControlChangeFollower : public QObject {
    Q_OBJECT
public:
    // `showCameraValues` puts the camera's values into the pages without writing anything.
    ControlChangeFollower(QWidget *window, std::function<void()> showCameraValues);

    ControlChangeWatcher *watcher() { return &m_watcher; }

public slots:
    // The shown camera changed.
    void onDeviceSelChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    std::function<void()> m_showCameraValues;
    ControlChangeWatcher m_watcher;
};
