#pragma once

#include <QObject>
#include <QtGlobal>

// The child `name` of a form, which the test cannot go on without: a missing one (renamed in the
// form, or of another type) ends the run naming it, also in a release build, instead of crashing
// later on a null pointer.
template <typename T>
T *formChild(const QObject *form, const char *name) {
    T *child = form->findChild<T *>(QLatin1String(name));
    if (!child)
        qFatal("%s has no %s named %s", form->metaObject()->className(),
               T::staticMetaObject.className(), name);
    return child;
}
