#include "MessageCollector.h"

#include "services/messages/WindowMessage.h"

QList<int> MessageCollector::numbers() const
{
    QList<int> result;
    for (const Message& message : messages)
        result.append(message.number);
    return result;
}

bool MessageCollector::event(QEvent* e)
{
    if (e->type() != WindowMessageEvent::eventType())
        return QObject::event(e);
    const auto* message = static_cast<WindowMessageEvent*>(e);
    messages.append({message->message(), message->wParam(), message->lParam()});
    return true;
}
