#include "SupportedDevices.h"

const QStringList &supportedProductIds() {
    static const QStringList ids = {
        QStringLiteral("1f01"), QStringLiteral("1f02"), QStringLiteral("1f05"),
        QStringLiteral("2a10"), QStringLiteral("2a11"), QStringLiteral("2b20"),
        QStringLiteral("2b21"), QStringLiteral("3c00"), QStringLiteral("3c01"),
        QStringLiteral("3c4d"), QStringLiteral("4e10"), QStringLiteral("5f20"),
        QStringLiteral("5F2A"),
    };
    return ids;
}

const QStringList &supportedFriendlyNames() {
    static const QStringList names = {
        QStringLiteral("Velt DocCam V4"),         QStringLiteral("Velt DocCam V4 Pro"),
        QStringLiteral("Velt DocCam X1"),         QStringLiteral("Velt Visualizer VZ-2"),
        QStringLiteral("Velt Visualizer VZ-3"),   QStringLiteral("Velt WebCam W1080"),
        QStringLiteral("Velt WebCam W4K"),        QStringLiteral("DocCam Mini"),
        QStringLiteral("DocCam Mini 2"),          QStringLiteral("VZ-5 Wireless"),
        QStringLiteral("VZ-5 Wireless Dock"),     QStringLiteral("W1080 Conference"),
        QStringLiteral("Velt PTZ Cam P20"),       QStringLiteral("P20 PTZ"),
        QStringLiteral("Velt Lecture Cam L8"),    QStringLiteral("L8 Lecture"),
        QStringLiteral("USB Document Camera V4"),
    };
    return names;
}
