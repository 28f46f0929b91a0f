#include "xml/IconvConverter.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QtEndian>

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace IconvConverter {

namespace {

// Owns one iconv descriptor.
class Descriptor
{
public:
    Descriptor(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Descriptor()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Runs the whole input through `cd`. On an unreadable sequence (or one cut short at the end)
// `onBad` appends a stand-in to the output and returns how many input bytes to skip.
template <typename OnBad>
qsizetype convert(iconv_t cd, const char* input, size_t inputSize, QByteArray& output, OnBad onBad)
{
    qsizetype losses = 0;
    output.resize(qsizetype(inputSize * 2 + 16));
    char* in = const_cast<char*>(input);
    size_t inLeft = inputSize;
    size_t used = 0;
    while (inLeft > 0) {
        char* out = output.data() + used;
        size_t outLeft = size_t(output.size()) - used;
        const size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        used = size_t(out - output.data());
        if (rc != size_t(-1))
            break; // all input taken
        if (errno == E2BIG) {
            output.resize(output.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL: put a stand-in for what cannot be converted and go on.
        ++losses;
        const size_t skip = qMin(inLeft, onBad(output, used));
        in += skip;
        inLeft -= skip;
    }
    // Closing shift sequence of stateful encodings.
    while (true) {
        char* out = output.data() + used;
        size_t outLeft = size_t(output.size()) - used;
        const size_t rc = iconv(cd, nullptr, nullptr, &out, &outLeft);
        used = size_t(out - output.data());
        if (rc != size_t(-1) || errno != E2BIG)
            break;
        output.resize(output.size() * 2);
    }
    output.resize(qsizetype(used));
    return losses;
}

void append(QByteArray& output, size_t& used, const char* data, size_t size)
{
    if (size_t(output.size()) < used + size)
        output.resize(qsizetype((used + size) * 2));
    memcpy(output.data() + used, data, size);
    used += size;
}

bool isUtf8(const QByteArray& encoding)
{
    const QByteArray name = encoding.toUpper();
    return name == "UTF-8" || name == "UTF8";
}

// UTF-8 without iconv, for a C library whose converters are missing (a minimal root, a broken
// installation): the XML files are UTF-8 in most cases, and writing nothing is worse than
// writing them with the toolkit's own codec.
Result toUtf16WithoutIconv(const QByteArray& bytes, QString& text)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = decoder.decode(bytes);
    const qsizetype inInput = bytes.count("\xEF\xBF\xBD");
    return {true, qMax<qsizetype>(0, text.count(QChar::ReplacementCharacter) - inInput)};
}

Result fromUtf16WithoutIconv(const QString& text, QByteArray& bytes)
{
    QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    bytes = encoder.encode(text);
    return {true, encoder.hasError() ? 1 : 0};
}

} // namespace

Result toUtf16(const QByteArray& bytes, const QByteArray& encoding, QString& text)
{
    text.clear();
    Descriptor cd("UTF-16LE", encoding.constData());
    if (!cd.valid())
        return isUtf8(encoding) ? toUtf16WithoutIconv(bytes, text) : Result{};
    QByteArray output;
    const qsizetype losses =
        convert(cd.get(), bytes.constData(), size_t(bytes.size()), output, [](QByteArray& out, size_t& used) {
            static const char replacement[2] = {char(0xFD), char(0xFF)}; // U+FFFD, little endian
            append(out, used, replacement, 2);
            return size_t(1);
        });
    text.resize(output.size() / 2);
    qFromLittleEndian<char16_t>(output.constData(), text.size(), text.data());
    return {true, losses};
}

Result fromUtf16(const QString& text, const QByteArray& encoding, QByteArray& bytes)
{
    bytes.clear();
    Descriptor cd(encoding.constData(), "UTF-16LE");
    if (!cd.valid())
        return isUtf8(encoding) ? fromUtf16WithoutIconv(text, bytes) : Result{};
    QByteArray input(text.size() * 2, Qt::Uninitialized);
    qToLittleEndian<char16_t>(text.constData(), text.size(), input.data());
    const qsizetype losses =
        convert(cd.get(), input.constData(), size_t(input.size()), bytes, [](QByteArray& out, size_t& used) {
            append(out, used, "?", 1);
            return size_t(2); // one UTF-16 unit
        });
    return {true, losses};
}

} // namespace IconvConverter
