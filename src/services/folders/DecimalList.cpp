#include "services/folders/DecimalList.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

constexpr qsizetype kMaxListText = 2047;

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// strtol with base 0, limited to the 32-bit range of the platform the files come from, so
// that out-of-range values give the same low byte everywhere.
long readNumber(const char* text, const char** end)
{
    char* stop = nullptr;
    long value = std::strtol(text, &stop, 0);
    *end = stop;
    if (value > std::numeric_limits<std::int32_t>::max())
        value = std::numeric_limits<std::int32_t>::max();
    else if (value < std::numeric_limits<std::int32_t>::min())
        value = std::numeric_limits<std::int32_t>::min();
    return value;
}

} // namespace

std::size_t BytesToDecimalList(char* buffer, std::size_t capacity, const std::uint8_t* bytes,
                               std::size_t count)
{
    if (!buffer || capacity == 0)
        return 0;
    std::size_t length = 0;
    buffer[0] = '\0';
    for (std::size_t i = 0; i < count; ++i) {
        // A value takes at most 4 characters (comma and three digits) plus the NUL.
        if (length + 4 >= capacity)
            break;
        const int written = std::snprintf(buffer + length, capacity - length, i == 0 ? "%d" : ",%d",
                                          static_cast<int>(bytes[i]));
        if (written < 0)
            break;
        length += static_cast<std::size_t>(written);
    }
    return length;
}

QString BytesToDecimalList(const std::uint8_t* bytes, std::size_t count)
{
    QString text;
    text.reserve(static_cast<qsizetype>(count) * 4);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            text += QLatin1Char(',');
        text += QString::number(bytes[i]);
    }
    return text;
}

std::size_t DecimalListToBytes(const char* text, std::uint8_t* bytes, std::size_t capacity)
{
    if (!text || !bytes)
        return 0;
    std::size_t stored = 0;
    const char* p = text;
    while (stored < capacity) {
        while (isAsciiSpace(*p))
            ++p;
        if (*p == '\0')
            break;
        const char* end = nullptr;
        const long value = readNumber(p, &end);
        bytes[stored++] = static_cast<std::uint8_t>(static_cast<unsigned long>(value) & 0xFFu);
        if (end == p)
            break;
        p = end;
        while (isAsciiSpace(*p))
            ++p;
        if (*p != ',')
            break;
        ++p;
    }
    return stored;
}

std::size_t DecimalListToBytes(const QString& text, std::uint8_t* bytes, std::size_t capacity)
{
    const qsizetype n = qMin(text.size(), kMaxListText);
    QByteArray narrow(n, '\0');
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        // NUL ends the text as it would in the 8-bit buffer; other non-ASCII is no digit.
        narrow[i] = c < 0x80 ? static_cast<char>(c) : '?';
    }
    return DecimalListToBytes(narrow.constData(), bytes, capacity);
}
