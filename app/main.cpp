#include <QByteArray>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QString>

#include <cstdio>
#include <cstring>
#include <memory>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#endif

#include "AppGlobals.h"
#include "ApplicationFont.h"
#include "CameraSettingWidget.h"
#include "SingleApplication.h"

namespace {
const char *const kStartHiddenOption = "-startup";
const char *const kRaiseMessage = "raise_window_noop";
const int kRaiseTimeoutMs = 5000;

const char *const kUsage =
    "Usage: tintwell [-startup]\n"
    "Adjusts the picture and camera controls of Velt USB video-class cameras and keeps named\n"
    "profiles of them per camera model. One copy runs per user; starting it again brings up\n"
    "the running copy's window.\n"
    "\n"
    "Options:\n"
    "  -startup    start hidden in the system tray (as when started at login)\n"
    "  --help      show this help and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "Environment:\n"
    "  TINTWELL_CAMERA_BACKEND     v4l2 (Linux), directshow (Windows) or simulated\n"
    "  TINTWELL_SIMULATED_CAMERAS  the simulated cameras' JSON file (a built-in set when unset)\n";

// --help and --version are answered before the application object exists, so that they need no
// display and never reach a running copy.
bool answeredInformationOption(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tintwell %s\n", TINTWELL_VERSION);
            return true;
        }
    }
    return false;
}

// The echo is for whoever watches standard output; a closed pipe, or one nobody reads, must not
// stop or hold up the start, so what cannot be written at once is dropped.
void echo(const QByteArray &text) {
#ifdef Q_OS_UNIX
    const char *data = text.constData();
    qint64 left = text.size();
    while (left > 0) {
        pollfd out{STDOUT_FILENO, POLLOUT, 0};
        if (::poll(&out, 1, 0) != 1 || !(out.revents & POLLOUT))
            return;
        // Up to PIPE_BUF bytes fit into a pipe that reports room, so the write does not wait.
        const ssize_t written = ::write(STDOUT_FILENO, data, size_t(qMin<qint64>(left, PIPE_BUF)));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        left -= written;
    }
#else
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
#endif
}

}  // namespace

// The artwork lives in a static library; naming its initialiser keeps the linker from dropping
// it. (Outside any namespace: the initialiser is declared where this is written.)
static void registerImages() {
    Q_INIT_RESOURCE(resources);
}

int main(int argc, char **argv) {
#ifdef Q_OS_UNIX
    std::signal(SIGPIPE, SIG_IGN);
#endif
    if (answeredInformationOption(argc, argv))
        return 0;
    registerImages();

    // Takes Qt's own options out of argc/argv; everything below sees the rest.
    auto app = std::make_unique<SingleApplication>(argc, argv);
    if (app->isRunning()) {
        app->sendMessage(QString::fromLatin1(kRaiseMessage), kRaiseTimeoutMs);
        return 0;
    }
    // Qt would name the data folder after argv[0], which the caller chooses ("x/.." would put the
    // profiles into the parent folder); the executable's own file name is meant.
    QCoreApplication::setApplicationName(
        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());

    bool startHidden = false;
    QByteArray params;
    for (int i = 0; i < argc; ++i) {
        params += QByteArray("param: ") + QByteArray(argv[i]) + '\n';
        if (std::strcmp(argv[i], kStartHiddenOption) == 0) {
            params += "restart flag is true";
            startHidden = true;
            break;
        }
    }
    echo(params);

    const QString fontPath = QCoreApplication::applicationDirPath() + "/Poppins-Regular.otf";
    AppGlobals::instance();
    loadApplicationFont(fontPath);
    QGuiApplication::setQuitOnLastWindowClosed(false);

    auto window = std::make_unique<CameraSettingWidget>(nullptr);
    // Tests that plug cameras in would otherwise wait out the settling time at every plug.
    bool delayGiven = false;
    const int arrivalDelayMs =
        qEnvironmentVariableIntValue("TINTWELL_ARRIVAL_DELAY_MS", &delayGiven);
    if (delayGiven && arrivalDelayMs >= 0)
        window->setArrivalRefreshDelay(arrivalDelayMs);
    if (startHidden)
        window->startInBackground();
    else
        window->bringToTopmost();
    QApplication::setActiveWindow(window.get());
    QObject::connect(app.get(), &SingleApplication::messageReceived, window.get(),
                     &CameraSettingWidget::bringToTopmost);

    const int status = app->exec();
    window.reset();
    app.reset();
    return status;
}
