#include "model/DataFiles.h"

#include "services/language/FailureReason.h"

#include <limits>

#include <QDir>
#include <QFileInfo>

#include "services/files/AtomicFileWriter.h"
#include "services/folders/Folders.h"
#include "xml/XmlDocument.h"

namespace {

// Leading blanks, sign and digits; `magnitude` saturates at 2^32 so overflow stays visible.
struct NumberText
{
    bool negative = false;
    bool digits = false;
    std::uint64_t magnitude = 0;
};

NumberText scanNumber(const QString& text)
{
    NumberText number;
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        number.negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    constexpr std::uint64_t limit = std::uint64_t{1} << 32;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            break;
        number.digits = true;
        number.magnitude = number.magnitude * 10 + static_cast<std::uint64_t>(c - u'0');
        if (number.magnitude > limit)
            number.magnitude = limit;
    }
    return number;
}

} // namespace

bool isValidTemplateName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name == QLatin1String("qthumb"))
        return false;
    for (QChar c : name) {
        // Control characters (line breaks, escapes, NUL...) would not survive the XML files
        // the names are listed in, and make file names that cannot be typed.
        if (c == QLatin1Char('/') || c.category() == QChar::Other_Control)
            return false;
    }
    // name + ".xml" must fit a file name, with room for the suffix of a temporary file.
    return name.toUtf8().size() <= kMaxTemplateNameBytes;
}

QString templateFilePath(const QString& name)
{
    if (!isValidTemplateName(name))
        return QString();
    return joinPath(getTemplatesFolder(), name + QStringLiteral(".xml"));
}

QString templateListPath()
{
    return joinPath(getTemplatesFolder(), QStringLiteral("qthumb.xml"));
}

QString preferencesPath()
{
    return joinPath(GetAppDataFolder(), QStringLiteral("preference.xml"));
}

QString configIniPath()
{
    return joinPath(GetAppDataFolder(), QStringLiteral("config.ini"));
}

QString resizingConfigPath()
{
    return joinPath(GetAppDataFolder(), QStringLiteral("resizing_config.ini"));
}

bool resetReportLog()
{
    AtomicFileWriter file(joinPath(GetAppDataFolder(), QStringLiteral("report_me.log")),
                          AtomicFileWriter::Naming::BesideTarget);
    return file.open().ok() && file.commit().ok();
}

QString profileSectionName()
{
    return QStringLiteral("常规");
}

QString describeUnreadableDataFile(const QString& kind, const QString& path, const QString& root)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    QString why;
    if (path.isEmpty())
        return FailureReason::tr("the %1 has no usable file name").arg(kind);
    if (!info.exists() && !info.isSymLink())
        why = FailureReason::tr("it does not exist");
    else if (!info.exists())
        why = FailureReason::tr("it is a link to nothing");
    else if (!info.isFile())
        why = FailureReason::tr("it is not a regular file");
    else if (!info.isReadable())
        why = FailureReason::tr("permission denied");
    else if (info.size() == 0)
        why = FailureReason::tr("it is empty");
    else {
        XmlDocument doc;
        if (!doc.LoadFile(path))
            why = FailureReason::tr("it is damaged (not well-formed XML)");
        else
            why = FailureReason::tr("it has no <%1> element").arg(root);
    }
    return FailureReason::tr("the %1 file %2 cannot be read: %3").arg(kind, shown, why);
}

void startNewXmlDocument(XmlDocument& doc)
{
    doc.SetDocText(QString());
    doc.SetDocText(QString::fromUtf16(kXmlDeclaration));
}

std::int32_t readXmlInt(const QString& text)
{
    const NumberText number = scanNumber(text);
    constexpr std::int64_t max = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t min = std::numeric_limits<std::int32_t>::min();
    std::int64_t value = static_cast<std::int64_t>(number.magnitude);
    if (number.negative)
        value = -value;
    if (value > max)
        return static_cast<std::int32_t>(max);
    if (value < min)
        return static_cast<std::int32_t>(min);
    return static_cast<std::int32_t>(value);
}

std::uint32_t readXmlUnsigned(const QString& text)
{
    const NumberText number = scanNumber(text);
    if (number.magnitude > std::numeric_limits<std::uint32_t>::max())
        return std::numeric_limits<std::uint32_t>::max();
    const auto value = static_cast<std::uint32_t>(number.magnitude);
    return number.negative ? 0u - value : value;
}
