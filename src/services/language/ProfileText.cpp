#include "services/language/ProfileText.h"

#include <QFile>
#include <QStringConverter>
#include <QStringView>

namespace ProfileText {

QString ReadValue(const QString& iniText, const QString& section, const QString& key)
{
    bool inSection = false;
    const auto lines = QStringView(iniText).split(u'\n');
    for (QStringView raw : lines) {
        const QStringView line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QStringView name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0 || line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        QStringView value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return value.toString();
    }
    return QString();
}

QString ReadFileValue(const QString& path, const QString& section, const QString& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.readAll();
    // UTF-16 files carry a byte-order mark; everything else is read as UTF-8.
    QString text;
    if (auto enc = QStringConverter::encodingForData(bytes); enc && *enc != QStringConverter::Utf8) {
        QStringDecoder decoder(*enc);
        text = decoder(bytes);
    } else {
        text = QString::fromUtf8(bytes);
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return ReadValue(text, section, key);
}

} // namespace ProfileText
