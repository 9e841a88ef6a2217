#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

namespace Ui {
class InputProfileNameDlg;
}

// Asks for the name of a new profile. Refuses an all-blank name and the two names of the base
// profile, "Default" and "Standard Profile" (in any letter case, blanks around ignored); asks
// before a name of `takenNames` is reused. Otherwise hands the text back exactly as typed, blanks
// included.
class InputProfileNameDlg : public QDialog {
    Q_OBJECT
public:
    explicit InputProfileNameDlg(QWidget *parent = nullptr);
    ~InputProfileNameDlg() override;

    QString profileName();
    // The names of the model's existing profiles; reusing one replaces that profile.
    void setTakenNames(const QStringList &names) { takenNames = names; }

    // True for the names that stand for the base profile, which no user profile may carry.
    static bool isReservedName(const QString &name);

private:
    void onAccepted();
    void refuse(const QString &text);

    Ui::InputProfileNameDlg *ui;
    QString name;
    QStringList takenNames;
};
