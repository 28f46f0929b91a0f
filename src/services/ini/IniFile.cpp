#include "services/ini/IniFile.h"

#include <cstdint>

#include <QDir>
#include <QFile>
#include <QStringConverter>

#include "services/files/AtomicFileWriter.h"
#include "services/language/FailureReason.h"

namespace {

enum class LineKind
{
    Blank,
    Comment,
    Section,
    Key
};

struct ParsedLine
{
    LineKind kind = LineKind::Blank;
    QString name;  // section or key name
    QString value; // key value
};

QString stripQuotes(const QString& value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

ParsedLine parseLine(const QByteArray& raw, bool firstLine)
{
    QByteArray bytes = raw;
    if (firstLine && bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QString text = QString::fromUtf8(bytes).trimmed();
    ParsedLine line;
    if (text.isEmpty())
        return line;
    if (text.front() == QLatin1Char(';')) {
        line.kind = LineKind::Comment;
        return line;
    }
    if (text.front() == QLatin1Char('[')) {
        line.kind = LineKind::Section;
        const qsizetype close = text.lastIndexOf(QLatin1Char(']'));
        line.name = (close > 0 ? text.mid(1, close - 1) : text.mid(1)).trimmed();
        return line;
    }
    line.kind = LineKind::Key;
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq < 0) {
        line.name = text;
        return line;
    }
    line.name = text.left(eq).trimmed();
    line.value = stripQuotes(text.mid(eq + 1).trimmed());
    return line;
}

bool sameName(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

// Profile files written by other programs may be UTF-16 or UTF-32 with a byte-order mark: their
// text is taken over as UTF-8, the form in which the document keeps and saves its lines.
QByteArray asUtf8(const QByteArray& data)
{
    const std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(data);
    if (!encoding || *encoding == QStringConverter::Utf8)
        return data;
    QStringDecoder decoder(*encoding);
    QString text = decoder.decode(data);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text.toUtf8();
}

bool hasLineBreakOrNul(const QString& text)
{
    for (QChar c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0))
            return true;
    }
    return false;
}

} // namespace

IniFile::IniFile(const QString& path) : m_path(path) {}

Outcome IniFile::load()
{
    m_lines.clear();
    m_loaded = Outcome::success();
    QFile file(m_path);
    if (!file.exists())
        return m_loaded;
    if (!file.open(QIODevice::ReadOnly)) {
        m_loaded = Outcome::failure(FailureReason::tr("cannot read %1: %2")
                                        .arg(QDir::toNativeSeparators(m_path), file.errorString()));
        return m_loaded;
    }
    const QByteArray data = file.size() > kMaxFileSize ? QByteArray() : file.read(kMaxFileSize + 1);
    if (file.size() > kMaxFileSize || data.size() > kMaxFileSize) {
        m_loaded = Outcome::failure(FailureReason::tr("%1 is larger than %2 bytes; it was left unchanged")
                                        .arg(QDir::toNativeSeparators(m_path))
                                        .arg(kMaxFileSize));
        return m_loaded;
    }
    m_lines = asUtf8(data).split('\n');
    if (!m_lines.isEmpty() && m_lines.back().isEmpty())
        m_lines.removeLast();
    for (QByteArray& line : m_lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return m_loaded;
}

Outcome IniFile::save()
{
    if (!m_loaded)
        return m_loaded;
    QByteArray data;
    for (const QByteArray& line : m_lines) {
        data += line;
        data += "\r\n";
    }
    AtomicFileWriter file(m_path, AtomicFileWriter::Naming::BesideTarget);
    const Outcome opened = file.open();
    if (!opened)
        return opened;
    if (!file.write(data.constData(), data.size()))
        return file.status();
    return file.commit();
}

IniFile::Entry IniFile::find(const QString& section, const QString& key) const
{
    Entry entry;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const ParsedLine line = parseLine(m_lines[i], i == 0);
        if (entry.sectionLine < 0) {
            if (line.kind == LineKind::Section && sameName(line.name, section))
                entry.sectionLine = i;
            continue;
        }
        if (line.kind == LineKind::Section) {
            entry.sectionEnd = i;
            return entry;
        }
        if (entry.keyLine < 0 && line.kind == LineKind::Key && sameName(line.name, key))
            entry.keyLine = i;
    }
    if (entry.sectionLine >= 0)
        entry.sectionEnd = m_lines.size();
    return entry;
}

bool IniFile::contains(const QString& section, const QString& key) const
{
    return find(section, key).keyLine >= 0;
}

QString IniFile::value(const QString& section, const QString& key, const QString& defaultValue) const
{
    const Entry entry = find(section, key);
    if (entry.keyLine < 0)
        return defaultValue;
    return parseLine(m_lines[entry.keyLine], entry.keyLine == 0).value;
}

int IniFile::intValue(const QString& section, const QString& key, int defaultValue) const
{
    const Entry entry = find(section, key);
    if (entry.keyLine < 0)
        return defaultValue;
    return parseProfileInt(parseLine(m_lines[entry.keyLine], entry.keyLine == 0).value);
}

bool IniFile::setValue(const QString& section, const QString& key, const QString& value)
{
    const QString trimmedSection = section.trimmed();
    const QString trimmedKey = key.trimmed();
    if (trimmedSection.isEmpty() || trimmedKey.isEmpty() || hasLineBreakOrNul(section) ||
        hasLineBreakOrNul(key) || hasLineBreakOrNul(value) || trimmedSection.contains(QLatin1Char(']')) ||
        trimmedKey.contains(QLatin1Char('=')) || trimmedKey.startsWith(QLatin1Char('[')) ||
        trimmedKey.startsWith(QLatin1Char(';')))
        return false;

    const QByteArray keyLine = (trimmedKey + QLatin1Char('=') + value).toUtf8();
    const Entry entry = find(trimmedSection, trimmedKey);
    if (entry.keyLine >= 0) {
        m_lines[entry.keyLine] = keyLine;
    } else if (entry.sectionLine >= 0) {
        // After the last non-blank line of the section, so blank separators stay in place.
        qsizetype at = entry.sectionEnd;
        while (at - 1 > entry.sectionLine && m_lines[at - 1].trimmed().isEmpty())
            --at;
        m_lines.insert(at, keyLine);
    } else {
        m_lines.append((QLatin1Char('[') + trimmedSection + QLatin1Char(']')).toUtf8());
        m_lines.append(keyLine);
    }
    return true;
}

bool IniFile::setValue(const QString& section, const QString& key, int value)
{
    return setValue(section, key, QString::number(value));
}

QString IniFile::readString(const QString& path, const QString& section, const QString& key,
                            const QString& defaultValue)
{
    IniFile file(path);
    file.load();
    return file.value(section, key, defaultValue);
}

int IniFile::readInt(const QString& path, const QString& section, const QString& key, int defaultValue)
{
    IniFile file(path);
    file.load();
    return file.intValue(section, key, defaultValue);
}

Outcome IniFile::writeString(const QString& path, const QString& section, const QString& key,
                             const QString& value)
{
    IniFile file(path);
    const Outcome loaded = file.load();
    if (!loaded)
        return loaded;
    if (!file.setValue(section, key, value))
        return Outcome::failure(FailureReason::tr("the value of %1 cannot be stored in %2")
                                    .arg(key, QDir::toNativeSeparators(path)));
    return file.save();
}

Outcome IniFile::writeInt(const QString& path, const QString& section, const QString& key, int value)
{
    return writeString(path, section, key, QString::number(value));
}

int IniFile::parseProfileInt(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            break;
        value = value * 10u + static_cast<std::uint32_t>(c - u'0');
    }
    if (negative)
        value = 0u - value;
    return static_cast<int>(static_cast<std::int32_t>(value));
}
