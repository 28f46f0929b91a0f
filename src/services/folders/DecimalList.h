#pragma once

#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QString>

// A sequence of bytes as text: each byte in decimal, separated by single commas, no blanks
// and no terminator ("0,255,12"). Layer files store the font record this way.

// Writes the list into `buffer` (`capacity` characters, including the terminating NUL) and
// returns its length. Stops early when the text would come within 4 characters of the
// capacity, so the text is always terminated; a capacity of 0 writes nothing.
std::size_t BytesToDecimalList(char* buffer, std::size_t capacity, const std::uint8_t* bytes,
                               std::size_t count);
// The whole list, without a length limit.
QString BytesToDecimalList(const std::uint8_t* bytes, std::size_t count);

// Reads up to `capacity` bytes from a NUL-terminated 8-bit text and returns how many were
// stored. Per value: skip ASCII white space; stop at the end of the text; read a number as
// strtol with base 0 does (decimal, "0x" hexadecimal, leading-zero octal, optional sign,
// 32-bit range) and store its low byte - when no digit can be read the byte is 0 and
// reading stops after it; skip white space; anything but a comma stops.
std::size_t DecimalListToBytes(const char* text, std::uint8_t* bytes, std::size_t capacity);
// The same for an element text: at most its first 2047 characters are considered, and
// characters outside ASCII count as non-digits.
std::size_t DecimalListToBytes(const QString& text, std::uint8_t* bytes, std::size_t capacity);
