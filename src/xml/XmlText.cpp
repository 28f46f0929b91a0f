#include "xml/XmlText.h"

#include <charconv>

namespace XmlText {

namespace {

// Longest reference considered, "&#x10FFFF;" or "&#1114111;" with room to spare.
constexpr qsizetype kMaxReferenceLength = 12;

bool isAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

// The value of a hexadecimal digit (either case), -1 for any other character.
int hexValue(QChar c)
{
    const char digit[] = {c.toLatin1(), '\0'}; // 0 for characters beyond Latin-1
    int value = -1;
    std::from_chars(digit, digit + 1, value, 16);
    return value;
}

// Decodes the reference at the start of `text` (which begins with '&'). Returns the number of
// characters it spans, or 0 when it is not a reference this layer knows.
qsizetype decodeReference(QStringView text, QString& out)
{
    const qsizetype semicolon = text.left(kMaxReferenceLength).indexOf(u';');
    if (semicolon < 2)
        return 0;
    const QStringView body = text.mid(1, semicolon - 1);
    static const struct
    {
        const char16_t* name;
        char16_t value;
    } named[] = {{u"amp", u'&'}, {u"lt", u'<'}, {u"gt", u'>'}, {u"quot", u'"'}, {u"apos", u'\''}};
    for (const auto& entry : named) {
        if (body == QStringView(entry.name)) {
            out.append(QChar(entry.value));
            return semicolon + 1;
        }
    }
    if (body.front() != u'#' || body.size() < 2)
        return 0;
    const bool hex = body.at(1) == u'x';
    const QStringView digits = body.mid(hex ? 2 : 1);
    if (digits.isEmpty())
        return 0;
    char32_t code = 0;
    for (QChar c : digits) {
        const int digit = hex ? hexValue(c) : (c.isDigit() && c.unicode() < 0x80 ? c.unicode() - '0' : -1);
        if (digit < 0)
            return 0;
        code = code * (hex ? 16 : 10) + char32_t(digit);
        if (code > 0x10FFFF)
            return 0;
    }
    if (code == 0 || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    out.append(QString::fromUcs4(&code, 1));
    return semicolon + 1;
}

// Length of the construct at the start of `text` that ends with `terminator`, or the whole
// rest when the terminator is missing.
qsizetype spanTo(QStringView text, QStringView terminator, qsizetype from)
{
    const qsizetype end = text.indexOf(terminator, from);
    return end < 0 ? text.size() : end + terminator.size();
}

} // namespace

bool isSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\r' || u == '\n';
}

bool isNameStartChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80)
        return isAsciiLetter(c) || u == '_' || u == ':';
    return !c.isSpace();
}

bool isNameChar(QChar c)
{
    const char16_t u = c.unicode();
    return isNameStartChar(c) || (u >= '0' && u <= '9') || u == '-' || u == '.';
}

bool isValidName(QStringView name)
{
    if (name.isEmpty() || !isNameStartChar(name.front()))
        return false;
    for (QChar c : name) {
        if (!isNameChar(c))
            return false;
    }
    return true;
}

QString escape(QStringView value)
{
    qsizetype extra = 0;
    for (QChar c : value)
        extra += c == u'&' ? 4 : (c == u'<' || c == u'>') ? 3 : 0;
    if (extra == 0)
        return value.toString();
    QString out;
    out.reserve(value.size() + extra);
    for (QChar c : value) {
        switch (c.unicode()) {
        case '&':
            out.append(u"&amp;");
            break;
        case '<':
            out.append(u"&lt;");
            break;
        case '>':
            out.append(u"&gt;");
            break;
        default:
            out.append(c);
        }
    }
    return out;
}

QString decodeContent(QStringView content)
{
    QString out;
    out.reserve(content.size());
    qsizetype i = 0;
    while (i < content.size()) {
        const QChar c = content.at(i);
        if (c == u'&') {
            const qsizetype used = decodeReference(content.mid(i), out);
            if (used > 0) {
                i += used;
                continue;
            }
            out.append(c);
            ++i;
        } else if (c == u'<') {
            const QStringView rest = content.mid(i);
            if (rest.startsWith(u"<![CDATA[")) {
                const qsizetype end = rest.indexOf(u"]]>", 9);
                const qsizetype stop = end < 0 ? rest.size() : end;
                out.append(rest.mid(9, stop - 9));
                i += end < 0 ? rest.size() : end + 3;
            } else if (rest.startsWith(u"<!--")) {
                i += spanTo(rest, u"-->", 4);
            } else if (rest.startsWith(u"<?")) {
                i += spanTo(rest, u"?>", 2);
            } else {
                out.append(c);
                ++i;
            }
        } else {
            out.append(c);
            ++i;
        }
    }
    return out;
}

} // namespace XmlText
