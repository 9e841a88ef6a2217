#pragma once

// How benchmark programs hand their figures to the bench driver: one line per figure on
// standard output, "metric <name> <value>". Everything else a program prints is ignored.

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

inline void reportMetric(const char *name, double value) {
    std::printf("metric %s %.6f\n", name, value);
    std::fflush(stdout);
}

inline double millisecondsBetween(std::chrono::steady_clock::time_point from,
                                  std::chrono::steady_clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The number after "--samples" on the command line, or `fallback`.
inline int sampleCount(int argc, char **argv, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "--samples")
            return std::max(1, std::atoi(argv[i + 1]));
    return fallback;
}

// Stops the benchmark with a message when what it measures is not what it should measure.
[[noreturn]] inline void benchFailure(const QString &what) {
    std::fprintf(stderr, "bench failure: %s\n", qPrintable(what));
    std::printf("failure %s\n", qPrintable(what));
    std::fflush(stdout);
    std::exit(2);
}

// A fresh folder for one benchmark process, inside TINTWELL_BENCH_WORKDIR when that is set
// (the driver points it at the build folder, on the same disk a home folder would be on).
QString freshWorkFolder(const QString &name);
