#include "services/crash/ReportBuffer.h"

#include <cstring>

void ReportBuffer::clear()
{
    m_length = 0;
    m_truncated = false;
    m_text[0] = 0;
}

void ReportBuffer::beginLine()
{
    if (m_length == 0)
        return;
    // Both units or neither, so a cut report never ends in half a line break.
    if (m_length + 2 > kCapacity - 1) {
        m_truncated = true;
        return;
    }
    appendUnit(u'\r');
    appendUnit(u'\n');
}

void ReportBuffer::appendUnit(char16_t unit)
{
    if (m_length >= kCapacity - 1) {
        m_truncated = true;
        return;
    }
    m_text[m_length++] = unit;
    m_text[m_length] = 0;
}

void ReportBuffer::appendCodePoint(char32_t codePoint)
{
    if (codePoint < 0x10000) {
        appendUnit(static_cast<char16_t>(codePoint));
        return;
    }
    if (m_length + 2 > kCapacity - 1) {
        m_truncated = true;
        return;
    }
    codePoint -= 0x10000;
    appendUnit(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
    appendUnit(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
}

void ReportBuffer::appendUtf8(const char* text)
{
    appendUtf8(text, text ? std::strlen(text) : 0);
}

void ReportBuffer::appendUtf8(const char* text, std::size_t length)
{
    constexpr char32_t kReplacement = 0xFFFD;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t i = 0;
    while (i < length && !m_truncated) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            appendUnit(lead);
            ++i;
            continue;
        }
        int trailCount = 0;
        char32_t codePoint = 0;
        char32_t minimum = 0;
        if ((lead & 0xE0) == 0xC0) {
            trailCount = 1;
            codePoint = lead & 0x1F;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            trailCount = 2;
            codePoint = lead & 0x0F;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            trailCount = 3;
            codePoint = lead & 0x07;
            minimum = 0x10000;
        } else {
            appendCodePoint(kReplacement);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool valid = true;
        for (int t = 0; t < trailCount; ++t, ++j) {
            if (j >= length || (bytes[j] & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            codePoint = (codePoint << 6) | (bytes[j] & 0x3F);
        }
        if (!valid || codePoint < minimum || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            // j is past the lead byte and every well-formed trail byte that was read.
            appendCodePoint(kReplacement);
            i = j;
            continue;
        }
        appendCodePoint(codePoint);
        i = j;
    }
}

void ReportBuffer::appendHex(std::uint64_t value, int minDigits)
{
    char digits[16];
    int count = 0;
    do {
        const unsigned nibble = static_cast<unsigned>(value & 0xF);
        digits[count++] = static_cast<char>(nibble < 10 ? '0' + nibble : 'A' + nibble - 10);
        value >>= 4;
    } while (value != 0);
    for (int pad = count; pad < minDigits; ++pad)
        appendUnit(u'0');
    while (count > 0)
        appendUnit(static_cast<char16_t>(digits[--count]));
}

void ReportBuffer::appendDecimal(std::int64_t value, int minDigits)
{
    std::uint64_t magnitude = static_cast<std::uint64_t>(value);
    if (value < 0) {
        appendUnit(u'-');
        magnitude = ~magnitude + 1;
    }
    char digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    for (int pad = count; pad < minDigits; ++pad)
        appendUnit(u'0');
    while (count > 0)
        appendUnit(static_cast<char16_t>(digits[--count]));
}
