#include <QComboBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QtTest>

#include "AdjustmentWidget.h"
#include "AppGlobals.h"
#include "CameraDeviceManager.h"
#include "CameraSettings.h"
#include "ModalScript.h"
#include "UserProfileWidget.h"

namespace {
const QString kDocCam = QStringLiteral("1a2b__3c4d");  // brightness -64..64, default 0
const QString kWebCam = QStringLiteral("1a2b__1f05");  // brightness 0..255, default 128
const QString kSaveQuestion =
    QStringLiteral("Do you want to save changes to the profile? [default Yes]");
const QString kDeleteQuestion = QStringLiteral("Do you want to delete the profile? [default No]");

QStringList debugLines;
void keepDebugLine(QtMsgType, const QMessageLogContext &, const QString &text) {
    debugLines << text;
}

// The profile page with the Basic page beside it, wired the way the main window wires them.
struct Rig {
    AdjustmentWidget adjustment;
    UserProfileWidget page;
    QComboBox *profiles = page.findChild<QComboBox *>("cbbProfiles");

    Rig() {
        QObject::connect(&adjustment, &AdjustmentWidget::deviceSelChanged, &adjustment,
                         &AdjustmentWidget::onDeviceSelChanged);
        QObject::connect(&adjustment, &AdjustmentWidget::deviceSelChanged, &page,
                         &UserProfileWidget::onDeviceSelChanged);
        QObject::connect(&page, &UserProfileWidget::profileSelChanged, &adjustment,
                         &AdjustmentWidget::onProfileSelChanged);
        QObject::connect(&page, &UserProfileWidget::profileNeedToSave, &adjustment,
                         &AdjustmentWidget::onProfileNeetToSave);
        QObject::connect(AppGlobals::instance(), &AppGlobals::modifyStateChanged, &page,
                         &UserProfileWidget::onShow);
        AppGlobals::instance()->setApplyingProfile(true);
        adjustment.refreshDeviceList(QString());
        AppGlobals::instance()->setApplyingProfile(false);
        page.onShow();
    }
    QPushButton *button(const char *name) { return page.findChild<QPushButton *>(name); }
    QStringList items() const {
        QStringList texts;
        for (int i = 0; i < profiles->count(); ++i)
            texts << profiles->itemText(i);
        return texts;
    }
    void userSetsBrightness(int value) {
        adjustment.findChild<QSlider *>("slBrightness")->setValue(value);
    }
    void selectCamera(const QString &key) {
        auto *devices = adjustment.findChild<QComboBox *>("cbbDevices");
        devices->setCurrentIndex(devices->findData(key));
    }
    // From "Default": change brightness and save it under a new name.
    void saveNew(const QString &name, int brightness) {
        profiles->setCurrentIndex(0);
        userSetsBrightness(brightness);
        ModalScript script;
        script.typeName(name);
        button("btnSaveProfile")->click();
        QVERIFY(script.done());
    }
};

long cameraBrightness() {
    PropertyInfo info;
    info.id = 0;
    CameraDeviceManager::instance()->getProperty(info);
    return info.value;
}

QSettings indexFile() {
    return QSettings(CameraSettings::settingsFilePath(), QSettings::IniFormat);
}
// An absent entry means the base profile.
QString activeOnDisk(const QString &key) {
    return indexFile().value(key + "/ActiveProfile", "Standard Profile").toString();
}

// Profile name -> file path, read afresh from the model's folder.
QMap<QString, QString> filesOnDisk(const QString &key) {
    QMap<QString, QString> files;
    const QDir dir(QDir(CameraSettings::configRootPath()).filePath(key));
    for (const QFileInfo &info : dir.entryInfoList({"*.ini"}, QDir::Files)) {
        QSettings file(info.absoluteFilePath(), QSettings::IniFormat);
        files.insert(file.value("profilename").toString(), info.absoluteFilePath());
    }
    return files;
}

QVariant stored(const QString &file, const char *key) {
    return QSettings(file, QSettings::IniFormat).value(key);
}
}  // namespace

class TestUserProfileWidget : public QObject {
    Q_OBJECT
private slots:
    void init();
    void firstSelectionCreatesTheBaseProfile();
    void savingFromDefaultCreatesANamedProfile();
    void pickingWithAPendingChangeAsksFirst();
    void deletingTheLastItemSelectsTheNewLastItem();
    void reloadPutsStoredValuesBackOnTheCamera();
    void lowerCaseStandardProfileIsAnOrdinaryProfile();
    void cancellingTheNameDuringACameraChangeFollowsTheNewCamera();
    void savingUnderTheBaseNameKeepsTheActiveRecordUsable();
};

// Every case starts from an empty data folder and unmodified state.
void TestUserProfileWidget::init() {
    AppGlobals::instance()->setModified(false, false);
    AppGlobals::instance()->setApplyingProfile(false);
    CameraSettings *store = CameraSettings::instance();
    store->loadProfiles("0000", "0000");  // lets the store write and drop every loaded record
    store->clear();
    store->sync();
    const QDir root(CameraSettings::configRootPath());
    for (const QFileInfo &dir : root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
        QDir(dir.absoluteFilePath()).removeRecursively();
}

void TestUserProfileWidget::firstSelectionCreatesTheBaseProfile() {
    Rig rig;
    QCOMPARE(rig.items(), QStringList{"Default"});
    const QMap<QString, QString> files = filesOnDisk(kDocCam);
    QCOMPARE(files.keys(), QStringList{"Standard Profile"});
    QVERIFY(QRegularExpression("^001_\\{[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}\\}\\.ini$")
                .match(QFileInfo(files.first()).fileName())
                .hasMatch());
    QCOMPARE(indexFile().value(kDocCam + "/ProfileCount").toInt(), 1);
    QCOMPARE(cameraBrightness(), 0L);
    QVERIFY(!rig.button("btnSaveProfile")->isEnabled());
    QVERIFY(!rig.button("btnDeleteProfile")->isEnabled());

    // No camera left: the page goes grey and asks nothing, even with a change pending.
    rig.userSetsBrightness(9);
    ModalScript script;
    rig.page.onDeviceSelChanged(QString());
    QVERIFY(!rig.page.isEnabled());
    QCOMPARE(filesOnDisk(kDocCam).size(), 1);
    QCOMPARE(script.unexpected, QStringList());
}

void TestUserProfileWidget::savingFromDefaultCreatesANamedProfile() {
    Rig rig;
    rig.userSetsBrightness(10);
    QVERIFY(rig.button("btnSaveProfile")->isEnabled());
    rig.saveNew("Office", 10);
    QCOMPARE(rig.items(), QStringList({"Default", "Office"}));
    QCOMPARE(rig.profiles->currentText(), QStringLiteral("Office"));
    QCOMPARE(activeOnDisk(kDocCam), QStringLiteral("Office"));
    QVERIFY(!rig.button("btnSaveProfile")->isEnabled());
    QVERIFY(!rig.button("btnReload")->isEnabled());
    QVERIFY(rig.button("btnDeleteProfile")->isEnabled());
    const QString office = filesOnDisk(kDocCam).value("Office");
    QTRY_COMPARE(stored(office, "VideoProcAmp/brightness").toInt(), 10);

    // Saving on Office writes straight into it.
    rig.userSetsBrightness(20);
    ModalScript script;
    rig.button("btnSaveProfile")->click();
    QTRY_COMPARE(stored(office, "VideoProcAmp/brightness").toInt(), 20);
    QCOMPARE(script.seen, QStringList());
    QCOMPARE(script.unexpected, QStringList());
    QCOMPARE(rig.profiles->currentText(), QStringLiteral("Office"));
    QCOMPARE(filesOnDisk(kDocCam).size(), 2);
    QVERIFY(!AppGlobals::instance()->isModified());
}

void TestUserProfileWidget::pickingWithAPendingChangeAsksFirst() {
    Rig rig;
    rig.saveNew("Office", 10);
    rig.profiles->setCurrentIndex(0);
    QCOMPARE(cameraBrightness(), 0L);
    rig.userSetsBrightness(5);

    ModalScript script;
    script.answer(QMessageBox::Yes).cancelName();
    rig.profiles->setCurrentIndex(1);
    QCOMPARE(script.seen, QStringList({kSaveQuestion, "name dialog"}));
    QCOMPARE(rig.profiles->currentText(), QStringLiteral("Default"));
    QVERIFY(AppGlobals::instance()->isModified());
    QCOMPARE(cameraBrightness(), 5L);
    QCOMPARE(activeOnDisk(kDocCam), QStringLiteral("Standard Profile"));
    QCOMPARE(filesOnDisk(kDocCam).size(), 2);
}

void TestUserProfileWidget::deletingTheLastItemSelectsTheNewLastItem() {
    Rig rig;
    rig.saveNew("Night", 7);
    rig.saveNew("Office", 10);
    QCOMPARE(rig.items(), QStringList({"Default", "Night", "Office"}));
    QCOMPARE(rig.profiles->currentIndex(), 2);
    {
        ModalScript script;
        script.answer(QMessageBox::No);
        rig.button("btnDeleteProfile")->click();
        QCOMPARE(script.seen, QStringList{kDeleteQuestion});
        QCOMPARE(filesOnDisk(kDocCam).size(), 3);
    }
    ModalScript script;
    script.answer(QMessageBox::Yes).answer(QMessageBox::Yes);
    rig.button("btnDeleteProfile")->click();
    QCOMPARE(rig.items(), QStringList({"Default", "Night"}));
    QCOMPARE(rig.profiles->currentText(), QStringLiteral("Night"));
    QCOMPARE(filesOnDisk(kDocCam).keys(), QStringList({"Night", "Standard Profile"}));
    QCOMPARE(activeOnDisk(kDocCam), QStringLiteral("Night"));
    QCOMPARE(cameraBrightness(), 7L);

    rig.button("btnDeleteProfile")->click();
    QVERIFY(script.done());
    QCOMPARE(rig.items(), QStringList{"Default"});
    QCOMPARE(activeOnDisk(kDocCam), QStringLiteral("Standard Profile"));
    QCOMPARE(cameraBrightness(), 0L);
    QVERIFY(!rig.button("btnDeleteProfile")->isEnabled());
}

void TestUserProfileWidget::reloadPutsStoredValuesBackOnTheCamera() {
    Rig rig;
    rig.saveNew("Office", 10);
    rig.userSetsBrightness(30);
    QCOMPARE(cameraBrightness(), 30L);
    QVERIFY(rig.button("btnReload")->isEnabled());
    rig.button("btnReload")->click();
    QCOMPARE(cameraBrightness(), 10L);
    QVERIFY(!AppGlobals::instance()->isModified());
    QVERIFY(!rig.button("btnReload")->isEnabled());
}

void TestUserProfileWidget::lowerCaseStandardProfileIsAnOrdinaryProfile() {
    Rig rig;
    rig.saveNew("standard profile", 12);
    QCOMPARE(rig.items(), QStringList({"Default", "standard profile"}));
    QCOMPARE(rig.profiles->currentText(), QStringLiteral("standard profile"));
    QCOMPARE(activeOnDisk(kDocCam), QStringLiteral("standard profile"));
    const QMap<QString, QString> files = filesOnDisk(kDocCam);
    QCOMPARE(files.size(), 2);
    QVERIFY(!stored(files.value("Standard Profile"), "VideoProcAmp/brightness").isValid());
    rig.profiles->setCurrentIndex(0);
    QCOMPARE(cameraBrightness(), 0L);
    rig.profiles->setCurrentIndex(1);
    QCOMPARE(cameraBrightness(), 12L);
}

void TestUserProfileWidget::cancellingTheNameDuringACameraChangeFollowsTheNewCamera() {
    Rig rig;
    rig.userSetsBrightness(10);
    debugLines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepDebugLine);
    {
        ModalScript script;
        script.answer(QMessageBox::Yes).cancelName();
        rig.selectCamera(kWebCam);
        QCOMPARE(script.seen, QStringList({kSaveQuestion, "name dialog"}));
    }
    qInstallMessageHandler(previous);
    QVERIFY(debugLines.contains("canceled"));
    QVERIFY(debugLines.contains("onDeviceSelChanged deviceid: \"1a2b__1f05\""));
    QVERIFY(!AppGlobals::instance()->isModified());
    QCOMPARE(filesOnDisk(kWebCam).keys(), QStringList{"Standard Profile"});
    QCOMPARE(cameraBrightness(), 128L);

    // A later save lands in the new camera's model, not in the one that was left.
    rig.saveNew("Night", 140);
    const QString night = filesOnDisk(kWebCam).value("Night");
    QVERIFY(!night.isEmpty());
    QCOMPARE(stored(night, "pid").toString(), QStringLiteral("1f05"));
    QTRY_COMPARE(stored(night, "VideoProcAmp/brightness").toInt(), 140);
    QCOMPARE(filesOnDisk(kDocCam).keys(), QStringList{"Standard Profile"});
    QCOMPARE(activeOnDisk(kWebCam), QStringLiteral("Night"));
    QCOMPARE(activeOnDisk(kDocCam), QStringLiteral("Standard Profile"));
}

// Saving from "Default" under the base profile's own name rereads the list without applying
// anything; the page must still know its active record afterwards.
void TestUserProfileWidget::savingUnderTheBaseNameKeepsTheActiveRecordUsable() {
    Rig rig;
    rig.saveNew("Standard Profile", 10);
    QCOMPARE(rig.items(), QStringList{"Default"});
    QTRY_COMPARE(
        stored(filesOnDisk(kDocCam).value("Standard Profile"), "VideoProcAmp/brightness").toInt(),
        10);

    rig.userSetsBrightness(20);
    ModalScript script;
    script.answer(QMessageBox::Yes).typeName("Evening");
    rig.selectCamera(kWebCam);
    QCOMPARE(script.seen, QStringList({kSaveQuestion, "name dialog"}));
    const QString evening = filesOnDisk(kDocCam).value("Evening");
    QVERIFY(!evening.isEmpty());
    QCOMPARE(stored(evening, "VideoProcAmp/brightness").toInt(), 20);
}

int main(int argc, char **argv) {
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
    QApplication app(argc, argv);
    TestUserProfileWidget test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_userprofilewidget.moc"
