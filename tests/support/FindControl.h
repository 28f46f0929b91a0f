#pragma once

#include <QWidget>

// The child control of `parent` with this object name. A missing control ends the test
// program at once with its name: every later step would act on nothing.
template <typename W> W* findControl(QWidget* parent, const char* name)
{
    W* w = parent->findChild<W*>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}
