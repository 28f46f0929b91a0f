// Decoding of decimal byte lists (the font record of layer files) on arbitrary text.
// Checks that decoding stays inside its buffer, never reports more bytes than fit, and that
// any decoded bytes survive encoding and decoding again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QString>

#include "services/folders/DecimalList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the capacity, so short and full records are both exercised.
    const std::size_t capacity = data[0] % 100;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    std::uint8_t bytes[100];
    const std::size_t count = DecimalListToBytes(text.c_str(), bytes, capacity);
    if (count > capacity)
        std::abort();

    const QString wide = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    std::uint8_t wideBytes[100];
    if (DecimalListToBytes(wide, wideBytes, capacity) > capacity)
        std::abort();

    const QString list = BytesToDecimalList(bytes, count);
    std::uint8_t again[100];
    if (DecimalListToBytes(list, again, capacity) != count || std::memcmp(bytes, again, count) != 0)
        std::abort();

    char buffer[64];
    const std::size_t length = BytesToDecimalList(buffer, sizeof buffer, bytes, count);
    if (length >= sizeof buffer || buffer[length] != '\0' || std::strlen(buffer) != length)
        std::abort();
    return 0;
}
