// The Advanced page against simulated cameras: what reaches the camera, what the controls show,
// what a save stores, and that a profile dropped by the store is never read again.

#include <QtTest>
#include <QtWidgets>
#include <functional>
#include <memory>
#include <optional>

#include "AdvancedWidget.h"
#include "AppGlobals.h"
#include "CameraDeviceManager.h"
#include "CameraListFile.h"
#include "CameraSetting.h"
#include "CameraSettings.h"
#include "DebugCapture.h"
#include "FormChild.h"
#include "FreshDataMain.h"
#include "SimulatedBackend.h"

namespace {

CameraDeviceManager *cam() {
    return CameraDeviceManager::instance();
}

PropertyInfo control(long id) {
    PropertyInfo info;
    info.id = id;
    cam()->getCameraControlInfo(info);
    return info;
}

PropertyInfo whiteBalance() {
    PropertyInfo info;
    info.id = VideoProcAmp_WhiteBalance;
    cam()->getProperty(info);
    return info;
}

long cameraPowerLine() {
    bool ok = true;
    return cam()->getPowerLineFrequency(&ok);
}

void useCameras(const QString &jsonPath, const QString &vid, const QString &pid) {
    cam()->setBackend(createSimulatedBackend(jsonPath));
    cam()->enumerateDevices();
    cam()->selectByVidPid(vid, pid);
}

}  // namespace

class TestAdvancedWidget : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::optional<DebugCapture> m_log;
    std::unique_ptr<AdvancedWidget> m_page;
    int m_profiles = 0;

    template <typename T>
    T *w(const char *name) {
        return formChild<T>(m_page.get(), name);
    }
    bool shown(const char *name) { return w<QWidget>(name)->isVisible(); }
    bool usable(const char *name) { return w<QWidget>(name)->isEnabled(); }
    bool checked(const char *name) { return w<QRadioButton>(name)->isChecked(); }
    // Manual: slider shown, plus and minus usable. Automatic: none of them.
    bool manual(const char *slider, const char *plus, const char *minus) {
        return shown(slider) && usable(plus) && usable(minus);
    }
    bool automatic(const char *slider, const char *plus, const char *minus) {
        return !shown(slider) && !usable(plus) && !usable(minus);
    }

    // A profile file of its own, filled by `fill`.
    std::unique_ptr<CameraSetting> profile(
        const std::function<void(CameraSetting &)> &fill = nullptr) {
        auto setting =
            std::make_unique<CameraSetting>(m_dir.filePath(QString("p%1.ini").arg(++m_profiles)));
        if (fill)
            fill(*setting);
        return setting;
    }

    // As the profile page applies a record.
    void apply(CameraSetting *setting) {
        AppGlobals::instance()->setApplyingProfile(true);
        m_page->onProfileSelChanged(setting);
        AppGlobals::instance()->setApplyingProfile(false);
    }

    void selectCamera(const QString &key) {
        m_page->onDeviceSelChanged(key);
        m_log->clear();
    }

    // One document camera with focus only; `powerLine` empty means no property set interface.
    static QJsonObject documentCamera(const QJsonObject &powerLine) {
        QJsonObject focus{{"min", 0}, {"max", 1023}, {"default", 300}, {"caps", 3}, {"flags", 1}};
        QJsonObject camera{{"path", usbCameraPath("1a2b", "3c4d", "1")},
                           {"friendlyName", "Velt DocCam V4"},
                           {"cameraControl", QJsonObject{{"6", focus}}}};
        if (!powerLine.isEmpty())
            camera.insert("powerLine", powerLine);
        return camera;
    }

private slots:
    void initTestCase() { m_log.emplace(); }

    void init() {
        useCameras(QString(), "1a2b", "3c4d");
        AppGlobals::instance()->setModified(false, false);
        m_page = std::make_unique<AdvancedWidget>();
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        selectCamera("1a2b__3c4d");
    }

    void focusManualShowsSliderAndWritesManualValue() {
        auto setting = profile([](CameraSetting &s) { s.setFocus(420, true); });
        apply(setting.get());
        QCOMPARE(control(CameraControl_Focus).flags, 1L);
        QVERIFY(automatic("slFocus", "btnAddFocus", "btnSubFocus"));
        QCOMPARE(w<QLineEdit>("txtFocus")->text(), QString("420"));

        m_log->clear();
        w<QRadioButton>("rbtnFocusManual")->click();
        QVERIFY(manual("slFocus", "btnAddFocus", "btnSubFocus"));
        QCOMPARE(control(CameraControl_Focus).flags, 2L);
        QCOMPARE(control(CameraControl_Focus).value, 420L);
        QCOMPARE(m_log->count("successfully set cc value: 420", "property type: 6"), 2);

        w<QToolButton>("btnAddFocus")->click();
        QCOMPARE(control(CameraControl_Focus).value, 421L);
        w<QRadioButton>("rbtnFocusAuto")->click();
        QVERIFY(automatic("slFocus", "btnAddFocus", "btnSubFocus"));
        QCOMPARE(control(CameraControl_Focus).flags, 1L);
    }

    void exposureAndWhiteBalanceModes() {
        auto setting = profile([](CameraSetting &s) {
            s.setExposure(-9, false);
            s.setWhiteBalance(5000, false);
        });
        apply(setting.get());
        QCOMPARE(control(CameraControl_Exposure).value, -9L);
        QCOMPARE(control(CameraControl_Exposure).flags, 2L);
        QCOMPARE(whiteBalance().flags, 3L);
        QVERIFY(manual("slExposure", "btnAddExposure", "btnSubExposure"));

        w<QRadioButton>("rbtnExposureAuto")->click();
        w<QRadioButton>("rbtnWBAuto")->click();
        QCOMPARE(control(CameraControl_Exposure).flags, 1L);
        QCOMPARE(whiteBalance().flags, 1L);
        QVERIFY(automatic("slExposure", "btnAddExposure", "btnSubExposure"));
        QVERIFY(automatic("slWhiteBalance", "btnAddWB", "btnSubWB"));
        QCOMPARE(AppGlobals::instance()->isModified(), true);

        // A slider move is a manual value whatever the buttons show.
        m_log->clear();
        w<QSlider>("slWhiteBalance")->setValue(5100);
        QCOMPARE(whiteBalance().flags, 3L);
        QCOMPARE(whiteBalance().value, 5100L);
        QCOMPARE(m_log->count("Slider value changed"), 1);
    }

    void powerLineChoiceReachesCamera_data() {
        QTest::addColumn<long>("stored");
        QTest::addColumn<QString>("button");
        QTest::addColumn<long>("written");
        QTest::newRow("disabled") << 0L << "rbtnPLDisabled" << 0L;
        QTest::newRow("50 Hz") << 1L << "rbtnPL50" << 1L;
        QTest::newRow("60 Hz") << 2L << "rbtnPL60" << 2L;
        QTest::newRow("auto") << 3L << "rbtnPLAuto" << 3L;
        QTest::newRow("out of range") << 7L << "rbtnPLAuto" << 3L;
    }

    void powerLineChoiceReachesCamera() {
        QFETCH(long, stored);
        QFETCH(QString, button);
        QFETCH(long, written);
        auto setting = profile([&](CameraSetting &s) { s.setPowerLineFrequency(stored, true); });
        cam()->setPowerLineFrequency(written == 1 ? 0 : 1);
        apply(setting.get());
        QVERIFY(checked(button.toLatin1().constData()));
        QCOMPARE(cameraPowerLine(), written);

        // Loaded again with the button already checked: the camera still gets the value.
        cam()->setPowerLineFrequency(written == 1 ? 0 : 1);
        apply(setting.get());
        QCOMPARE(cameraPowerLine(), written);
        QCOMPARE(AppGlobals::instance()->isModified(), false);
    }

    void disabledPanRowStillFollowsItsSlider() {
        auto setting = profile([](CameraSetting &s) { s.setPan(20, false); });
        apply(setting.get());
        QVERIFY(!usable("slPan") && !usable("btnAddPan") && !usable("btnSubPan"));
        QCOMPARE(control(CameraControl_Pan).value, 20L);  // through the row handler
        QCOMPARE(m_log->count("current Active, pan: ", " 20"), 1);

        cam()->setPan(5);  // the slider already shows 20: nothing is written directly
        apply(setting.get());
        QCOMPARE(control(CameraControl_Pan).value, 5L);

        auto other = profile();
        apply(other.get());  // the camera's own default, row usable again
        QVERIFY(usable("slPan"));
        QCOMPARE(control(CameraControl_Pan).value, 0L);
    }

    void saveStoresControls() {
        auto stored = profile();
        m_page->onProfileNeetToSave(stored.get());  // nothing loaded, nothing checked
        bool enabled = false;
        QCOMPARE(stored->powerLineFrequency(&enabled), 3L);
        QVERIFY(enabled);

        auto setting = profile([](CameraSetting &s) {
            s.setPowerLineFrequency(1, true);
            s.setLowLightCompensation(true);
            s.setFocus(500, false);
            s.setZoom(250, true);
            s.setTilt(-30, false);
            s.setExposure(-4, true);
        });
        apply(setting.get());
        w<QToolButton>("btnSubZoom")->click();
        auto saved = profile();
        m_page->onProfileNeetToSave(saved.get());
        bool f[5];
        QCOMPARE((QList<long>{saved->powerLineFrequency(&f[0]), saved->focus(&f[1]),
                              saved->zoom(&f[2]), saved->tilt(&f[3]), saved->exposure(&f[4])}),
                 (QList<long>{1, 500, 249, -30, -4}));
        QCOMPARE((QList<bool>{f[0], f[1], f[2], f[3], f[4], saved->lowLightCompensation()}),
                 (QList<bool>{true, false, true, false, true, true}));
        QCOMPARE(control(CameraControl_Zoom).value, 249L);
        QCOMPARE(control(KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY).value, 1L);
    }

    void builtInWebCamWithoutPanTiltRollZoom() {
        useCameras(QString(), "1a2b", "1f05");
        selectCamera("1a2b__1f05");
        auto setting = profile();
        apply(setting.get());
        for (const char *name : {"slZoom", "slPan", "slTilt", "slRoll"})
            QVERIFY2(!usable(name), name);
        QVERIFY(usable("slFocus"));
        QCOMPARE(w<QSlider>("slFocus")->maximum(), 250);
        QVERIFY(checked("rbtnLLCOff"));
        QVERIFY(checked("rbtnPL60"));
        QCOMPARE(cameraPowerLine(), 2L);
    }

    void powerLineButtonsFollowTheCameraInterface_data() {
        QTest::addColumn<QJsonObject>("powerLine");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("no property interface") << QJsonObject() << true;
        QTest::newRow("read refused")
            << QJsonObject{{"value", 1}, {"flags", 0}, {"getFails", true}} << false;
    }

    void powerLineButtonsFollowTheCameraInterface() {
        QFETCH(QJsonObject, powerLine);
        QFETCH(bool, enabled);
        auto before = profile([](CameraSetting &s) { s.setPowerLineFrequency(1, true); });
        apply(before.get());  // leaves rbtnPL50 checked from the previous camera

        const CameraListFile file(m_dir.filePath(QString("cams%1.json").arg(++m_profiles)));
        QVERIFY(file.write({documentCamera(powerLine)}));
        useCameras(file.path(), "1a2b", "3c4d");
        selectCamera("1a2b__3c4d");
        auto setting = profile();
        apply(setting.get());
        QCOMPARE(usable("rbtnPLAuto"), enabled);
        QCOMPARE(usable("rbtnPL50"), enabled);
        QCOMPARE(checked("rbtnPL60"), enabled);
        QVERIFY(!checked("rbtnPL50"));
        QCOMPARE(m_log->count("set powerline freq"), 0);  // a refused read writes nothing

        auto saved = profile();
        m_page->onProfileNeetToSave(saved.get());
        bool flag = !enabled;
        QCOMPARE(saved->powerLineFrequency(&flag), enabled ? 2L : 3L);
        QCOMPARE(flag, enabled);
    }

    void pageFollowsDeviceSelection() {
        m_page.reset(new AdvancedWidget);
        QCOMPARE(m_log->count("==========advanced===========control font is: \""), 1);
        m_page->onDeviceSelChanged(QString());
        QVERIFY(!m_page->isEnabled());
        m_page->onDeviceSelChanged("1a2b__3c4d");
        QVERIFY(m_page->isEnabled());
    }

    void refreshFromProfile() {
        m_page->refreshFromProfile();  // nothing loaded yet
        QCOMPARE(w<QSlider>("slZoom")->value(), 0);
        QCOMPARE(m_log->lines().size(), 0);

        auto setting = profile([](CameraSetting &s) {
            s.setZoom(300, true);
            s.setFocus(700, false);
        });
        apply(setting.get());
        w<QSlider>("slZoom")->setValue(310);
        w<QSlider>("slFocus")->setValue(710);
        m_page->refreshFromProfile();
        QCOMPARE(control(CameraControl_Zoom).value, 300L);
        QCOMPARE(w<QLineEdit>("txtZoom")->text(), QString("300"));
        QCOMPARE(w<QSlider>("slFocus")->value(), 700);
        QCOMPARE(control(CameraControl_Focus).value, 710L);  // focus is shown, not written

        m_page->onProfileSelChanged(nullptr);  // no record: nothing to read
        m_page->onProfileNeetToSave(nullptr);
        // The store replaces its records: the page forgets the one it held.
        CameraSettings *store = CameraSettings::instance();
        store->loadProfiles("1a2b", "3c4d");
        CameraSetting *record = store->findOrCreateProfile("1a2b", "3c4d", "Office");
        record->setZoom(200, true);
        apply(record);
        w<QSlider>("slZoom")->setValue(210);
        store->loadProfiles("1a2b", "3c4d");
        m_log->clear();
        m_page->refreshFromProfile();
        QCOMPARE(w<QSlider>("slZoom")->value(), 210);
        QCOMPARE(m_log->lines().size(), 0);
    }
};

TINTWELL_TEST_MAIN_WITH_FRESH_DATA(TestAdvancedWidget)

#include "tst_advancedwidget.moc"
