#pragma once

#include <QString>
#include <QStringList>

// Starts a program with its arguments (no shell involved, so arguments are passed as they
// are). Without `wait` the program runs on its own and the result says whether it started.
// With `wait` the call blocks until the program ends, without limit when `timeoutMs` is 0,
// otherwise for at most `timeoutMs` milliseconds; when that time runs out `*timedOut` is set
// and the program is left running until it ends or this application object is destroyed.
// The result is whether the program started.
bool RunAndWait(const QString& program, const QStringList& arguments, bool wait, int timeoutMs,
                bool* timedOut = nullptr);
