#pragma once

// The built program on a private X server inside a umockdev testbed, the way a user meets the
// preview: it is started with a probe preloaded that tells where the Preview button is, and the
// button is clicked with a real pointer click. Shared by the preview tests and the benchmark.

#include <QImage>
#include <QString>
#include <memory>

#include "TintwellProcess.h"
#include "VirtualXServer.h"

class PreviewSession {
public:
    PreviewSession(const QString &binary, const QString &probe);

    // Starts the X server and the program with an empty data folder inside `home`; true once the
    // Preview button is on the screen. `failure()` says what went wrong.
    bool launch(const QString &home, int timeoutMs);
    bool clickPreview();
    // The preview window's id once it is mapped; empty when `timeoutMs` passes first.
    QString waitForPreviewWindow(int timeoutMs);
    bool previewWindowVisible();
    QImage picture(const QString &window) const;

    TintwellProcess &program() { return *m_program; }
    QString failure() const { return m_failure; }

private:
    QString m_binary;
    QString m_probe;
    VirtualXServer m_screen;
    std::unique_ptr<TintwellProcess> m_program;
    QString m_mainWindow;
    QString m_failure;
};

// True when some pixel of `picture` is not black.
bool showsAPicture(const QImage &picture);
