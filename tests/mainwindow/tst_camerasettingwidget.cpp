// The main window on simulated cameras: navigation, tray menu, preview and About windows, the
// exit question, and cameras plugged in and pulled out by rewriting the camera file.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <optional>

#include "AboutWidget.h"
#include "AppGlobals.h"
#include "CameraDeviceManager.h"
#include "CameraListFile.h"
#include "CameraSettingWidget.h"
#include "DebugCapture.h"
#include "FormChild.h"
#include "FreshDataMain.h"
#include "ModalScript.h"
#include "PreviewWidget.h"
#include "SettingLargeButton.h"

namespace {

// Two seconds of settling after a plug-in, plus room for a slow machine.
const int kRefreshWaitMs = 8000;
const QString kSaveQuestion =
    QStringLiteral("Do you want to save changes to the profile? [default Yes]");

struct Camera {
    QString pid;
    QString name;

    // Interface 0 is the one the camera is listed by; others are further interfaces of the same
    // device.
    QString path(int interface = 0) const {
        return usbCameraPath(QStringLiteral("1a2b"), pid, pid, interface);
    }
    QString key() const { return QStringLiteral("1a2b__") + pid; }
};

const Camera kDocCam{QStringLiteral("3c4d"), QStringLiteral("Velt DocCam V4")};
const Camera kWebCam{QStringLiteral("1f05"), QStringLiteral("Velt WebCam W1080")};
const Camera kVisualizer{QStringLiteral("2a10"), QStringLiteral("Velt Visualizer VZ-2")};
const Camera kPtzCam{QStringLiteral("4e10"), QStringLiteral("Velt PTZ Cam P20")};
const Camera kGeneric{QStringLiteral("ffff"), QStringLiteral("Generic USB Camera")};

QJsonObject describe(const Camera &camera) {
    const QJsonObject brightness{{"min", 0}, {"max", 255}, {"default", 128}};
    return QJsonObject{{"path", camera.path()},
                       {"friendlyName", camera.name},
                       {"videoProcAmp", QJsonObject{{"0", brightness}}}};
}

// A text as the debug stream writes it: quoted, with backslashes and quotes escaped.
QString quoted(const QString &text) {
    return '"' + QString(text).replace('\\', "\\\\").replace('"', "\\\"") + '"';
}

QImage iconImage(const QIcon &icon) {
    return icon.pixmap(48, 48).toImage();
}

QImage svgImage(const char *name) {
    return QIcon(QStringLiteral(":/resources/images/%1.svg").arg(QLatin1String(name)))
        .pixmap(48, 48)
        .toImage();
}

}  // namespace

class TestCameraSettingWidget : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    CameraListFile m_cameras{m_dir.filePath(QStringLiteral("cameras.json"))};
    std::optional<DebugCapture> m_log;
    std::unique_ptr<CameraSettingWidget> m_window;

    void plug(const QList<Camera> &cameras) {
        QList<QJsonObject> described;
        for (const Camera &camera : cameras)
            described << describe(camera);
        QVERIFY(m_cameras.write(described));
    }

    QStringList logged() const { return m_log->lines(); }
    int countLines(const QString &start) const { return m_log->count(start); }

    // A fresh window on exactly these cameras, with nothing modified.
    void startWith(const QList<Camera> &cameras) {
        plug(cameras);
        int supported = 0;
        for (const Camera &camera : cameras)
            supported += camera.pid == kGeneric.pid ? 0 : 1;
        QTRY_COMPARE(CameraDeviceManager::instance()->enumerateDevices(), supported);
        AppGlobals::instance()->setModified(false, false);
        m_log->clear();
        m_window = std::make_unique<CameraSettingWidget>();
        m_window->show();
    }

    template <typename T>
    T *w(const char *name) const {
        return formChild<T>(m_window.get(), name);
    }
    QComboBox *devices() const { return w<QComboBox>("cbbDevices"); }
    SettingLargeButton *button(const char *name) const { return w<SettingLargeButton>(name); }

    QStringList listed() const {
        QStringList names;
        for (int i = 0; i < devices()->count(); ++i)
            names << devices()->itemText(i);
        return names;
    }

    // Which pages are showing, as the navigation entry names them.
    QString visiblePages() const {
        QStringList pages;
        for (const char *name :
             {"adjustmentWidget", "advancedWidget", "userProfileWidget", "aboutWidget"}) {
            if (w<QWidget>(name)->isVisibleTo(m_window.get()))
                pages << QLatin1String(name);
        }
        return pages.join(' ');
    }

    QString checkedButtons() const {
        QStringList checked;
        for (const char *name : {"btnAdjustment", "btnAdvanced", "btnProfile", "btnAbout"}) {
            if (button(name)->isChecked())
                checked << QLatin1String(name);
        }
        return checked.join(' ');
    }

    template <typename T>
    static QList<T *> openTopLevels() {
        QList<T *> found;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *typed = qobject_cast<T *>(widget); typed && typed->isVisible())
                found << typed;
        }
        return found;
    }

private slots:
    void initTestCase() {
        plug({kDocCam, kWebCam});
        qputenv("TINTWELL_SIMULATED_CAMERAS", QFile::encodeName(m_cameras.path()));
        m_log.emplace();
    }
    void cleanupTestCase() { m_log.reset(); }

    void cleanup() {
        m_window.reset();
        for (QWidget *widget : QApplication::topLevelWidgets())
            widget->close();
    }

    void startsOnBasicWithEveryPageWired() {
        startWith({kDocCam, kGeneric, kWebCam});
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Tintwell"));
        QCOMPARE(listed(), QStringList({kDocCam.name, kWebCam.name}));
        QCOMPARE(AppGlobals::instance()->currentDeviceKey(), kDocCam.key());
        QCOMPARE(checkedButtons(), QStringLiteral("btnAdjustment"));
        QCOMPARE(visiblePages(), QStringLiteral("adjustmentWidget userProfileWidget"));
        QVERIFY(!button("btnProfile")->isVisibleTo(m_window.get()));
        QCOMPARE(iconImage(button("btnAdjustment")->icon()), svgImage("adjustment_sel"));
        QCOMPARE(iconImage(button("btnAdvanced")->icon()), svgImage("advanced"));
        QCOMPARE(logged().first(), QStringLiteral("register notification result: true"));
        for (const char *page : {"adjustmentWidget", "advancedWidget", "userProfileWidget"}) {
            const QString line = QStringLiteral("%1 hint height: %2")
                                     .arg(QLatin1String(page))
                                     .arg(w<QWidget>(page)->minimumHeight());
            QVERIFY2(logged().contains(line), qPrintable(line));
        }
        QVERIFY(logged().contains(QStringLiteral(
            "==========camerasettingwidget==========control font is: \"Arial Unicode MS\"")));
        // The profile page learnt of the camera and the save buttons follow the modified flag.
        QVERIFY(logged().contains("onDeviceSelChanged deviceid: \"" + kDocCam.key() + "\""));
        auto *save = w<QPushButton>("btnSaveProfile");
        QVERIFY(!save->isEnabled());
        AppGlobals::instance()->setModified(true, true);
        QVERIFY(save->isEnabled());
        AppGlobals::instance()->setModified(false, true);
    }

    void navigationShowsOnePageAndMovesTheSelectedIcon() {
        startWith({kDocCam});
        QTest::mouseClick(button("btnAdvanced"), Qt::LeftButton);
        QCOMPARE(checkedButtons(), QStringLiteral("btnAdvanced"));
        QCOMPARE(visiblePages(), QStringLiteral("advancedWidget userProfileWidget"));
        QCOMPARE(iconImage(button("btnAdvanced")->icon()), svgImage("advanced_sel"));
        QCOMPARE(iconImage(button("btnAdjustment")->icon()), svgImage("adjustment"));

        // Clicking the current entry again does not uncheck it.
        QTest::mouseClick(button("btnAdvanced"), Qt::LeftButton);
        QCOMPARE(checkedButtons(), QStringLiteral("btnAdvanced"));

        QTest::mouseClick(button("btnAbout"), Qt::LeftButton);
        QCOMPARE(checkedButtons(), QStringLiteral("btnAbout"));
        QCOMPARE(visiblePages(), QStringLiteral("aboutWidget"));
        QCOMPARE(iconImage(button("btnAbout")->icon()), svgImage("about_sel"));
        QCOMPARE(w<AboutWidget>("aboutWidget")->findChild<QLabel *>("lblVersion")->text(),
                 QStringLiteral("V1.0"));

        QMetaObject::invokeMethod(m_window.get(), "selectPage", Q_ARG(int, 2));
        QCOMPARE(visiblePages(), QStringLiteral("aboutWidget"));
        QMetaObject::invokeMethod(m_window.get(), "selectPage", Q_ARG(int, 5));
        QCOMPARE(checkedButtons(), QStringLiteral("btnAdjustment"));
        QCOMPARE(visiblePages(), QStringLiteral("adjustmentWidget userProfileWidget"));
        QCOMPARE(iconImage(button("btnAdjustment")->icon()), svgImage("adjustment_sel"));
        QMetaObject::invokeMethod(m_window.get(), "selectPage", Q_ARG(int, 1));
        QCOMPARE(visiblePages(), QStringLiteral("advancedWidget userProfileWidget"));
    }

    void trayMenuAndIconBringTheWindowBack() {
        startWith({kDocCam});
        auto *tray = m_window->findChild<QSystemTrayIcon *>();
        QVERIFY(tray);
        QCOMPARE(tray->toolTip(), QStringLiteral("Tintwell"));
        QMenu *menu = tray->contextMenu();
        QVERIFY(menu);
        QStringList entries;
        for (QAction *action : menu->actions()) {
            entries << (action->isSeparator() ? QStringLiteral("--") : action->text()) +
                           (action->isVisible() ? "" : " (hidden)");
        }
        QCOMPARE(entries, QStringList({"Minimization (&I) (hidden)", "Restore (&R)", "About (&A)",
                                       "--", "Exit (&Q)"}));

        m_window->hide();
        emit tray->activated(QSystemTrayIcon::Trigger);
        QVERIFY(m_window->isVisible());
        m_window->hide();
        emit tray->activated(QSystemTrayIcon::Context);
        QVERIFY(!m_window->isVisible());
        emit tray->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(m_window->isVisible());

        m_window->hide();
        menu->actions().at(2)->trigger();
        QVERIFY(m_window->isVisible());
        QCOMPARE(visiblePages(), QStringLiteral("aboutWidget"));
    }

    void closingHidesTheWindowAndClosesThePreview() {
        startWith({kDocCam});
        QTest::mouseClick(w<QPushButton>("btnPreview"), Qt::LeftButton);
        QCOMPARE(openTopLevels<PreviewWidget>().size(), 1);
        QPointer<PreviewWidget> preview = openTopLevels<PreviewWidget>().first();
        QVERIFY(!m_window->close());
        QVERIFY(!m_window->isVisible());
        QTRY_VERIFY(preview.isNull());
        // The window itself lives on and can open a new preview.
        QTest::mouseClick(w<QPushButton>("btnPreview"), Qt::LeftButton);
        QCOMPARE(openTopLevels<PreviewWidget>().size(), 1);
    }

    void previewOpensOnceBesideTheWindowAndClosesOnCameraChange() {
        startWith({kDocCam, kWebCam});
        auto *previewButton = w<QPushButton>("btnPreview");
        QTest::mouseClick(previewButton, Qt::LeftButton);
        QTest::mouseClick(previewButton, Qt::LeftButton);
        QCOMPARE(openTopLevels<PreviewWidget>().size(), 1);
        QPointer<PreviewWidget> preview = openTopLevels<PreviewWidget>().first();
        QCOMPARE(preview->windowTitle(), QStringLiteral("Preview"));
        QVERIFY(logged().contains("preview camera devicePath: " + quoted(kDocCam.path())));
        QCOMPARE(preview->y(), m_window->y());
        QVERIFY2(preview->x() + preview->width() <= m_window->x() ||
                     preview->width() > preview->screen()->geometry().width(),
                 "the preview stands left of the main window");

        // The user closes it: the next request opens a new one.
        preview->close();
        QTRY_VERIFY(preview.isNull());
        QTest::mouseClick(previewButton, Qt::LeftButton);
        QCOMPARE(openTopLevels<PreviewWidget>().size(), 1);
        preview = openTopLevels<PreviewWidget>().first();

        devices()->setCurrentIndex(1);
        QTRY_VERIFY(preview.isNull());
        QCOMPARE(AppGlobals::instance()->currentDeviceKey(), kWebCam.key());
    }

    void aboutWindowIsSeparateModalAndReused() {
        startWith({kDocCam});
        auto *profilePage = m_window->findChild<QWidget *>("userProfileWidget");
        QMetaObject::invokeMethod(profilePage, "showAboutSignal");
        QMetaObject::invokeMethod(profilePage, "showAboutSignal");
        const QList<AboutWidget *> windows = openTopLevels<AboutWidget>();
        QCOMPARE(windows.size(), 1);
        QCOMPARE(windows.first()->windowTitle(), QStringLiteral("About"));
        QVERIFY(windows.first()->testAttribute(Qt::WA_ShowModal));
        QVERIFY(!(windows.first()->windowFlags() & Qt::WindowMinMaxButtonsHint));
        // The page inside the main window is a different widget and stays where it was.
        QCOMPARE(visiblePages(), QStringLiteral("adjustmentWidget userProfileWidget"));
    }

    // Every plug-in is acted on, also the second and third in a row; arrivals that come together
    // share one refresh two seconds after the first.
    void everyPlugInIsListedAndBurstsShareOneRefresh() {
        startWith({kDocCam});
        plug({kDocCam, kWebCam});
        QTRY_VERIFY(countLines("device arrival:") == 1);
        QCOMPARE(listed().size(), 1);  // not yet: the refresh waits for the burst to settle
        QTRY_COMPARE_WITH_TIMEOUT(listed(), QStringList({kDocCam.name, kWebCam.name}),
                                  kRefreshWaitMs);

        plug({kDocCam, kWebCam, kVisualizer});
        QTRY_COMPARE_WITH_TIMEOUT(listed().size(), 3, kRefreshWaitMs);

        m_log->clear();
        plug({kDocCam, kWebCam, kVisualizer, kPtzCam, kGeneric});
        emit m_window->deviceArrival(kPtzCam.path(2));  // a second interface of the same camera
        QTRY_COMPARE_WITH_TIMEOUT(listed().size(), 4, kRefreshWaitMs);
        QCOMPARE(countLines("device arrival:"), 3);
        QCOMPARE(countLines("camera count:"), 1);
        QVERIFY(!listed().contains(kGeneric.name));
        // The selection stayed on the camera chosen first.
        QCOMPARE(devices()->currentText(), kDocCam.name);
        QCOMPARE(CameraDeviceManager::instance()->currentDevicePath(), kDocCam.path());
    }

    void unsupportedArrivalDoesNotSwallowTheNextOne() {
        startWith({kDocCam});
        plug({kDocCam, kGeneric});
        QTRY_COMPARE(countLines("is not velt device:"), 1);
        plug({kDocCam, kGeneric, kWebCam});
        QTRY_COMPARE_WITH_TIMEOUT(listed(), QStringList({kDocCam.name, kWebCam.name}),
                                  kRefreshWaitMs);
    }

    void everyUnplugIsActedOnAndTheSelectionMovesOn() {
        startWith({kDocCam, kWebCam, kVisualizer, kPtzCam});
        devices()->setCurrentIndex(1);
        QCOMPARE(AppGlobals::instance()->currentDeviceKey(), kWebCam.key());

        // Two cameras leave at once, the selected one among them.
        plug({kDocCam, kPtzCam});
        QTRY_COMPARE(listed(), QStringList({kDocCam.name, kPtzCam.name}));
        const QString selected = AppGlobals::instance()->currentDeviceKey();
        QVERIFY(selected == kDocCam.key() || selected == kPtzCam.key());
        QCOMPARE(devices()->currentData().toString(), selected);

        // Another interface of a listed camera goes: the camera stays.
        emit m_window->deviceRemoval(kDocCam.path(2));
        QCOMPARE(listed(), QStringList({kDocCam.name, kPtzCam.name}));

        plug({});
        QTRY_VERIFY(listed().isEmpty());
        QCOMPARE(AppGlobals::instance()->currentDeviceKey(), QString());
        QVERIFY(!w<QWidget>("adjustmentWidget")->isEnabled());

        // The first camera plugged into an empty list is selected.
        plug({kVisualizer});
        QTRY_COMPARE_WITH_TIMEOUT(listed(), QStringList({kVisualizer.name}), kRefreshWaitMs);
        QCOMPARE(AppGlobals::instance()->currentDeviceKey(), kVisualizer.key());
        QVERIFY(w<QWidget>("adjustmentWidget")->isEnabled());
    }

    void unplugClosesOnlyThePreviewOfTheRemovedCamera() {
        startWith({kDocCam, kWebCam});
        QTest::mouseClick(w<QPushButton>("btnPreview"), Qt::LeftButton);
        QPointer<PreviewWidget> preview = openTopLevels<PreviewWidget>().value(0);
        QVERIFY(preview);
        plug({kDocCam});
        QTRY_COMPARE(listed(), QStringList({kDocCam.name}));
        QVERIFY(preview);
        plug({});
        QTRY_VERIFY(preview.isNull());
    }

    void unplugOfModifiedSelectedCameraAsksBeforeItLeaves() {
        startWith({kDocCam, kWebCam});
        AppGlobals::instance()->setModified(true, true);
        ModalScript script;
        script.answer(QMessageBox::No);
        plug({kWebCam});
        QTRY_COMPARE(listed(), QStringList({kWebCam.name}));
        QCOMPARE(script.seen, QStringList({kSaveQuestion}));
        QVERIFY(!AppGlobals::instance()->isModified());
        // Answered while the camera was still the selected one.
        const int answered = logged().indexOf(QRegularExpression("return .*"));
        const int movedOn =
            logged().indexOf("onDeviceSelChanged deviceid: \"" + kWebCam.key() + "\"");
        QVERIFY(answered >= 0 && movedOn > answered);
    }

    // Last: once quit has been asked for, no nested event loop runs in this process any more.
    void exitAsksAboutChangesAndStaysWhenNamingIsCancelled() {
        startWith({kDocCam});
        QAction *exit = m_window->findChild<QSystemTrayIcon *>()->contextMenu()->actions().last();
        AppGlobals::instance()->setModified(true, true);
        {
            ModalScript script;
            script.answer(QMessageBox::Yes).cancelName();
            exit->trigger();
            QCOMPARE(script.seen, QStringList({kSaveQuestion, "name dialog"}));
        }
        QCOMPARE(countLines("unregister notification result:"), 0);
        QVERIFY(AppGlobals::instance()->isModified());

        ModalScript script;
        script.answer(QMessageBox::No);
        exit->trigger();
        QCOMPARE(script.seen, QStringList({kSaveQuestion}));
        QCOMPARE(logged().last(), QStringLiteral("unregister notification result: true"));
    }
};

TINTWELL_TEST_MAIN_WITH_FRESH_DATA(TestCameraSettingWidget)

#include "tst_camerasettingwidget.moc"
