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
    QString pid, name, instance = "2b1c7f0";
    QString path() const { return usbCameraPath("1a2b", pid, instance); }
    QString key() const { return "1a2b__" + pid; }
    // The selection as list, application state and camera layer hold it.
    QString selected() const { return name + ' ' + key() + ' ' + path(); }
    // Ranges differ per model so that a wrong camera shows; only the first has gain.
    QJsonObject describe() const {
        const int top = pid == "1f05" ? 255 : 64;
        auto control = [](int min, int max, int value) {
            return QJsonObject{{"min", min}, {"max", max}, {"default", value}};
        };
        QJsonObject procAmp{{"0", control(-top, top, 0)},
                            {"1", control(0, top, 32)},
                            {"4", control(0, 7, 3)},
                            {"5", control(100, 500, 300)}};
        if (top == 64)
            procAmp.insert("9", control(0, 100, 0));
        return {{"path", path()}, {"friendlyName", name}, {"videoProcAmp", procAmp}};
    }
};

const Camera A{"3c4d", "Velt DocCam V4"}, B{"1f05", "Velt WebCam W1080"},
    C{"2a10", "Velt Visualizer VZ-2"}, twinOfA{A.pid, A.name, "7e0d11a"};

long cameraValue(VideoProcAmpProperty id) {
    PropertyInfo info{id};
    return cam()->getProperty(info) ? info.value : -99999;
}

}  // namespace

class TestAdjustmentWidget : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    CameraListFile m_cameras{m_dir.filePath("cameras.json")};
    std::optional<DebugCapture> m_log;
    std::unique_ptr<AdjustmentWidget> m_page;
    QStringList m_announced;  // the keys of the cameras the page announced
    int m_records = 0;

    template <typename T = QWidget>
    T *w(const char *name) {
        return formChild<T>(m_page.get(), name);
    }
    QString selection() {
        return w<QComboBox>("cbbDevices")->currentText() + ' ' +
               AppGlobals::instance()->currentDeviceKey() + ' ' + cam()->currentDevicePath();
    }
    void writeCameras(const QList<Camera> &cameras) {
        QList<QJsonObject> described;
        for (const Camera &camera : cameras)
            described << camera.describe();
        QVERIFY(m_cameras.write(described));
    }
    void startWith(const QList<Camera> &cameras) {
        writeCameras(cameras);
        m_cameras.useInCameraLayer();
        m_page->refreshDeviceList(QString());
        QCOMPARE(m_announced, QStringList{cameras.isEmpty() ? QString() : cameras[0].key()});
        m_announced.clear();
    }
    std::unique_ptr<CameraSetting> record() {
        return std::make_unique<CameraSetting>(m_dir.filePath(QString("p%1.ini").arg(++m_records)));
    }
    // As the profile page applies a record.
    void apply(CameraSetting *profile) {
        AppGlobals::instance()->setApplyingProfile(true);
        m_page->onProfileSelChanged(profile);
        AppGlobals::instance()->setApplyingProfile(false);
    }

private slots:
    void init() {
        m_announced.clear();
        m_page = std::make_unique<AdjustmentWidget>();
        // The main window sends the page's own announcement back to it first.
        connect(m_page.get(), &AdjustmentWidget::deviceSelChanged, m_page.get(),
                &AdjustmentWidget::onDeviceSelChanged);
        connect(m_page.get(), &AdjustmentWidget::deviceSelChanged, this,
                [this](const QString &key) { m_announced << key; });
        m_log.emplace();
    }

    // Exposure and white balance rows stay hidden here and lose their choice on a camera change.
    void formIsCompletedByTheConstructor() {
        for (auto *label : m_page->findChildren<QLabel *>(QRegularExpression("Icon$")))
            QVERIFY2(label->pixmap(Qt::ReturnByValue).size() == QSize(24, 24),
                     qPrintable(label->objectName()));
        for (auto *button : m_page->findChildren<QToolButton *>())
            QVERIFY(button->autoRepeat() && !button->icon().isNull());
        int hidden = 0;
        for (auto *row : m_page->findChildren<QWidget *>(QRegularExpression("Exposure|WB|White")))
            hidden += !row->isVisibleTo(m_page.get());
        QCOMPARE(hidden, 14);
        w<QRadioButton>("rbtnWBAuto")->setChecked(true);
        m_page->onDeviceSelChanged(A.key());
        QVERIFY(!w<QRadioButton>("rbtnWBAuto")->isChecked());
    }

    void startSelectsTheFirstCameraAndRefreshKeepsOrMovesIt() {
        startWith({A, B});
        QCOMPARE(w<QComboBox>("cbbDevices")->itemText(1), B.name);
        QCOMPARE(selection(), A.selected());
        m_page->refreshDeviceList(A.path());
        QVERIFY(m_announced.isEmpty());
        // Another camera, not first in the list: once from the selection, once at the end.
        m_page->refreshDeviceList(B.path());
        QCOMPARE(m_announced, (QStringList{B.key(), B.key()}));
        QCOMPARE(selection(), B.selected());
        for (const QString &line : QStringList{
                 "camera count: 2", "devid: \"" + A.key() + '"',
                 "camera 1 : \"" + A.name + "\" \"" + QString(A.path()).replace("\\", "\\\\") + '"',
                 "equal camera dev path, selection not changed..",
                 "camera changed, previd: \"" + A.key() + "\" devid: \"" + B.key() + '"'})
            QVERIFY2(m_log->lines().contains(line), qPrintable(line));

        // The first entry is current right after the list is rebuilt: only the final one; a
        // camera that is not listed falls back to the first.
        for (const Camera &asked : {A, C}) {
            m_announced.clear();
            m_page->refreshDeviceList(asked.path());
            QCOMPARE(m_announced, QStringList{A.key()});
            QCOMPARE(cam()->currentDevicePath(), A.path());
        }
        // A camera plugged in meanwhile enumerates ahead of the selected one, which stays.
        writeCameras({C, B, A});
        QTRY_COMPARE(cam()->enumerateDevices(), 3);
        m_announced.clear();
        m_page->refreshDeviceList(A.path());
        QVERIFY(m_announced.isEmpty());
        QCOMPARE(selection(), A.selected());
    }

    void camerasComingAndGoing() {
        auto *note = w<QLabel>("lblNoCamera");
        startWith({});
        QVERIFY(!m_page->isEnabled() && note->isVisibleTo(m_page.get()));
        QVERIFY(note->text().contains("\"video\" group"));
        startWith({A, twinOfA, B, C});
        QVERIFY(m_page->isEnabled() && !note->isVisibleTo(m_page.get()));
        // Another camera leaves, also a twin of the selected one: the selection stays, in the
        // list and in the camera layer.
        for (const Camera &gone : {C, twinOfA})
            m_page->removeDeviceFromList(
                QString::fromStdString(simulatedNotificationPath(gone.path().toStdString())));
        QVERIFY(m_announced.isEmpty());
        QCOMPARE(selection() + QString::number(w<QComboBox>("cbbDevices")->count()),
                 A.selected() + '2');
    }

    void profileReachesTheCameraAndTheRowsAndASaveStoresThem() {
        m_page->onProfileSelChanged(nullptr);  // no record: nothing happens
        m_page->onProfileNeetToSave(nullptr);
        startWith({A, B});
        auto profile = record();
        profile->setBrightness(10);
        profile->setGamma(200, true);
        profile->setGain(40, false);
        profile->setSharpness(6);
        apply(profile.get());
        QCOMPARE((QList<long>{cameraValue(VideoProcAmp_Brightness), cameraValue(VideoProcAmp_Gamma),
                              cameraValue(VideoProcAmp_Gain)}),
                 (QList<long>{10, 200, 40}));
        // A disabled row: slider and buttons, not the field; other rows stay usable.
        QVERIFY(!w("slGain")->isEnabled() && !w("btnAddGain")->isEnabled() &&
                !w("btnSubGain")->isEnabled());
        QVERIFY(w("txtGain")->isEnabled() && w("slGamma")->isEnabled());
        // The camera was changed behind the page; the same profile value goes out again.
        cam()->setBrightness(20);
        apply(profile.get());
        QCOMPARE(cameraValue(VideoProcAmp_Brightness), 10L);

        auto saved = record();
        m_page->onProfileNeetToSave(saved.get());
        bool gainOn = true, gammaOn = false;
        QCOMPARE((QList<long>{saved->gain(&gainOn), saved->gamma(&gammaOn), saved->brightness(),
                              saved->contrast()}),
                 (QList<long>{40, 200, 10, 32}));
        QVERIFY(!gainOn && gammaOn);

        // The step buttons move the camera up to the end of its range, where a click does nothing.
        QList<long> steps;
        for (const char *button : {"btnAddSharpness", "btnAddSharpness", "btnSubSharpness"}) {
            w<QToolButton>(button)->click();
            steps << cameraValue(VideoProcAmp_Sharpness);
            cam()->setSharpness(2);
        }
        QCOMPARE(steps, (QList<long>{7, 2, 6}));

        // A camera that cannot report a range (here: no gain) leaves the row's range as it was.
        m_page->refreshDeviceList(B.path());
        profile->setGain(300, true);
        apply(profile.get());
        QCOMPARE(w<QSlider>("slBrightness")->maximum(), 255);
        QCOMPARE(w<QSlider>("slGain")->maximum(), 100);
        QCOMPARE(w<QLineEdit>("txtGain")->text(), "300");
    }
};

TINTWELL_TEST_MAIN_WITH_FRESH_DATA(TestAdjustmentWidget)

#include "tst_adjustmentwidget.moc"
