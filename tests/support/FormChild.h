#pragma once

#include <QObject>

// The child `name` of a form; a missing one (or no form at all) ends the run naming it, also in a
// release build, instead of crashing on a null pointer.
template <typename T>
T *formChild(const QObject *form, const char *name) {
    T *child = form ? form->findChild<T *>(QLatin1String(name)) : nullptr;
    if (!child)
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return child;
}
