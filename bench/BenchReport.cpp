#include "BenchReport.h"

#include <QDir>
#include <QTemporaryDir>

QString freshWorkFolder(const QString &name) {
    QString parent = QString::fromLocal8Bit(qgetenv("TINTWELL_BENCH_WORKDIR"));
    if (parent.isEmpty())
        parent = QDir::tempPath();
    QDir().mkpath(parent);
    QTemporaryDir folder(parent + QLatin1Char('/') + name + QStringLiteral("-XXXXXX"));
    if (!folder.isValid())
        benchFailure(QStringLiteral("cannot create a work folder in %1").arg(parent));
    // The driver clears the work folder; keep this one for inspection until then.
    folder.setAutoRemove(false);
    return folder.path();
}
