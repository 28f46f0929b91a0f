#include "app/DesktopNotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {
const QString kInterface = QString::fromLatin1(DesktopNotification::kService);
const QString kOpenAction = QStringLiteral("open-folder");
const QString kDefaultAction = QStringLiteral("default");
} // namespace

DesktopNotification::DesktopNotification(QObject* parent) : QObject(parent) {}

void DesktopNotification::Show(const QString& summary, const QString& body, const QString& actionText)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    if (!m_listening) {
        const QString service = QString::fromLatin1(kService);
        const QString path = QString::fromLatin1(kPath);
        bus.connect(service, path, kInterface, QStringLiteral("ActionInvoked"), this,
                    SLOT(onActionInvoked(uint, QString)));
        bus.connect(service, path, kInterface, QStringLiteral("NotificationClosed"), this,
                    SLOT(onClosed(uint, uint)));
        m_listening = true;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kService), QString::fromLatin1(kPath), kInterface, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("lumora-plenum")},
                            {QStringLiteral("category"), QStringLiteral("transfer.complete")}};
    // "default" is what a click on the notification itself invokes.
    call << QStringLiteral("Lumora Plenum") << m_id << QStringLiteral("lumora-plenum") << summary << body
         << QStringList{kDefaultAction, actionText, kOpenAction, actionText} << hints << qint32(-1);
    // Asynchronous: the window never waits for the notification service.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* pending) {
        const QDBusPendingReply<uint> reply = *pending;
        if (!reply.isError())
            m_id = reply.value();
        pending->deleteLater();
        emit shown(reply.isError() ? 0 : reply.value());
    });
}

void DesktopNotification::onActionInvoked(uint id, const QString& action)
{
    if (id == 0 || id != m_id)
        return;
    if (action == kOpenAction || action == kDefaultAction)
        emit actionInvoked();
}

void DesktopNotification::onClosed(uint id, uint)
{
    if (id != 0 && id == m_id)
        m_id = 0;
}
