// Loaded into a program with LD_PRELOAD, this reports when its start-up is over: the first time
// the event loop has nothing left to do after a top-level window was exposed. It prints one line
// to standard output,
//   metric startup_end_ns <CLOCK_MONOTONIC>
//   metric startup_hwm_kb <peak resident set so far>
//   metric startup_cpu_ms <processor time the process has used so far>
// together with the camera writes the program logged until then, and ends the program through
// its event loop. The program itself is not changed.
//
// With TW_BENCH_PROBE_TRACE set, every debug line is also printed with its CLOCK_MONOTONIC time,
// "trace <ns> <text>", which shows where the start-up time goes.

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QWindow>
#include <cstdio>
#include <ctime>

namespace {

qint64 clockNs(clockid_t clock) {
    timespec now;
    clock_gettime(clock, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

qint64 monotonicNs() {
    return clockNs(CLOCK_MONOTONIC);
}

long peakResidentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

QtMessageHandler previousHandler = nullptr;
bool tracing = false;
int cameraWrites = 0;
qint64 lastCameraWriteNs = 0;

// Every camera write ends in one of these lines (camera layer).
void countCameraWrites(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (text.startsWith(QLatin1String("successfully set ")) ||
        text.startsWith(QLatin1String("failed to set ")) ||
        text.startsWith(QLatin1String("set powerline freq "))) {
        ++cameraWrites;
        lastCameraWriteNs = monotonicNs();
    }
    if (tracing) {
        std::printf("trace %lld %s\n", static_cast<long long>(monotonicNs()), qPrintable(text));
        std::fflush(stdout);
    }
    previousHandler(type, context, text);
}

class StartupProbe : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (!m_exposedNs && event->type() == QEvent::Expose && watched->isWindowType() &&
            static_cast<QWindow *>(watched)->isExposed()) {
            m_exposedNs = monotonicNs();
            if (tracing)
                std::printf("trace %lld window exposed\n", static_cast<long long>(m_exposedNs));
            connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                    this, &StartupProbe::onIdle);
        }
        return false;
    }

private:
    void onIdle() {
        if (m_reported)
            return;
        m_reported = true;
        const qint64 idleNs = monotonicNs();
        std::printf("metric startup_exposed_ns %lld\n", static_cast<long long>(m_exposedNs));
        std::printf("metric startup_end_ns %lld\n", static_cast<long long>(idleNs));
        std::printf("metric startup_hwm_kb %ld\n", peakResidentKb());
        std::printf("metric startup_cpu_ms %.3f\n", clockNs(CLOCK_PROCESS_CPUTIME_ID) / 1e6);
        std::printf("metric startup_camera_writes %d\n", cameraWrites);
        std::printf("metric startup_last_write_ns %lld\n",
                    static_cast<long long>(lastCameraWriteNs));
        std::fflush(stdout);
        QCoreApplication::exit(0);
    }

    qint64 m_exposedNs = 0;
    bool m_reported = false;
};

void installProbe() {
    tracing = qEnvironmentVariableIsSet("TW_BENCH_PROBE_TRACE");
    if (tracing)
        std::printf("trace %lld application object created\n",
                    static_cast<long long>(monotonicNs()));
    previousHandler = qInstallMessageHandler(countCameraWrites);
    QCoreApplication::instance()->installEventFilter(new StartupProbe);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
