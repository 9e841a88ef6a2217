#pragma once

// The control rows of a page's form, found by the object names the control table gives, and what
// both camera pages do with them alike.

#include <QVector>

#include "ControlRow.h"
#include "ControlTable.h"

class QRadioButton;
class QWidget;

struct FormControlRow {
    const ControlEntry *control;
    ControlRow row;
};

// The rows of `page`'s controls that have a slider, in the table's order.
QVector<FormControlRow> formControlRows(const QWidget *form, ControlPage page);

// "rbtn" + the control's short name + `suffix` ("Auto", "Manual").
QRadioButton *formModeButton(const QWidget *form, const ControlEntry &control, const char *suffix);

// Every icon label of the table that the form holds gets its control's icon.
void setFormIcons(const QWidget *form, double factor);

// Every plus button, then every minus button (ControlRow::setUpPlusButton, setUpMinusButton).
void setUpStepButtons(const QVector<FormControlRow> &rows, double factor);

// A slider move writes its value in manual mode, whatever mode buttons show.
void connectSliders(QObject *context, const QVector<FormControlRow> &rows);

// Takes each camera range into its row, asking for the image controls first.
void takeCameraRanges(const QVector<FormControlRow> &rows);

// Shows what the camera holds now in every row (and the mode of rows with an automatic mode),
// without writing the camera or marking anything modified. Asks for the image controls first,
// and within a family for controls without an automatic mode first.
void showCameraValues(const QWidget *form, const QVector<FormControlRow> &rows);
