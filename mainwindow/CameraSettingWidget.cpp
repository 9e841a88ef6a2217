#include "CameraSettingWidget.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QTimer>
#include <utility>

#include "AboutWidget.h"
#include "AdjustmentWidget.h"
#include "AdvancedWidget.h"
#include "AppGlobals.h"
#include "ApplicationFont.h"
#include "CameraDeviceManager.h"
#include "ControlChangeFollower.h"
#include "DeviceIdentification.h"
#include "FontScale.h"
#include "PreviewPlacement.h"
#include "PreviewWidget.h"
#include "ProfileApplier.h"
#include "ScreenScale.h"
#include "SettingLargeButton.h"
#include "UserProfileWidget.h"
#include "WindowScreenScale.h"
#include "ui_CameraSettingWidget.h"

#ifdef Q_OS_WIN
#include <objbase.h>
#include <windows.h>

#include "DeviceBroadcastRecord.h"
#endif

namespace {

// Plug-in announcements of one camera come in bursts (one per interface); the camera is listed
// once they have settled.
const int kArrivalRefreshDelayMs = 2000;

struct NavigationEntry {
    const char *selectedIcon;
    const char *normalIcon;
};

const NavigationEntry kNavigation[] = {
    {":/resources/images/adjustment_sel.svg", ":/resources/images/adjustment.svg"},
    {":/resources/images/advanced_sel.svg", ":/resources/images/advanced.svg"},
    {":/resources/images/profile_sel.svg", ":/resources/images/profile.svg"},
    {":/resources/images/about_sel.svg", ":/resources/images/about.svg"},
};

}  // namespace

CameraSettingWidget::CameraSettingWidget(QWidget *parent)
    : QWidget(parent), ui(new Ui::CameraSettingWidget) {
#ifdef Q_OS_WIN
    CoInitialize(nullptr);
#endif

    CameraDeviceManager *cameras = CameraDeviceManager::instance();
    const bool registered = cameras->registerDeviceNotification(quintptr(winId()));
    qDebug() << "register notification result:" << registered;
    // Backends other than the Windows one report plugging through the camera layer rather than
    // as window messages; both end up in the same two signals.
    connect(cameras, &CameraDeviceManager::deviceArrival, this,
            &CameraSettingWidget::deviceArrival);
    connect(cameras, &CameraDeviceManager::deviceRemoval, this,
            &CameraSettingWidget::deviceRemoval);

    scale = screenScaleFactor();
    ui->setupUi(this);

    const QPixmap logo(QStringLiteral(":/resources/images/VELT_logo_K.png"));
    ui->lblVeltLogo->setPixmap(logo.scaled(int(scale * 111), int(scale * 30), Qt::KeepAspectRatio,
                                           Qt::SmoothTransformation));
    ui->btnProfile->hide();

    fixPageHeight(ui->adjustmentWidget, "adjustmentWidget hint height:");
    fixPageHeight(ui->advancedWidget, "advancedWidget hint height:");
    fixPageHeight(ui->userProfileWidget, "userProfileWidget hint height:");

    activate(ui->btnAdjustment, ui->adjustmentWidget);
    ui->btnAdjustment->setIcon(
        navigationIcon(QString::fromLatin1(kNavigation[Basic].selectedIcon)));
    ui->btnAdvanced->setIcon(navigationIcon(QString::fromLatin1(kNavigation[Advanced].normalIcon)));
    ui->btnProfile->setIcon(navigationIcon(QString::fromLatin1(kNavigation[Profile].normalIcon)));
    ui->btnAbout->setIcon(navigationIcon(QString::fromLatin1(kNavigation[About].normalIcon)));

    const int iconSide = int(scale * 48);
    for (SettingLargeButton *button :
         {ui->btnAdjustment, ui->btnAdvanced, ui->btnProfile, ui->btnAbout}) {
        button->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Fixed);
        button->setFixedHeight(int(screenHeightScale() * 85));
        button->setIconSize(QSize(iconSide, iconSide));
    }
    connect(ui->btnAdjustment, &QToolButton::toggled, this,
            &CameraSettingWidget::onAdjustmentToggled);
    connect(ui->btnAdvanced, &QToolButton::toggled, this, &CameraSettingWidget::onAdvancedToggled);
    connect(ui->btnProfile, &QToolButton::toggled, this,
            &CameraSettingWidget::onUserProfileToggled);
    connect(ui->btnAbout, &QToolButton::toggled, this, &CameraSettingWidget::onAboutToggled);
    setMinimumWidth(int(screenWidthScale() * 300));

    wirePages();

    arrivalRefreshTimer = new QTimer(this);
    arrivalRefreshTimer->setSingleShot(true);
    arrivalRefreshTimer->setInterval(kArrivalRefreshDelayMs);
    connect(arrivalRefreshTimer, &QTimer::timeout, this, &CameraSettingWidget::runArrivalRefresh);

    AppGlobals::instance()->setApplyingProfile(true);
    ui->adjustmentWidget->refreshDeviceList(QString());
    AppGlobals::instance()->setApplyingProfile(false);
    // The shown camera got its profile through the pages; every other camera gets its own.
    applyActiveProfilesBesideShown();
    auto *follower = new ControlChangeFollower(this, [this] {
        ui->adjustmentWidget->showCameraValues();
        ui->advancedWidget->showCameraValues();
    });
    connect(ui->adjustmentWidget, &AdjustmentWidget::deviceSelChanged, follower,
            &ControlChangeFollower::onDeviceSelChanged);

    createTrayIcon();

    const double s = screenScaleFactor();
    setContentsMargins(int(s * 9), int(s * 9), int(s * 9), 0);
    ui->userProfileWidget->onShow();

    connect(this, &CameraSettingWidget::deviceArrival, this, &CameraSettingWidget::onDeviceArrival);
    connect(this, &CameraSettingWidget::deviceRemoval, this, &CameraSettingWidget::onDeviceRemoval);
    // Queued: the flow that asked finishes before the plugging it held back is taken up.
    connect(ui->userProfileWidget, &UserProfileWidget::questionClosed, this,
            &CameraSettingWidget::runDeferredDeviceChanges, Qt::QueuedConnection);
    connect(qApp, &QGuiApplication::commitDataRequest, this, &CameraSettingWidget::endWithSession);

    applyWindowFonts();
    qDebug() << "==========camerasettingwidget==========control font is:"
             << ui->btnAdjustment->font().family();

    setMinimumSize(int(s * 880), int(s * 554));
    // With the toggle connections in place each activation runs its entry's slot as well, so
    // this leaves Basic current with its icon selected and releases the minimum size again.
    activate(ui->btnAdvanced, ui->advancedWidget);
    activate(ui->btnAdjustment, ui->adjustmentWidget);
}

void CameraSettingWidget::setArrivalRefreshDelay(int ms) {
    arrivalRefreshTimer->setInterval(ms);
}

CameraSettingWidget::~CameraSettingWidget() {
    // Parentless windows of ours: the preview holds the camera open until it is gone.
    delete previewWindow;
    delete aboutWindow;
    delete ui;
#ifdef Q_OS_WIN
    CoUninitialize();
#endif
}

void CameraSettingWidget::fixPageHeight(QWidget *page, const char *debugLabel) {
    page->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::MinimumExpanding);
    const int height = page->sizeHint().height();
    qDebug() << debugLabel << height;
    page->setMinimumHeight(height);
}

void CameraSettingWidget::wirePages() {
    AdjustmentWidget *adjustment = ui->adjustmentWidget;
    AdvancedWidget *advanced = ui->advancedWidget;
    UserProfileWidget *profile = ui->userProfileWidget;
    connect(adjustment, &AdjustmentWidget::deviceSelChanged, adjustment,
            &AdjustmentWidget::onDeviceSelChanged);
    connect(adjustment, &AdjustmentWidget::deviceSelChanged, advanced,
            &AdvancedWidget::onDeviceSelChanged);
    connect(adjustment, &AdjustmentWidget::deviceSelChanged, profile,
            &UserProfileWidget::onDeviceSelChanged);
    connect(adjustment, &AdjustmentWidget::deviceSelChanged, this,
            &CameraSettingWidget::onClosePreview);
    connect(profile, &UserProfileWidget::profileSelChanged, adjustment,
            &AdjustmentWidget::onProfileSelChanged);
    connect(profile, &UserProfileWidget::profileSelChanged, advanced,
            &AdvancedWidget::onProfileSelChanged);
    connect(profile, &UserProfileWidget::profileNeedToSave, adjustment,
            &AdjustmentWidget::onProfileNeetToSave);
    connect(profile, &UserProfileWidget::profileNeedToSave, advanced,
            &AdvancedWidget::onProfileNeetToSave);
    connect(AppGlobals::instance(), &AppGlobals::modifyStateChanged, profile,
            &UserProfileWidget::onShow);
    connect(profile, &UserProfileWidget::showAboutSignal, this, &CameraSettingWidget::onAbout);
    connect(adjustment, &AdjustmentWidget::showPreviewSignal, this,
            &CameraSettingWidget::onPreview);
}

QIcon CameraSettingWidget::navigationIcon(const QString &svgPath) const {
    const int side = int(scale * 48);
    return QIcon(QIcon(svgPath).pixmap(side, side, QIcon::Normal, QIcon::Off));
}

void CameraSettingWidget::setNavigationIcons(Entry selected) {
    SettingLargeButton *const buttons[] = {ui->btnAdjustment, ui->btnAdvanced, ui->btnProfile,
                                           ui->btnAbout};
    for (int entry = Basic; entry <= About; ++entry) {
        const char *icon =
            entry == selected ? kNavigation[entry].selectedIcon : kNavigation[entry].normalIcon;
        buttons[entry]->setIcon(navigationIcon(QString::fromLatin1(icon)));
    }
}

void CameraSettingWidget::activate(SettingLargeButton *button, QWidget *page) {
    if (currentButton == button) {
        const QSignalBlocker blocker(button);
        button->setChecked(true);
        return;
    }
    if (currentButton) {
        const QSignalBlocker blocker(currentButton);
        currentButton->setChecked(false);
    }
    // Once the toggle slots are connected, this runs the entry's own slot before going on.
    button->setChecked(true);
    currentButton = button;
    if (button == ui->btnAdvanced)
        ui->advancedWidget->refreshFromProfile();
    showPage(page);
}

void CameraSettingWidget::showPage(QWidget *page) {
    setUpdatesEnabled(false);
    const double s = screenScaleFactor();
    setFixedSize(int(s * 720), int(s * 400));
    if (page == ui->adjustmentWidget) {
        ui->adjustmentWidget->show();
        ui->userProfileWidget->show();
        ui->advancedWidget->hide();
        ui->aboutWidget->hide();
    } else if (page == ui->advancedWidget) {
        ui->advancedWidget->show();
        ui->userProfileWidget->show();
        ui->advancedWidget->refreshFromProfile();
        ui->adjustmentWidget->hide();
        ui->aboutWidget->hide();
    } else if (page == ui->aboutWidget) {
        ui->aboutWidget->show();
        ui->adjustmentWidget->hide();
        ui->advancedWidget->hide();
        ui->userProfileWidget->hide();
    }
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setUpdatesEnabled(true);
}

void CameraSettingWidget::selectPage(int pageIndex) {
    switch (pageIndex) {
        case 0:
            activate(ui->btnAdjustment, ui->adjustmentWidget);
            break;
        case 1:
            activate(ui->btnAdvanced, ui->advancedWidget);
            break;
        case 2:
            if (currentButton == ui->btnProfile) {
                const QSignalBlocker blocker(ui->btnProfile);
                ui->btnProfile->setChecked(true);
            }
            break;
        case 3:
            activate(ui->btnAbout, ui->aboutWidget);
            break;
        default:
            if (currentButton == ui->btnAdjustment)
                showPage(ui->adjustmentWidget);
            else
                activate(ui->btnAdjustment, ui->adjustmentWidget);
            break;
    }
}

void CameraSettingWidget::onAdjustmentToggled(bool) {
    activate(ui->btnAdjustment, ui->adjustmentWidget);
    setNavigationIcons(Basic);
}

void CameraSettingWidget::onAdvancedToggled(bool) {
    activate(ui->btnAdvanced, ui->advancedWidget);
    setNavigationIcons(Advanced);
}

void CameraSettingWidget::onUserProfileToggled(bool) {
    if (currentButton == ui->btnProfile) {
        const QSignalBlocker blocker(ui->btnProfile);
        ui->btnProfile->setChecked(true);
    }
    setNavigationIcons(Profile);
}

void CameraSettingWidget::onAboutToggled(bool) {
    activate(ui->btnAbout, ui->aboutWidget);
    setNavigationIcons(About);
}

void CameraSettingWidget::createTrayIcon() {
    trayIcon = new QSystemTrayIcon(this);
    trayIcon->setIcon(QIcon(QStringLiteral(":/resources/images/appicon.png")));
    trayIcon->setToolTip(tr("Tintwell"));
    trayIcon->setVisible(true);
    connect(trayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
                    bringToTopmost();
            });

    minimizeAction = new QAction(tr("Minimization (&I)"), this);
    connect(minimizeAction, &QAction::triggered, this, &QWidget::hide);
    minimizeAction->setVisible(false);
    restoreAction = new QAction(tr("Restore (&R)"), this);
    connect(restoreAction, &QAction::triggered, this, &QWidget::showNormal);
    aboutAction = new QAction(tr("About (&A)"), this);
    connect(aboutAction, &QAction::triggered, this, [this] {
        onAboutToggled(true);
        raise();
        show();
    });
    quitAction = new QAction(tr("Exit (&Q)"), this);
    connect(quitAction, &QAction::triggered, this, &CameraSettingWidget::exitProgram);

    trayMenu = new QMenu(this);
    trayMenu->addAction(minimizeAction);
    trayMenu->addAction(restoreAction);
    trayMenu->addAction(aboutAction);
    trayMenu->addSeparator();
    trayMenu->addAction(quitAction);
    trayIcon->setContextMenu(trayMenu);
}

void CameraSettingWidget::applyWindowFonts() {
    QFont font = applicationFont();
    font.setPointSize(scaledPointSize(9));
    // The navigation buttons are set a second time, as the last ones.
    const QList<QWidget *> widgets = findChildren<QWidget *>();
    for (QWidget *widget : widgets)
        widget->setFont(font);
    const QList<SettingLargeButton *> buttons = findChildren<SettingLargeButton *>();
    for (SettingLargeButton *button : buttons)
        button->setFont(font);
}

void CameraSettingWidget::exitProgram() {
    if (!ui->userProfileWidget || ui->userProfileWidget->promptToSave())
        return;
    qDebug() << "unregister notification result:"
             << CameraDeviceManager::instance()->unregisterDeviceNotification();
    QCoreApplication::quit();
}

// The session manager may not be kept waiting or refused (on Windows that blocks shutdown): no
// questions, unsaved changes are dropped as with Exit and No, the camera keeps its values.
void CameraSettingWidget::endWithSession() {
    sessionEnding = true;
    onClosePreview();
    hide();
    qDebug() << "unregister notification result:"
             << CameraDeviceManager::instance()->unregisterDeviceNotification();
    QCoreApplication::quit();
}

void CameraSettingWidget::startInBackground() {
    if (QSystemTrayIcon::isSystemTrayAvailable())
        hide();
    else
        showMinimized();
}

void CameraSettingWidget::bringToTopmost() {
    showMinimized();
    showNormal();
    raise();
}

void CameraSettingWidget::closeEvent(QCloseEvent *event) {
    if (previewOpen && previewWindow)
        previewWindow->close();
    if (sessionEnding) {
        event->accept();
        return;
    }
    event->ignore();
    // Without a tray a hidden window could never be brought back: closing it is Exit.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        exitProgram();
        return;
    }
    hide();
}

bool CameraSettingWidget::nativeEvent(const QByteArray &eventType, void *message, long *result) {
#ifdef Q_OS_WIN
    const MSG *msg = static_cast<const MSG *>(message);
    if (eventType == "windows_generic_MSG" && msg && msg->message == WM_DEVICECHANGE) {
        const capture::DeviceBroadcast broadcast = capture::parseDeviceBroadcastMessage(
            std::uintptr_t(msg->wParam), std::intptr_t(msg->lParam));
        const QString path = QString::fromStdString(broadcast.utf8Path);
        if (broadcast.kind == capture::DeviceBroadcastKind::Arrival)
            emit deviceArrival(path);
        else if (broadcast.kind == capture::DeviceBroadcastKind::Removal)
            emit deviceRemoval(path);
    }
#endif
    return QWidget::nativeEvent(eventType, message, result);
}

void CameraSettingWidget::onDeviceArrival(QString devPath) {
    qDebug() << "device arrival:" << devPath;
    if (!isVeltDevice(devPath))
        return;
    // A camera announces each of its interfaces; all that come before the refresh share it.
    if (arrivalRefreshTimer->isActive())
        return;
    arrivedPath = devPath;
    arrivalRefreshTimer->start();
}

void CameraSettingWidget::runArrivalRefresh() {
    if (ui->userProfileWidget->isAsking()) {
        arrivalRefreshDeferred = true;
        return;
    }
    CameraDeviceManager *cameras = CameraDeviceManager::instance();
    AppGlobals *globals = AppGlobals::instance();
    const QString path = cameras->currentDevicePath();
    QStringList listedBefore;
    for (int i = 0; i < cameras->count(); ++i)
        listedBefore << cameras->devicePath(i);
    globals->setApplyingProfile(true);
    cameras->selectByPath(path);
    ui->adjustmentWidget->refreshDeviceList(path.isEmpty() ? arrivedPath : path);
    globals->setApplyingProfile(false);
    // Cameras that came (or came back) beside the shown one hold the driver's values until they
    // get their model's profile.
    applyActiveProfilesBesideShown(listedBefore);
}

bool CameraSettingWidget::isListedDevice(const QString &devPath) const {
    const CameraDeviceManager *cameras = CameraDeviceManager::instance();
    for (int i = 0; i < cameras->count(); ++i) {
        if (cameras->devicePath(i).compare(devPath, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void CameraSettingWidget::onDeviceRemoval(QString devPath) {
    qDebug() << "device removal:" << devPath;
    if (!isVeltDevice(devPath))
        return;
    // Another interface of a camera already taken out, or a camera never listed.
    if (!isListedDevice(devPath))
        return;
    if (ui->userProfileWidget->isAsking()) {
        deferredRemovals << devPath;
        return;
    }

    const QString cur = CameraDeviceManager::instance()->currentDevicePath();
    qDebug() << "currentDevPath:" << cur;
    qDebug() << "remove devPath:" << devPath;
    const bool same = cur.toUpper() == devPath.toUpper();
    if (same && previewOpen && previewWindow)
        previewWindow->close();
    // A cancelled name drops the change: the camera it was made on is gone, and asking again
    // over the next camera would ask twice about one change.
    if (AppGlobals::instance()->isModified() && same && ui->userProfileWidget->promptToSave())
        AppGlobals::instance()->setModified(false, true);
    ui->adjustmentWidget->removeDeviceFromList(devPath);
}

void CameraSettingWidget::runDeferredDeviceChanges() {
    if (ui->userProfileWidget->isAsking())
        return;
    const QStringList removals = std::exchange(deferredRemovals, {});
    for (const QString &path : removals)
        onDeviceRemoval(path);
    if (std::exchange(arrivalRefreshDeferred, false))
        runArrivalRefresh();
}

void CameraSettingWidget::onPreview() {
    if (previewWindow || previewOpen)
        return;
    previewOpen = true;
    const QString path = CameraDeviceManager::instance()->currentDevicePath();
    PreviewWidget *preview = new PreviewWidget(path, nullptr);
    previewWindow = preview;
    connect(preview, &PreviewWidget::closeSignal, this, [this, preview] {
        preview->deleteLater();
        // A window closed a second time on its way out must not clear its successor.
        if (previewWindow == preview) {
            previewWindow = nullptr;
            previewOpen = false;
        }
    });
    preview->setWindowTitle(tr("Preview"));
    preview->setWindowFlags(preview->windowFlags() & ~Qt::WindowMinimizeButtonHint);
    preview->show();

    const PreviewPlacement placement =
        placePreviewBeside(screenUnderPointer(), QRect(pos(), geometry().size()),
                           QRect(preview->pos(), preview->geometry().size()));
    move(placement.mainWindow);
    raise();
    preview->move(placement.preview.x(), y());
    preview->raise();
}

void CameraSettingWidget::onClosePreview() {
    if (previewOpen && previewWindow)
        previewWindow->close();
}

void CameraSettingWidget::onAbout() {
    if (!aboutWindow) {
        aboutWindow = new AboutWidget(nullptr);
        aboutWindow->setWindowTitle(tr("About"));
        aboutWindow->setWindowFlags(aboutWindow->windowFlags() &
                                    ~(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        aboutWindow->setAttribute(Qt::WA_ShowModal);
    }
    aboutWindow->show();
    aboutWindow->raise();
}
