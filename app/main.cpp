#include <QCoreApplication>
#include <QGuiApplication>
#include <QString>

#include <cstdio>
#include <cstring>
#include <memory>

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
}  // namespace

// The artwork lives in a static library; naming its initialiser keeps the linker from dropping
// it. (Outside any namespace: the initialiser is declared where this is written.)
static void registerImages() {
    Q_INIT_RESOURCE(resources);
}

int main(int argc, char **argv) {
    if (answeredInformationOption(argc, argv))
        return 0;
    registerImages();

    // Takes Qt's own options out of argc/argv; everything below sees the rest.
    auto app = std::make_unique<SingleApplication>(argc, argv);
    if (app->isRunning()) {
        app->sendMessage(QString::fromLatin1(kRaiseMessage), kRaiseTimeoutMs);
        return 0;
    }

    bool startHidden = false;
    for (int i = 0; i < argc; ++i) {
        std::printf("param: %s\n", argv[i]);
        if (std::strcmp(argv[i], kStartHiddenOption) == 0) {
            std::printf("restart flag is true");
            startHidden = true;
            break;
        }
    }
    std::fflush(stdout);

    const QString fontPath = QCoreApplication::applicationDirPath() + "/Poppins-Regular.otf";
    AppGlobals::instance();
    loadApplicationFont(fontPath);
    QGuiApplication::setQuitOnLastWindowClosed(false);

    auto window = std::make_unique<CameraSettingWidget>(nullptr);
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
