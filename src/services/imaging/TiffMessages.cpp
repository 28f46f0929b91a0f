#include "services/imaging/TiffMessages.h"

#include <QLoggingCategory>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <utility>

#include <tiffio.h>

namespace {

Q_LOGGING_CATEGORY(lcTiff, "lumora.imaging.tiff")

QString formatMessage(const char* module, const char* format, va_list args)
{
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    const QString body = QString::fromLocal8Bit(text);
    return module ? QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(module), body) : body;
}

// The errors collected on this thread, while collecting.
struct Collected
{
    bool active = false;
    QString first;
};
thread_local Collected collected;

// Warnings and errors alike: a failed read or write already reaches the caller as a failed
// picture, so the library's detail is only kept for whoever asks for the program's messages.
void forwardMessage(const char* module, const char* format, va_list args)
{
    qCWarning(lcTiff).noquote() << formatMessage(module, format, args);
}

void forwardError(const char* module, const char* format, va_list args)
{
    const QString message = formatMessage(module, format, args);
    if (collected.active && collected.first.isEmpty())
        collected.first = message;
    qCWarning(lcTiff).noquote() << message;
}

} // namespace

void TiffMessages::routeToQt()
{
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetWarningHandler(forwardMessage);
        TIFFSetErrorHandler(forwardError);
    });
}

void TiffMessages::startCollecting()
{
    routeToQt();
    collected.active = true;
    collected.first.clear();
}

QString TiffMessages::stopCollecting()
{
    collected.active = false;
    return std::exchange(collected.first, QString());
}
