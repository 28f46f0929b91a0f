#include "services/update/HttpResponseReader.h"

#include <QByteArrayView>
#include <QList>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <optional>

namespace {

constexpr qint64 kUnlimited = std::numeric_limits<qint64>::max();

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A run of decimal digits; numbers that do not fit count as unlimited (they are over any
// limit anyway). Nothing for an empty run or another character.
std::optional<qint64> parseDecimal(const QByteArray& text)
{
    if (text.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (char c : text) {
        if (!isDigit(c))
            return std::nullopt;
        if (value > (kUnlimited - 9) / 10)
            return kUnlimited;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The value of a hexadecimal digit (either case), -1 for any other character.
int hexValue(char c)
{
    const char digit[] = {c, '\0'};
    int value = -1;
    std::from_chars(digit, digit + 1, value, 16);
    return value;
}

} // namespace

HttpResponseReader::HttpResponseReader(qint64 maxHeadBytes, qint64 maxBodyBytes)
    : m_maxHeadBytes(maxHeadBytes), m_maxBodyBytes(maxBodyBytes)
{
}

HttpResponseReader::State HttpResponseReader::read(const char* data, qint64 size, QByteArray& body)
{
    qint64 at = 0;
    while (at < size && m_state != State::Done && m_state != State::Failed) {
        const qint64 available = size - at;
        if (isLinePhase()) {
            const void* found = std::memchr(data + at, '\n', size_t(available));
            const qint64 take = found ? static_cast<const char*>(found) - (data + at) + 1 : available;
            if (take > m_maxHeadBytes - m_headBytes)
                return fail(
                    QStringLiteral("the response headers are larger than %1 bytes").arg(m_maxHeadBytes));
            m_headBytes += take;
            m_line.append(data + at, found ? take - 1 : take);
            at += take;
            if (found) {
                if (m_line.endsWith('\r'))
                    m_line.chop(1);
                QByteArray line;
                line.swap(m_line);
                takeLine(line);
            }
            continue;
        }
        qint64 take = available;
        if (m_phase != Phase::BodyToClose)
            take = std::min(take, m_remaining);
        if (take > m_maxBodyBytes - m_bodyBytes)
            return fail(QStringLiteral("the response body is larger than %1 bytes").arg(m_maxBodyBytes));
        body.append(data + at, take);
        m_bodyBytes += take;
        at += take;
        if (m_phase == Phase::BodyToClose)
            continue;
        m_remaining -= take;
        if (m_remaining > 0)
            continue;
        if (m_phase == Phase::LengthBody) {
            m_phase = Phase::Finished;
            m_state = State::Done;
        } else {
            m_phase = Phase::ChunkEnd;
        }
    }
    return m_state;
}

HttpResponseReader::State HttpResponseReader::closed()
{
    if (m_state == State::Done || m_state == State::Failed)
        return m_state;
    if (m_phase == Phase::BodyToClose) {
        m_phase = Phase::Finished;
        m_state = State::Done;
        return m_state;
    }
    return fail(QStringLiteral("the connection closed before the whole response arrived"));
}

QByteArray HttpResponseReader::header(const QByteArray& name) const
{
    QByteArray joined;
    qsizetype at = 0;
    while (at < m_fields.size()) {
        const qsizetype end = m_fields.indexOf('\n', at);
        const qsizetype colon = m_fields.indexOf(':', at);
        if (colon - at == name.size() &&
            QByteArrayView(m_fields).sliced(at, colon - at).compare(name, Qt::CaseInsensitive) == 0) {
            if (!joined.isEmpty())
                joined += ", ";
            joined += QByteArrayView(m_fields).sliced(colon + 1, end - colon - 1);
        }
        at = end + 1;
    }
    return joined;
}

bool HttpResponseReader::isLinePhase() const
{
    switch (m_phase) {
    case Phase::StatusLine:
    case Phase::HeaderLines:
    case Phase::ChunkSize:
    case Phase::ChunkEnd:
    case Phase::Trailers:
        return true;
    case Phase::LengthBody:
    case Phase::BodyToClose:
    case Phase::ChunkData:
    case Phase::Finished:
        break;
    }
    return false;
}

void HttpResponseReader::takeLine(const QByteArray& line)
{
    switch (m_phase) {
    case Phase::StatusLine:
        takeStatusLine(line);
        break;
    case Phase::HeaderLines:
        takeHeaderLine(line);
        break;
    case Phase::ChunkSize:
        takeChunkSize(line);
        break;
    case Phase::ChunkEnd:
        if (!line.isEmpty())
            fail(QStringLiteral("a chunk of the response is longer than its size says"));
        else
            m_phase = Phase::ChunkSize;
        break;
    case Phase::Trailers:
        // Trailer fields carry nothing the download needs; their bytes count as head bytes.
        if (line.isEmpty()) {
            m_phase = Phase::Finished;
            m_state = State::Done;
        }
        break;
    case Phase::LengthBody:
    case Phase::BodyToClose:
    case Phase::ChunkData:
    case Phase::Finished:
        break;
    }
}

void HttpResponseReader::takeStatusLine(const QByteArray& line)
{
    // Empty lines before a status line are tolerated (some servers send one after an interim
    // response); they count against the head limit like any other line.
    if (line.isEmpty())
        return;
    // "HTTP/1.x 200 reason"; the reason phrase is optional.
    const bool wellFormed = line.size() >= 12 && line.startsWith("HTTP/1.") && isDigit(line[7]) &&
                            line[8] == ' ' && isDigit(line[9]) && isDigit(line[10]) && isDigit(line[11]) &&
                            (line.size() == 12 || line[12] == ' ');
    if (!wellFormed) {
        fail(QStringLiteral("the answer is not an HTTP/1 response"));
        return;
    }
    m_status = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    m_fields.clear();
    m_phase = Phase::HeaderLines;
}

void HttpResponseReader::takeHeaderLine(const QByteArray& line)
{
    if (line.isEmpty()) {
        endOfHead();
        return;
    }
    if (line[0] == ' ' || line[0] == '\t') {
        // An obsolete folded line continues the previous field's value.
        if (m_fields.isEmpty()) {
            fail(QStringLiteral("the response has a malformed header line"));
            return;
        }
        m_fields.chop(1);
        m_fields += ' ' + line.trimmed() + '\n';
        return;
    }
    const qsizetype colon = line.indexOf(':');
    const QByteArray name = colon > 0 ? line.left(colon) : QByteArray();
    if (name.isEmpty() || name.contains(' ') || name.contains('\t')) {
        fail(QStringLiteral("the response has a malformed header line"));
        return;
    }
    m_fields += name + ':' + line.mid(colon + 1).trimmed() + '\n';
}

void HttpResponseReader::takeChunkSize(const QByteArray& line)
{
    // "1a3f" optionally followed by ";extension"; extensions are ignored.
    const qsizetype semicolon = line.indexOf(';');
    const QByteArray digits = (semicolon < 0 ? line : line.left(semicolon)).trimmed();
    if (digits.isEmpty()) {
        fail(QStringLiteral("the response has a malformed chunk size"));
        return;
    }
    qint64 size = 0;
    for (char c : digits) {
        const int digit = hexValue(c);
        if (digit < 0) {
            fail(QStringLiteral("the response has a malformed chunk size"));
            return;
        }
        if (size > m_maxBodyBytes - m_bodyBytes) {
            fail(QStringLiteral("the response body is larger than %1 bytes").arg(m_maxBodyBytes));
            return;
        }
        size = size * 16 + digit;
    }
    if (size > m_maxBodyBytes - m_bodyBytes) {
        fail(QStringLiteral("the response body is larger than %1 bytes").arg(m_maxBodyBytes));
        return;
    }
    if (size == 0) {
        m_phase = Phase::Trailers;
        return;
    }
    m_remaining = size;
    m_phase = Phase::ChunkData;
}

void HttpResponseReader::endOfHead()
{
    if (m_status >= 100 && m_status < 200) {
        // An interim response: the final one follows. 101 would hand the connection over to
        // another protocol, which a plain GET never asks for.
        if (m_status == 101) {
            fail(QStringLiteral("the server switched to another protocol"));
            return;
        }
        m_phase = Phase::StatusLine;
        return;
    }
    m_state = State::Body;
    if (m_status == 204 || m_status == 304) {
        m_phase = Phase::Finished;
        m_state = State::Done;
        return;
    }

    const QByteArray coding = header("Transfer-Encoding").trimmed();
    if (!coding.isEmpty()) {
        // A transfer coding overrides Content-Length. Only plain chunked is requested.
        if (coding.compare("chunked", Qt::CaseInsensitive) != 0) {
            fail(QStringLiteral("the response uses an unsupported transfer coding: %1")
                     .arg(QString::fromLatin1(coding.left(80))));
            return;
        }
        m_phase = Phase::ChunkSize;
        return;
    }

    const QByteArray lengths = header("Content-Length");
    if (lengths.isEmpty()) {
        m_phase = Phase::BodyToClose;
        return;
    }
    // Repeated fields (or a list) must all name the same length.
    std::optional<qint64> length;
    for (const QByteArray& item : lengths.split(',')) {
        const std::optional<qint64> value = parseDecimal(item.trimmed());
        if (!value || (length && *length != *value)) {
            fail(QStringLiteral("the response has an invalid or conflicting Content-Length"));
            return;
        }
        length = value;
    }
    if (*length > m_maxBodyBytes) {
        fail(QStringLiteral("the response body is larger than %1 bytes").arg(m_maxBodyBytes));
        return;
    }
    m_remaining = *length;
    if (m_remaining == 0) {
        m_phase = Phase::Finished;
        m_state = State::Done;
        return;
    }
    m_phase = Phase::LengthBody;
}

HttpResponseReader::State HttpResponseReader::fail(const QString& reason)
{
    m_error = reason;
    m_phase = Phase::Finished;
    m_state = State::Failed;
    m_line.clear();
    return m_state;
}
