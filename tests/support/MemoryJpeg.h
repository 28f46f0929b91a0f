#pragma once

// A libjpeg compressor that writes into memory, for building test files: the caller adjusts
// `cinfo` after the defaults, starts it, writes the rows and takes the file from finish().
#include <QByteArray>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

class MemoryJpeg
{
public:
    MemoryJpeg(int width, int height, int components, J_COLOR_SPACE space)
    {
        cinfo.err = jpeg_std_error(&m_errors);
        jpeg_create_compress(&cinfo);
        jpeg_mem_dest(&cinfo, &m_buffer, &m_size);
        cinfo.image_width = JDIMENSION(width);
        cinfo.image_height = JDIMENSION(height);
        cinfo.input_components = components;
        cinfo.in_color_space = space;
        jpeg_set_defaults(&cinfo);
    }
    ~MemoryJpeg()
    {
        jpeg_destroy_compress(&cinfo);
        std::free(m_buffer);
    }
    MemoryJpeg(const MemoryJpeg&) = delete;
    MemoryJpeg& operator=(const MemoryJpeg&) = delete;

    void writeRow(const unsigned char* row)
    {
        auto pointer = const_cast<JSAMPROW>(row);
        jpeg_write_scanlines(&cinfo, &pointer, 1);
    }

    // Ends the compression and returns the whole file.
    QByteArray finish()
    {
        jpeg_finish_compress(&cinfo);
        return QByteArray(reinterpret_cast<const char*>(m_buffer), qsizetype(m_size));
    }

    jpeg_compress_struct cinfo{};

private:
    jpeg_error_mgr m_errors{};
    unsigned char* m_buffer = nullptr;
    unsigned long m_size = 0;
};
