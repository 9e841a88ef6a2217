#include <QtTest>

#include "InputProfileNameDlg.h"
#include "ModalScript.h"

class TestInputProfileNameDlg : public QObject {
    Q_OBJECT
private slots:
    void blankNamesAreRefusedAndAGivenNameKeepsItsBlanks() {
        InputProfileNameDlg dlg;
        ModalScript script;
        script.typeName("").answer(QMessageBox::Ok).typeName(" \t ").answer(QMessageBox::Ok);
        script.typeName("  Night ");
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QCOMPARE(dlg.profileName(), QStringLiteral("  Night "));
        const QString refused = "Profile name should not be empty [default none]";
        QCOMPARE(script.seen,
                 QStringList({"name dialog", refused, "name dialog", refused, "name dialog"}));
        script.cancelName();
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(TestInputProfileNameDlg)
#include "tst_inputprofilenamedlg.moc"
