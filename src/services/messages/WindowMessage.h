#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>

// Private window messages between the program's parts. They keep their historic numbers
// and travel as a custom event posted to the receiving window, which dispatches on the
// number and the parameter.
enum PrivateMessage : int
{
    MainUiToolbarMessage = 5032,  // parameter: 12 preview, 13 start, 14 stop, 15 resizing, 16 preferences
    MainUiTemplateMessage = 5033, // parameter: 20 new template, 21 template menu
    FilesAddedMessage = 5036,
    QuickStartMessage = 5037,
    NewVersionMessage = 5140,    // parameter: server version
    LatestVersionMessage = 5141, // parameter: server version
    UpdateCheckFailedMessage = 5142,
};

class WindowMessageEvent : public QEvent
{
public:
    static QEvent::Type eventType()
    {
        static const int type = QEvent::registerEventType();
        return static_cast<QEvent::Type>(type);
    }

    WindowMessageEvent(int message, qint64 wParam = 0, qint64 lParam = 0)
        : QEvent(eventType()), m_message(message), m_wParam(wParam), m_lParam(lParam)
    {
    }

    int message() const { return m_message; }
    qint64 wParam() const { return m_wParam; }
    qint64 lParam() const { return m_lParam; }

private:
    int m_message;
    qint64 m_wParam;
    qint64 m_lParam;
};

// Posts a message to a window from any thread; a window that is gone receives nothing.
inline void postWindowMessage(QObject* target, int message, qint64 wParam = 0, qint64 lParam = 0)
{
    if (target)
        QCoreApplication::postEvent(target, new WindowMessageEvent(message, wParam, lParam));
}
