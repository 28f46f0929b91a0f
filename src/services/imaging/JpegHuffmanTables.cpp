#include "services/imaging/JpegHuffmanTables.h"

#include "services/imaging/JpegCoefficients.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The natural (row by row) index of the coefficient at each zigzag position.
constexpr int kNaturalOrder[DCTSIZE2] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                         12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                         35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                         58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

constexpr int kMaxAcBits = 10;
constexpr int kMaxDcBits = 11;
constexpr int kEob = 0x00;
constexpr int kZrl = 0xF0;

// For each row of a block and each pattern of non-zero coefficients in it, the same
// coefficients as bits at their zigzag positions.
struct ZigzagMasks
{
    std::uint64_t rows[DCTSIZE][256];

    ZigzagMasks()
    {
        int zigzagOf[DCTSIZE2];
        for (int k = 0; k < DCTSIZE2; ++k)
            zigzagOf[kNaturalOrder[k]] = k;
        for (int row = 0; row < DCTSIZE; ++row) {
            for (int pattern = 0; pattern < 256; ++pattern) {
                std::uint64_t mask = 0;
                for (int column = 0; column < DCTSIZE; ++column) {
                    if (pattern & (1 << column))
                        mask |= std::uint64_t(1) << zigzagOf[row * DCTSIZE + column];
                }
                rows[row][pattern] = mask;
            }
        }
    }
};

const ZigzagMasks& zigzagMasks()
{
    static const ZigzagMasks masks;
    return masks;
}

int bitLength(int value)
{
    const unsigned magnitude = unsigned(value < 0 ? -value : value);
    return magnitude == 0 ? 0 : 32 - __builtin_clz(magnitude);
}

// The non-zero coefficients of a block as bits at their zigzag positions.
std::uint64_t nonZeroZigzag(const JCOEF* block, const ZigzagMasks& masks)
{
    std::uint64_t mask = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (int row = 0; row < DCTSIZE; row += 2) {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + row * DCTSIZE));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + (row + 1) * DCTSIZE));
        const __m128i zeros = _mm_packs_epi16(_mm_cmpeq_epi16(first, zero), _mm_cmpeq_epi16(second, zero));
        const unsigned nonZero = ~unsigned(_mm_movemask_epi8(zeros)) & 0xFFFFu;
        mask |= masks.rows[row][nonZero & 0xFF] | masks.rows[row + 1][nonZero >> 8];
    }
#else
    for (int row = 0; row < DCTSIZE; ++row) {
        unsigned pattern = 0;
        for (int column = 0; column < DCTSIZE; ++column)
            pattern |= block[row * DCTSIZE + column] != 0 ? 1u << column : 0u;
        mask |= masks.rows[row][pattern];
    }
#endif
    return mask;
}

// Symbol counts kept in four copies, taken in turn: a symbol counted several times in a row
// then does not wait for its own previous count to be stored. Summed when counting ends.
struct Counts
{
    static constexpr int kCopies = 4;
    quint64 copies[kCopies][256] = {};
    unsigned turn = 0;

    void add(int symbol) { ++copies[turn++ % kCopies][symbol]; }

    void sumInto(std::array<quint64, 256>& total) const
    {
        for (int symbol = 0; symbol < 256; ++symbol) {
            for (int copy = 0; copy < kCopies; ++copy)
                total[size_t(symbol)] += copies[copy][symbol];
        }
    }
};

// Counts the AC symbols of one block; false when a coefficient is out of range.
bool countAc(const JCOEF* block, const ZigzagMasks& masks, Counts& ac)
{
    std::uint64_t mask = nonZeroZigzag(block, masks) & ~std::uint64_t(1);
    int last = 0;
    while (mask) {
        const int k = __builtin_ctzll(mask);
        mask &= mask - 1;
        int run = k - last - 1;
        while (run >= 16) {
            ac.add(kZrl);
            run -= 16;
        }
        const int bits = bitLength(block[kNaturalOrder[k]]);
        if (bits > kMaxAcBits)
            return false;
        ac.add(run << 4 | bits);
        last = k;
    }
    if (last != DCTSIZE2 - 1)
        ac.add(kEob);
    return true;
}

// Every symbol an 8-bit baseline scan may code: DC categories 0..11; EOB, ZRL and each run of
// 0..15 zeros before a coefficient of 1..10 bits.
bool isAcSymbol(int symbol)
{
    const int size = symbol & 15;
    return symbol == kEob || symbol == kZrl || (size >= 1 && size <= kMaxAcBits);
}

void setTable(jpeg_compress_struct* cinfo, JHUFF_TBL*& table, std::array<quint64, 256> frequencies, bool dc)
{
    for (int symbol = 0; symbol < 256; ++symbol) {
        if (dc ? symbol < JpegHuffmanTables::kDcSymbols : isAcSymbol(symbol))
            ++frequencies[size_t(symbol)];
    }
    std::array<int, 17> bits{};
    std::array<int, 256> values{};
    const int count = JpegHuffmanTables::build(frequencies, bits, values);
    if (!table)
        table = jpeg_alloc_huff_table(reinterpret_cast<j_common_ptr>(cinfo));
    std::memset(table->bits, 0, sizeof table->bits);
    std::memset(table->huffval, 0, sizeof table->huffval);
    for (int length = 1; length <= 16; ++length)
        table->bits[length] = UINT8(bits[size_t(length)]);
    for (int i = 0; i < count; ++i)
        table->huffval[i] = UINT8(values[size_t(i)]);
    table->sent_table = FALSE;
}

} // namespace

bool JpegHuffmanTables::count(const JpegCoefficients& coefficients, int restartInterval)
{
    m_dc = {};
    m_ac = {};
    const ZigzagMasks& masks = zigzagMasks();
    const int components = coefficients.componentCount();
    if (components < 1 || components > MAX_COMPS_IN_SCAN)
        return false;
    int predictions[MAX_COMPS_IN_SCAN] = {};
    auto dcCounts = std::make_unique<Counts[]>(2);
    auto acCounts = std::make_unique<Counts[]>(2);

    // One block, real or a dummy beyond the component's edge (coded with no change of DC and
    // no AC coefficient).
    const auto countBlock = [&](int ci, const JCOEF* block) {
        Counts& dc = dcCounts[ci == 0 ? 0 : 1];
        Counts& ac = acCounts[ci == 0 ? 0 : 1];
        if (!block) {
            dc.add(0);
            ac.add(kEob);
            return true;
        }
        const int bits = bitLength(block[0] - predictions[ci]);
        if (bits > kMaxDcBits)
            return false;
        dc.add(bits);
        predictions[ci] = block[0];
        return countAc(block, masks, ac);
    };

    int mcusPerRow = 0;
    int mcuRows = 0;
    if (components == 1) {
        // A single component is coded alone: one block per MCU, no dummy blocks.
        mcusPerRow = coefficients.component(0).widthInBlocks;
        mcuRows = coefficients.component(0).heightInBlocks;
    } else {
        const QSize mcu = coefficients.mcuSize();
        mcusPerRow = (coefficients.size().width() + mcu.width() - 1) / mcu.width();
        mcuRows = (coefficients.size().height() + mcu.height() - 1) / mcu.height();
    }
    qint64 mcuNumber = 0;
    // The block rows of the MCU row being counted: component, then row within the MCU.
    const JCOEF* rows[MAX_COMPS_IN_SCAN][MAX_SAMP_FACTOR] = {};
    for (int my = 0; my < mcuRows; ++my) {
        for (int ci = 0; ci < components; ++ci) {
            const JpegCoefficients::Component& info = coefficients.component(ci);
            const int v = components == 1 ? 1 : info.v;
            for (int y = 0; y < v && y < MAX_SAMP_FACTOR; ++y) {
                const int by = my * v + y;
                const JBLOCKROW row = by < info.heightInBlocks ? coefficients.blockRow(ci, by) : nullptr;
                rows[ci][y] = row ? row[0] : nullptr;
            }
        }
        for (int mx = 0; mx < mcusPerRow; ++mx, ++mcuNumber) {
            if (restartInterval > 0 && mcuNumber % restartInterval == 0)
                std::fill(std::begin(predictions), std::end(predictions), 0);
            for (int ci = 0; ci < components; ++ci) {
                const JpegCoefficients::Component& info = coefficients.component(ci);
                const int h = components == 1 ? 1 : info.h;
                const int v = components == 1 ? 1 : info.v;
                for (int y = 0; y < v; ++y) {
                    for (int x = 0; x < h; ++x) {
                        const int bx = mx * h + x;
                        const JCOEF* block = rows[ci][y] && bx < info.widthInBlocks
                                                 ? rows[ci][y] + size_t(bx) * DCTSIZE2
                                                 : nullptr;
                        if (!countBlock(ci, block))
                            return false;
                    }
                }
            }
        }
    }
    for (int t = 0; t < 2; ++t) {
        dcCounts[t].sumInto(m_dc[size_t(t)]);
        acCounts[t].sumInto(m_ac[size_t(t)]);
    }
    return true;
}

void JpegHuffmanTables::install(jpeg_compress_struct* cinfo) const
{
    const int tables = cinfo->num_components > 1 ? 2 : 1;
    for (int t = 0; t < tables; ++t) {
        setTable(cinfo, cinfo->dc_huff_tbl_ptrs[t], m_dc[size_t(t)], true);
        setTable(cinfo, cinfo->ac_huff_tbl_ptrs[t], m_ac[size_t(t)], false);
    }
    for (int ci = 0; ci < cinfo->num_components; ++ci) {
        cinfo->comp_info[ci].dc_tbl_no = ci == 0 ? 0 : 1;
        cinfo->comp_info[ci].ac_tbl_no = ci == 0 ? 0 : 1;
    }
}

int JpegHuffmanTables::build(const std::array<quint64, 256>& frequencies, std::array<int, 17>& bits,
                             std::array<int, 256>& values)
{
    // Symbol 256 is a reserved one of the smallest frequency: its code, the longest, is
    // dropped at the end, so that no code consists of ones only.
    constexpr int kSymbols = 257;
    quint64 frequency[kSymbols];
    int codeSize[kSymbols] = {};
    int next[kSymbols];
    for (int i = 0; i < 256; ++i)
        frequency[i] = frequencies[size_t(i)];
    frequency[256] = 1;
    std::fill(std::begin(next), std::end(next), -1);

    // Huffman's procedure: join the two least frequent trees (among equals the higher symbol,
    // so that the reserved one sinks deepest) until one is left; every symbol of a joined
    // tree gets one bit more.
    for (;;) {
        int least = -1;
        for (int i = 0; i < kSymbols; ++i) {
            if (frequency[i] && (least < 0 || frequency[i] <= frequency[least]))
                least = i;
        }
        int second = -1;
        for (int i = 0; i < kSymbols; ++i) {
            if (frequency[i] && i != least && (second < 0 || frequency[i] <= frequency[second]))
                second = i;
        }
        if (second < 0)
            break;
        frequency[least] += frequency[second];
        frequency[second] = 0;
        int symbol = least;
        ++codeSize[symbol];
        while (next[symbol] >= 0) {
            symbol = next[symbol];
            ++codeSize[symbol];
        }
        next[symbol] = second;
        symbol = second;
        ++codeSize[symbol];
        while (next[symbol] >= 0) {
            symbol = next[symbol];
            ++codeSize[symbol];
        }
    }

    // Codes per length; lengths above 16 are brought down as annex K.3 does: two codes of the
    // longest length give way to one a bit shorter, and a shorter code splits into two.
    int count[kSymbols + 1] = {};
    for (int i = 0; i < kSymbols; ++i)
        ++count[codeSize[i]];
    count[0] = 0;
    for (int length = kSymbols; length > 16; --length) {
        while (count[length] > 0) {
            int shorter = length - 2;
            while (count[shorter] == 0)
                --shorter;
            count[length] -= 2;
            count[length - 1] += 1;
            count[shorter + 1] += 2;
            count[shorter] -= 1;
        }
    }
    int longest = 16;
    while (longest > 0 && count[longest] == 0)
        --longest;
    if (longest > 0)
        --count[longest]; // the reserved code

    bits.fill(0);
    for (int length = 1; length <= 16; ++length)
        bits[size_t(length)] = count[length];
    // The lengths go to the symbols in order of their tree depth; among equally deep symbols
    // the more frequent ones come first, so that shortening the deepest codes above never
    // leaves a symbol with a longer code than a rarer one. The reserved symbol, deepest and
    // rarest, comes last and is left out.
    int order[kSymbols];
    int ordered = 0;
    for (int symbol = 0; symbol < kSymbols; ++symbol) {
        if (codeSize[symbol] > 0)
            order[ordered++] = symbol;
    }
    const auto frequencyOf = [&frequencies](int symbol) {
        return symbol < 256 ? frequencies[size_t(symbol)] : 0;
    };
    std::stable_sort(order, order + ordered, [&](int a, int b) {
        if (codeSize[a] != codeSize[b])
            return codeSize[a] < codeSize[b];
        return frequencyOf(a) > frequencyOf(b);
    });
    int written = 0;
    for (int i = 0; i < ordered; ++i) {
        if (order[i] < 256)
            values[size_t(written++)] = order[i];
    }
    return written;
}
