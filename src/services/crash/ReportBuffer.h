#pragma once

#include <cstddef>
#include <cstdint>

// A fixed-size UTF-16 text that a crash report is built in. It never allocates, so it can be
// filled inside a signal handler. Text that does not fit is cut: the buffer holds at most
// kCapacity characters including the terminating NUL, and a surrogate pair is never split.
class ReportBuffer
{
public:
    static constexpr std::size_t kCapacity = 8000;

    void clear();

    // Starts a new line: CR LF, except at the very start of the text, so that the text never
    // begins with a line break.
    void beginLine();

    // Appends UTF-8 text (ASCII included); malformed sequences become U+FFFD.
    void appendUtf8(const char* text);
    void appendUtf8(const char* text, std::size_t length);

    // Upper-case hexadecimal, padded with zeros to at least minDigits digits.
    void appendHex(std::uint64_t value, int minDigits = 1);
    // Decimal, padded with zeros to at least minDigits digits.
    void appendDecimal(std::int64_t value, int minDigits = 1);

    // The text without its terminating NUL; data() is always NUL-terminated.
    const char16_t* data() const { return m_text; }
    std::size_t length() const { return m_length; }

private:
    void appendUnit(char16_t unit);
    void appendCodePoint(char32_t codePoint);

    char16_t m_text[kCapacity] = {};
    std::size_t m_length = 0;
    bool m_truncated = false;
};
