#include "ControlRow.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmapCache>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>

#include "AppGlobals.h"
#include "ApplicationFont.h"
#include "CameraDeviceManager.h"
#include "FontScale.h"
#include "ScreenScale.h"

namespace {

// Every row shows the same plus and minus icons: each icon is rendered from its SVG once per
// size and then shared, instead of being parsed and drawn again for each of thirty buttons.
QPixmap renderedIcon(const QString &iconPath, int side) {
    const QString key = QStringLiteral("tintwell-row-icon:%1@%2").arg(iconPath).arg(side);
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = QIcon(iconPath).pixmap(QSize(side, side), QIcon::Normal, QIcon::Off);
        QPixmapCache::insert(key, pixmap);
    }
    return pixmap;
}

}  // namespace

ControlRow::ControlRow(QSlider *slider, QToolButton *minusButton, QLineEdit *field,
                       QToolButton *plusButton)
    : m_slider(slider), m_minusButton(minusButton), m_field(field), m_plusButton(plusButton) {}

void ControlRow::connectSlider(QObject *context, CameraWriter writeToCamera) const {
    QLineEdit *field = m_field;
    QObject::connect(m_slider, &QSlider::valueChanged, context, [field, writeToCamera](int value) {
        writeToCamera(value);
        field->setText(QString::number(value));
        AppGlobals *globals = AppGlobals::instance();
        if (!globals->isApplyingProfile())
            globals->setModified(true, true);
    });
}

void ControlRow::setUpPlusButton(double factor) const {
    setUpStepButton(m_plusButton, QStringLiteral(":/resources/images/add.svg"), +1, factor);
}

void ControlRow::setUpMinusButton(double factor) const {
    setUpStepButton(m_minusButton, QStringLiteral(":/resources/images/minus.svg"), -1, factor);
}

void ControlRow::setUpStepButton(QToolButton *button, const QString &iconPath, int step,
                                 double factor) const {
    const int s = scaledPixels(16, factor);
    button->setAutoRepeat(true);
    button->setIconSize(QSize(s, s));
    button->setIcon(QIcon(renderedIcon(iconPath, s)));
    button->setStyleSheet(QStringLiteral(".QToolButton{border:none;}"));
    button->setText(QString());
    QSlider *slider = m_slider;
    // setValue clamps to the range and stays silent when nothing changes.
    QObject::connect(button, &QToolButton::clicked, slider,
                     [slider, step]() { slider->setValue(slider->value() + step); });
}

void ControlRow::takeRangeFrom(const PropertyInfo &info, bool readOk) const {
    if (!readOk)
        return;
    const QSignalBlocker blocker(m_slider);
    m_slider->setMinimum(int(info.min));
    m_slider->setMaximum(int(info.max));
}

void ControlRow::applyProfileValue(long value) const {
    const int v = int(value);
    if (v == m_slider->value())
        emit m_slider->valueChanged(v);
    else
        m_slider->setValue(v);
    m_field->setText(QString::number(v));
}

void ControlRow::setEnabled(bool enabled) const {
    m_slider->setEnabled(enabled);
    m_plusButton->setEnabled(enabled);
    m_minusButton->setEnabled(enabled);
}

bool ControlRow::isEnabled() const {
    return m_slider->isEnabled();
}

long ControlRow::fieldValue() const {
    return m_field->text().toInt();
}

void setRowIcon(QLabel *label, const QString &iconPath, double factor) {
    const int s = scaledPixels(24, factor);
    label->setPixmap(renderedIcon(iconPath, s));
}

void applyControlPageFonts(QWidget *page) {
    QFont font = applicationFont();
    font.setPointSize(scaledPointSize(9));
    const QList<QWidget *> widgets = page->findChildren<QWidget *>();
    for (QWidget *widget : widgets)
        widget->setFont(font);
    const QList<QLineEdit *> edits = page->findChildren<QLineEdit *>();
    for (QLineEdit *edit : edits)
        edit->setMinimumWidth(scaledPixels(45, screenScaleFactor()));
}
