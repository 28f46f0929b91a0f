#pragma once

#include <QKeyEvent>

// Enter and Escape would close or "accept" the windows that host settings pages and link
// lists, where every change is already stored as it is made; those windows swallow them.
namespace DialogKeys {

inline bool IsEnterOrEscape(const QKeyEvent* event)
{
    const int key = event->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

} // namespace DialogKeys
