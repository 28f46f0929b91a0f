#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>

// Handles the modal windows and pop-up menus a test step opens: while alive it looks for
// the active pop-up or modal window every few milliseconds and hands each new one to the handler, which must
// close it. Message boxes are recorded (text and icon) before the handler sees them.
class ModalCatcher
{
public:
    using Handler = std::function<void(QWidget*)>;

    explicit ModalCatcher(Handler handler = {}) : m_handler(std::move(handler))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start(5);
    }

    // Answers every message box with the given button (or its default button).
    static ModalCatcher answering(QMessageBox::StandardButton button)
    {
        return ModalCatcher([button](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                if (QAbstractButton* b = box->button(button))
                    b->click();
                else
                    box->done(button);
            }
        });
    }

    QStringList texts;
    QList<QMessageBox::Icon> icons;
    QStringList titles;

private:
    void poll()
    {
        QWidget* w = QApplication::activePopupWidget();
        if (!w)
            w = QApplication::activeModalWidget();
        if (!w || w == m_last)
            return;
        m_last = w;
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            texts << box->text();
            icons << box->icon();
            titles << box->windowTitle();
        }
        if (m_handler)
            m_handler(w);
        else if (auto* box = qobject_cast<QMessageBox*>(w))
            box->done(QMessageBox::Ok);
    }

    Handler m_handler;
    QTimer m_timer;
    QPointer<QWidget> m_last;
};

// What runModal() saw: the modal window's result, and whether the step closed the window
// itself (false: it was closed after the time limit, so that the test failed, not hung).
struct ModalOutcome
{
    int result = -1;
    bool closedByStep = false;
};

// Runs `open`, which shows a modal window and returns its result, while `step` gets the
// window once it is active and must close it.
inline ModalOutcome runModal(const std::function<int()>& open, ModalCatcher::Handler step)
{
    ModalCatcher catcher(std::move(step));
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    limit.start(10000);
    ModalOutcome outcome;
    outcome.result = open();
    outcome.closedByStep = limit.isActive();
    return outcome;
}
