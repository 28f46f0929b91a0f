#include "xml/XmlLoadResult.h"

#include "xml/XmlText.h"

namespace {

constexpr qsizetype kMaxEntries = 200;
// Details such as a file name or an error text are cut to keep the record small.
constexpr qsizetype kMaxDetailLength = 256;

QString QuoteAttribute(const QString& value)
{
    QString escaped = XmlText::Escape(QStringView(value).left(kMaxDetailLength));
    escaped.replace(QLatin1Char('"'), QStringLiteral("&quot;"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

void XmlLoadResult::Clear()
{
    entries_.clear();
    dropped_ = 0;
}

void XmlLoadResult::Add(const QString& kind, const QList<std::pair<QString, QString>>& details)
{
    if (entries_.size() >= kMaxEntries) {
        ++dropped_;
        return;
    }
    QString entry = QLatin1Char('<') + kind;
    for (const auto& [name, value] : details)
        entry += QLatin1Char(' ') + name + QLatin1Char('=') + QuoteAttribute(value);
    entry += QStringLiteral("/>");
    entries_.append(entry);
}

QString XmlLoadResult::ToString() const
{
    QString text = entries_.join(QString());
    if (dropped_ > 0)
        text += QStringLiteral("<more_entries count=\"%1\"/>").arg(dropped_);
    return text;
}
