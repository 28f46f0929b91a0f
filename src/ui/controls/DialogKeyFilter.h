#pragma once

#include "ui/controls/DialogKeys.h"

#include <QDialog>
#include <QEvent>
#include <QKeyEvent>

// Enter accepts a dialog and Escape closes it (reject), for the keys that no control of the
// dialog takes itself (a focused push button still clicks on Enter, an open list still closes
// on Escape). The dialog closes just after the key event. The windows without a cancel button store their
// settings however they close, so for them both keys simply close the window.
class DialogKeyFilter : public QObject
{
public:
    // The filter is owned by the dialog.
    static void install(QDialog* dialog) { dialog->installEventFilter(new DialogKeyFilter(dialog)); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_dialog || event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (!DialogKeys::isEnterOrEscape(key) || modifiers != Qt::NoModifier)
            return QObject::eventFilter(watched, event);
        // Closed once the key has been delivered: closing may destroy the control that got it.
        const bool escape = key->key() == Qt::Key_Escape;
        QMetaObject::invokeMethod(
            m_dialog,
            [dialog = m_dialog, escape]() {
                if (escape)
                    dialog->reject();
                else
                    dialog->accept();
            },
            Qt::QueuedConnection);
        return true;
    }

private:
    explicit DialogKeyFilter(QDialog* dialog) : QObject(dialog), m_dialog(dialog) {}

    QDialog* m_dialog;
};
