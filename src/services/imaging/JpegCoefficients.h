#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include "services/files/Outcome.h"

// The quantised DCT coefficients of a JPEG photo, read whole with jpeg_read_coefficients, so
// that some blocks can be replaced and the photo written again without decoding and encoding
// the others: every block left alone keeps its coefficients exactly.
//
// Only photos that can be written back as they were are taken: 8 bits per sample, Huffman
// coding, grey, YCbCr or RGB, sampling factors that divide the largest ones, progressive scans
// that code every bit of every coefficient, and data that reads without any problem the
// decoder would have to work around (a truncated or damaged file is refused, so that nothing
// it lacks is written as if it were the photo).
class JpegCoefficients
{
public:
    struct Component
    {
        int h = 1;                 // horizontal sampling factor
        int v = 1;                 // vertical sampling factor
        int widthInBlocks = 0;     // blocks holding the picture
        int heightInBlocks = 0;    // block rows holding the picture
        int quantTable = 0;        // the number of its quantisation table
        quint16 quant[DCTSIZE2]{}; // its quantisation table, natural order
    };

    JpegCoefficients();
    ~JpegCoefficients();
    JpegCoefficients(const JpegCoefficients&) = delete;
    JpegCoefficients& operator=(const JpegCoefficients&) = delete;

    // Reads every coefficient of the file. Fails with a reason when the file cannot be read,
    // claims more pixels than pixelLimit, or is a JPEG this class does not take (see above).
    Outcome read(const QString& path, qint64 pixelLimit);
    // The same for a JPEG file's bytes in memory.
    Outcome read(const QByteArray& data, qint64 pixelLimit);

    QSize size() const { return m_size; }
    // The pixels an iMCU covers: 8 times the largest sampling factors.
    QSize mcuSize() const { return m_mcuSize; }
    bool progressive() const;
    // JCS_GRAYSCALE, JCS_YCbCr or JCS_RGB.
    J_COLOR_SPACE colorSpace() const;
    int componentCount() const { return int(m_components.size()); }
    const Component& component(int index) const { return m_components[size_t(index)]; }

    // A row of a component's blocks, for reading and replacing them; nullptr outside the
    // component's array. Rows hold at least widthInBlocks rounded up to a whole iMCU.
    JBLOCKROW blockRow(int component, int row) const;

    // Sets a compressor up with the photo's critical parameters (size, colour space,
    // components, sampling, quantisation tables), as jpeg_copy_critical_parameters does.
    // Call within the compressor's error handler.
    void copyParametersTo(jpeg_compress_struct* cinfo) const;

    // Makes the coefficients ready to be written, once every block has its final values:
    // counts the symbols of a baseline photo for its Huffman tables (see JpegHuffmanTables).
    // Fails with a reason when a coefficient lies outside the range that 8-bit JPEG codes.
    Outcome fitTables();

    // Sets a compressor up to write these coefficients as the photo was written: its
    // parameters, its restart interval, and either its own progressive scans with Huffman
    // tables that libjpeg fits to them, or one baseline scan with the tables of fitTables(). Then
    // jpeg_write_coefficients(cinfo, arrays()) writes them. Call within the compressor's
    // error handler, after fitTables().
    void prepareWriter(jpeg_compress_struct* cinfo) const;
    jvirt_barray_ptr* arrays() const;

    // The photo at an eighth of its size as stored (not turned by an orientation item): each
    // pixel shows the average colour of the 8 x 8 pixels it stands for, taken from the DC
    // coefficients. Null when there is nothing read or memory runs out.
    QImage dcPicture() const;

private:
    Outcome readOpened(qint64 pixelLimit);

    struct State;
    // Bytes read from memory: declared before d, so that they outlive the stream reading them.
    QByteArray m_data;
    std::unique_ptr<State> d;
    QSize m_size;
    QSize m_mcuSize;
    std::vector<Component> m_components;
};
