// The Adjustment page against simulated cameras: which camera ends up selected (in the list, in
// the application state and in the camera layer), what is announced, what reaches the camera and
// what a save stores.

#include <QApplication>
#include <QComboBox>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <memory>
#include <optional>

#include "AdjustmentWidget.h"
#include "AppGlobals.h"
#include "CameraDeviceManager.h"
#include "CameraListFile.h"
#include "CameraSetting.h"
#include "DebugCapture.h"
#include "FormChild.h"
#include "FreshDataMain.h"
#include "SimulatedBackend.h"

namespace {

CameraDeviceManager *cam() {
    return CameraDeviceManager::instance();
}

struct Camera {
    QString pid;
    QString name;
    bool hasGain;

    QString path() const { return usbCameraPath(QStringLiteral("1a2b"), pid, "2b1c7f0"); }
    QString key() const { return QStringLiteral("1a2b__") + pid; }
};

const Camera A{QStringLiteral("3c4d"), QStringLiteral("Velt DocCam V4"), true};
const Camera B{QStringLiteral("1f05"), QStringLiteral("Velt WebCam W1080"), false};
const Camera C{QStringLiteral("2a10"), QStringLiteral("Velt Visualizer VZ-2"), true};

QJsonObject control(int min, int max, int value) {
    return QJsonObject{{"min", min}, {"max", max},     {"step", 1}, {"default", value},
                       {"caps", 2},  {"value", value}, {"flags", 2}};
}

QJsonObject describe(const Camera &camera) {
    // Ranges differ per model so that a wrong camera shows.
    const int top = camera.hasGain ? 64 : 255;
    QJsonObject procAmp{{"0", control(-top, top, 0)}, {"1", control(0, top, 32)},
                        {"2", control(-180, 180, 0)}, {"3", control(0, 128, 64)},
                        {"4", control(0, 7, 3)},      {"5", control(100, 500, 300)},
                        {"8", control(0, 2, 1)}};
    if (camera.hasGain)
        procAmp.insert("9", control(0, 100, 0));
    return QJsonObject{
        {"path", camera.path()}, {"friendlyName", camera.name}, {"videoProcAmp", procAmp}};
}

long cameraValue(VideoProcAmpProperty id) {
    PropertyInfo info;
    info.id = id;
    return cam()->getProperty(info) ? info.value : -99999;
}

// The value a camera holds, whichever camera the layer has selected at the moment.
long valueOf(const Camera &camera, VideoProcAmpProperty id) {
    const QString selected = cam()->currentDevicePath();
    cam()->selectByPath(camera.path());
    const long value = cameraValue(id);
    cam()->selectByPath(selected);
    return value;
}

}  // namespace

class TestAdjustmentWidget : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    CameraListFile m_cameras{m_dir.filePath(QStringLiteral("cameras.json"))};
    std::optional<DebugCapture> m_log;
    std::unique_ptr<AdjustmentWidget> m_page;
    std::unique_ptr<QSignalSpy> m_announced;
    int m_records = 0;

    template <typename T>
    T *w(const char *name) {
        return formChild<T>(m_page.get(), name);
    }
    QComboBox *devices() { return w<QComboBox>("cbbDevices"); }

    void writeCameras(const QList<Camera> &cameras) {
        QList<QJsonObject> described;
        for (const Camera &camera : cameras)
            described << describe(camera);
        QVERIFY(m_cameras.write(described));
    }

    void useCameras(const QList<Camera> &cameras) {
        writeCameras(cameras);
        m_cameras.useInCameraLayer();
    }

    QStringList logged() const { return m_log->lines(); }

    std::unique_ptr<CameraSetting> newRecord() {
        return std::make_unique<CameraSetting>(
            m_dir.filePath(QStringLiteral("profile%1.ini").arg(++m_records)));
    }

    QStringList announcedKeys() const {
        QStringList keys;
        for (const QList<QVariant> &call : *m_announced)
            keys << call.at(0).toString();
        return keys;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_log.emplace();
    }
    void cleanupTestCase() { m_log.reset(); }

    void init() {
        AppGlobals::instance()->setCurrentDeviceKey(QString());
        AppGlobals::instance()->setApplyingProfile(false);
        AppGlobals::instance()->setModified(false, false);
        m_page = std::make_unique<AdjustmentWidget>();
        // The main window sends the page's own announcement back to it first.
        connect(m_page.get(), &AdjustmentWidget::deviceSelChanged, m_page.get(),
                &AdjustmentWidget::onDeviceSelChanged);
        m_announced =
            std::make_unique<QSignalSpy>(m_page.get(), &AdjustmentWidget::deviceSelChanged);
        m_log->clear();
    }

    void cleanup() {
        m_announced.reset();
        m_page.reset();
    }

    void formIsCompletedByTheConstructor() {
        for (const char *hidden :
             {"lblExposureIcon", "lblExposure", "gbExposure", "slExposure", "txtExposure",
              "lblWBIcon", "lblWB", "slWhiteBalance", "gbWB", "txtWhiteBalance"})
            QVERIFY2(!w<QWidget>(hidden)->isVisibleTo(m_page.get()), hidden);
        for (const char *icon : {"lblBrightnessIcon", "lblGammaIcon", "lblBLCIcon", "lblGainIcon"})
            QCOMPARE(w<QLabel>(icon)->pixmap(Qt::ReturnByValue).size(), QSize(24, 24));
        for (const char *button : {"btnAddBrightness", "btnSubGain", "btnAddBLC", "btnSubBLC"}) {
            QVERIFY(w<QToolButton>(button)->autoRepeat());
            QVERIFY(!w<QToolButton>(button)->icon().isNull());
        }
        QSignalSpy preview(m_page.get(), &AdjustmentWidget::showPreviewSignal);
        w<QAbstractButton>("btnPreview")->click();
        QCOMPARE(preview.count(), 1);

        w<QRadioButton>("rbtnWBAuto")->setChecked(true);
        m_page->onDeviceSelChanged(A.key());
        QVERIFY(!w<QRadioButton>("rbtnWBAuto")->isChecked());
    }

    void startSelectsTheFirstCamera() {
        useCameras({A, B});
        m_page->refreshDeviceList(QString());
        QCOMPARE(announcedKeys(), QStringList{A.key()});
        QCOMPARE(devices()->count(), 2);
        QCOMPARE(devices()->itemText(1), B.name);
        QCOMPARE(devices()->currentIndex(), 0);
        QCOMPARE(AppGlobals::instance()->currentDeviceKey(), A.key());
        QCOMPARE(cam()->currentDevicePath(), A.path());
        QVERIFY(m_page->isEnabled());
        QVERIFY(logged().contains(QStringLiteral("camera count: 2")));
        QVERIFY(logged().contains(QStringLiteral("camera 1 : \"%1\" \"%2\"")
                                      .arg(A.name, QString(A.path()).replace("\\", "\\\\"))));
        QVERIFY(logged().contains(QStringLiteral("devid: \"%1\"").arg(A.key())));
    }

    void refreshKeepsOrMovesTheSelection() {
        useCameras({A, B});
        m_page->refreshDeviceList(QString());
        m_announced->clear();

        m_page->refreshDeviceList(A.path());
        QCOMPARE(m_announced->count(), 0);
        QVERIFY(
            logged().contains(QStringLiteral("equal camera dev path, selection not changed..")));

        // Another camera, not first in the list: once from the selection, once at the end.
        m_page->refreshDeviceList(B.path());
        QCOMPARE(announcedKeys(), (QStringList{B.key(), B.key()}));
        QCOMPARE(devices()->currentText(), B.name);
        QCOMPARE(cam()->currentDevicePath(), B.path());
        QVERIFY(logged().contains(
            QStringLiteral("camera changed, previd: \"%1\" devid: \"%2\"").arg(A.key(), B.key())));

        // The first entry is current right after the list is rebuilt: only the final one.
        m_announced->clear();
        m_page->refreshDeviceList(A.path());
        QCOMPARE(announcedKeys(), QStringList{A.key()});
        QCOMPARE(cam()->currentDevicePath(), A.path());

        // A camera that is not listed falls back to the first.
        m_announced->clear();
        m_page->refreshDeviceList(C.path());
        QCOMPARE(announcedKeys(), QStringList{A.key()});
    }

    void keptSelectionFollowsTheCameraWhenTheListReorders() {
        useCameras({A, B});
        m_page->refreshDeviceList(QString());
        QCOMPARE(cam()->currentDevicePath(), A.path());

        // A camera plugged in meanwhile enumerates ahead of the selected one.
        writeCameras({C, B, A});
        QTRY_COMPARE(cam()->enumerateDevices(), 3);
        m_announced->clear();
        m_page->refreshDeviceList(A.path());
        QCOMPARE(m_announced->count(), 0);
        QCOMPARE(devices()->currentText(), A.name);
        QCOMPARE(cam()->currentDevicePath(), A.path());

        // So a user change reaches the selected camera and no other.
        w<QSlider>("slBrightness")->setValue(5);
        QCOMPARE(valueOf(A, VideoProcAmp_Brightness), 5L);
        QCOMPARE(valueOf(C, VideoProcAmp_Brightness), 0L);
    }

    void withoutCamerasThePageIsDisabled() {
        useCameras({});
        m_page->refreshDeviceList(QString());
        QCOMPARE(announcedKeys(), QStringList{QString()});
        QCOMPARE(devices()->count(), 0);
        QVERIFY(!m_page->isEnabled());

        useCameras({B});
        m_page->refreshDeviceList(QString());
        QVERIFY(m_page->isEnabled());
        QCOMPARE(AppGlobals::instance()->currentDeviceKey(), B.key());
    }

    void removingCameras() {
        useCameras({A, B, C});
        m_page->refreshDeviceList(QString());
        m_announced->clear();

        // Another camera leaves: the selection stays, in the list and in the camera layer.
        m_page->removeDeviceFromList(
            QString::fromStdString(simulatedNotificationPath(C.path().toStdString())));
        QCOMPARE(devices()->count(), 2);
        QCOMPARE(m_announced->count(), 0);
        QCOMPARE(devices()->currentText(), A.name);
        QCOMPARE(AppGlobals::instance()->currentDeviceKey(), A.key());
        QCOMPARE(cam()->currentDevicePath(), A.path());

        // The selected camera leaves: the camera layer's choice becomes the selection.
        m_page->removeDeviceFromList(A.path());
        QVERIFY(m_announced->count() >= 1);
        QCOMPARE(announcedKeys().last(), B.key());
        QCOMPARE(devices()->currentText(), B.name);
        QCOMPARE(AppGlobals::instance()->currentDeviceKey(), B.key());
        QCOMPARE(cam()->currentDevicePath(), B.path());

        m_announced->clear();
        m_page->removeDeviceFromList(B.path());
        QCOMPARE(announcedKeys(), QStringList{QString()});
        QCOMPARE(devices()->count(), 0);
        QCOMPARE(AppGlobals::instance()->currentDeviceKey(), QString());
        QVERIFY(!m_page->isEnabled());
    }

    void applyingAProfileReachesTheCamera() {
        useCameras({A});
        m_page->refreshDeviceList(QString());
        auto profile = newRecord();
        profile->setBrightness(10);
        profile->setGamma(200, true);
        profile->setGain(40, false);
        QSignalSpy modified(AppGlobals::instance(), &AppGlobals::modifyStateChanged);

        AppGlobals::instance()->setApplyingProfile(true);
        m_page->onProfileSelChanged(profile.get());
        QCOMPARE(w<QSlider>("slBrightness")->minimum(), -64);
        QCOMPARE(w<QSlider>("slBrightness")->maximum(), 64);
        QCOMPARE(cameraValue(VideoProcAmp_Brightness), 10L);
        QCOMPARE(w<QLineEdit>("txtBrightness")->text(), QStringLiteral("10"));
        QCOMPARE(w<QLineEdit>("txtContrast")->text(), QStringLiteral("32"));  // camera default
        QCOMPARE(cameraValue(VideoProcAmp_Gamma), 200L);
        QCOMPARE(cameraValue(VideoProcAmp_Gain), 40L);
        QVERIFY(!w<QSlider>("slGain")->isEnabled());
        QVERIFY(!w<QToolButton>("btnAddGain")->isEnabled());
        QVERIFY(!w<QToolButton>("btnSubGain")->isEnabled());
        QVERIFY(w<QLineEdit>("txtGain")->isEnabled());
        QVERIFY(w<QSlider>("slGamma")->isEnabled());
        QCOMPARE(w<QLineEdit>("txtGain")->minimumWidth(), 45);

        // The camera was changed behind the page; the same profile value goes out again.
        cam()->setBrightness(20);
        m_page->onProfileSelChanged(profile.get());
        QCOMPARE(cameraValue(VideoProcAmp_Brightness), 10L);
        QCOMPARE(modified.count(), 0);
        AppGlobals::instance()->setApplyingProfile(false);

        auto saved = newRecord();
        m_page->onProfileNeetToSave(saved.get());
        bool enabled = true;
        QCOMPARE(saved->gain(&enabled), 40L);
        QCOMPARE(enabled, false);
        QCOMPARE(saved->gamma(&enabled), 200L);
        QCOMPARE(enabled, true);
        QCOMPARE(saved->brightness(), 10L);
        QCOMPARE(saved->contrast(), 32L);
        QCOMPARE(cameraValue(VideoProcAmp_Brightness), 10L);  // saving leaves the camera alone
    }

    void stepButtonsChangeTheCameraUntilTheEnd() {
        useCameras({A});
        m_page->refreshDeviceList(QString());
        auto profile = newRecord();
        profile->setSharpness(6);
        AppGlobals::instance()->setApplyingProfile(true);
        m_page->onProfileSelChanged(profile.get());
        AppGlobals::instance()->setApplyingProfile(false);
        QSignalSpy modified(AppGlobals::instance(), &AppGlobals::modifyStateChanged);

        w<QToolButton>("btnAddSharpness")->click();
        QCOMPARE(cameraValue(VideoProcAmp_Sharpness), 7L);
        QCOMPARE(w<QLineEdit>("txtSharpness")->text(), QStringLiteral("7"));
        QCOMPARE(modified.count(), 1);

        // At the camera's maximum a click does nothing at all.
        cam()->setSharpness(2);
        w<QToolButton>("btnAddSharpness")->click();
        QCOMPARE(cameraValue(VideoProcAmp_Sharpness), 2L);
        QCOMPARE(w<QLineEdit>("txtSharpness")->text(), QStringLiteral("7"));
        QCOMPARE(modified.count(), 1);

        w<QToolButton>("btnSubSharpness")->click();
        QCOMPARE(cameraValue(VideoProcAmp_Sharpness), 6L);
        QCOMPARE(modified.count(), 2);
    }

    void rangeIsKeptWhenTheCameraCannotReportIt() {
        useCameras({A, B});
        m_page->refreshDeviceList(QString());
        auto profile = newRecord();
        AppGlobals::instance()->setApplyingProfile(true);
        m_page->onProfileSelChanged(profile.get());
        QCOMPARE(w<QSlider>("slGain")->maximum(), 100);

        // The second model has no gain control.
        m_page->refreshDeviceList(B.path());
        profile->setGain(300, true);
        m_page->onProfileSelChanged(profile.get());
        AppGlobals::instance()->setApplyingProfile(false);
        QCOMPARE(w<QSlider>("slBrightness")->maximum(), 255);
        QCOMPARE(w<QSlider>("slGain")->minimum(), 0);
        QCOMPARE(w<QSlider>("slGain")->maximum(), 100);
        QCOMPARE(w<QLineEdit>("txtGain")->text(), QStringLiteral("300"));
        QCOMPARE(w<QSlider>("slGain")->value(), 100);  // clamped by the kept range
    }

    void savingBeforeAnyProfileStoresZeros() {
        auto saved = newRecord();
        m_page->onProfileNeetToSave(saved.get());
        bool enabled = false;
        QCOMPARE(saved->value("VideoProcAmp/brightness").toString(), QStringLiteral("0"));
        QCOMPARE(saved->value("VideoProcAmp/hue").toString(), QStringLiteral("0"));
        QCOMPARE(saved->value("VideoProcAmp/gain").toString(), QStringLiteral("0"));
        saved->gain(&enabled);
        QVERIFY(enabled);
        // No profile to read or write: nothing happens.
        m_page->onProfileSelChanged(nullptr);
        m_page->onProfileNeetToSave(nullptr);
    }
};

TINTWELL_TEST_MAIN_WITH_FRESH_DATA(TestAdjustmentWidget)

#include "tst_adjustmentwidget.moc"
