// Prepares what the start-up benchmark gives the program: a camera file with two supported
// cameras and a data folder holding ten profiles of the first camera's model, one of them active.
// Usage: bench_startup_fixture <data folder> <camera file>

#include <QCoreApplication>
#include <QDir>

#include "BenchCameras.h"
#include "BenchReport.h"

int main(int argc, char **argv) {
    if (argc != 3)
        benchFailure(QStringLiteral("usage: bench_startup_fixture <data folder> <camera file>"));
    // The camera log goes to the state folder; keep it in the work folder too.
    qputenv("XDG_DATA_HOME", argv[1]);
    qputenv("XDG_STATE_HOME", argv[1]);
    qputenv("TINTWELL_CAMERA_BACKEND", "simulated");
    QCoreApplication app(argc, argv);
    // The program's data folder is named after its executable.
    QCoreApplication::setApplicationName(QStringLiteral("tintwell"));
    if (!writeCameraFile(QString::fromLocal8Bit(argv[2]), twoSupportedCameras()))
        benchFailure(QStringLiteral("cannot write %1").arg(argv[2]));
    createBenchProfiles(QString::fromLatin1(kBenchVid), QString::fromLatin1(kBenchPid), 10,
                        benchProfileName(3));
    return 0;
}
