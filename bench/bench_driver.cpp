// tintwell_bench: runs every benchmark several times and prints one table of medians, minima and
// maxima with the target beside each figure. It measures; it never fails on time. The exit
// status is 0 unless a benchmark could not run.
//
// Options: --rounds N   start-up rounds (each starts the program and the floor once; default 10)
//          --quick      fewer rounds and samples, for a first look

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QSysInfo>
#include <QVector>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

using Metrics = QMap<QString, QVector<double>>;

qint64 monotonicNs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct Run {
    bool ok = false;
    QString error;
    qint64 startNs = 0;
    Metrics metrics;
    QMap<QString, QString> details;  // "detail <name> <text>" lines
    double first(const QString &name) const { return metrics.value(name).value(0, -1); }
};

class Driver {
public:
    explicit Driver(const QString &workDir) : m_workDir(workDir) {}

    QString workDir() const { return m_workDir; }
    QString logFile() const { return m_workDir + QStringLiteral("/bench-stderr.log"); }

    QProcessEnvironment baseEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &name : env.keys())
            if (name.startsWith(QLatin1String("TINTWELL_")) || name == QLatin1String("LD_PRELOAD"))
                env.remove(name);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TINTWELL_BENCH_WORKDIR"), m_workDir);
        // Keeps the single-instance lock of these runs apart from a copy the user may run.
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_workDir + QStringLiteral("/runtime"));
        return env;
    }

    Run run(const QString &program, const QStringList &arguments, const QProcessEnvironment &env,
            int timeoutMs = 120000) const {
        Run result;
        QProcess process;
        process.setProcessEnvironment(env);
        process.setStandardErrorFile(logFile(), QIODevice::Append);
        result.startNs = monotonicNs();
        process.start(program, arguments);
        if (!process.waitForStarted(timeoutMs) || !process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            result.error =
                QStringLiteral("%1 did not finish: %2").arg(program, process.errorString());
            return result;
        }
        for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> parts = line.trimmed().split(' ');
            if (parts.value(0) == "metric" && parts.size() == 3)
                result.metrics[QString::fromUtf8(parts.at(1))].append(parts.at(2).toDouble());
            else if (parts.value(0) == "detail" && parts.size() == 3)
                result.details[QString::fromUtf8(parts.at(1))] = QString::fromUtf8(parts.at(2));
            else if (parts.value(0) == "failure")
                result.error = QString::fromUtf8(line.mid(8));
        }
        if (result.error.isEmpty() &&
            (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0))
            result.error = QStringLiteral("%1 ended with status %2 (see %3)")
                               .arg(QFileInfo(program).fileName())
                               .arg(process.exitCode())
                               .arg(logFile());
        result.ok = result.error.isEmpty();
        return result;
    }

private:
    QString m_workDir;
};

double median(QVector<double> v) {
    if (v.isEmpty())
        return -1;
    std::sort(v.begin(), v.end());
    const int n = v.size();
    return n % 2 ? v.at(n / 2) : (v.at(n / 2 - 1) + v.at(n / 2)) / 2;
}

QString number(double value) {
    if (value < 0)
        return QStringLiteral("n/a");
    if (value == qRound64(value))
        return QString::number(qRound64(value));
    if (value >= 100)
        return QString::number(value, 'f', 0);
    if (value >= 10)
        return QString::number(value, 'f', 1);
    return QString::number(value, 'f', 2);
}

// A Markdown table: text left-aligned, figures right-aligned.
void printGrid(const QStringList &header, const QVector<QStringList> &lines,
               const QVector<bool> &leftAligned) {
    QVector<int> widths(header.size());
    for (int c = 0; c < header.size(); ++c) {
        widths[c] = header.at(c).size();
        for (const QStringList &line : lines)
            widths[c] = std::max(widths[c], int(line.at(c).size()));
    }
    auto printLine = [&](const QStringList &cells) {
        QString text = QStringLiteral("|");
        for (int c = 0; c < cells.size(); ++c)
            text += QLatin1Char(' ') +
                    (leftAligned.value(c) ? cells.at(c).leftJustified(widths[c])
                                          : cells.at(c).rightJustified(widths[c])) +
                    QStringLiteral(" |");
        std::printf("%s\n", qPrintable(text));
    };
    printLine(header);
    QString rule = QStringLiteral("|");
    for (int c = 0; c < header.size(); ++c)
        rule += leftAligned.value(c)
                    ? QStringLiteral(" :") + QString(widths[c] - 1, QLatin1Char('-')) +
                          QStringLiteral(" |")
                    : QStringLiteral(" ") + QString(widths[c] - 1, QLatin1Char('-')) +
                          QStringLiteral(": |");
    std::printf("%s\n", qPrintable(rule));
    for (const QStringList &line : lines)
        printLine(line);
}

struct Row {
    QString name;
    QVector<double> values;
    QString target;
    // < 0: nothing to judge; otherwise the median must not exceed it.
    double limit = -1;
    // The median shown instead of the values' own (a ratio of two medians).
    double medianOverride = -1;
};

class Table {
public:
    void add(const Row &row) { m_rows.append(row); }
    void note(const QString &text) { m_notes.append(text); }
    // A benchmark that should have run could not: noted, and the driver ends with status 1.
    void failure(const QString &text) {
        note(text);
        m_failed = true;
    }
    bool failed() const { return m_failed; }

    void print() const {
        const QStringList header = {QStringLiteral("Benchmark"), QStringLiteral("Median"),
                                    QStringLiteral("Min"),       QStringLiteral("Max"),
                                    QStringLiteral("Target"),    QStringLiteral("Result")};
        QVector<QStringList> lines;
        for (const Row &row : m_rows) {
            const double med = row.medianOverride >= 0 ? row.medianOverride : median(row.values);
            const bool none = row.values.isEmpty();
            QString verdict = QStringLiteral("reported");
            if (none)
                verdict = QStringLiteral("not run");
            else if (row.limit >= 0)
                verdict = med <= row.limit ? QStringLiteral("met") : QStringLiteral("MISSED");
            lines.append({row.name, none ? QStringLiteral("n/a") : number(med),
                          none ? QStringLiteral("n/a")
                               : number(*std::min_element(row.values.begin(), row.values.end())),
                          none ? QStringLiteral("n/a")
                               : number(*std::max_element(row.values.begin(), row.values.end())),
                          row.target, verdict});
        }
        printGrid(header, lines, {true, false, false, false, true, true});
        for (const QString &note : m_notes)
            std::printf("%s\n", qPrintable(note));
        std::fflush(stdout);
    }

private:
    QVector<Row> m_rows;
    QStringList m_notes;
    bool m_failed = false;
};

void progress(const QString &text) {
    std::fprintf(stderr, "tintwell_bench: %s\n", qPrintable(text));
    std::fflush(stderr);
}

QString machine() {
    QString cpu;
    QFile cpuInfo(QStringLiteral("/proc/cpuinfo"));
    int cores = 0;
    if (cpuInfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : cpuInfo.readAll().split('\n')) {
            if (line.startsWith("model name") && cpu.isEmpty())
                cpu = QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
            cores += line.startsWith("processor");
        }
    }
    QString memory;
    QFile memInfo(QStringLiteral("/proc/meminfo"));
    if (memInfo.open(QIODevice::ReadOnly)) {
        const QByteArray first = memInfo.readLine();
        memory = QStringLiteral("%1 GiB RAM")
                     .arg(first.mid(9).trimmed().split(' ').value(0).toDouble() / 1024 / 1024, 0,
                          'f', 1);
    }
    return QStringLiteral("%1, %2 logical cores, %3; %4 %5; Qt %6")
        .arg(cpu.isEmpty() ? QStringLiteral("unknown CPU") : cpu)
        .arg(cores)
        .arg(memory, QSysInfo::prettyProductName(), QSysInfo::kernelVersion(),
             QString::fromLatin1(qVersion()));
}

struct Settings {
    int startupRounds = 10;
    int processes = 3;
    int discoverySamples = 20;
    int storeSamples = 6;
    int switchSamples = 20;
    int previewRounds = 3;
};

// Start-up and peak memory: the program and the floor, started in turns.
void benchStartup(const Driver &driver, const Settings &settings, Table &table) {
    const QString data = driver.workDir() + QStringLiteral("/startup-data");
    const QString cameras = driver.workDir() + QStringLiteral("/startup-cameras.json");
    QDir().mkpath(data);
    const Run fixture =
        driver.run(QStringLiteral(TW_BENCH_FIXTURE), {data, cameras}, driver.baseEnvironment());
    if (!fixture.ok) {
        table.failure(QStringLiteral("Start-up not run: %1").arg(fixture.error));
        return;
    }
    QProcessEnvironment floorEnv = driver.baseEnvironment();
    floorEnv.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(TW_BENCH_PROBE));
    QProcessEnvironment programEnv = floorEnv;
    programEnv.insert(QStringLiteral("TINTWELL_CAMERA_BACKEND"), QStringLiteral("simulated"));
    programEnv.insert(QStringLiteral("TINTWELL_SIMULATED_CAMERAS"), cameras);
    programEnv.insert(QStringLiteral("XDG_DATA_HOME"), data);
    programEnv.insert(QStringLiteral("XDG_STATE_HOME"), data);

    QVector<double> programMs, floorMs, ratios, programMiB, floorMiB, memoryRatios, writes;
    QVector<double> programCpu, floorCpu, cpuRatios;
    QString problem;
    // Round 0 warms the file cache and is not counted.
    for (int round = 0; round <= settings.startupRounds && problem.isEmpty(); ++round) {
        progress(QStringLiteral("start-up round %1 of %2").arg(round).arg(settings.startupRounds));
        Run program, floor;
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == (round % 2 == 0))
                floor = driver.run(QStringLiteral(TW_BENCH_FLOOR), {}, floorEnv, 30000);
            else
                program = driver.run(QStringLiteral(TW_BENCH_TINTWELL), {}, programEnv, 30000);
        }
        for (const Run *r : {&program, &floor})
            if (!r->ok || r->first(QStringLiteral("startup_end_ns")) < 0)
                problem = r->ok ? QStringLiteral("the start-up probe reported nothing") : r->error;
        if (!problem.isEmpty() || round == 0)
            continue;
        const double p = (program.first(QStringLiteral("startup_end_ns")) - program.startNs) / 1e6;
        const double f = (floor.first(QStringLiteral("startup_end_ns")) - floor.startNs) / 1e6;
        programMs.append(p);
        floorMs.append(f);
        ratios.append(p / f);
        const double pm = program.first(QStringLiteral("startup_hwm_kb")) / 1024;
        const double fm = floor.first(QStringLiteral("startup_hwm_kb")) / 1024;
        programMiB.append(pm);
        floorMiB.append(fm);
        memoryRatios.append(pm / fm);
        writes.append(program.first(QStringLiteral("startup_camera_writes")));
        programCpu.append(program.first(QStringLiteral("startup_cpu_ms")));
        floorCpu.append(floor.first(QStringLiteral("startup_cpu_ms")));
        cpuRatios.append(programCpu.last() / floorCpu.last());
        if (program.first(QStringLiteral("startup_last_write_ns")) >
            program.first(QStringLiteral("startup_end_ns")))
            problem = QStringLiteral("camera writes went on after the window was up");
    }
    if (!problem.isEmpty())
        table.failure(QStringLiteral("Start-up: %1").arg(problem));
    table.add({QStringLiteral("Start-up, tintwell (ms)"), programMs, QString()});
    table.add({QStringLiteral("Start-up, floor window (ms)"), floorMs, QString()});
    table.add({QStringLiteral("Start-up, tintwell / floor"), ratios, QStringLiteral("<= 2.0"), 2.0,
               median(programMs) / median(floorMs)});
    table.add({QStringLiteral("Start-up processor time, tintwell (ms)"), programCpu, QString()});
    table.add({QStringLiteral("Start-up processor time, floor window (ms)"), floorCpu, QString()});
    table.add({QStringLiteral("Start-up processor time, tintwell / floor"), cpuRatios,
               QStringLiteral("(wall-clock ratio is judged)"), -1,
               median(programCpu) / median(floorCpu)});
    table.add({QStringLiteral("Camera writes before the window was up"), writes,
               QStringLiteral("> 0 (profile applied)")});
    table.add({QStringLiteral("Peak RSS, tintwell (MiB)"), programMiB, QString()});
    table.add({QStringLiteral("Peak RSS, floor window (MiB)"), floorMiB, QString()});
    table.add({QStringLiteral("Peak RSS, tintwell / floor"), memoryRatios, QStringLiteral("<= 2.0"),
               2.0, median(programMiB) / median(floorMiB)});
}

// Runs an in-process benchmark in several processes and merges their samples.
Metrics runSamples(const Driver &driver, const QString &program, int processes, int samples,
                   Table &table) {
    Metrics all;
    for (int i = 0; i < processes; ++i) {
        progress(QStringLiteral("%1, process %2 of %3")
                     .arg(QFileInfo(program).fileName())
                     .arg(i + 1)
                     .arg(processes));
        const Run r = driver.run(program, {QStringLiteral("--samples"), QString::number(samples)},
                                 driver.baseEnvironment());
        if (!r.ok) {
            table.failure(
                QStringLiteral("%1 not run: %2").arg(QFileInfo(program).fileName(), r.error));
            return Metrics();
        }
        for (auto it = r.metrics.begin(); it != r.metrics.end(); ++it)
            all[it.key()] += it.value();
    }
    return all;
}

void benchInProcess(const Driver &driver, const Settings &settings, Table &table) {
    Metrics m = runSamples(driver, QStringLiteral(TW_BENCH_SWITCH), settings.processes,
                           settings.switchSamples, table);
    table.add({QStringLiteral("Profile switch, pick to last camera write (ms)"),
               m.value(QStringLiteral("switch_ms")), QStringLiteral("<= 5 ms"), 5.0});
    table.add({QStringLiteral("Profile switch, processor time (ms)"),
               m.value(QStringLiteral("switch_cpu_ms")), QString()});
    table.add({QStringLiteral("Index file write alone, synced to disk (ms)"),
               m.value(QStringLiteral("switch_index_write_ms")), QString()});
    table.add({QStringLiteral("Camera writes per switch"), m.value(QStringLiteral("switch_writes")),
               QString()});
    table.add({QStringLiteral("Distinct controls written per switch"),
               m.value(QStringLiteral("switch_distinct_controls")), QString()});
    table.add({QStringLiteral("Camera reads per switch"), m.value(QStringLiteral("switch_reads")),
               QString()});

    m = runSamples(driver, QStringLiteral(TW_BENCH_DISCOVERY), settings.processes,
                   settings.discoverySamples, table);
    table.add({QStringLiteral("Discovery, 64 cameras, 32 supported (ms)"),
               m.value(QStringLiteral("discovery_ms")), QStringLiteral("<= 10 ms"), 10.0});

    m = runSamples(driver, QStringLiteral(TW_BENCH_STORE), settings.processes,
                   settings.storeSamples, table);
    table.add({QStringLiteral("Profile store, 1,000 files, first load + create (ms)"),
               m.value(QStringLiteral("store_first_ms")), QStringLiteral("<= 100 ms"), 100.0});
    table.add({QStringLiteral("Profile store, 1,000 files, repeat load + create (ms)"),
               m.value(QStringLiteral("store_repeat_ms")), QStringLiteral("<= 100 ms"), 100.0});
}

void benchLinuxControlPath(const Driver &driver, Table &table, QVector<QStringList> &breakdown) {
    const QString program = QStringLiteral(TW_BENCH_V4L2);
    const QString wrapper = QStringLiteral(TW_BENCH_UMOCKDEV_WRAPPER);
    if (program.isEmpty() || wrapper.isEmpty()) {
        table.note(QStringLiteral("Linux control path not built (needs umockdev and the tests)."));
        return;
    }
    progress(QStringLiteral("Linux control path"));
    const Run r = driver.run(wrapper, {program}, driver.baseEnvironment());
    if (!r.ok) {
        table.failure(QStringLiteral("Linux control path not run: %1").arg(r.error));
        return;
    }
    QVector<double> ioctls, opens;
    for (auto it = r.metrics.begin(); it != r.metrics.end(); ++it) {
        if (it.key().startsWith(QLatin1String("v4l2_write_ioctls:"))) {
            const QString property = it.key().section(QLatin1Char(':'), 1);
            ioctls += it.value();
            opens += r.metrics.value(QStringLiteral("v4l2_write_opens:") + property);
            breakdown.append(
                {property, number(it.value().value(0)),
                 number(r.metrics.value(QStringLiteral("v4l2_write_opens:") + property).value(0)),
                 r.details.value(QStringLiteral("v4l2_write_requests:") + property)});
        }
    }
    table.add({QStringLiteral("Linux: ioctls per property write (over 19 kinds)"), ioctls,
               QStringLiteral("floor 1")});
    table.add({QStringLiteral("Linux: device opens per property write"), opens,
               QStringLiteral("floor 0 (node kept open)")});
    table.add({QStringLiteral("Linux: ioctls per profile switch"),
               r.metrics.value(QStringLiteral("v4l2_switch_ioctls")),
               QStringLiteral("floor = writes per switch")});
    table.add({QStringLiteral("Linux: camera writes per profile switch"),
               r.metrics.value(QStringLiteral("v4l2_switch_writes")), QString()});
    table.add({QStringLiteral("Linux: device opens per profile switch"),
               r.metrics.value(QStringLiteral("v4l2_switch_opens")), QString()});
}

// The preview's first frame and frame rate against the floor, a bare pipeline's first frame.
void benchPreview(const Driver &driver, const Settings &settings, Table &table) {
    const QString program = QStringLiteral(TW_BENCH_PREVIEW);
    const QString wrapper = QStringLiteral(TW_BENCH_UMOCKDEV_WRAPPER);
    if (program.isEmpty() || wrapper.isEmpty()) {
        table.note(QStringLiteral("Preview not built (needs umockdev and the tests)."));
        return;
    }
    progress(QStringLiteral("preview"));
    const Run r = driver.run(
        wrapper, {program, QStringLiteral("--samples"), QString::number(settings.previewRounds)},
        driver.baseEnvironment());
    if (!r.ok) {
        table.failure(QStringLiteral("Preview not run: %1").arg(r.error));
        return;
    }
    const QVector<double> first = r.metrics.value(QStringLiteral("preview_first_frame_ms"));
    const QVector<double> floor = r.metrics.value(QStringLiteral("preview_floor_ms"));
    QVector<double> ratios;
    for (int i = 0; i < std::min(first.size(), floor.size()); ++i)
        ratios.append(first.at(i) / floor.at(i));
    table.add({QStringLiteral("Preview, click to first frame painted (ms)"), first, QString()});
    table.add({QStringLiteral("Preview floor, gst-launch to first frame (ms)"), floor, QString()});
    Row ratio{QStringLiteral("Preview first frame / floor"), ratios, QStringLiteral("<= 2.0"), 2.0};
    ratio.medianOverride = median(first) / median(floor);
    table.add(ratio);
    table.add({QStringLiteral("Preview, frames read per second (10 s)"),
               r.metrics.value(QStringLiteral("preview_read_fps")), QString()});
    table.add({QStringLiteral("Preview, picture changes on screen per second (10 s)"),
               r.metrics.value(QStringLiteral("preview_painted_fps")), QString()});
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    Settings settings;
    const QStringList args = app.arguments();
    if (args.contains(QStringLiteral("--quick")))
        settings = Settings{3, 1, 10, 3, 10, 1};
    const int roundsAt = args.indexOf(QStringLiteral("--rounds"));
    if (roundsAt > 0 && roundsAt + 1 < args.size())
        settings.startupRounds = std::max(1, args.at(roundsAt + 1).toInt());

    const QString workDir = QStringLiteral(TW_BENCH_WORKDIR);
    QDir(workDir).removeRecursively();
    QDir().mkpath(workDir + QStringLiteral("/runtime"));
    QFile::setPermissions(workDir + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const Driver driver(workDir);

    Table table;
    QVector<QStringList> breakdown;
    benchStartup(driver, settings, table);
    benchInProcess(driver, settings, table);
    benchLinuxControlPath(driver, table, breakdown);
    benchPreview(driver, settings, table);

    std::printf("\nTintwell benchmarks, %s\n",
                qPrintable(QDateTime::currentDateTime().toString(Qt::ISODate)));
    std::printf("Machine: %s\n", qPrintable(machine()));
    std::printf("Start-up: %d rounds; in-process: %d processes each.\n\n", settings.startupRounds,
                settings.processes);
    table.print();
    if (!breakdown.isEmpty()) {
        std::printf("\nLinux control path, one write of each kind (emulated UVC camera):\n\n");
        printGrid({QStringLiteral("Write"), QStringLiteral("ioctls"), QStringLiteral("opens"),
                   QStringLiteral("requests, in order")},
                  breakdown, {true, false, false, true});
    }
    return table.failed() ? 1 : 0;
}
