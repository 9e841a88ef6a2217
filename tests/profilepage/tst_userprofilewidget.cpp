#include <QtTest>
#include <QtWidgets>

#include "AdjustmentWidget.h"
#include "AppGlobals.h"
#include "CameraDeviceManager.h"
#include "CameraSettings.h"
#include "DebugCapture.h"
#include "FileSizeLimit.h"
#include "FreshDataMain.h"
#include "LoginStart.h"
#include "ModalScript.h"
#include "UserProfileWidget.h"

static const QString kDocCam = "1a2b__3c4d";  // brightness default 0
static const QString kWebCam = "1a2b__1f05";  // brightness default 128
static const QString kSaveQuestion = "Do you want to save changes to the profile? [default Yes]";
static const QString kDeleteQuestion = "Do you want to delete the profile? [default No]";

static QString activeOnDisk(const QString &model) {
    QSettings index(CameraSettings::settingsFilePath(), QSettings::IniFormat);
    return index.value(model + "/ActiveProfile", "Standard Profile").toString();
}

// The profile page beside the Basic page, wired the way the main window wires them.
struct Rig {
    AdjustmentWidget adjustment;
    UserProfileWidget page;
    QComboBox *profiles = page.findChild<QComboBox *>("cbbProfiles");

    using A = AdjustmentWidget;
    using P = UserProfileWidget;

    Rig() {
        QObject::connect(&adjustment, &A::deviceSelChanged, &page, &P::onDeviceSelChanged);
        QObject::connect(&page, &P::profileSelChanged, &adjustment, &A::onProfileSelChanged);
        QObject::connect(&page, &P::profileNeedToSave, &adjustment, &A::onProfileNeetToSave);
        QObject::connect(AppGlobals::instance(), &AppGlobals::modifyStateChanged, &page,
                         &P::onShow);
        adjustment.refreshDeviceList(QString());
        page.onShow();
    }
    bool enabled(const char *button) { return page.findChild<QWidget *>(button)->isEnabled(); }
    void click(const char *button) { page.findChild<QPushButton *>(button)->click(); }
    QString items() const {
        QStringList texts;
        for (int i = 0; i < profiles->count(); ++i)
            texts << profiles->itemText(i);
        return texts.join(", ");
    }
    // The list, its current entry and the model's active profile on disk.
    QString state(const QString &model = kDocCam) const {
        return items() + " / " + profiles->currentText() + " / " + activeOnDisk(model);
    }
    void userSetsBrightness(int v) { adjustment.findChild<QSlider *>("slBrightness")->setValue(v); }
    void selectCamera(const QString &key) {
        auto *devices = adjustment.findChild<QComboBox *>("cbbDevices");
        devices->setCurrentIndex(devices->findData(key));
    }
    void saveNew(const QString &name, int brightness) {
        profiles->setCurrentIndex(0);
        userSetsBrightness(brightness);
        ModalScript script;
        script.typeName(name);
        click("btnSaveProfile");
        QCOMPARE(script.seen, QStringList{"name dialog"});
    }
};

static long cameraBrightness() {
    PropertyInfo info;
    CameraDeviceManager::instance()->getProperty(info);  // id 0 is brightness
    return info.value;
}

static QMap<QString, QString> filesOnDisk(const QString &model) {
    QMap<QString, QString> files;
    const QDir dir(QDir(CameraSettings::configRootPath()).filePath(model));
    for (const QFileInfo &info : dir.entryInfoList({"*.ini"}, QDir::Files))
        files.insert(
            QSettings(info.filePath(), QSettings::IniFormat).value("profilename").toString(),
            info.filePath());
    return files;
}

static QVariant stored(const QString &model, const QString &profile, const char *key) {
    return QSettings(filesOnDisk(model).value(profile), QSettings::IniFormat).value(key);
}

class TestUserProfileWidget : public QObject {
    Q_OBJECT
private slots:
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

    // Off until chosen; the box writes and removes the login entry and shows what is stored.
    void loadAtStartIsTheLoginEntry() {
        const QString entry = LoginStart::entryPath();
        UserProfileWidget page;
        auto *box = page.findChild<QCheckBox *>("ckbLoadAtStart");
        QVERIFY(box->isVisibleTo(&page) && !box->isChecked());
        box->click();
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString self = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
        QVERIFY(file.readAll().contains("\nExec=\"" + self.toUtf8() + "\" -startup\n"));
        QVERIFY(UserProfileWidget().findChild<QCheckBox *>("ckbLoadAtStart")->isChecked());
        box->click();
        QVERIFY(!QFile::exists(entry));
        // A folder in the entry's place: nothing is stored, and the box stays off.
        QVERIFY(QDir().mkpath(entry));
        box->click();
        QVERIFY(!box->isChecked());
        QVERIFY(QDir(entry).removeRecursively());
    }

    void firstSelectionCreatesTheBaseProfileThenSavingFromDefaultANamedOne() {
        Rig rig;
        QCOMPARE(filesOnDisk(kDocCam).keys(), QStringList{"Standard Profile"});
        QCOMPARE(cameraBrightness(), 0L);

        rig.saveNew("Office", 10);
        QCOMPARE(rig.state(), "Default, Office / Office / Office");
        QVERIFY(!rig.enabled("btnSaveProfile") && !rig.enabled("btnReload"));
        QTRY_COMPARE(stored(kDocCam, "Office", "VideoProcAmp/brightness").toInt(), 10);

        rig.userSetsBrightness(20);
        {
            const FileSizeLimit nothingWritten(1);
            ModalScript script;
            script.answer(QMessageBox::Ok);
            rig.click("btnSaveProfile");
            QCOMPARE(script.seen, QStringList{"The profile could not be saved. [default none]"});
        }
        QVERIFY(AppGlobals::instance()->isModified() && rig.enabled("btnSaveProfile"));
        QCOMPARE(stored(kDocCam, "Office", "VideoProcAmp/brightness").toInt(), 10);
        ModalScript script;  // saving on Office asks nothing
        rig.click("btnSaveProfile");
        QTRY_COMPARE(stored(kDocCam, "Office", "VideoProcAmp/brightness").toInt(), 20);
        QCOMPARE(script.seen, QStringList());
        QCOMPARE(filesOnDisk(kDocCam).size(), 2);

        rig.userSetsBrightness(30);
        rig.click("btnReload");  // puts the stored values back on the camera
        QCOMPARE(cameraBrightness(), 20L);
        QVERIFY(!AppGlobals::instance()->isModified() && !rig.enabled("btnReload"));

        // A camera change lands on "Default", where nothing can be deleted.
        QVERIFY(rig.enabled("btnDeleteProfile"));
        rig.selectCamera(kWebCam);
        QVERIFY(rig.profiles->currentText() == "Default" && !rig.enabled("btnDeleteProfile"));
    }

    // A taken name is not replaced unasked; No goes back to the name as typed.
    void pickingWithAPendingChangeAsksFirst() {
        Rig rig;
        rig.saveNew("Office", 10);
        rig.profiles->setCurrentIndex(0);
        rig.userSetsBrightness(5);
        ModalScript script;
        script.answer(QMessageBox::Yes).typeName("Office").answer(QMessageBox::No);
        script.typeName(QString()).answer(QMessageBox::No).cancelName();
        rig.profiles->setCurrentIndex(1);
        const QString replace = "A profile named Office already exists. Replace it? [default No]";
        QCOMPARE(script.seen, QStringList({kSaveQuestion, "name dialog", replace, "name dialog",
                                           replace, "name dialog"}));
        QCOMPARE(rig.state(), "Default, Office / Default / Standard Profile");
        QVERIFY(AppGlobals::instance()->isModified() && cameraBrightness() == 5);  // kept pending
    }

    void deletingTheLastItemSelectsTheNewLastItem() {
        Rig rig;
        rig.saveNew("Office", 10);
        rig.saveNew("Studio", 12);
        ModalScript script;
        script.answer(QMessageBox::Yes).answer(QMessageBox::Yes);
        rig.click("btnDeleteProfile");
        QCOMPARE(rig.state(), "Default, Office / Office / Office");
        QCOMPARE(filesOnDisk(kDocCam).keys(), QStringList({"Office", "Standard Profile"}));
        QCOMPARE(cameraBrightness(), 10L);
        rig.click("btnDeleteProfile");
        QCOMPARE(script.seen, QStringList({kDeleteQuestion, kDeleteQuestion}));
        QCOMPARE(rig.state(), "Default / Default / Standard Profile");
    }

    // The change is dropped and the page follows the camera, so a later save lands in the new
    // camera's model and not in the one that was left.
    void cancellingTheNameDuringACameraChangeFollowsTheNewCamera() {
        Rig rig;
        rig.userSetsBrightness(10);
        DebugCapture log;
        ModalScript script;
        script.answer(QMessageBox::Yes).cancelName();
        rig.selectCamera(kWebCam);
        QCOMPARE(script.seen, QStringList({kSaveQuestion, "name dialog"}));
        QVERIFY(log.lines().contains("canceled"));
        QVERIFY(!AppGlobals::instance()->isModified() && cameraBrightness() == 128);  // dropped

        rig.saveNew("Night", 140);
        QCOMPARE(stored(kWebCam, "Night", "pid").toString(), QStringLiteral("1f05"));
        QTRY_COMPARE(stored(kWebCam, "Night", "VideoProcAmp/brightness").toInt(), 140);
        QCOMPARE(filesOnDisk(kDocCam).keys(), QStringList{"Standard Profile"});
        QCOMPARE(rig.state(kWebCam), "Default, Night / Night / Night");
    }

    // A file from elsewhere without a name, or with a name of the base profile, is a profile of
    // its own: listed apart from "Default", applied, saved and deleted as itself.
    void aStoredFileWithoutAUsableNameIsAProfileOfItsOwn_data() {
        QTest::addColumn<QString>("nameLine");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("savedName");
        QTest::newRow("no name") << ""
                                 << "(unnamed profile)" << QString();
        QTest::newRow("Default") << "profilename=Default\n"
                                 << "Default (own profile)"
                                 << "Default (own profile)";
    }
    void aStoredFileWithoutAUsableNameIsAProfileOfItsOwn() {
        QFETCH(QString, nameLine);
        QFETCH(QString, listed);
        QFETCH(QString, savedName);
        delete new Rig;  // creates the base profile
        const QString base = filesOnDisk(kDocCam).value("Standard Profile");
        QFile file(QFileInfo(base).dir().filePath("002_x.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QString("[General]\n" + nameLine + "[VideoProcAmp]\nbrightness=37\n").toUtf8());
        file.close();

        Rig rig;
        QCOMPARE(rig.items(), "Default, " + listed);
        rig.profiles->setCurrentIndex(1);
        QCOMPARE(cameraBrightness(), 37L);
        rig.userSetsBrightness(30);
        rig.click("btnSaveProfile");
        QTRY_COMPARE(stored(kDocCam, savedName, "VideoProcAmp/brightness").toInt(), 30);
        QVERIFY(!stored(kDocCam, "Standard Profile", "VideoProcAmp/brightness").isValid());

        ModalScript script;
        script.answer(QMessageBox::Yes);
        rig.click("btnDeleteProfile");
        QVERIFY(!file.exists() && QFile::exists(base));
        QCOMPARE(rig.items(), "Default");
    }
};

TINTWELL_TEST_MAIN_WITH_FRESH_DATA(TestUserProfileWidget)

#include "tst_userprofilewidget.moc"
