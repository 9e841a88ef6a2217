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
}  // namespace

// The artwork lives in a static library; naming its initialiser keeps the linker from dropping
// it. (Outside any namespace: the initialiser is declared where this is written.)
static void registerImages() {
    Q_INIT_RESOURCE(resources);
}

int main(int argc, char **argv) {
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
