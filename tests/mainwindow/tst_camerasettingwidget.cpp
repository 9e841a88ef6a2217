// The main window on simulated cameras plugged in and pulled out by rewriting the camera file.

#include <QtTest>
#include <QtWidgets>
#include <optional>

#include "AppGlobals.h"
#include "CameraDeviceManager.h"
#include "CameraListFile.h"
#include "CameraSetting.h"
#include "CameraSettingWidget.h"
#include "CameraSettings.h"
#include "DebugCapture.h"
#include "ExternalLogger.h"
#include "FormChild.h"
#include "FreshDataMain.h"
#include "ModalScript.h"
#include "VeltCamera.h"

// The settling time after a plug-in, shortened, and room for a slow machine.
const int kArrivalDelayMs = 150;
const int kRefreshWaitMs = 5000;
const QString kSaveQuestion = "Do you want to save changes to the profile? [default Yes]";
const QString kBasicShown = "btnAdjustment* adjustmentWidget userProfileWidget";
const QString kAboutShown = "btnAbout* aboutWidget";

const VeltCamera kDocCam{"3c4d", "Velt DocCam V4"}, kWebCam{"1f05", "Velt WebCam W1080"},
    kVisualizer{"2a10", "Velt Visualizer VZ-2"}, kGeneric{"ffff", "Generic USB Camera"};

static QWidgetList openWindows(const char *className) {
    QWidgetList found;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->inherits(className) && widget->isVisible())
            found << widget;
    return found;
}

class TestCameraSettingWidget : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    CameraListFile m_cameras{m_dir.filePath("cameras.json")};
    std::optional<DebugCapture> m_log;
    std::unique_ptr<CameraSettingWidget> m_window;

    void plug(const QList<VeltCamera> &cameras) { QVERIFY(m_cameras.write(described(cameras))); }

    void startWith(const QList<VeltCamera> &cameras) {
        plug(cameras);
        // The names, not the count: the file of the test before may have held as many cameras.
        QTRY_COMPARE(enumerated(), names(cameras));
        AppGlobals::instance()->setModified(false, false);
        m_log->clear();
        m_window = std::make_unique<CameraSettingWidget>();
        m_window->setArrivalRefreshDelay(kArrivalDelayMs);
        m_window->show();
    }

    template <typename Name>
    static QStringList names(int count, Name name) {
        QStringList names;
        for (int i = 0; i < count; ++i)
            names << name(i);
        return names;
    }
    static QStringList names(const QList<VeltCamera> &cams) {
        return names(cams.size(), [&](int i) { return cams[i].name; });
    }
    static QStringList enumerated() {
        auto *manager = CameraDeviceManager::instance();
        return names(manager->enumerateDevices(), [&](int i) { return manager->friendlyName(i); });
    }

    QWidget *w(const char *name) const { return formChild<QWidget>(m_window.get(), name); }
    QComboBox *devices() const { return formChild<QComboBox>(m_window.get(), "cbbDevices"); }
    void click(const char *name) { QTest::mouseClick(w(name), Qt::LeftButton); }
    QString current() const { return AppGlobals::instance()->currentDeviceKey(); }
    QPointer<QWidget> openPreview() {
        click("btnPreview");
        return openWindows("PreviewWidget").value(0);
    }

    QStringList listed() const {
        return names(devices()->count(), [this](int i) { return devices()->itemText(i); });
    }

    // The navigation as the user sees it: the entries that are checked or show their selected
    // icon, the latter marked "*", then the pages that show.
    QString navigation() const {
        QStringList seen;
        for (const QString entry : {"Adjustment", "Advanced", "About"}) {
            auto *button = formChild<QAbstractButton>(m_window.get(), qPrintable("btn" + entry));
            const QIcon selected(":/resources/images/" + entry.toLower() + "_sel.svg");
            const bool selectedIcon =
                button->icon().pixmap(48).toImage() == selected.pixmap(48).toImage();
            if (button->isChecked() || selectedIcon)
                seen << button->objectName() + (selectedIcon ? "*" : "");
        }
        for (const char *page :
             {"adjustmentWidget", "advancedWidget", "userProfileWidget", "aboutWidget"})
            if (w(page)->isVisibleTo(m_window.get()))
                seen << page;
        return seen.join(' ');
    }

private slots:
    void initTestCase() {
        plug({kDocCam, kWebCam});
        m_cameras.useInCameraLayer();
        m_log.emplace();
    }
    void cleanupTestCase() { m_log.reset(); }
    void cleanup() {
        m_window.reset();
        for (QWidget *widget : QApplication::topLevelWidgets())
            widget->close();
    }

    void startsOnBasicShowsOnePageAtATimeAndComesBackFromTheTray() {
        startWith({kDocCam, kWebCam});
        QCOMPARE(navigation(), kBasicShown);
        QVERIFY(!w("btnProfile")->isVisibleTo(m_window.get()));
        for (const char *page : {"adjustmentWidget", "advancedWidget", "userProfileWidget"})
            QCOMPARE(m_log->count(page + QString(" hint height: %1").arg(w(page)->minimumHeight())),
                     1);
        // The profile page learnt of the first camera; its save button follows the modified flag.
        QCOMPARE(m_log->count("onDeviceSelChanged deviceid: \"" + kDocCam.key() + '"'), 1);
        QVERIFY(!w("btnSaveProfile")->isEnabled());
        AppGlobals::instance()->setModified(true, true);
        QVERIFY(w("btnSaveProfile")->isEnabled());

        click("btnAdvanced");
        click("btnAdvanced");  // the current entry stays checked
        QCOMPARE(navigation(), "btnAdvanced* advancedWidget userProfileWidget");
        click("btnAbout");
        QCOMPARE(navigation(), kAboutShown);
        QMetaObject::invokeMethod(m_window.get(), "selectPage", Q_ARG(int, 2));  // the hidden entry
        QCOMPARE(navigation(), kAboutShown);
        QMetaObject::invokeMethod(m_window.get(), "selectPage", Q_ARG(int, 5));
        QCOMPARE(navigation(), kBasicShown);

        // Asked for from the profile page: one modal window of its own, the page stays.
        QMetaObject::invokeMethod(w("userProfileWidget"), "showAboutSignal");
        QMetaObject::invokeMethod(w("userProfileWidget"), "showAboutSignal");
        const QWidgetList about = openWindows("AboutWidget");
        QCOMPARE(about.size(), 1);
        QVERIFY(about.first()
                    ->findChild<QLabel *>("lblLogFile")
                    ->text()
                    .endsWith(QDir::toNativeSeparators(ExternalLogger::filePath())));
        QVERIFY(about.first()->testAttribute(Qt::WA_ShowModal) &&
                !(about.first()->windowFlags() & Qt::WindowMinMaxButtonsHint));
        QCOMPARE(navigation(), kBasicShown);

        // The tray icon and its menu bring the hidden window back.
        auto *tray = m_window->findChild<QSystemTrayIcon *>();
        QVERIFY(!tray->icon().pixmap(16).isNull());
        for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick}) {
            m_window->hide();
            emit tray->activated(QSystemTrayIcon::Context);
            QVERIFY(!m_window->isVisible());
            emit tray->activated(reason);
            QVERIFY(m_window->isVisible());
        }
        m_window->hide();
        tray->contextMenu()->actions().at(2)->trigger();
        QVERIFY(m_window->isVisible());
        QCOMPARE(navigation(), kAboutShown);
    }

    void previewOpensOnceBesideTheWindowAndClosesWithItOrOnCameraChange() {
        startWith({kDocCam, kWebCam});
        QPointer<QWidget> preview = openPreview();
        click("btnPreview");
        QCOMPARE(openWindows("PreviewWidget"), QWidgetList{preview});
        const QString path = QString(kDocCam.path()).replace('\\', "\\\\");
        QCOMPARE(m_log->count("preview camera devicePath: \"" + path + '"'), 1);
        QCOMPARE(preview->y(), m_window->y());
        QVERIFY2(preview->x() + preview->width() <= m_window->x() ||
                     preview->width() > preview->screen()->geometry().width(),
                 "the preview stands left of the main window");

        // Closing the main window takes the preview along. Without a tray (as here) it is Exit,
        // with its question: a cancelled name keeps the program and its window.
        AppGlobals::instance()->setModified(true, true);
        ModalScript script;
        script.answer(QMessageBox::Yes).cancelName();
        QVERIFY(!m_window->close());
        QCOMPARE(script.seen, QStringList({kSaveQuestion, "name dialog"}));
        QVERIFY(m_window->isVisible() && m_log->count("unregister notification result:") == 0);
        QTRY_VERIFY(preview.isNull());
        AppGlobals::instance()->setModified(false, true);
        preview = openPreview();
        devices()->setCurrentIndex(1);
        QTRY_VERIFY(preview.isNull());

        // Unplugging closes only the preview of the camera that went.
        preview = openPreview();
        plug({kWebCam});
        QTRY_COMPARE(listed(), names({kWebCam}));
        QVERIFY(preview);
        plug({});
        QTRY_VERIFY(preview.isNull());
    }

    // Every plug-in is acted on, also the second and third in a row and one after a camera that
    // is not supported; arrivals that come together share one refresh two seconds after the first.
    void everyPlugInIsListedAndBurstsShareOneRefresh() {
        startWith({});
        plug({kDocCam});
        QTRY_COMPARE(m_log->count("device arrival:"), 1);
        QVERIFY(listed().isEmpty());  // not yet: the refresh waits for the burst to settle
        QTRY_COMPARE_WITH_TIMEOUT(listed(), names({kDocCam}), kRefreshWaitMs);
        // The first camera plugged into an empty list is selected.
        QVERIFY(current() == kDocCam.key() && w("adjustmentWidget")->isEnabled());
        plug({kDocCam, kGeneric});
        QTRY_COMPARE(m_log->count("is not velt device:"), 1);

        m_log->clear();
        plug({kDocCam, kGeneric, kVisualizer});
        emit m_window->deviceArrival(kVisualizer.path(2));  // a second interface of the same camera
        QTRY_COMPARE_WITH_TIMEOUT(listed(), names({kDocCam, kVisualizer}), kRefreshWaitMs);
        QCOMPARE(m_log->count("device arrival:"), 2);
        QCOMPARE(m_log->count("camera count:"), 1);
        QCOMPARE(devices()->currentText(), kDocCam.name);  // the selection stayed
        QCOMPARE(CameraDeviceManager::instance()->currentDevicePath(), kDocCam.path());
    }

    // Every unplug is acted on, also of two cameras at once; a selected camera with unsaved
    // changes asks about them before it leaves.
    void everyUnplugIsActedOnAndTheSelectionMovesOn() {
        startWith({kDocCam, kWebCam, kVisualizer});
        devices()->setCurrentIndex(1);
        AppGlobals::instance()->setModified(true, true);
        m_log->clear();
        ModalScript script;
        script.answer(QMessageBox::No);
        plug({kDocCam});
        QTRY_COMPARE(listed(), names({kDocCam}));
        QCOMPARE(script.seen, QStringList({kSaveQuestion}));
        QCOMPARE(current(), kDocCam.key());
        QCOMPARE(devices()->currentData().toString(), current());
        const QStringList lines = m_log->lines();
        const int answered = lines.indexOf(QRegularExpression("return .*"));
        const int movedOn = lines.indexOf(
            QRegularExpression("onDeviceSelChanged deviceid: \"(?!" + kWebCam.key() + ").*"));
        QVERIFY(answered >= 0 && movedOn > answered);
        // Another interface of a listed camera goes: the camera stays.
        emit m_window->deviceRemoval(kDocCam.path(2));
        QCOMPARE(listed(), names({kDocCam}));
        plug({});
        QTRY_VERIFY(listed().isEmpty());
        QVERIFY(current().isEmpty() && !w("adjustmentWidget")->isEnabled());
    }

    // Cameras beside the shown one get their model's active profile at start, when they come
    // back and when they are plugged in, without touching the shown camera's rows; twins get
    // names by path; a value another program changed shows up once the window is activated.
    void everyCameraGetsItsProfileAndTheRowsFollowOtherPrograms() {
        CameraSetting bright(CameraSettings::profileDirPath("1a2b", kWebCam.pid) + "/001_b.ini");
        bright.setProfileName("Bright");
        bright.setBrightness(77);
        bright.sync();
        CameraSettings::instance()->setActiveProfile("1a2b", kWebCam.pid, "Bright");
        auto brightness = [](const VeltCamera &camera) {
            PropertyInfo info{VideoProcAmp_Brightness};
            CameraDeviceManager::instance()->getProperty(camera.path(), info);
            return info.value;
        };
        // The camera's brightness as another program left it.
        auto setBrightness = [](QJsonObject &camera, int value) {
            QJsonObject controls = camera["videoProcAmp"].toObject();
            controls["0"] =
                QJsonObject{{"min", 0}, {"max", 255}, {"default", 128}, {"value", value}};
            camera["videoProcAmp"] = controls;
        };
        startWith({kDocCam, kWebCam});
        QCOMPARE(brightness(kWebCam), 77);
        plug({kDocCam});
        QTRY_COMPARE(listed(), names({kDocCam}));
        VeltCamera twin = kDocCam;
        twin.instance = "0";  // its path comes first
        QList<QJsonObject> cameras = described({kDocCam, kWebCam, twin});
        setBrightness(cameras[2], 5);
        QVERIFY(m_cameras.write(cameras));
        QTRY_COMPARE_WITH_TIMEOUT(listed(),
                                  QStringList({kDocCam.name + " (2)", kWebCam.name, kDocCam.name}),
                                  kRefreshWaitMs);
        QCOMPARE(brightness(kWebCam), 77);
        QCOMPARE(brightness(twin), 128);  // the base profile: the camera's own default
        QCOMPARE(CameraDeviceManager::instance()->currentDevicePath(), kDocCam.path());
        QVERIFY(!AppGlobals::instance()->isModified());
        devices()->setCurrentIndex(2);  // the twin, not the first camera of its model
        QCOMPARE(CameraDeviceManager::instance()->currentDevicePath(), twin.path());
        devices()->setCurrentIndex(0);
        AppGlobals::instance()->setModified(false, false);

        setBrightness(cameras[0], 200);
        QVERIFY(m_cameras.write(cameras));
        QTRY_COMPARE(brightness(kDocCam), 200);
        auto *slider = formChild<QSlider>(m_window.get(), "slBrightness");
        QCOMPARE(slider->value(), 128);
        m_log->clear();
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(m_window.get(), &activate);
        QCOMPARE(slider->value(), 200);
        QCOMPARE(m_log->count("successfully set"), 0);
        QVERIFY(!AppGlobals::instance()->isModified());
    }

    // Unplugging the shown camera with unsaved changes asks once: plugging meanwhile waits for
    // the answer, and a cancelled name is not asked about again over the next camera.
    void oneQuestionPerChangeWhileCamerasComeAndGo() {
        startWith({kDocCam, kWebCam});
        AppGlobals::instance()->setModified(true, true);
        m_log->clear();
        ModalScript script;
        script.meanwhile([this](QWidget *) {
            emit m_window->deviceRemoval(kDocCam.path());
            emit m_window->deviceArrival(kDocCam.path());
            emit m_window->deviceRemoval(kDocCam.path());
        });
        script.answer(QMessageBox::Yes).cancelName();
        plug({kWebCam});
        QTRY_COMPARE(listed(), names({kWebCam}));
        QTRY_COMPARE_WITH_TIMEOUT(m_log->count("camera count:"), 1, kRefreshWaitMs);
        QCOMPARE(script.seen, QStringList({kSaveQuestion, "name dialog"}));
    }

    // Last: once quit has been asked for, no nested event loop runs in this process any more.
    void exitAsksAboutChangesAndStaysWhenNamingIsCancelled() {
        startWith({kDocCam});
        QAction *exit = m_window->findChild<QSystemTrayIcon *>()->contextMenu()->actions().last();
        AppGlobals::instance()->setModified(true, true);
        ModalScript script;
        script.answer(QMessageBox::Yes).cancelName().answer(QMessageBox::No);
        exit->trigger();
        QCOMPARE(script.seen, QStringList({kSaveQuestion, "name dialog"}));
        QCOMPARE(m_log->count("unregister notification result:"), 0);
        exit->trigger();
        QCOMPARE(script.seen, QStringList({kSaveQuestion, "name dialog", kSaveQuestion}));
        QCOMPARE(m_log->lines().last(), "unregister notification result: true");

        // The end of the session is never refused or held up by a question.
        AppGlobals::instance()->setModified(true, true);
        auto *session = qApp->findChild<QSessionManager *>();
        QVERIFY(session);
        emit qApp->commitDataRequest(*session);
        QVERIFY(m_window->close());  // what Qt does next, cancelling the session on a refusal
        QCOMPARE(script.seen.size(), 3);
        QCOMPARE(m_log->count("unregister notification result:"), 2);
    }
};

TINTWELL_TEST_MAIN_WITH_FRESH_DATA(TestCameraSettingWidget)

#include "tst_camerasettingwidget.moc"
