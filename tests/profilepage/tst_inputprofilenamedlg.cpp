#include <QLineEdit>
#include <QtTest>

#include "InputProfileNameDlg.h"
#include "ModalScript.h"

class TestInputProfileNameDlg : public QObject {
    Q_OBJECT
private slots:
    void blankNamesAreRefusedAndTheDialogStaysOpen();
    void nameIsReturnedWithItsBlanks();
    void cancelRejects();
};

void TestInputProfileNameDlg::blankNamesAreRefusedAndTheDialogStaysOpen() {
    InputProfileNameDlg dlg;
    ModalScript script;
    script.typeName(QString()).answer(QMessageBox::Ok);
    script.typeName(QStringLiteral(" \t ")).answer(QMessageBox::Ok);
    script.cancelName();
    QCOMPARE(dlg.exec(), int(QDialog::Rejected));
    QVERIFY(script.done());
    QCOMPARE(script.unexpected, QStringList());
    const QString refused = QStringLiteral("Profile name should not be empty [default other]");
    QCOMPARE(script.seen,
             QStringList({"name dialog", refused, "name dialog", refused, "name dialog"}));
}

void TestInputProfileNameDlg::nameIsReturnedWithItsBlanks() {
    InputProfileNameDlg dlg;
    ModalScript script;
    script.typeName(QStringLiteral("  Night "));
    QCOMPARE(dlg.exec(), int(QDialog::Accepted));
    QCOMPARE(dlg.profileName(), QStringLiteral("  Night "));
    QCOMPARE(script.unexpected, QStringList());
}

void TestInputProfileNameDlg::cancelRejects() {
    InputProfileNameDlg dlg;
    {
        ModalScript script;
        script.typeName(QStringLiteral("Office"), false);
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QCOMPARE(script.seen, QStringList({"name dialog"}));
    }
    // Escape closes it the same way; a dialog that ignored the key ends with 42 instead.
    QTimer::singleShot(0, &dlg, [&dlg] {
        QTest::keyClick(dlg.findChild<QLineEdit *>("txtProfileName"), Qt::Key_Escape);
        if (dlg.isVisible())
            dlg.done(42);
    });
    QCOMPARE(dlg.exec(), int(QDialog::Rejected));
}

QTEST_MAIN(TestInputProfileNameDlg)
#include "tst_inputprofilenamedlg.moc"
