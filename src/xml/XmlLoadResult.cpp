#include "xml/XmlLoadResult.h"

#include "xml/XmlText.h"

namespace {

constexpr qsizetype kMaxEntries = 200;
// Details such as a file name or an error text are cut to keep the record small.
constexpr qsizetype kMaxDetailLength = 256;

QString quoteAttribute(const QString& value)
{
    QString escaped = XmlText::escape(QStringView(value).left(kMaxDetailLength));
    escaped.replace(QLatin1Char('"'), QStringLiteral("&quot;"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

void XmlLoadResult::clear()
{
    m_entries.clear();
    m_dropped = 0;
}

void XmlLoadResult::add(const QString& kind, const QList<std::pair<QString, QString>>& details)
{
    if (m_entries.size() >= kMaxEntries) {
        ++m_dropped;
        return;
    }
    QString entry = QLatin1Char('<') + kind;
    for (const auto& [name, value] : details)
        entry += QLatin1Char(' ') + name + QLatin1Char('=') + quoteAttribute(value);
    entry += QStringLiteral("/>");
    m_entries.append(entry);
}

QString XmlLoadResult::toString() const
{
    QString text = m_entries.join(QString());
    if (m_dropped > 0)
        text += QStringLiteral("<more_entries count=\"%1\"/>").arg(m_dropped);
    return text;
}
