#include <QtTest>

#include "InputProfileNameDlg.h"
#include "ModalScript.h"

class TestInputProfileNameDlg : public QObject {
    Q_OBJECT
private slots:
    // After a refusal the user's next keys go into the field, whose text stays as typed.
    void refusedNamesKeepTheTextAndTheTypingAndAGivenNameKeepsItsBlanks() {
        InputProfileNameDlg dlg;
        auto typeKeys = [](const QString &keys) {
            return [keys](QWidget *modal) { QTest::keyClicks(modal->focusWidget(), keys); };
        };
        ModalScript script;
        script.typeName("").answer(QMessageBox::Ok).typeName(" \t ").answer(QMessageBox::Ok);
        script.typeName(" default").answer(QMessageBox::Ok);
        script.typeName("STANDARD PROFILE ").answer(QMessageBox::Ok).typeName("");
        script.answer(QMessageBox::Ok).meanwhile(typeKeys("  Night ")).typeName(QString());
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QCOMPARE(dlg.profileName(), QStringLiteral("  Night "));
        const QString empty = "Profile name should not be empty [default none]";
        const QString reserved =
            " is the name of the camera's own defaults. Please choose another "
            "name. [default none]";
        QCOMPARE(script.seen, QStringList({"name dialog", empty, "name dialog", empty,
                                           "name dialog", "\"default\"" + reserved, "name dialog",
                                           "\"STANDARD PROFILE\"" + reserved, "name dialog", empty,
                                           "name dialog"}));
        script.cancelName();
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(TestInputProfileNameDlg)
#include "tst_inputprofilenamedlg.moc"
