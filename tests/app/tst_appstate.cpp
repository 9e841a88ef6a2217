#include <QSignalSpy>
#include <QtTest>

#include "AppGlobals.h"
#include "ApplicationFont.h"

class TestAppState : public QObject {
    Q_OBJECT

private slots:
    // Pages rely on the notification to refresh their buttons even when the flag is unchanged,
    // and on silent updates while they clear the flag themselves.
    void setModifiedNotifiesOnlyWhenAsked() {
        AppGlobals *globals = AppGlobals::instance();
        QSignalSpy spy(globals, &AppGlobals::modifyStateChanged);
        globals->setModified(true, true);
        globals->setModified(true, true);
        QVERIFY(globals->isModified());
        globals->setModified(false, false);
        QVERIFY(!globals->isModified());
        globals->setModified(false, true);
        QCOMPARE(spy, QList<QVariantList>({{true}, {true}, {false}}));
    }

    // Process-wide and only ever set, so the steps run in this order.
    void fontFallsBackUntilAFileLoads() {
        loadApplicationFont(QDir::temp().filePath("no-such-dir/Poppins-Regular.otf"));
        QCOMPARE(applicationFont().family(), QString("Arial Unicode MS"));
        QCOMPARE(applicationFont().weight(), 57);
        const QString file = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
        if (!QFile::exists(file))
            QSKIP("needs fonts-dejavu-core");
        loadApplicationFont(file);
        QCOMPARE(applicationFont().family(), QString("DejaVu Sans"));
        QCOMPARE(applicationFont().weight(), 57);
    }
};

QTEST_MAIN(TestAppState)
#include "tst_appstate.moc"
