#include "xml/XmlEncodingNames.h"

#include "xml/XmlText.h"

#include <iconv.h>

#include <cstring>

namespace XmlEncodingNames {

namespace {

struct Alias
{
    const char* name; // lower case
    const char* iconv;
};

// IANA names, their common aliases and the Windows code page names, by iconv name.
constexpr Alias kAliases[] = {
    {"utf-8", "UTF-8"},
    {"utf8", "UTF-8"},
    {"unicode-1-1-utf-8", "UTF-8"},
    {"unicode-2-0-utf-8", "UTF-8"},
    {"x-unicode20utf8", "UTF-8"},
    {"utf-7", "UTF-7"},
    {"utf7", "UTF-7"},
    {"unicode-1-1-utf-7", "UTF-7"},
    {"x-unicode20utf7", "UTF-7"},
    {"utf-16", "UTF-16LE"},
    {"utf16", "UTF-16LE"},
    {"unicode", "UTF-16LE"},
    {"ucs-2", "UTF-16LE"},
    {"iso-10646-ucs-2", "UTF-16LE"},
    {"utf-16le", "UTF-16LE"},
    {"unicodefffe", "UTF-16BE"},
    {"utf-16be", "UTF-16BE"},
    {"utf-32", "UTF-32"},
    {"utf32", "UTF-32"},
    {"utf-32le", "UTF-32LE"},
    {"utf-32be", "UTF-32BE"},
    {"us-ascii", "ASCII"},
    {"ascii", "ASCII"},
    {"us", "ASCII"},
    {"ansi_x3.4-1968", "ASCII"},
    {"ansi_x3.4-1986", "ASCII"},
    {"iso646-us", "ASCII"},
    {"iso_646.irv:1991", "ASCII"},
    {"cp367", "ASCII"},
    {"ibm367", "ASCII"},
    {"csascii", "ASCII"},
    {"iso-8859-1", "ISO-8859-1"},
    {"iso8859-1", "ISO-8859-1"},
    {"iso_8859-1", "ISO-8859-1"},
    {"iso_8859-1:1987", "ISO-8859-1"},
    {"iso-ir-100", "ISO-8859-1"},
    {"latin1", "ISO-8859-1"},
    {"l1", "ISO-8859-1"},
    {"ibm819", "ISO-8859-1"},
    {"cp819", "ISO-8859-1"},
    {"csisolatin1", "ISO-8859-1"},
    {"iso-8859-2", "ISO-8859-2"},
    {"iso8859-2", "ISO-8859-2"},
    {"iso_8859-2", "ISO-8859-2"},
    {"latin2", "ISO-8859-2"},
    {"l2", "ISO-8859-2"},
    {"csisolatin2", "ISO-8859-2"},
    {"iso-8859-3", "ISO-8859-3"},
    {"iso8859-3", "ISO-8859-3"},
    {"latin3", "ISO-8859-3"},
    {"iso-8859-4", "ISO-8859-4"},
    {"iso8859-4", "ISO-8859-4"},
    {"latin4", "ISO-8859-4"},
    {"iso-8859-5", "ISO-8859-5"},
    {"iso8859-5", "ISO-8859-5"},
    {"cyrillic", "ISO-8859-5"},
    {"iso-8859-6", "ISO-8859-6"},
    {"iso8859-6", "ISO-8859-6"},
    {"arabic", "ISO-8859-6"},
    {"asmo-708", "ISO-8859-6"},
    {"iso-8859-7", "ISO-8859-7"},
    {"iso8859-7", "ISO-8859-7"},
    {"greek", "ISO-8859-7"},
    {"iso-8859-8", "ISO-8859-8"},
    {"iso8859-8", "ISO-8859-8"},
    {"iso-8859-8-i", "ISO-8859-8"},
    {"hebrew", "ISO-8859-8"},
    {"iso-8859-9", "ISO-8859-9"},
    {"iso8859-9", "ISO-8859-9"},
    {"latin5", "ISO-8859-9"},
    {"iso-8859-13", "ISO-8859-13"},
    {"iso8859-13", "ISO-8859-13"},
    {"iso-8859-15", "ISO-8859-15"},
    {"iso8859-15", "ISO-8859-15"},
    {"latin-9", "ISO-8859-15"},
    {"latin9", "ISO-8859-15"},
    {"windows-1250", "CP1250"},
    {"cp1250", "CP1250"},
    {"x-cp1250", "CP1250"},
    {"windows-1251", "CP1251"},
    {"cp1251", "CP1251"},
    {"x-cp1251", "CP1251"},
    {"windows-1252", "CP1252"},
    {"cp1252", "CP1252"},
    {"x-ansi", "CP1252"},
    {"windows-1253", "CP1253"},
    {"cp1253", "CP1253"},
    {"windows-1254", "CP1254"},
    {"cp1254", "CP1254"},
    {"windows-1255", "CP1255"},
    {"cp1255", "CP1255"},
    {"windows-1256", "CP1256"},
    {"cp1256", "CP1256"},
    {"windows-1257", "CP1257"},
    {"cp1257", "CP1257"},
    {"windows-1258", "CP1258"},
    {"cp1258", "CP1258"},
    {"windows-874", "CP874"},
    {"cp874", "CP874"},
    {"tis-620", "TIS-620"},
    {"ibm437", "CP437"},
    {"cp437", "CP437"},
    {"437", "CP437"},
    {"ibm850", "CP850"},
    {"cp850", "CP850"},
    {"ibm852", "CP852"},
    {"cp852", "CP852"},
    {"ibm855", "CP855"},
    {"cp855", "CP855"},
    {"ibm857", "CP857"},
    {"cp857", "CP857"},
    {"ibm860", "CP860"},
    {"cp860", "CP860"},
    {"ibm861", "CP861"},
    {"cp861", "CP861"},
    {"ibm862", "CP862"},
    {"cp862", "CP862"},
    {"dos-862", "CP862"},
    {"ibm863", "CP863"},
    {"cp863", "CP863"},
    {"ibm864", "CP864"},
    {"cp864", "CP864"},
    {"ibm865", "CP865"},
    {"cp865", "CP865"},
    {"cp866", "CP866"},
    {"ibm866", "CP866"},
    {"ibm869", "CP869"},
    {"cp869", "CP869"},
    {"koi8-r", "KOI8-R"},
    {"koi8r", "KOI8-R"},
    {"koi", "KOI8-R"},
    {"cskoi8r", "KOI8-R"},
    {"koi8-u", "KOI8-U"},
    {"koi8u", "KOI8-U"},
    {"koi8-ru", "KOI8-RU"},
    {"shift_jis", "CP932"},
    {"shift-jis", "CP932"},
    {"sjis", "CP932"},
    {"ms_kanji", "CP932"},
    {"x-sjis", "CP932"},
    {"x-ms-cp932", "CP932"},
    {"csshiftjis", "CP932"},
    {"cswindows31j", "CP932"},
    {"windows-31j", "CP932"},
    {"cp932", "CP932"},
    {"euc-jp", "EUC-JP"},
    {"x-euc-jp", "EUC-JP"},
    {"x-euc", "EUC-JP"},
    {"cseucpkdfmtjapanese", "EUC-JP"},
    {"iso-2022-jp", "ISO-2022-JP"},
    {"csiso2022jp", "ISO-2022-JP"},
    {"gb2312", "CP936"},
    {"gb_2312-80", "CP936"},
    {"gb231280", "CP936"},
    {"csgb2312", "CP936"},
    {"csgb231280", "CP936"},
    {"chinese", "CP936"},
    {"csiso58gb231280", "CP936"},
    {"iso-ir-58", "CP936"},
    {"gbk", "CP936"},
    {"x-gbk", "CP936"},
    {"cp936", "CP936"},
    {"windows-936", "CP936"},
    {"euc-cn", "EUC-CN"},
    {"x-euc-cn", "EUC-CN"},
    {"gb18030", "GB18030"},
    {"big5", "CP950"},
    {"big5-hkscs", "CP950"},
    {"cn-big5", "CP950"},
    {"x-x-big5", "CP950"},
    {"csbig5", "CP950"},
    {"cp950", "CP950"},
    {"ks_c_5601-1987", "CP949"},
    {"ks_c_5601-1989", "CP949"},
    {"ks_c_5601", "CP949"},
    {"ksc_5601", "CP949"},
    {"ksc5601", "CP949"},
    {"korean", "CP949"},
    {"csksc56011987", "CP949"},
    {"iso-ir-149", "CP949"},
    {"cp949", "CP949"},
    {"uhc", "CP949"},
    {"euc-kr", "EUC-KR"},
    {"cseuckr", "EUC-KR"},
    {"iso-2022-kr", "ISO-2022-KR"},
    {"csiso2022kr", "ISO-2022-KR"},
    {"johab", "JOHAB"},
    {"cp1361", "JOHAB"},
    {"macintosh", "MACINTOSH"},
    {"x-mac-roman", "MACINTOSH"},
    {"mac", "MACINTOSH"},
};

// Names handed to iconv as they stand are kept to the characters that encoding names use.
bool looksLikeEncodingName(const QByteArray& name)
{
    if (name.size() > 40)
        return false;
    for (char c : name) {
        const bool ok =
            (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':';
        if (!ok)
            return false;
    }
    return true;
}

bool iconvKnows(const QByteArray& name)
{
    iconv_t cd = iconv_open("UTF-16LE", name.constData());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv_close(cd);
    return true;
}

// Value of `attribute` in the tag text `tag` (from '<' to '>'), quoted or bare; matched without
// regard to case. Null when the attribute is absent.
QStringView attributeValue(QStringView tag, QStringView attribute)
{
    qsizetype from = 0;
    while (true) {
        const qsizetype at = tag.indexOf(attribute, from, Qt::CaseInsensitive);
        if (at < 0)
            return {};
        from = at + attribute.size();
        // The name must stand on its own: white space before it, '=' (after blanks) after it.
        if (at == 0 || !XmlText::isSpace(tag.at(at - 1)))
            continue;
        qsizetype i = from;
        while (i < tag.size() && XmlText::isSpace(tag.at(i)))
            ++i;
        if (i >= tag.size() || tag.at(i) != u'=')
            continue;
        ++i;
        while (i < tag.size() && XmlText::isSpace(tag.at(i)))
            ++i;
        if (i >= tag.size())
            return {};
        const QChar quote = tag.at(i);
        if (quote == u'"' || quote == u'\'') {
            const qsizetype end = tag.indexOf(quote, i + 1);
            return end < 0 ? QStringView() : tag.mid(i + 1, end - i - 1);
        }
        qsizetype end = i;
        while (end < tag.size() && !XmlText::isSpace(tag.at(end)) && tag.at(end) != u'>' &&
               tag.at(end) != u'/')
            ++end;
        return tag.mid(i, end - i);
    }
}

QString charsetOfHtml(QStringView head)
{
    if (head.indexOf(u"<html", 0, Qt::CaseInsensitive) < 0 &&
        head.indexOf(u"<head", 0, Qt::CaseInsensitive) < 0)
        return {};
    qsizetype from = 0;
    while (true) {
        const qsizetype at = head.indexOf(u"<meta", from, Qt::CaseInsensitive);
        if (at < 0)
            return {};
        const qsizetype end = head.indexOf(u'>', at);
        if (end < 0)
            return {};
        from = end;
        const QStringView tag = head.mid(at, end - at + 1);
        if (attributeValue(tag, u"http-equiv").trimmed().compare(u"Content-Type", Qt::CaseInsensitive) != 0)
            continue;
        const QStringView content = attributeValue(tag, u"content");
        const qsizetype charset = content.indexOf(u"charset", 0, Qt::CaseInsensitive);
        if (charset < 0)
            continue;
        QStringView value = content.mid(charset + 7).trimmed();
        if (!value.startsWith(u'='))
            continue;
        value = value.mid(1);
        const qsizetype semicolon = value.indexOf(u';');
        if (semicolon >= 0)
            value = value.left(semicolon);
        return value.trimmed().toString();
    }
}

} // namespace

QByteArray iconvName(QStringView name)
{
    const QString trimmed = name.trimmed().toString();
    if (trimmed.size() < 2)
        return {};
    const QByteArray lower = trimmed.toLower().toLatin1();
    for (const Alias& alias : kAliases) {
        if (lower == alias.name)
            return alias.iconv;
    }
    const QByteArray upper = trimmed.toUpper().toLatin1();
    if (trimmed.size() == upper.size() && looksLikeEncodingName(upper) && iconvKnows(upper))
        return upper;
    return {};
}

bool isUtf16(const QByteArray& iconvName, bool* bigEndian)
{
    if (!iconvName.startsWith("UTF-16"))
        return false;
    if (bigEndian)
        *bigEndian = iconvName == "UTF-16BE";
    return true;
}

bool isUtf32(const QByteArray& iconvName)
{
    return iconvName.startsWith("UTF-32");
}

QString findDeclaredEncoding(QStringView head)
{
    qsizetype start = 0;
    while (start < head.size() && XmlText::isSpace(head.at(start)))
        ++start;
    if (head.mid(start).startsWith(u"<?xml")) {
        const qsizetype end = head.indexOf(u"?>", start);
        const QStringView declaration = head.mid(start, end < 0 ? -1 : end - start);
        return attributeValue(declaration, u"encoding").trimmed().toString();
    }
    return charsetOfHtml(head);
}

} // namespace XmlEncodingNames
