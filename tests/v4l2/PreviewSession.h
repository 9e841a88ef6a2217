#pragma once

// The built program on a private X server inside a umockdev testbed, the way a user meets the
// preview: started with a probe preloaded that tells where the Preview button is, which is then
// clicked with a real pointer click. Shared by the V4L2 program test and the benchmark.

#include <QImage>
#include <QString>
#include <memory>

#include "TintwellProcess.h"
#include "VirtualXServer.h"

class PreviewSession {
public:
    PreviewSession(const QString &binary, const QString &probe)
        : m_binary(binary), m_probe(probe) {}

    // Starts the X server and the program with its data in `home`; true once the Preview button
    // is on the screen, else `failure()` says what went wrong.
    bool launch(const QString &home, int timeoutMs);
    bool clickPreview();
    // The preview window's id once it is mapped; empty when `timeoutMs` passes first.
    QString waitForPreviewWindow(int timeoutMs);
    bool previewWindowVisible() {
        return m_screen.visibleWindowsOf(m_program->processId(), 1000).size() > 1;
    }
    QImage picture(const QString &window) const;
    TintwellProcess &program() { return *m_program; }
    QString failure() const { return m_failure; }

private:
    QString m_binary, m_probe, m_mainWindow, m_failure;
    VirtualXServer m_screen;
    std::unique_ptr<TintwellProcess> m_program;
};

// True when some pixel of `picture` is not black.
bool showsAPicture(const QImage &picture);
