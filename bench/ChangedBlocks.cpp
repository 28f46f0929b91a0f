// Counts the DCT blocks in which two JPEG files of the same photo differ, for the benchmark's
// lossless size figure: how many blocks stamping encoded again.
//
//   lumora-bench-blocks SOURCE OUTPUT      prints "CHANGED TOTAL" (blocks over all components)
//
// Exits 1 when a file cannot be read or the two differ in size or components.
#include <algorithm>
#include <cstdio>

#include <jpeglib.h>

namespace {

struct Reader
{
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    std::FILE* file = nullptr;
    jvirt_barray_ptr* arrays = nullptr;

    bool open(const char* path)
    {
        file = std::fopen(path, "rb");
        if (!file)
            return false;
        cinfo.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&cinfo);
        jpeg_stdio_src(&cinfo, file);
        jpeg_read_header(&cinfo, TRUE);
        arrays = jpeg_read_coefficients(&cinfo);
        return true;
    }

    JBLOCKROW row(int component, JDIMENSION y)
    {
        return (*cinfo.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&cinfo), arrays[component], y,
                                                1, FALSE)[0];
    }

    ~Reader()
    {
        if (arrays)
            jpeg_destroy_decompress(&cinfo);
        if (file)
            std::fclose(file);
    }
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: lumora-bench-blocks SOURCE OUTPUT\n");
        return 2;
    }
    Reader source;
    Reader output;
    if (!source.open(argv[1]) || !output.open(argv[2]))
        return 1;
    if (source.cinfo.image_width != output.cinfo.image_width ||
        source.cinfo.image_height != output.cinfo.image_height ||
        source.cinfo.num_components != output.cinfo.num_components)
        return 1;
    long changed = 0;
    long total = 0;
    for (int c = 0; c < source.cinfo.num_components; ++c) {
        const jpeg_component_info& info = source.cinfo.comp_info[c];
        for (JDIMENSION y = 0; y < info.height_in_blocks; ++y) {
            const JBLOCKROW a = source.row(c, y);
            const JBLOCKROW b = output.row(c, y);
            for (JDIMENSION x = 0; x < info.width_in_blocks; ++x) {
                ++total;
                if (!std::equal(a[x], a[x] + DCTSIZE2, b[x]))
                    ++changed;
            }
        }
    }
    std::printf("%ld %ld\n", changed, total);
    return 0;
}
