#pragma once

#include <QList>
#include <QObject>

// A stand-in for the program's main window: records the window messages posted to it.
class MessageCollector : public QObject
{
public:
    struct Message
    {
        int number;
        qint64 wParam;
        qint64 lParam;
    };
    QList<Message> messages;

    // The message numbers in the order they arrived.
    QList<int> numbers() const;

protected:
    bool event(QEvent* e) override;
};
