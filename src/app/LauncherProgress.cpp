#include "app/LauncherProgress.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kSteps = 200;
} // namespace

void LauncherProgress::setProgress(double fraction)
{
    fraction = std::clamp(fraction, 0.0, 1.0);
    const int step = int(std::floor(fraction * kSteps));
    if (step == m_shownStep)
        return;
    m_shownStep = step;
    send({{QStringLiteral("progress"), fraction}, {QStringLiteral("progress-visible"), true}});
}

void LauncherProgress::hide()
{
    if (m_shownStep < 0)
        return;
    m_shownStep = -1;
    send({{QStringLiteral("progress"), 0.0}, {QStringLiteral("progress-visible"), false}});
}

void LauncherProgress::send(const QVariantMap& properties)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(kObjectPath),
                                                     QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                                     QStringLiteral("Update"));
    signal << QString::fromLatin1(kAppUri) << properties;
    bus.send(signal);
}
