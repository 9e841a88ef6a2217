#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include "AdjustmentWidget.h"
#include "AppGlobals.h"
#include "CameraDeviceManager.h"
#include "CameraSettings.h"
#include "DebugCapture.h"
#include "FreshDataMain.h"
#include "ModalScript.h"
#include "UserProfileWidget.h"

namespace {
const QString kDocCam = "1a2b__3c4d";  // brightness default 0
const QString kWebCam = "1a2b__1f05";  // brightness default 128
const QString kSaveQuestion = "Do you want to save changes to the profile? [default Yes]";
const QString kDeleteQuestion = "Do you want to delete the profile? [default No]";

// The profile page beside the Basic page, wired the way the main window wires them.
struct Rig {
    AdjustmentWidget adjustment;
    UserProfileWidget page;
    QComboBox *profiles = page.findChild<QComboBox *>("cbbProfiles");

    Rig() {
        QObject::connect(&adjustment, &AdjustmentWidget::deviceSelChanged, &page,
                         &UserProfileWidget::onDeviceSelChanged);
        QObject::connect(&page, &UserProfileWidget::profileSelChanged, &adjustment,
                         &AdjustmentWidget::onProfileSelChanged);
        QObject::connect(&page, &UserProfileWidget::profileNeedToSave, &adjustment,
                         &AdjustmentWidget::onProfileNeetToSave);
        QObject::connect(AppGlobals::instance(), &AppGlobals::modifyStateChanged, &page,
                         &UserProfileWidget::onShow);
        adjustment.refreshDeviceList(QString());
        page.onShow();
    }
    bool enabled(const char *button) { return page.findChild<QWidget *>(button)->isEnabled(); }
    void click(const char *button) { page.findChild<QPushButton *>(button)->click(); }
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
    // From "Default": a brightness change saved under a new name.
    void saveNew(const QString &name, int brightness) {
        profiles->setCurrentIndex(0);
        userSetsBrightness(brightness);
        ModalScript script;
        script.typeName(name);
        click("btnSaveProfile");
        QCOMPARE(script.seen, QStringList{"name dialog"});
    }
};

long cameraBrightness() {
    PropertyInfo info;
    CameraDeviceManager::instance()->getProperty(info);  // id 0 is brightness
    return info.value;
}

QString activeOnDisk(const QString &model) {
    return QSettings(CameraSettings::settingsFilePath(), QSettings::IniFormat)
        .value(model + "/ActiveProfile", "Standard Profile")
        .toString();
}

// Profile name -> file, read afresh from the model's folder.
QMap<QString, QString> filesOnDisk(const QString &model) {
    QMap<QString, QString> files;
    const QDir dir(QDir(CameraSettings::configRootPath()).filePath(model));
    for (const QFileInfo &info : dir.entryInfoList({"*.ini"}, QDir::Files))
        files.insert(
            QSettings(info.filePath(), QSettings::IniFormat).value("profilename").toString(),
            info.fileName());
    return files;
}

QVariant stored(const QString &model, const QString &profile, const char *key) {
    const QString dir = QDir(CameraSettings::configRootPath()).filePath(model);
    return QSettings(dir + "/" + filesOnDisk(model).value(profile), QSettings::IniFormat)
        .value(key);
}
}  // namespace

class TestUserProfileWidget : public QObject {
    Q_OBJECT
private slots:
    // Every case starts unmodified, from an empty data folder.
    void init() {
        AppGlobals::instance()->setModified(false, false);
        CameraSettings *store = CameraSettings::instance();
        store->loadProfiles("0000", "0000");  // the store writes and drops every loaded record
        store->clear();
        store->sync();
        const QDir root(CameraSettings::configRootPath());
        for (const QFileInfo &dir : root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
            QDir(dir.filePath()).removeRecursively();
    }

    void firstSelectionCreatesTheBaseProfile() {
        Rig rig;
        QCOMPARE(rig.items(), QStringList{"Default"});
        QCOMPARE(filesOnDisk(kDocCam).keys(), QStringList{"Standard Profile"});
        QVERIFY(QRegularExpression("^001_\\{[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}\\}\\.ini$")
                    .match(filesOnDisk(kDocCam).first())
                    .hasMatch());
        QCOMPARE(cameraBrightness(), 0L);
    }

    void savingFromDefaultCreatesANamedProfile() {
        Rig rig;
        rig.saveNew("Office", 10);
        QCOMPARE(rig.items(), QStringList({"Default", "Office"}));
        QCOMPARE(rig.profiles->currentText(), QStringLiteral("Office"));
        QCOMPARE(activeOnDisk(kDocCam), QStringLiteral("Office"));
        QVERIFY(!rig.enabled("btnSaveProfile") && !rig.enabled("btnReload"));
        QTRY_COMPARE(stored(kDocCam, "Office", "VideoProcAmp/brightness").toInt(), 10);

        rig.userSetsBrightness(20);
        ModalScript script;  // saving on Office asks nothing
        rig.click("btnSaveProfile");
        QTRY_COMPARE(stored(kDocCam, "Office", "VideoProcAmp/brightness").toInt(), 20);
        QCOMPARE(script.seen, QStringList());
        QCOMPARE(rig.profiles->currentText(), QStringLiteral("Office"));
        QCOMPARE(filesOnDisk(kDocCam).size(), 2);
    }

    void pickingWithAPendingChangeAsksFirst() {
        Rig rig;
        rig.saveNew("Office", 10);
        rig.profiles->setCurrentIndex(0);
        rig.userSetsBrightness(5);
        ModalScript script;
        script.answer(QMessageBox::Yes).cancelName();
        rig.profiles->setCurrentIndex(1);
        QCOMPARE(script.seen, QStringList({kSaveQuestion, "name dialog"}));
        QCOMPARE(rig.profiles->currentText(), QStringLiteral("Default"));
        QVERIFY(AppGlobals::instance()->isModified());
        QCOMPARE(cameraBrightness(), 5L);
        QCOMPARE(activeOnDisk(kDocCam), QStringLiteral("Standard Profile"));
    }

    // "standard profile" in lower case is an ordinary profile, listed last here.
    void deletingTheLastItemSelectsTheNewLastItem() {
        Rig rig;
        rig.saveNew("Office", 10);
        rig.saveNew("standard profile", 12);
        QCOMPARE(rig.items(), QStringList({"Default", "Office", "standard profile"}));
        QCOMPARE(activeOnDisk(kDocCam), QStringLiteral("standard profile"));
        QCOMPARE(cameraBrightness(), 12L);
        ModalScript script;
        script.answer(QMessageBox::Yes).answer(QMessageBox::Yes);
        rig.click("btnDeleteProfile");
        QCOMPARE(rig.profiles->currentText(), QStringLiteral("Office"));
        QCOMPARE(filesOnDisk(kDocCam).keys(), QStringList({"Office", "Standard Profile"}));
        QCOMPARE(activeOnDisk(kDocCam), QStringLiteral("Office"));
        QCOMPARE(cameraBrightness(), 10L);
        rig.click("btnDeleteProfile");
        QCOMPARE(script.seen, QStringList({kDeleteQuestion, kDeleteQuestion}));
        QCOMPARE(rig.items(), QStringList{"Default"});
        QCOMPARE(activeOnDisk(kDocCam), QStringLiteral("Standard Profile"));
        QCOMPARE(cameraBrightness(), 0L);
    }

    void reloadPutsStoredValuesBackOnTheCamera() {
        Rig rig;
        rig.saveNew("Office", 10);
        rig.userSetsBrightness(30);
        QVERIFY(rig.enabled("btnReload"));
        rig.click("btnReload");
        QCOMPARE(cameraBrightness(), 10L);
        QVERIFY(!AppGlobals::instance()->isModified() && !rig.enabled("btnReload"));
    }

    // The change is dropped and the page follows the camera, so a later save lands in the new
    // camera's model and not in the one that was left.
    void cancellingTheNameDuringACameraChangeFollowsTheNewCamera() {
        Rig rig;
        rig.userSetsBrightness(10);
        QStringList debugLines;
        {
            DebugCapture log;
            ModalScript script;
            script.answer(QMessageBox::Yes).cancelName();
            rig.selectCamera(kWebCam);
            debugLines = log.lines();
            QCOMPARE(script.seen, QStringList({kSaveQuestion, "name dialog"}));
        }
        QVERIFY(debugLines.contains("canceled"));
        QVERIFY(debugLines.contains("onDeviceSelChanged deviceid: \"1a2b__1f05\""));
        QVERIFY(!AppGlobals::instance()->isModified());
        QCOMPARE(cameraBrightness(), 128L);

        rig.saveNew("Night", 140);
        QCOMPARE(stored(kWebCam, "Night", "pid").toString(), QStringLiteral("1f05"));
        QTRY_COMPARE(stored(kWebCam, "Night", "VideoProcAmp/brightness").toInt(), 140);
        QCOMPARE(filesOnDisk(kDocCam).keys(), QStringList{"Standard Profile"});
        QCOMPARE(activeOnDisk(kWebCam), QStringLiteral("Night"));
    }

    void aCameraChangeToDefaultLeavesDeleteUnusable() {
        Rig rig;
        rig.saveNew("Office", 10);
        QVERIFY(rig.enabled("btnDeleteProfile"));
        rig.selectCamera(kWebCam);
        QCOMPARE(rig.profiles->currentText(), QStringLiteral("Default"));
        QVERIFY(!rig.enabled("btnDeleteProfile"));
    }

    // Saving from "Default" under the base profile's own name rereads the list without applying
    // anything; the page must still know which record is active when the camera changes.
    void savingUnderTheBaseNameKeepsTheActiveRecordUsable() {
        Rig rig;
        rig.saveNew("Standard Profile", 10);
        QCOMPARE(rig.items(), QStringList{"Default"});
        QTRY_COMPARE(stored(kDocCam, "Standard Profile", "VideoProcAmp/brightness").toInt(), 10);
        rig.userSetsBrightness(20);
        ModalScript script;
        script.answer(QMessageBox::Yes).typeName("Evening");
        rig.selectCamera(kWebCam);
        QCOMPARE(script.seen, QStringList({kSaveQuestion, "name dialog"}));
        QCOMPARE(stored(kDocCam, "Evening", "VideoProcAmp/brightness").toInt(), 20);
    }
};

TINTWELL_TEST_MAIN_WITH_FRESH_DATA(TestUserProfileWidget)

#include "tst_userprofilewidget.moc"
