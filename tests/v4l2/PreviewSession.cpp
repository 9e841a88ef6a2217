#include "PreviewSession.h"

#include <QProcess>
#include <QTest>

#include "WindowPicture.h"

bool PreviewSession::launch(const QString &home, int timeoutMs) {
    if (!m_screen.start("1600x900x24", timeoutMs)) {
        m_failure = m_screen.failure();
        return false;
    }
    QProcessEnvironment env = m_screen.onScreen(TintwellProcess::freshEnvironment(home));
    env.insert("TINTWELL_CAMERA_BACKEND", "v4l2");
    // umockdev's own library stays first: the program's device accesses go through it.
    env.insert("LD_PRELOAD", env.value("LD_PRELOAD") + ' ' + m_probe);
    m_program = std::make_unique<TintwellProcess>(m_binary);
    m_program->launch(env);
    if (!m_program->waitForLine("probe btnPreview ", timeoutMs)) {
        m_failure = "the Preview button was not painted";
        return false;
    }
    m_mainWindow = m_screen.visibleWindowsOf(m_program->processId(), timeoutMs).value(0);
    return true;
}

bool PreviewSession::clickPreview() {
    const QStringList at = m_program->lastStartingWith("probe btnPreview ").split(' ').mid(2);
    QProcess xdotool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_screen.display());
    xdotool.setProcessEnvironment(env);
    xdotool.start("xdotool", {"mousemove", "--sync", at.value(0), at.value(1), "click", "1"});
    return xdotool.waitForFinished() && xdotool.exitCode() == 0;
}

QString PreviewSession::waitForPreviewWindow(int timeoutMs) {
    QString found;
    const bool mapped = QTest::qWaitFor(
        [&] {
            for (const QString &window : m_screen.visibleWindowsOf(m_program->processId(), 1000))
                if (window != m_mainWindow)
                    found = window;
            return !found.isEmpty();
        },
        timeoutMs);
    return mapped ? found : QString();
}

QImage PreviewSession::picture(const QString &window) const {
    return windowPicture(m_screen.display(), window.toULong());
}

bool showsAPicture(const QImage &picture) {
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if ((picture.pixel(x, y) & 0xffffff) != 0)
                return true;
    return false;
}
