#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class AboutWidget;
class PreviewWidget;
class QAction;
class QCloseEvent;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class SettingLargeButton;

namespace Ui {
class CameraSettingWidget;
}

// The program's main window: navigation on the left, the Basic or Advanced page with the profile
// strip (or the About page) on the right. It wires the pages together, keeps the tray icon,
// follows cameras being plugged in and out, opens the preview and the About window, hides itself
// when closed, and ends the program from the tray menu.
class CameraSettingWidget : public QWidget {
    Q_OBJECT
public:
    explicit CameraSettingWidget(QWidget *parent = nullptr);
    ~CameraSettingWidget() override;

    // How long arrivals must have settled before the list is refreshed (2 s); tests shorten it.
    void setArrivalRefreshDelay(int ms);

signals:
    // A capture-device interface arrived or was removed; the path has the camera layer's form.
    void deviceArrival(QString devPath);
    void deviceRemoval(QString devPath);

public slots:
    // 0 Basic, 1 Advanced, 2 nothing (Profile has no page), 3 About, anything else Basic.
    void selectPage(int pageIndex);
    void onAdjustmentToggled(bool bChecked);
    void onAdvancedToggled(bool bChecked);
    void onUserProfileToggled(bool bChecked);
    void onAboutToggled(bool bChecked);
    void onAbout();
    void onPreview();
    void onClosePreview();
    void onDeviceArrival(QString devPath);
    void onDeviceRemoval(QString devPath);
    void bringToTopmost();
    // "-startup": out of sight in the tray, or minimised where there is no tray to come back from.
    void startInBackground();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;

private:
    enum Entry { Basic, Advanced, Profile, About };

    void activate(SettingLargeButton *button, QWidget *page);
    void showPage(QWidget *page);
    void setNavigationIcons(Entry selected);
    QIcon navigationIcon(const QString &svgPath) const;
    void fixPageHeight(QWidget *page, const char *debugLabel);
    void wirePages();
    void createTrayIcon();
    void applyWindowFonts();
    void runArrivalRefresh();
    bool isListedDevice(const QString &devPath) const;
    void exitProgram();
    void endWithSession();
    void runDeferredDeviceChanges();

    Ui::CameraSettingWidget *ui;
    AboutWidget *aboutWindow = nullptr;
    SettingLargeButton *currentButton = nullptr;
    float scale = 1.0f;
    QSystemTrayIcon *trayIcon = nullptr;
    QAction *minimizeAction = nullptr;
    QAction *restoreAction = nullptr;
    QAction *quitAction = nullptr;
    QAction *aboutAction = nullptr;
    QMenu *trayMenu = nullptr;
    PreviewWidget *previewWindow = nullptr;
    bool previewOpen = false;
    // Arrivals gather here: the first starts the timer, later ones join its refresh.
    QTimer *arrivalRefreshTimer = nullptr;
    QString arrivedPath;
    // Plugging that happens while the profile page waits for an answer is handled after it.
    QStringList deferredRemovals;
    bool arrivalRefreshDeferred = false;
    bool sessionEnding = false;
};
