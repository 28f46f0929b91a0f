#pragma once

#include <QObject>
#include <QString>

// A notification of the desktop (the freedesktop notification service,
// org.freedesktop.Notifications, over the session bus) with one action: clicking the
// notification or its button emits actionInvoked. Each Show replaces the notification this
// object showed before. Without a session bus or a notification service nothing is shown.
// User-interface thread only.
class DesktopNotification : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";

    explicit DesktopNotification(QObject* parent = nullptr);

    void Show(const QString& summary, const QString& body, const QString& actionText);
    // The id the service gave the notification shown last (0 until it answered).
    uint id() const { return m_id; }

signals:
    void actionInvoked();
    // The service answered a Show (with the notification's id) or failed to.
    void shown(uint id);

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    uint m_id = 0;
    bool m_listening = false;
};
