#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <QString>

// The logical-font record that layer files store as 92 decimal bytes. The layout is the
// little-endian Windows LOGFONTW so that layer files stay byte-compatible across systems:
// five 32-bit signed fields, eight byte fields, then a face name of 32 UTF-16 code units.
#pragma pack(push, 1)
struct LOGFONTW
{
    std::int32_t lfHeight = 0;
    std::int32_t lfWidth = 0;
    std::int32_t lfEscapement = 0;
    std::int32_t lfOrientation = 0;
    std::int32_t lfWeight = 0;
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = 0;
    std::uint8_t lfOutPrecision = 0;
    std::uint8_t lfClipPrecision = 0;
    std::uint8_t lfQuality = 0;
    std::uint8_t lfPitchAndFamily = 0;
    char16_t lfFaceName[32] = {};

    static constexpr std::size_t kByteSize = 92;
    static constexpr std::size_t kFaceUnits = 32;
    using Bytes = std::array<std::uint8_t, kByteSize>;
    using FaceUnits = std::array<char16_t, kFaceUnits>;

    // The face name's units. The record is packed and may lie at any address, so the array
    // is never read or written through a char16_t pointer, only copied byte-wise.
    FaceUnits faceUnits() const
    {
        FaceUnits units;
        std::memcpy(units.data(), lfFaceName, sizeof lfFaceName);
        return units;
    }

    void setFaceUnits(const FaceUnits& units) { std::memcpy(lfFaceName, units.data(), sizeof lfFaceName); }

    // The record in file order: little-endian fields, face name low byte first.
    Bytes toBytes() const
    {
        Bytes out{};
        std::size_t pos = 0;
        auto put32 = [&](std::int32_t v) {
            const auto u = static_cast<std::uint32_t>(v);
            for (int i = 0; i < 4; ++i)
                out[pos++] = static_cast<std::uint8_t>((u >> (8 * i)) & 0xFF);
        };
        put32(lfHeight);
        put32(lfWidth);
        put32(lfEscapement);
        put32(lfOrientation);
        put32(lfWeight);
        for (std::uint8_t b : {lfItalic, lfUnderline, lfStrikeOut, lfCharSet, lfOutPrecision, lfClipPrecision,
                               lfQuality, lfPitchAndFamily})
            out[pos++] = b;
        for (char16_t c : faceUnits()) {
            out[pos++] = static_cast<std::uint8_t>(c & 0xFF);
            out[pos++] = static_cast<std::uint8_t>((c >> 8) & 0xFF);
        }
        return out;
    }

    // Replaces the first `count` bytes of the record (file order); the rest keep their values.
    void setBytes(const std::uint8_t* bytes, std::size_t count)
    {
        Bytes all = toBytes();
        if (count > kByteSize)
            count = kByteSize;
        std::memcpy(all.data(), bytes, count);
        std::size_t pos = 0;
        auto get32 = [&]() {
            std::uint32_t u = 0;
            for (int i = 0; i < 4; ++i)
                u |= static_cast<std::uint32_t>(all[pos++]) << (8 * i);
            return static_cast<std::int32_t>(u);
        };
        lfHeight = get32();
        lfWidth = get32();
        lfEscapement = get32();
        lfOrientation = get32();
        lfWeight = get32();
        lfItalic = all[pos++];
        lfUnderline = all[pos++];
        lfStrikeOut = all[pos++];
        lfCharSet = all[pos++];
        lfOutPrecision = all[pos++];
        lfClipPrecision = all[pos++];
        lfQuality = all[pos++];
        lfPitchAndFamily = all[pos++];
        FaceUnits units;
        for (char16_t& c : units) {
            c = static_cast<char16_t>(all[pos] | (all[pos + 1] << 8));
            pos += 2;
        }
        setFaceUnits(units);
    }

    QString faceName() const
    {
        const FaceUnits units = faceUnits();
        std::size_t n = 0;
        while (n < kFaceUnits && units[n] != 0)
            ++n;
        return QString(reinterpret_cast<const QChar*>(units.data()), static_cast<qsizetype>(n));
    }

    // Sets the face name, cut to 31 units so that the record stays terminated.
    void setFaceName(const QString& name)
    {
        FaceUnits units{};
        const qsizetype n = qMin<qsizetype>(name.size(), kFaceUnits - 1);
        for (qsizetype i = 0; i < n; ++i)
            units[static_cast<std::size_t>(i)] = name.at(i).unicode();
        setFaceUnits(units);
    }

    friend bool operator==(const LOGFONTW& a, const LOGFONTW& b) { return a.toBytes() == b.toBytes(); }
};
#pragma pack(pop)

static_assert(sizeof(LOGFONTW) == LOGFONTW::kByteSize, "LOGFONTW must be the packed 92-byte record");

// The font record of every new template's first layer: height -38, weight 400,
// variable pitch and Swiss family (0x22), face "Tahoma", everything else zero.
inline LOGFONTW defaultFontRecord()
{
    LOGFONTW lf;
    lf.lfHeight = -38;
    lf.lfWeight = 400;
    lf.lfPitchAndFamily = 0x22;
    lf.setFaceName(QStringLiteral("Tahoma"));
    return lf;
}
