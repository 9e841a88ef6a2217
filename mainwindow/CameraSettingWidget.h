#pragma once

#include <QWidget>

// The program's main window. For now it is an empty window that start-up can show, hide and
// raise; the camera pages are added to it as they are built.
class CameraSettingWidget : public QWidget {
    Q_OBJECT
public:
    explicit CameraSettingWidget(QWidget *parent = nullptr);

public slots:
    // Restores the window from wherever it is (hidden, minimised, behind others) to the front.
    void bringToTopmost();
};
