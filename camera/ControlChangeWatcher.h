#pragma once

// Follows the control-change reports of one camera while it is started: controlsChanged() once
// for every batch of reports. The camera stays open only between start() and stop().

#include <QObject>
#include <QString>
#include <memory>

#include "CaptureServices.h"

class QSocketNotifier;

class ControlChangeWatcher : public QObject {
    Q_OBJECT
public:
    explicit ControlChangeWatcher(QObject *parent = nullptr);
    ~ControlChangeWatcher() override;

    // Watches the listed camera of `path` instead of any earlier one; false (and nothing watched)
    // where the camera sends no reports.
    bool start(const QString &path);
    void stop();
    bool isWatching() const { return bool(m_watch); }

public slots:
    // Takes the waiting reports; run whenever the camera's descriptor signals them.
    void takeChanges();

signals:
    void controlsChanged();

private:
    std::unique_ptr<capture::ControlChangeWatch> m_watch;
    QSocketNotifier *m_notifier = nullptr;
};
