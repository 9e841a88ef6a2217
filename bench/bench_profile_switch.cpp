// Profile switch: the main window on two simulated cameras; the user picks another profile of the
// selected camera in the profile list. Measured from the pick to the last camera write, with the
// number of writes and of distinct controls written per switch.

#include <time.h>

#include <QApplication>
#include <QComboBox>

#include "BenchCameras.h"
#include "BenchReport.h"
#include "CameraDeviceManager.h"
#include "CameraSettingWidget.h"
#include "CameraSettings.h"
#include "CountingBackend.h"
#include "SimulatedBackend.h"

namespace {

// Processor time of this thread: unlike the wall clock, it leaves out waiting for the disk and
// for other programs on a busy machine.
double threadCpuMs() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

}  // namespace

int main(int argc, char **argv) {
    const int samples = sampleCount(argc, argv, 20);
    constexpr int kWarmUp = 2;
    const QString folder = freshWorkFolder(QStringLiteral("switch"));
    // The camera log goes to the state folder; keep it in the work folder too.
    qputenv("XDG_DATA_HOME", folder.toLocal8Bit());
    qputenv("XDG_STATE_HOME", folder.toLocal8Bit());
    qputenv("TINTWELL_CAMERA_BACKEND", "simulated");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tintwell"));

    const QString cameraFile = folder + "/cameras.json";
    if (!writeCameraFile(cameraFile, twoSupportedCameras()))
        benchFailure(QStringLiteral("cannot write %1").arg(cameraFile));
    const QString first = benchProfileName(1), second = benchProfileName(2);
    createBenchProfiles(QString::fromLatin1(kBenchVid), QString::fromLatin1(kBenchPid), 10, first);

    AccessLog log;
    CameraDeviceManager::instance()->setBackend(
        makeCountingBackend(createSimulatedBackend(cameraFile), &log));
    CameraSettingWidget window(nullptr);
    window.show();
    QCoreApplication::processEvents();

    auto *list = window.findChild<QComboBox *>(QStringLiteral("cbbProfiles"));
    if (!list || list->count() != 10 || list->currentText() != first)
        benchFailure(QStringLiteral("the main window does not list the ten profiles with \"%1\" "
                                    "selected")
                         .arg(first));

    for (int i = 0; i < kWarmUp + samples; ++i) {
        const int target = list->findText(i % 2 ? first : second);
        log.clear();
        const double cpuStart = threadCpuMs();
        const auto start = std::chrono::steady_clock::now();
        list->setCurrentIndex(target);
        const auto returned = std::chrono::steady_clock::now();
        const double cpuMs = threadCpuMs() - cpuStart;
        QCoreApplication::processEvents();
        std::chrono::steady_clock::time_point lastWrite;
        if (!log.lastWrite(&lastWrite))
            benchFailure(
                QStringLiteral("picking \"%1\" wrote nothing").arg(list->itemText(target)));
        if (i < kWarmUp)
            continue;
        reportMetric("switch_ms", millisecondsBetween(start, lastWrite));
        reportMetric("switch_handler_ms", millisecondsBetween(start, returned));
        reportMetric("switch_cpu_ms", cpuMs);
        reportMetric("switch_writes", log.writes());
        reportMetric("switch_distinct_controls", log.distinctControlsWritten());
        reportMetric("switch_reads", log.count(CameraAccess::ReadRange) +
                                         log.count(CameraAccess::ReadValue) +
                                         log.count(CameraAccess::PowerLineRead));
        reportMetric("switch_binds", log.count(CameraAccess::Bind));

        // A switch stores the new active profile in the index file, atomically and synced to
        // disk, before it applies the profile. That write alone, measured beside each switch,
        // shows how much of the switch is the disk's rather than the program's.
        const auto indexStart = std::chrono::steady_clock::now();
        CameraSettings::instance()->setActiveProfile(
            QString::fromLatin1(kBenchVid), QString::fromLatin1(kBenchPid), list->currentText());
        reportMetric("switch_index_write_ms",
                     millisecondsBetween(indexStart, std::chrono::steady_clock::now()));
    }
    return 0;
}
