#pragma once

#include <QtGlobal>

#include <array>
#include <cstdio>

#include <jpeglib.h>

class JpegCoefficients;

// Huffman tables fitted to the blocks of a photo for one baseline scan, built without
// libjpeg's own fitting pass (which reads every coefficient once more, slowly, before the
// coded pass). The symbols are counted as the scan codes them (JPEG's F.1.2: DC differences
// in MCU order, restarting at each restart marker; runs of zeros, ZRL and EOB among the AC
// coefficients) and the code lengths follow the procedure of the JPEG standard's annex K.2
// (lengths of at most 16 bits, no code of all ones).
//
// Every symbol an 8-bit baseline scan may use gets a code, the ones not counted the longest:
// the tables stay valid for any block whatever the blocks at the picture's edges hold, and
// cost a few bits at most. Component 0 uses tables 0, the others tables 1.
class JpegHuffmanTables
{
public:
    static constexpr int kDcSymbols = 12; // DC difference categories 0..11

    // Counts the symbols of one scan holding every component (interleaved when there are
    // several) with the given restart interval (in MCUs, 0 for none). False when a
    // coefficient lies outside what 8-bit JPEG codes (an AC coefficient beyond +-1023, a DC
    // difference beyond +-2047).
    bool count(const JpegCoefficients& coefficients, int restartInterval);

    // Builds the tables from the counts and sets them into the compressor, with every
    // component pointing at its tables.
    void install(jpeg_compress_struct* cinfo) const;

    // The code lengths for the frequencies of symbols 0..255 (0: the symbol gets no code):
    // bits[n] codes of n bits (n = 1..16, bits[0] unused), values sorted by length, then by
    // symbol. Returns the number of values.
    static int build(const std::array<quint64, 256>& frequencies, std::array<int, 17>& bits,
                     std::array<int, 256>& values);

private:
    std::array<std::array<quint64, 256>, 2> m_dc{};
    std::array<std::array<quint64, 256>, 2> m_ac{};
};
