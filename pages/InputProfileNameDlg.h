#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class InputProfileNameDlg;
}

// Asks for the name of a new profile. Refuses an all-blank name; otherwise hands the text back
// exactly as typed, blanks included.
class InputProfileNameDlg : public QDialog {
    Q_OBJECT
public:
    explicit InputProfileNameDlg(QWidget *parent = nullptr);
    ~InputProfileNameDlg() override;

    QString profileName();

private:
    void onAccepted();

    Ui::InputProfileNameDlg *ui;
    QString name;
};
