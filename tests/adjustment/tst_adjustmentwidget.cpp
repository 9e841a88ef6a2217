// The Adjustment page against simulated cameras: which camera ends up selected (in the list, in
// the application state and in the camera layer), what is announced, what reaches the camera and
// what a save stores.

#include <QtTest>
#include <QtWidgets>
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
    QString instance = "2b1c7f0";

    QString path() const { return usbCameraPath(QStringLiteral("1a2b"), pid, instance); }
    QString key() const { return QStringLiteral("1a2b__") + pid; }
    // The selection as list, application state and camera layer hold it.
    QString selected() const { return name + ' ' + key() + ' ' + path(); }
};

const Camera A{QStringLiteral("3c4d"), QStringLiteral("Velt DocCam V4"), true};
const Camera B{QStringLiteral("1f05"), QStringLiteral("Velt WebCam W1080"), false};
const Camera C{QStringLiteral("2a10"), QStringLiteral("Velt Visualizer VZ-2"), true};
const Camera twinOfA{A.pid, A.name, true, "7e0d11a"};

QJsonObject control(int min, int max, int value) {
    return QJsonObject{{"min", min}, {"max", max}, {"default", value}};
}

QJsonObject describe(const Camera &camera) {
    // Ranges differ per model so that a wrong camera shows.
    const int top = camera.hasGain ? 64 : 255;
    QJsonObject procAmp{{"0", control(-top, top, 0)},
                        {"1", control(0, top, 32)},
                        {"4", control(0, 7, 3)},
                        {"5", control(100, 500, 300)}};
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

}  // namespace

class TestAdjustmentWidget : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    CameraListFile m_cameras{m_dir.filePath(QStringLiteral("cameras.json"))};
    std::optional<DebugCapture> m_log;
    std::unique_ptr<AdjustmentWidget> m_page;
    QStringList m_announced;  // the keys of the cameras the page announced
    int m_records = 0;

    template <typename T>
    T *w(const char *name) {
        return formChild<T>(m_page.get(), name);
    }
    QComboBox *devices() { return w<QComboBox>("cbbDevices"); }
    QString selection() {
        return devices()->currentText() + ' ' + AppGlobals::instance()->currentDeviceKey() + ' ' +
               cam()->currentDevicePath();
    }

    void writeCameras(const QList<Camera> &cameras) {
        QList<QJsonObject> described;
        for (const Camera &camera : cameras)
            described << describe(camera);
        QVERIFY(m_cameras.write(described));
    }
    // The page starts with these cameras: the first one selected and announced once (then the
    // announcements are cleared).
    void startWith(const QList<Camera> &cameras) {
        writeCameras(cameras);
        m_cameras.useInCameraLayer();
        m_page->refreshDeviceList(QString());
        QCOMPARE(m_announced,
                 cameras.isEmpty() ? QStringList{QString()} : QStringList{cameras.first().key()});
        m_announced.clear();
    }

    std::unique_ptr<CameraSetting> newRecord() {
        return std::make_unique<CameraSetting>(
            m_dir.filePath(QStringLiteral("profile%1.ini").arg(++m_records)));
    }
    // As the profile page applies a record.
    void apply(CameraSetting *profile) {
        AppGlobals::instance()->setApplyingProfile(true);
        m_page->onProfileSelChanged(profile);
        AppGlobals::instance()->setApplyingProfile(false);
    }

private slots:
    void initTestCase() { m_log.emplace(); }

    void init() {
        m_announced.clear();
        m_page = std::make_unique<AdjustmentWidget>();
        // The main window sends the page's own announcement back to it first.
        connect(m_page.get(), &AdjustmentWidget::deviceSelChanged, m_page.get(),
                &AdjustmentWidget::onDeviceSelChanged);
        connect(m_page.get(), &AdjustmentWidget::deviceSelChanged, this,
                [this](const QString &key) { m_announced << key; });
        m_log->clear();
    }

    void formIsCompletedByTheConstructor() {
        for (const char *hidden :
             {"lblExposureIcon", "lblExposure", "gbExposure", "slExposure", "txtExposure",
              "lblWBIcon", "lblWB", "slWhiteBalance", "gbWB", "txtWhiteBalance"})
            QVERIFY2(!w<QWidget>(hidden)->isVisibleTo(m_page.get()), hidden);
        QCOMPARE(w<QLabel>("lblGainIcon")->pixmap(Qt::ReturnByValue).size(), QSize(24, 24));
        auto *minus = w<QToolButton>("btnSubGain");
        QVERIFY(minus->autoRepeat() && !minus->icon().isNull());
        w<QRadioButton>("rbtnWBAuto")->setChecked(true);
        m_page->onDeviceSelChanged(A.key());
        QVERIFY(!w<QRadioButton>("rbtnWBAuto")->isChecked());
    }

    void startSelectsTheFirstCameraAndRefreshKeepsOrMovesIt() {
        startWith({A, B});
        QCOMPARE(devices()->itemText(1), B.name);
        QCOMPARE(selection(), A.selected());
        const QStringList logged = m_log->lines();
        QVERIFY(logged.contains(QStringLiteral("camera count: 2")));
        QVERIFY(logged.contains(QStringLiteral("camera 1 : \"%1\" \"%2\"")
                                    .arg(A.name, QString(A.path()).replace("\\", "\\\\"))));
        QVERIFY(logged.contains(QStringLiteral("devid: \"%1\"").arg(A.key())));
        m_page->refreshDeviceList(A.path());
        QCOMPARE(m_announced.size(), 0);
        QVERIFY(m_log->lines().contains("equal camera dev path, selection not changed.."));

        // Another camera, not first in the list: once from the selection, once at the end.
        m_page->refreshDeviceList(B.path());
        QCOMPARE(m_announced, (QStringList{B.key(), B.key()}));
        QCOMPARE(selection(), B.selected());
        QVERIFY(m_log->lines().contains(
            QStringLiteral("camera changed, previd: \"%1\" devid: \"%2\"").arg(A.key(), B.key())));

        // The first entry is current right after the list is rebuilt: only the final one.
        m_announced.clear();
        m_page->refreshDeviceList(A.path());
        QCOMPARE(m_announced, QStringList{A.key()});
        QCOMPARE(cam()->currentDevicePath(), A.path());

        // A camera that is not listed falls back to the first.
        m_announced.clear();
        m_page->refreshDeviceList(C.path());
        QCOMPARE(m_announced, QStringList{A.key()});

        // A camera plugged in meanwhile enumerates ahead of the selected one, which stays.
        writeCameras({C, B, A});
        QTRY_COMPARE(cam()->enumerateDevices(), 3);
        m_announced.clear();
        m_page->refreshDeviceList(A.path());
        QCOMPARE(m_announced.size(), 0);
        QCOMPARE(selection(), A.selected());
    }

    void camerasComingAndGoing() {
        auto *note = w<QLabel>("lblNoCamera");
        startWith({});
        QVERIFY(!m_page->isEnabled());
        QVERIFY(note->isVisibleTo(m_page.get()) && note->text().contains("\"video\" group"));
        startWith({A, twinOfA, B, C});
        QVERIFY(m_page->isEnabled() && !note->isVisibleTo(m_page.get()));
        // Another camera leaves, also one of the selected one's model: the selection stays, in
        // the list and in the camera layer.
        for (const Camera &gone : {C, twinOfA})
            m_page->removeDeviceFromList(
                QString::fromStdString(simulatedNotificationPath(gone.path().toStdString())));
        QCOMPARE(m_announced.size(), 0);
        QCOMPARE(selection(), A.selected());
        QCOMPARE(devices()->count(), 2);

        // The selected camera leaves: the camera layer's choice becomes the selection.
        m_page->removeDeviceFromList(A.path());
        QCOMPARE(m_announced.value(m_announced.size() - 1), B.key());
        QCOMPARE(selection(), B.selected());

        m_announced.clear();
        m_page->removeDeviceFromList(B.path());
        QCOMPARE(m_announced, QStringList{QString()});
        QCOMPARE(AppGlobals::instance()->currentDeviceKey(), QString());
        QVERIFY(!m_page->isEnabled() && note->isVisibleTo(m_page.get()));
    }

    void profileReachesTheCameraAndTheRowsAndASaveStoresThem() {
        startWith({A});
        auto profile = newRecord();
        profile->setBrightness(10);
        profile->setGamma(200, true);
        profile->setGain(40, false);
        profile->setSharpness(6);
        apply(profile.get());
        QCOMPARE((QList<long>{cameraValue(VideoProcAmp_Brightness), cameraValue(VideoProcAmp_Gamma),
                              cameraValue(VideoProcAmp_Gain)}),
                 (QList<long>{10, 200, 40}));
        // A disabled row: slider and buttons, not the field; other rows stay usable.
        QVERIFY(!w<QSlider>("slGain")->isEnabled() && !w<QToolButton>("btnAddGain")->isEnabled() &&
                !w<QToolButton>("btnSubGain")->isEnabled());
        QVERIFY(w<QLineEdit>("txtGain")->isEnabled() && w<QSlider>("slGamma")->isEnabled());

        // The camera was changed behind the page; the same profile value goes out again.
        cam()->setBrightness(20);
        apply(profile.get());
        QCOMPARE(cameraValue(VideoProcAmp_Brightness), 10L);

        auto saved = newRecord();
        m_page->onProfileNeetToSave(saved.get());
        bool gainOn = true, gammaOn = false;
        QCOMPARE((QList<long>{saved->gain(&gainOn), saved->gamma(&gammaOn), saved->brightness(),
                              saved->contrast()}),
                 (QList<long>{40, 200, 10, 32}));
        QVERIFY(!gainOn && gammaOn);

        // The step buttons move the camera until the end of its range.
        w<QToolButton>("btnAddSharpness")->click();
        QCOMPARE(cameraValue(VideoProcAmp_Sharpness), 7L);
        // At the camera's maximum a click does nothing at all.
        cam()->setSharpness(2);
        w<QToolButton>("btnAddSharpness")->click();
        QCOMPARE(cameraValue(VideoProcAmp_Sharpness), 2L);

        w<QToolButton>("btnSubSharpness")->click();
        QCOMPARE(cameraValue(VideoProcAmp_Sharpness), 6L);
    }

    void rangeIsKeptWhenTheCameraCannotReportIt() {
        startWith({A, B});
        auto profile = newRecord();
        apply(profile.get());
        // The second model has no gain control.
        m_page->refreshDeviceList(B.path());
        profile->setGain(300, true);
        apply(profile.get());
        QCOMPARE(w<QSlider>("slBrightness")->maximum(), 255);
        QCOMPARE(w<QSlider>("slGain")->maximum(), 100);
        QCOMPARE(w<QLineEdit>("txtGain")->text(), QStringLiteral("300"));
    }

    void savingBeforeAnyProfileStoresZeros() {
        auto saved = newRecord();
        m_page->onProfileNeetToSave(saved.get());
        bool enabled = false;
        QCOMPARE(saved->value("VideoProcAmp/brightness").toString(), QStringLiteral("0"));
        QCOMPARE(saved->gain(&enabled), 0L);
        QVERIFY(enabled);
        // No profile to read or write: nothing happens.
        m_page->onProfileSelChanged(nullptr);
        m_page->onProfileNeetToSave(nullptr);
    }
};

TINTWELL_TEST_MAIN_WITH_FRESH_DATA(TestAdjustmentWidget)

#include "tst_adjustmentwidget.moc"
