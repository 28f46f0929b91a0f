#include "services/imaging/JpegCoefficients.h"

#include "services/imaging/JpegBlockArrays.h"
#include "services/imaging/JpegErrorJump.h"
#include "services/imaging/JpegFileSource.h"
#include "services/imaging/JpegHuffmanTables.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstring>

// jerror.h needs jpeglib.h first
#include <jerror.h>

namespace {

constexpr size_t kReadBufferSize = 256 * 1024;
// As the decoder: a crafted file with thousands of scans would keep the reader busy for minutes.
constexpr int kMaxScans = 1000;

// The progress monitor is called before every step of jpeg_read_coefficients; after a start
// of scan has been read, the scan's parameters are in the decompressor. Each new scan is
// recorded, so that a progressive photo can be written with its own scans again.
struct ScanRecorder
{
    jpeg_progress_mgr pub; // first, so that the decompressor's pointer is this object's
    std::vector<jpeg_scan_info>* scans;
    int lastScan;
    JpegErrorJump* errors;
};

void recordScan(j_common_ptr common)
{
    auto* recorder = reinterpret_cast<ScanRecorder*>(common->progress);
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    if (cinfo->input_scan_number > kMaxScans) {
        std::snprintf(recorder->errors->message, sizeof recorder->errors->message,
                      "the file has more than %d scans", kMaxScans);
        std::longjmp(recorder->errors->jump, 1);
    }
    // A complete scan followed by bytes that are no JPEG data: its blocks were made up.
    if (!JpegFileSource::scanDataEndsWell(cinfo)) {
        std::snprintf(recorder->errors->message, sizeof recorder->errors->message,
                      "the scan data is followed by other bytes");
        std::longjmp(recorder->errors->jump, 1);
    }
    if (cinfo->input_scan_number == recorder->lastScan || cinfo->comps_in_scan <= 0)
        return;
    recorder->lastScan = cinfo->input_scan_number;
    jpeg_scan_info scan{};
    scan.comps_in_scan = cinfo->comps_in_scan;
    for (int i = 0; i < cinfo->comps_in_scan && i < MAX_COMPS_IN_SCAN; ++i)
        scan.component_index[i] = cinfo->cur_comp_info[i]->component_index;
    scan.Ss = cinfo->Ss;
    scan.Se = cinfo->Se;
    scan.Ah = cinfo->Ah;
    scan.Al = cinfo->Al;
    recorder->scans->push_back(scan);
}

// True when the scans code every coefficient of every component completely, each scan as a
// progressive encoder may write it: DC scans (which may hold several components) before the
// AC scans of a component, AC scans of one component, and every refinement taking exactly one
// bit more of what the scans before it coded.
bool isCompleteProgression(const std::vector<jpeg_scan_info>& scans, int components)
{
    // The lowest bit coded so far of each coefficient; -1 while it is not coded at all.
    std::vector<int> coded(size_t(components) * DCTSIZE2, -1);
    for (const jpeg_scan_info& scan : scans) {
        if (scan.comps_in_scan < 1 || scan.comps_in_scan > MAX_COMPS_IN_SCAN)
            return false;
        if (scan.Ss < 0 || scan.Ss > scan.Se || scan.Se >= DCTSIZE2 || scan.Al < 0 || scan.Al > 13 ||
            scan.Ah < 0 || scan.Ah > 13)
            return false;
        if (scan.Ss == 0 ? scan.Se != 0 : scan.comps_in_scan != 1)
            return false;
        if (scan.Ah != 0 && scan.Ah != scan.Al + 1)
            return false;
        for (int i = 0; i < scan.comps_in_scan; ++i) {
            const int component = scan.component_index[i];
            if (component < 0 || component >= components)
                return false;
            int* bits = coded.data() + size_t(component) * DCTSIZE2;
            if (scan.Ss > 0 && bits[0] < 0)
                return false;
            for (int k = scan.Ss; k <= scan.Se; ++k) {
                const int expected = scan.Ah == 0 ? -1 : scan.Ah;
                if (bits[k] != expected)
                    return false;
                bits[k] = scan.Al;
            }
        }
    }
    return std::all_of(coded.begin(), coded.end(), [](int bit) { return bit == 0; });
}

// True when every coefficient lies in the range 8-bit JPEG codes: DC -1024..1023 (a DC
// difference then needs at most 11 bits), AC -1023..1023 (at most 10 bits).
bool inCodableRange(const JCOEF* block)
{
    if (block[0] < -1024 || block[0] > 1023)
        return false;
    int low = 0;
    int high = 0;
    for (int k = 1; k < DCTSIZE2; ++k) {
        low = std::min(low, int(block[k]));
        high = std::max(high, int(block[k]));
    }
    return low >= -1023 && high <= 1023;
}

} // namespace

struct JpegCoefficients::State
{
    std::FILE* file = nullptr;
    jpeg_decompress_struct cinfo{};
    JpegErrorJump errors{};
    ScanRecorder recorder{};
    JpegBlockArrays blockArrays;
    jvirt_barray_ptr* arrays = nullptr;
    std::vector<jpeg_scan_info> scans;
    JpegHuffmanTables tables;
    bool tablesFitted = false;
    bool created = false;

    ~State()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
        blockArrays.release();
        if (file)
            std::fclose(file);
    }

    QString error() const { return QString::fromLocal8Bit(errors.message); }

    // Each guarded call sets the jump target and then only calls libjpeg, so an error jumps
    // over no C++ object that would need destroying.
    bool readHeader()
    {
        // Warnings are counted, never printed: any of them refuses the photo.
        cinfo.err = errors.install();
        if (setjmp(errors.jump))
            return false;
        jpeg_create_decompress(&cinfo);
        created = true;
        blockArrays.install(&cinfo);
        recorder.pub.progress_monitor = recordScan;
        recorder.scans = &scans;
        recorder.errors = &errors;
        cinfo.progress = &recorder.pub;
        JpegFileSource::install(&cinfo, file);
        jpeg_read_header(&cinfo, TRUE);
        return true;
    }

    bool readCoefficients()
    {
        if (setjmp(errors.jump))
            return false;
        arrays = jpeg_read_coefficients(&cinfo);
        return true;
    }
};

JpegCoefficients::JpegCoefficients() : d(std::make_unique<State>()) {}

JpegCoefficients::~JpegCoefficients() = default;

Outcome JpegCoefficients::read(const QString& path, qint64 pixelLimit)
{
    d = std::make_unique<State>();
    m_components.clear();
    m_size = QSize();

    m_data.clear();
    const QByteArray nativePath = QFile::encodeName(path);
    d->file = std::fopen(nativePath.constData(), "rbe");
    if (!d->file) {
        const int error = errno;
        return Outcome::failure(
            QStringLiteral("cannot open the file: %1").arg(QString::fromLocal8Bit(std::strerror(error))));
    }
    std::setvbuf(d->file, nullptr, _IOFBF, kReadBufferSize);
    return readOpened(pixelLimit);
}

Outcome JpegCoefficients::read(const QByteArray& data, qint64 pixelLimit)
{
    d = std::make_unique<State>();
    m_components.clear();
    m_size = QSize();
    m_data = data;
    m_data.detach();
    d->file = data.isEmpty() ? nullptr : fmemopen(m_data.data(), size_t(m_data.size()), "rb");
    if (!d->file)
        return Outcome::failure(QStringLiteral("cannot read the data"));
    return readOpened(pixelLimit);
}

Outcome JpegCoefficients::readOpened(qint64 pixelLimit)
{
    if (!d->readHeader())
        return Outcome::failure(QStringLiteral("cannot decode: %1").arg(d->error()));

    const jpeg_decompress_struct& c = d->cinfo;
    if (qint64(c.image_width) * c.image_height > pixelLimit)
        return Outcome::failure(QStringLiteral("image is %1 x %2 pixels, more than the limit of %3 pixels")
                                    .arg(c.image_width)
                                    .arg(c.image_height)
                                    .arg(pixelLimit));
    if (c.arith_code)
        return Outcome::failure(QStringLiteral("the photo uses arithmetic coding"));
    if (c.data_precision != 8)
        return Outcome::failure(
            QStringLiteral("the photo has %1 bits per sample, not 8").arg(c.data_precision));
    const bool colours =
        (c.jpeg_color_space == JCS_YCbCr || c.jpeg_color_space == JCS_RGB) && c.num_components == 3;
    const bool grey = c.jpeg_color_space == JCS_GRAYSCALE && c.num_components == 1;
    if (!colours && !grey)
        return Outcome::failure(QStringLiteral("the photo's colour space is not grey, YCbCr or RGB"));
    for (int ci = 0; ci < c.num_components; ++ci) {
        const jpeg_component_info& info = c.comp_info[ci];
        if (c.max_h_samp_factor % info.h_samp_factor != 0 || c.max_v_samp_factor % info.v_samp_factor != 0)
            return Outcome::failure(QStringLiteral("the photo's sampling factors are not whole multiples"));
    }

    d->recorder.lastScan = 0;
    if (!d->readCoefficients())
        return Outcome::failure(QStringLiteral("cannot decode: %1").arg(d->error()));
    if (d->errors.pub.num_warnings > 0)
        return Outcome::failure(QStringLiteral("the photo's data is damaged or incomplete"));
    // A progressive photo whose scans leave bits out (only the DC scan, or no final refinement)
    // is decoded with block smoothing that guesses the missing coefficients; written again,
    // every bit would be coded, the smoothing would stop and every block would decode
    // differently. Such photos are not taken.
    if (c.progressive_mode && !isCompleteProgression(d->scans, c.num_components))
        return Outcome::failure(QStringLiteral("the photo's scans leave coefficients out"));

    m_size = QSize(int(c.image_width), int(c.image_height));
    m_mcuSize = QSize(DCTSIZE * c.max_h_samp_factor, DCTSIZE * c.max_v_samp_factor);
    for (int ci = 0; ci < c.num_components; ++ci) {
        const jpeg_component_info& info = c.comp_info[ci];
        Component component;
        component.h = info.h_samp_factor;
        component.v = info.v_samp_factor;
        component.widthInBlocks = int(info.width_in_blocks);
        component.heightInBlocks = int(info.height_in_blocks);
        component.quantTable = info.quant_tbl_no;
        const JQUANT_TBL* table = info.quant_table ? info.quant_table : c.quant_tbl_ptrs[info.quant_tbl_no];
        if (!table)
            return Outcome::failure(QStringLiteral("the photo lacks a quantisation table"));
        std::copy(std::begin(table->quantval), std::end(table->quantval), std::begin(component.quant));
        m_components.push_back(component);
    }
    return Outcome::success();
}

bool JpegCoefficients::progressive() const
{
    return d->cinfo.progressive_mode;
}

JBLOCKROW JpegCoefficients::blockRow(int component, int row) const
{
    if (!d->arrays || component < 0 || component >= componentCount() || row < 0)
        return nullptr;
    return JpegBlockArrays::row(d->arrays[component], JDIMENSION(row));
}

jvirt_barray_ptr* JpegCoefficients::arrays() const
{
    return d->arrays;
}

void JpegCoefficients::copyParametersTo(jpeg_compress_struct* cinfo) const
{
    jpeg_copy_critical_parameters(&d->cinfo, cinfo);
}

J_COLOR_SPACE JpegCoefficients::colorSpace() const
{
    return d->cinfo.jpeg_color_space;
}

Outcome JpegCoefficients::fitTables()
{
    const Outcome outOfRange = Outcome::failure(QStringLiteral("a coefficient of the photo is out of range"));
    if (!progressive()) {
        if (!d->tables.count(*this, int(d->cinfo.restart_interval)))
            return outOfRange;
        d->tablesFitted = true;
        return Outcome::success();
    }
    // Progressive photos get their tables from libjpeg, which would find a coefficient it
    // cannot code only half way through the file: checked here first.
    for (int ci = 0; ci < componentCount(); ++ci) {
        const Component& info = m_components[size_t(ci)];
        for (int y = 0; y < info.heightInBlocks; ++y) {
            const JBLOCKROW row = blockRow(ci, y);
            if (!row)
                return outOfRange;
            for (int x = 0; x < info.widthInBlocks; ++x) {
                if (!inCodableRange(row[x]))
                    return outOfRange;
            }
        }
    }
    return Outcome::success();
}

void JpegCoefficients::prepareWriter(jpeg_compress_struct* cinfo) const
{
    copyParametersTo(cinfo);
    JpegBlockArrays::lendTo(cinfo);
    cinfo->restart_interval = d->cinfo.restart_interval;
    if (progressive()) {
        // read() takes only complete scripts, so the photo's own scans code every bit.
        cinfo->scan_info = d->scans.data();
        cinfo->num_scans = int(d->scans.size());
        // libjpeg fits the Huffman tables of every progressive scan itself.
        cinfo->optimize_coding = TRUE;
        return;
    }
    if (!d->tablesFitted) {
        cinfo->optimize_coding = TRUE;
        return;
    }
    d->tables.install(cinfo);
    cinfo->optimize_coding = FALSE;
}

QImage JpegCoefficients::dcPicture() const
{
    if (m_components.empty() || m_size.isEmpty())
        return QImage();
    const int width = (m_size.width() + DCTSIZE - 1) / DCTSIZE;
    const int height = (m_size.height() + DCTSIZE - 1) / DCTSIZE;
    QImage picture(width, height, QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    const int hMax = m_mcuSize.width() / DCTSIZE;
    const int vMax = m_mcuSize.height() / DCTSIZE;
    const int count = componentCount();
    const bool rgb = d->cinfo.jpeg_color_space == JCS_RGB;
    // For each pixel column, the block column of each component.
    std::vector<int> columns(size_t(count) * size_t(width));
    for (int ci = 0; ci < count; ++ci) {
        const Component& info = m_components[size_t(ci)];
        for (int x = 0; x < width; ++x)
            columns[size_t(ci) * size_t(width) + size_t(x)] =
                std::min(x * info.h / hMax, info.widthInBlocks - 1);
    }
    const auto clamp = [](int value) { return std::clamp(value, 0, 255); };
    for (int y = 0; y < height; ++y) {
        JBLOCKROW rows[MAX_COMPONENTS] = {};
        for (int ci = 0; ci < count; ++ci) {
            const Component& info = m_components[size_t(ci)];
            rows[ci] = blockRow(ci, std::min(y * info.v / vMax, info.heightInBlocks - 1));
            if (!rows[ci])
                return QImage();
        }
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            // A block's average sample: its DC coefficient is 8 times the average less 128.
            int sample[3] = {};
            for (int ci = 0; ci < count; ++ci) {
                const int dc = rows[ci][columns[size_t(ci) * size_t(width) + size_t(x)]][0];
                sample[ci] = clamp(128 + ((dc * m_components[size_t(ci)].quant[0] + 4) >> 3));
            }
            if (count == 1) {
                line[x] = qRgb(sample[0], sample[0], sample[0]);
            } else if (rgb) {
                line[x] = qRgb(sample[0], sample[1], sample[2]);
            } else {
                // JFIF's YCbCr to RGB, in 16-bit fixed point.
                const int luma = sample[0] << 16;
                const int cb = sample[1] - 128;
                const int cr = sample[2] - 128;
                constexpr int kHalf = 1 << 15;
                line[x] = qRgb(clamp((luma + 91881 * cr + kHalf) >> 16),
                               clamp((luma - 22554 * cb - 46802 * cr + kHalf) >> 16),
                               clamp((luma + 116130 * cb + kHalf) >> 16));
            }
        }
    }
    return picture;
}
