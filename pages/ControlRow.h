#pragma once

// A control row is the slider, minus button, read-only value field and plus button that show and
// change one camera property. The widgets come from the page's form; ControlRow only wires them.
//
// How a page uses it, in its constructor after building the form:
//
//     const double factor = screenScaleFactor();
//     ControlRow brightness(ui->slBrightness, ui->btnSubBrightness, ui->txtBrightness,
//                           ui->btnAddBrightness);
//     brightness.connectSlider(this, [](int v) {
//         CameraDeviceManager::instance()->setBrightness(v);
//     });
//     brightness.setUpPlusButton(factor);   // looks, auto-repeat, one step up per click
//     brightness.setUpMinusButton(factor);  // looks, auto-repeat, one step down per click
//     setRowIcon(ui->lblBrightnessIcon, QStringLiteral(":/resources/images/brightness.svg"),
//                factor);
//
// A ControlRow is a small value (four pointers); keep it as a member or rebuild it when needed.
// When a profile is applied, call takeRangeFrom() with the camera's range, applyProfileValue()
// with the profile's value and setEnabled() with the profile's enabled flag. After a profile was
// applied, applyControlPageFonts(page) gives every child the page font.

#include <QString>
#include <functional>

class QLabel;
class QLineEdit;
class QObject;
class QSlider;
class QToolButton;
class QWidget;
struct PropertyInfo;

class ControlRow {
public:
    // Writes a slider value to the camera (the page decides the setter and any automatic flag).
    using CameraWriter = std::function<void(int value)>;

    ControlRow() = default;
    ControlRow(QSlider *slider, QToolButton *minusButton, QLineEdit *field,
               QToolButton *plusButton);

    QSlider *slider() const { return m_slider; }
    QToolButton *minusButton() const { return m_minusButton; }
    QLineEdit *field() const { return m_field; }
    QToolButton *plusButton() const { return m_plusButton; }

    // Every slider change, in this order: writes the camera, shows the value in the field and,
    // unless the program is applying a profile, marks the profile modified. `context` ends the
    // connection when it is destroyed.
    void connectSlider(QObject *context, CameraWriter writeToCamera) const;

    // Gives the button its icon and looks and makes a click (or a held press) move the slider one
    // unit; at either end of the range a click does nothing.
    void setUpPlusButton(double factor) const;
    void setUpMinusButton(double factor) const;

    // Takes the camera's minimum and maximum without notifying anyone, only when `readOk`;
    // otherwise the slider keeps its range.
    void takeRangeFrom(const PropertyInfo &info, bool readOk) const;

    // Puts a profile value into the row. The slider handler runs even when the value equals the
    // slider's current one, so the camera always receives it. The field then shows `value`.
    void applyProfileValue(long value) const;

    // The profile's enabled flag governs the slider and both buttons; field and labels stay.
    void setEnabled(bool enabled) const;
    bool isEnabled() const;

    // The field's number for saving into a profile: 0 when empty or not a number.
    long fieldValue() const;

private:
    void setUpStepButton(QToolButton *button, const QString &iconPath, int step,
                         double factor) const;

    QSlider *m_slider = nullptr;
    QToolButton *m_minusButton = nullptr;
    QLineEdit *m_field = nullptr;
    QToolButton *m_plusButton = nullptr;
};

// The row's icon label shows `iconPath` rendered at 24 x 24 pixels times the factor.
void setRowIcon(QLabel *label, const QString &iconPath, double factor);

// The page font step of the camera pages: every child widget takes the application font at
// trunc(factor * (96 / logical DPI) * 9) points, then every child line edit gets a minimum width
// of trunc(factor * 45) pixels.
void applyControlPageFonts(QWidget *page);
