#include <QtTest>
#include <QtWidgets>
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

class TestAdvancedWidget : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::optional<DebugCapture> m_log;
    std::unique_ptr<AdvancedWidget> m_page;
    int m_files = 0;

    static CameraDeviceManager *cam() { return CameraDeviceManager::instance(); }
    static PropertyInfo control(long id, bool procAmp = false) {
        PropertyInfo info{id};
        procAmp ? cam()->getProperty(info) : cam()->getCameraControlInfo(info);
        return info;
    }
    static PropertyInfo whiteBalance() { return control(VideoProcAmp_WhiteBalance, true); }
    static long cameraPowerLine(bool ok = true) { return cam()->getPowerLineFrequency(&ok); }
    void useCameras(const QString &jsonPath, const QString &pid) {
        cam()->setBackend(createSimulatedBackend(jsonPath));
        cam()->enumerateDevices();
        cam()->selectByVidPid("1a2b", pid);
        m_page->onDeviceSelChanged("1a2b__" + pid);
        m_log->clear();
    }

    template <typename T>
    T *w(const QByteArray &name) {
        return formChild<T>(m_page.get(), name.constData());
    }
    bool usable(const QByteArray &name) { return w<QWidget>(name)->isEnabled(); }
    bool checked(const QByteArray &name) { return w<QRadioButton>(name)->isChecked(); }
    QString mode(const QByteArray &slider, const QByteArray &buttons) {
        const bool s = w<QWidget>(slider)->isVisible(), p = usable("btnAdd" + buttons),
                   m = usable("btnSub" + buttons);
        return s && p && m ? "manual" : !s && !p && !m ? "auto" : "mixed";
    }
    std::unique_ptr<CameraSetting> profile() {
        return std::make_unique<CameraSetting>(m_dir.filePath(QString("p%1.ini").arg(++m_files)));
    }
    std::unique_ptr<CameraSetting> saved() {
        auto setting = profile();
        m_page->onProfileNeetToSave(setting.get());
        return setting;
    }
    // As the profile page applies a record.
    void apply(CameraSetting *setting) {
        AppGlobals::instance()->setApplyingProfile(true);
        m_page->onProfileSelChanged(setting);
        AppGlobals::instance()->setApplyingProfile(false);
    }

private slots:
    void init() {
        m_log.emplace();
        AppGlobals::instance()->setModified(false, false);
        m_page = std::make_unique<AdvancedWidget>();
        m_page->show();
        QCOMPARE(m_log->count("==========advanced===========control font is: \""), 1);
        useCameras(QString(), "3c4d");
    }

    void focusManualShowsSliderAndWritesManualValue() {
        auto setting = profile();
        setting->setFocus(420, true);
        apply(setting.get());
        QCOMPARE(control(CameraControl_Focus).flags, 1L);
        QCOMPARE(mode("slFocus", "Focus"), "auto");
        QCOMPARE(w<QLineEdit>("txtFocus")->text(), QString("420"));

        m_log->clear();
        w<QRadioButton>("rbtnFocusManual")->click();
        QCOMPARE(mode("slFocus", "Focus"), "manual");
        QCOMPARE(control(CameraControl_Focus).flags, 2L);
        QCOMPARE(control(CameraControl_Focus).value, 420L);
        QCOMPARE(m_log->count("successfully set cc value: 420", "property type: 6"), 2);
        w<QToolButton>("btnAddFocus")->click();
        QCOMPARE(control(CameraControl_Focus).value, 421L);
        w<QRadioButton>("rbtnFocusAuto")->click();
        QCOMPARE(mode("slFocus", "Focus"), "auto");
        QCOMPARE(control(CameraControl_Focus).flags, 1L);
    }

    void exposureAndWhiteBalanceModes() {
        auto setting = profile();
        setting->setExposure(-9, false);
        setting->setWhiteBalance(5000, false);
        apply(setting.get());
        QCOMPARE((QList<long>{control(CameraControl_Exposure).value,
                              control(CameraControl_Exposure).flags, whiteBalance().flags}),
                 (QList<long>{-9, 2, 3}));
        QCOMPARE(mode("slExposure", "Exposure"), "manual");

        w<QRadioButton>("rbtnExposureAuto")->click();
        w<QRadioButton>("rbtnWBAuto")->click();
        QCOMPARE((QList<long>{control(CameraControl_Exposure).flags, whiteBalance().flags}),
                 (QList<long>{1, 1}));
        QCOMPARE(mode("slExposure", "Exposure") + mode("slWhiteBalance", "WB"), "autoauto");
        QCOMPARE(AppGlobals::instance()->isModified(), true);

        // A slider move is a manual value whatever the buttons show.
        m_log->clear();
        w<QSlider>("slWhiteBalance")->setValue(5100);
        QCOMPARE((QList<long>{whiteBalance().flags, whiteBalance().value}), (QList<long>{3, 5100}));
        QCOMPARE(m_log->count("Slider value changed"), 1);
    }

    // Also when the button is already checked the camera gets the value; out of range is auto.
    void powerLineChoiceReachesCamera() {
        const char *const buttons[] = {"rbtnPLDisabled", "rbtnPL50", "rbtnPL60", "rbtnPLAuto"};
        for (long stored : {0, 1, 2, 3, 7}) {
            const long written = qMin(stored, 3L);
            auto setting = profile();
            setting->setPowerLineFrequency(stored, true);
            for (int pass = 0; pass < 2; ++pass) {
                cam()->setPowerLineFrequency(written == 1 ? 0 : 1);
                apply(setting.get());
                QVERIFY(checked(buttons[written]));
                QCOMPARE(cameraPowerLine(), written);
            }
        }
        QVERIFY(!AppGlobals::instance()->isModified());
    }

    void disabledPanRowStillFollowsItsSlider() {
        auto setting = profile();
        setting->setPan(20, false);
        apply(setting.get());
        QVERIFY(!usable("slPan") && !usable("btnAddPan") && !usable("btnSubPan"));
        QCOMPARE(control(CameraControl_Pan).value, 20L);  // through the row handler
        QCOMPARE(m_log->count("current Active, pan: ", " 20"), 1);

        cam()->setPan(5);  // the slider already shows 20: nothing is written directly
        apply(setting.get());
        QCOMPARE(control(CameraControl_Pan).value, 5L);

        apply(profile().get());  // the camera's own default, row usable again
        QVERIFY(usable("slPan"));
        QCOMPARE(control(CameraControl_Pan).value, 0L);
    }

    void saveStoresControls() {
        bool f[5];
        QCOMPARE(saved()->powerLineFrequency(&f[0]), 3L);  // nothing loaded, nothing checked
        QVERIFY(f[0]);

        auto setting = profile();
        setting->setPowerLineFrequency(1, true);
        setting->setLowLightCompensation(true);
        setting->setFocus(500, false);
        setting->setZoom(250, true);
        setting->setTilt(-30, false);
        setting->setExposure(-4, true);
        apply(setting.get());
        w<QToolButton>("btnSubZoom")->click();
        auto s = saved();
        QCOMPARE((QList<long>{s->powerLineFrequency(&f[0]), s->focus(&f[1]), s->zoom(&f[2]),
                              s->tilt(&f[3]), s->exposure(&f[4])}),
                 (QList<long>{1, 500, 249, -30, -4}));
        QCOMPARE((QList<bool>{f[0], f[1], f[2], f[3], f[4], s->lowLightCompensation()}),
                 (QList<bool>{true, false, true, false, true, true}));
        QCOMPARE(control(CameraControl_Zoom).value, 249L);
        QCOMPARE(control(KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY).value, 1L);
    }

    void builtInWebCamWithoutPanTiltRollZoom() {
        for (auto *label : m_page->findChildren<QLabel *>(QRegularExpression("Icon$")))
            QVERIFY2(!label->pixmap(Qt::ReturnByValue).isNull(), qPrintable(label->objectName()));
        m_page->onDeviceSelChanged(QString());
        QVERIFY(!m_page->isEnabled());
        useCameras(QString(), "1f05");
        QVERIFY(m_page->isEnabled());
        apply(profile().get());
        for (const char *name : {"slZoom", "slPan", "slTilt", "slRoll"})
            QVERIFY2(!usable(name), name);
        QCOMPARE(usable("slFocus") ? w<QSlider>("slFocus")->maximum() : -1, 250);
        QVERIFY(checked("rbtnLLCOff") && checked("rbtnPL50"));  // the camera's own choice
        QCOMPARE(cameraPowerLine(), 1L);
    }

    // A document camera with focus only: without a property interface the buttons stay usable
    // on "disabled"; a refused read greys them out and a save stores auto. Nothing is written.
    void powerLineButtonsFollowTheCameraInterface() {
        for (bool enabled : {true, false}) {
            w<QRadioButton>("rbtnPL50")->click();  // left checked from the previous camera
            const QJsonObject focus{{"min", 0}, {"max", 1023}, {"caps", 3}, {"flags", 1}};
            QJsonObject camera{{"path", usbCameraPath("1a2b", "3c4d", "1")},
                               {"friendlyName", "Velt DocCam V4"},
                               {"cameraControl", QJsonObject{{"6", focus}}}};
            if (!enabled)
                camera.insert("powerLine",
                              QJsonObject{{"value", 1}, {"flags", 0}, {"getFails", true}});
            const CameraListFile file(m_dir.filePath(QString("cams%1.json").arg(++m_files)));
            QVERIFY(file.write({camera}));
            useCameras(file.path(), "3c4d");
            apply(profile().get());
            QCOMPARE((QVector<bool>{usable("rbtnPLAuto"), usable("rbtnPL50"),
                                    checked("rbtnPLDisabled"), checked("rbtnPL50")}),
                     (QVector<bool>{enabled, enabled, enabled, false}));
            QCOMPARE(m_log->count("set powerline freq"), 0);
            bool flag = !enabled;
            QCOMPARE(saved()->powerLineFrequency(&flag), enabled ? 0L : 3L);
            QCOMPARE(flag, enabled);
        }
    }

    void refreshFromProfile() {
        m_page->onProfileSelChanged(nullptr);  // no record: nothing to read
        m_page->onProfileNeetToSave(nullptr);
        m_page->refreshFromProfile();
        QCOMPARE(w<QSlider>("slZoom")->value(), 0);
        QCOMPARE(m_log->lines().size(), 0);

        CameraSettings::instance()->loadProfiles("1a2b", "3c4d");
        auto *record = CameraSettings::instance()->findOrCreateProfile("1a2b", "3c4d", "Office");
        record->setFocus(5000, false);  // beyond the camera's range: the field follows its slider
        apply(record);
        m_page->refreshFromProfile();
        QCOMPARE(w<QLineEdit>("txtFocus")->text().toInt(), w<QSlider>("slFocus")->maximum());
        record->setZoom(300, true);
        record->setFocus(700, false);
        apply(record);
        // Showing the page again keeps what the user changed since, on the camera and in the rows.
        for (int click = 0; click < 10; ++click)
            w<QToolButton>("btnAddZoom")->click(), w<QToolButton>("btnAddFocus")->click();
        m_page->refreshFromProfile();
        QCOMPARE(control(CameraControl_Zoom).value, 310L);
        QCOMPARE(control(CameraControl_Focus).value, 710L);
        QCOMPARE(w<QSlider>("slFocus")->value(), 710);
        QCOMPARE(w<QLineEdit>("txtZoom")->text() + w<QLineEdit>("txtFocus")->text(), "310710");
        QVERIFY(AppGlobals::instance()->isModified());

        // The store replaces its records: the page forgets the one it held.
        w<QSlider>("slZoom")->setValue(210);
        CameraSettings::instance()->loadProfiles("1a2b", "3c4d");
        m_log->clear();
        m_page->refreshFromProfile();
        QCOMPARE(w<QSlider>("slZoom")->value(), 210);
        QCOMPARE(m_log->lines().size(), 0);
    }
};

TINTWELL_TEST_MAIN_WITH_FRESH_DATA(TestAdvancedWidget)

#include "tst_advancedwidget.moc"
