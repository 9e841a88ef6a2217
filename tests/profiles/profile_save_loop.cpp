// Saves profiles of one camera model the way the program does, over and over, until killed.
// Argument: the first generation number. Prints each generation once its profile is saved; every
// number in that profile is the generation, every flag its parity.

#include <QCoreApplication>
#include <cstdio>

#include "CameraSetting.h"
#include "CameraSettings.h"

static void writeGeneration(CameraSetting &record, long g) {
    record.setBrightness(g);
    record.setGamma(g, g % 2);
    record.setPan(g, g % 2);
    record.setFocus(g, g % 2);
}

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const QString vid = "5a5a", pid = "0001";
    const QStringList names = {"Office", "Night", "Stage"};
    CameraSettings *store = CameraSettings::instance();
    for (long generation = app.arguments().value(1).toLong();; ++generation) {
        // Each load drops every record, which writes the ids it has just set on each of them.
        for (CameraSetting *record : store->loadProfiles(vid, pid))
            if (record->profileName().startsWith("Temp"))
                store->removeProfile(vid, pid, record->profileName());
        store->findOrCreateProfile(vid, pid, "Standard Profile");
        const QString name = names.at(int(generation % names.size()));
        CameraSetting *record = store->findOrCreateProfile(vid, pid, name);
        writeGeneration(*record, generation);
        record->sync();
        store->setActiveProfile(vid, pid, name);
        if (generation % 5 == 0) {
            writeGeneration(*store->findOrCreateProfile(vid, pid, "Temp"), generation);
            store->removeProfile(vid, pid, "Temp");
        }
        std::printf("%ld\n", generation);
        std::fflush(stdout);
    }
}
