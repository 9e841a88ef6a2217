#include "FormControlRows.h"

#include <QDebug>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <algorithm>

#include "CameraDeviceManager.h"
#include "ControlRowCameraValue.h"

namespace {

// A name the form lacks is a mistake in the table or the form, found at the first start.
template <class Widget>
Widget *formChild(const QWidget *form, const QString &name) {
    Widget *child = form->findChild<Widget *>(name);
    if (!child)
        qFatal("the form %s has no %s", qPrintable(form->objectName()), qPrintable(name));
    return child;
}

// Rows in the order the camera layer is asked for them: image controls first, then (when
// `modesLast`) rows without an automatic mode before those with one.
QVector<FormControlRow> cameraOrder(QVector<FormControlRow> rows, bool modesLast) {
    std::stable_sort(rows.begin(), rows.end(), [modesLast](const auto &a, const auto &b) {
        const auto rank = [modesLast](const ControlEntry *c) {
            return int(c->family) * 2 + (modesLast && c->companion == Companion::Automatic);
        };
        return rank(a.control) < rank(b.control);
    });
    return rows;
}

bool readCamera(const ControlEntry &control, PropertyInfo &info) {
    info.id = control.id;
    return CameraDeviceManager::instance()->getControl(control.family, info);
}

}  // namespace

QVector<FormControlRow> formControlRows(const QWidget *form, ControlPage page) {
    QVector<FormControlRow> rows;
    for (const ControlEntry &control : kControls) {
        if (control.page != page || !control.formName)
            continue;
        const QString name = QLatin1String(control.formName);
        const QString shortName = QLatin1String(control.shortName);
        rows.append({&control, ControlRow(formChild<QSlider>(form, "sl" + name),
                                          formChild<QToolButton>(form, "btnSub" + shortName),
                                          formChild<QLineEdit>(form, "txt" + name),
                                          formChild<QToolButton>(form, "btnAdd" + shortName))});
    }
    return rows;
}

QRadioButton *formModeButton(const QWidget *form, const ControlEntry &control, const char *suffix) {
    return formChild<QRadioButton>(
        form, QLatin1String("rbtn") + QLatin1String(control.shortName) + QLatin1String(suffix));
}

void setFormIcons(const QWidget *form, double factor) {
    for (const ControlEntry &control : kControls)
        if (control.iconLabel)
            if (auto *label = form->findChild<QLabel *>(QLatin1String(control.iconLabel)))
                setRowIcon(label, QLatin1String(control.icon), factor);
}

void setUpStepButtons(const QVector<FormControlRow> &rows, double factor) {
    for (const FormControlRow &row : rows)
        row.row.setUpPlusButton(factor);
    for (const FormControlRow &row : rows)
        row.row.setUpMinusButton(factor);
}

void connectSliders(QObject *context, const QVector<FormControlRow> &rows) {
    for (const FormControlRow &row : rows) {
        const ControlEntry *control = row.control;
        row.row.connectSlider(context, [control](int value) {
            if (control->sliderLog)
                qDebug() << control->sliderLog;
            CameraDeviceManager::instance()->setControl(control->control, value);
        });
    }
}

void takeCameraRanges(const QVector<FormControlRow> &rows) {
    for (const FormControlRow &row : cameraOrder(rows, false)) {
        PropertyInfo info;
        const bool ok = readCamera(*row.control, info);
        row.row.takeRangeFrom(info, ok);
    }
}

void showCameraValues(const QWidget *form, const QVector<FormControlRow> &rows) {
    for (const FormControlRow &row : cameraOrder(rows, true)) {
        PropertyInfo info;
        const bool ok = readCamera(*row.control, info);
        if (row.control->companion == Companion::Automatic)
            showCameraValueAndMode(row.row, info, ok, formModeButton(form, *row.control, "Auto"),
                                   formModeButton(form, *row.control, "Manual"));
        else
            showCameraValue(row.row, info, ok);
    }
}
