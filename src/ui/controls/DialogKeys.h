#pragma once

#include <QKeyEvent>

// The keys with which a dialog is accepted or closed.
namespace DialogKeys {

inline bool isEnterOrEscape(const QKeyEvent* event)
{
    const int key = event->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

} // namespace DialogKeys
