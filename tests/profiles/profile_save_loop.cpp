// Saves profiles of one camera model the way the program does, over and over, until killed.
// Argument: the first generation number. Prints each generation once its profile is saved; every
// number in that profile is the generation, every flag its parity.

#include <QCoreApplication>
#include <cstdio>

#include "CameraSetting.h"
#include "CameraSettings.h"

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    CameraSettings *store = CameraSettings::instance();
    for (long g = app.arguments().value(1).toLong();; ++g) {
        // Each load drops every record, which writes the ids it has just set on each of them.
        for (CameraSetting *record : store->loadProfiles("5a5a", "0001"))
            if (record->profileName() == "Temp")
                store->removeProfile("5a5a", "0001", "Temp");
        store->findOrCreateProfile("5a5a", "0001", "Standard Profile");
        const QString name = g % 5 == 0 ? "Temp" : QStringList{"Office", "Night", "Stage"}[g % 3];
        CameraSetting *record = store->findOrCreateProfile("5a5a", "0001", name);
        record->setBrightness(g);
        record->setGamma(g, g % 2);
        record->setFocus(g, g % 2);
        record->sync();
        store->setActiveProfile("5a5a", "0001", name);
        if (name == "Temp")
            store->removeProfile("5a5a", "0001", "Temp");
        std::printf("%ld\n", g);
        std::fflush(stdout);
    }
}
