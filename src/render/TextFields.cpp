#include "render/TextFields.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "render/TextFieldValues.h"
#include "services/imaging/PhotoTags.h"

namespace TextFields {

namespace {

// `text` cut to at most `units` UTF-16 units, never between the halves of a surrogate pair.
QString cut(QString text, int units)
{
    if (text.size() <= units)
        return text;
    qsizetype size = units;
    if (size > 0 && text.at(size - 1).isHighSurrogate())
        --size;
    text.truncate(size);
    return text;
}

QString dateText(const QDateTime& time, const QString& format)
{
    return time.isValid() ? time.toString(format) : QString();
}

// {counter}, {counter:START}, {counter:START:DIGITS}; nothing when START or DIGITS is not a
// number in range.
std::optional<QString> counter(const QString& arguments, int photoNumber)
{
    const QStringList parts = arguments.split(QLatin1Char(':'));
    if (parts.size() > 2)
        return std::nullopt;
    qint64 start = 1;
    int digits = 0;
    bool ok = true;
    if (!arguments.isEmpty()) {
        start = parts.at(0).toLongLong(&ok);
        // Far beyond any run's length, and far from overflowing with it.
        if (!ok || start > 999'999'999'999LL || start < -999'999'999'999LL)
            return std::nullopt;
    }
    if (parts.size() == 2) {
        digits = parts.at(1).toInt(&ok);
        if (!ok || digits < 0 || digits > 20)
            return std::nullopt;
    }
    const qint64 value = start + std::max(photoNumber, 1) - 1;
    const QString magnitude =
        QStringLiteral("%1").arg(value < 0 ? -value : value, digits, 10, QLatin1Char('0'));
    return value < 0 ? QStringLiteral("-") + magnitude : magnitude;
}

// The value of the field named `field` (the text between the braces), or nothing when it is
// not a field.
std::optional<QString> valueOf(const QString& field, const TextFieldValues& values)
{
    const qsizetype colon = field.indexOf(QLatin1Char(':'));
    const QString name = colon < 0 ? field : field.left(colon);
    const QString argument = colon < 0 ? QString() : field.mid(colon + 1);
    if (colon < 0) {
        // The fields that are a text of the photo as it is.
        static const std::pair<QLatin1String, QString TextFieldValues::*> kTexts[] = {
            {QLatin1String("name"), &TextFieldValues::name},
            {QLatin1String("file"), &TextFieldValues::file},
            {QLatin1String("folder"), &TextFieldValues::folder},
            {QLatin1String("camera"), &TextFieldValues::camera},
            {QLatin1String("lens"), &TextFieldValues::lens},
            {QLatin1String("exposure"), &TextFieldValues::exposure},
            {QLatin1String("artist"), &TextFieldValues::artist},
            {QLatin1String("copyright"), &TextFieldValues::copyright},
        };
        for (const auto& [fieldName, member] : kTexts)
            if (name == fieldName)
                return values.*member;
        if (name == QLatin1String("date"))
            return dateText(values.captured, QStringLiteral("yyyy-MM-dd"));
        if (name == QLatin1String("time"))
            return dateText(values.captured, QStringLiteral("HH:mm"));
        if (name == QLatin1String("year"))
            return dateText(values.captured, QStringLiteral("yyyy"));
        if (name == QLatin1String("width"))
            return QString::number(values.output.width());
        if (name == QLatin1String("height"))
            return QString::number(values.output.height());
        if (name == QLatin1String("counter"))
            return counter(QString(), values.photoNumber);
        return std::nullopt;
    }
    if (name == QLatin1String("date"))
        return dateText(values.captured, argument.isEmpty() ? QStringLiteral("yyyy-MM-dd") : argument);
    if (name == QLatin1String("counter"))
        return counter(argument, values.photoNumber);
    if (name == QLatin1String("exif") && !argument.isEmpty())
        return values.tags ? values.tags->exif(argument) : QString();
    if (name == QLatin1String("xmp") && !argument.isEmpty())
        return values.tags ? values.tags->xmp(argument) : QString();
    return std::nullopt;
}

// False for a format character (Unicode category Cf) that would change how the text around
// the value is drawn: the bidirectional marks, embeddings, overrides and isolates, the Arabic
// number signs that span the digits after them, the deprecated shaping controls. A joiner
// (ZWJ, ZWNJ) stays between two characters of the value, where it only joins those; tag
// characters (U+E0020 to U+E007F, the letters of emoji flag sequences) stay.
bool keptFormat(char32_t ucs4, bool afterText, bool beforeText)
{
    if (QChar::category(ucs4) != QChar::Other_Format)
        return true;
    if (ucs4 == 0x200C || ucs4 == 0x200D)
        return afterText && beforeText;
    return ucs4 >= 0xE0020 && ucs4 <= 0xE007F;
}

} // namespace

QString clean(const QString& value)
{
    QString out;
    out.reserve(std::min<qsizetype>(value.size(), kMaxFieldUnits));
    for (qsizetype i = 0; i < value.size() && out.size() < kMaxFieldUnits; ++i) {
        const QChar c = value.at(i);
        if (c.isHighSurrogate() && i + 1 < value.size() && value.at(i + 1).isLowSurrogate()) {
            const QChar low = value.at(i + 1);
            ++i;
            if (!keptFormat(QChar::surrogateToUcs4(c, low), !out.isEmpty(), i + 1 < value.size()))
                continue;
            if (out.size() + 2 > kMaxFieldUnits)
                break;
            out.append(c);
            out.append(low);
            continue;
        }
        if (c.isSurrogate() || c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || !keptFormat(c.unicode(), !out.isEmpty(), i + 1 < value.size()))
            continue;
        out.append(c);
    }
    return out;
}

QString fill(const QString& text, const TextFieldValues& values)
{
    QString out;
    const qsizetype n = text.size();
    qsizetype i = 0;
    // Past the limit nothing more is kept, so a long text stops being filled there.
    while (i < n && out.size() <= kMaxTextUnits) {
        const QChar c = text.at(i);
        const QChar next = i + 1 < n ? text.at(i + 1) : QChar();
        if (c == QLatin1Char('{') && next == QLatin1Char('{')) {
            out.append(c);
            i += 2;
            continue;
        }
        if (c == QLatin1Char('}') && next == QLatin1Char('}')) {
            out.append(c);
            i += 2;
            continue;
        }
        if (c != QLatin1Char('{')) {
            out.append(c);
            ++i;
            continue;
        }
        // A field runs to the next closing brace; an opening brace before it starts afresh.
        qsizetype end = i + 1;
        while (end < n && text.at(end) != QLatin1Char('}') && text.at(end) != QLatin1Char('{'))
            ++end;
        if (end >= n || text.at(end) != QLatin1Char('}')) {
            out.append(c);
            ++i;
            continue;
        }
        const std::optional<QString> value = valueOf(text.mid(i + 1, end - i - 1), values);
        out.append(value ? clean(*value) : text.mid(i, end - i + 1));
        i = end + 1;
    }
    return cut(std::move(out), kMaxTextUnits);
}

} // namespace TextFields
