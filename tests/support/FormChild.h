#pragma once

#include <QObject>
#include <QtGlobal>

// The child `name` of a form, which the test cannot go on without: a missing one (renamed in the
// form, or of another type), or a form that was never made because an earlier check failed, ends
// the run naming it, also in a release build, instead of crashing on a null pointer.
template <typename T>
T *formChild(const QObject *form, const char *name) {
    if (!form)
        qFatal("no form to look for %s in", name);
    T *child = form->findChild<T *>(QLatin1String(name));
    if (!child)
        qFatal("%s has no %s named %s", form->metaObject()->className(),
               T::staticMetaObject.className(), name);
    return child;
}
