#include "services/language/CLanguageManager.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "services/ini/IniFile.h"

namespace {

const QString kBuiltinStrings = QStringLiteral(":/language/strings.ini");

QString BuiltinBitmapPath(int id)
{
    return QStringLiteral(":/language/%1.png").arg(id);
}

// The key's value in the language file, cut to the length of the lookup buffer.
QString ReadLanguageValue(const QString& section, const QString& key)
{
    return IniFile::ReadString(CLanguageManager::GetLanguageFilePath(), section, key)
        .left(CLanguageManager::kMaxValueLength);
}

} // namespace

QString CLanguageManager::GetLanguageCode()
{
    // The application settings carry one language, English; nothing stores or changes it.
    return QStringLiteral("en");
}

QString CLanguageManager::GetProgramFolder()
{
    const QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    return dir.isEmpty() ? QStringLiteral(".") : dir;
}

QString CLanguageManager::GetLanguageFilePath()
{
    return QStringLiteral("%1/Lang/lang_%2.ini").arg(GetProgramFolder(), GetLanguageCode());
}

QString CLanguageManager::GetLanguageString(const QString& section, const QString& key)
{
    QString value = ReadLanguageValue(section, key);
    if (value.isEmpty())
        return QString();
    value.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    value.replace(QStringLiteral("\\t"), QStringLiteral("\t"));
    return value;
}

QString CLanguageManager::LoadLanguageString(int id)
{
    const QString text = GetLanguageString(QStringLiteral("STRING"), QString::number(id));
    return text.isEmpty() ? BuiltinString(id) : text;
}

void CLanguageManager::LoadLanguageBitmap(QImage& bitmap, int id)
{
    const QString name = ReadLanguageValue(QStringLiteral("BITMAP"), QString::number(id));
    if (!name.isEmpty()) {
        QImage fromFile(QStringLiteral("%1/%2").arg(GetProgramFolder(), name));
        if (!fromFile.isNull()) {
            bitmap = fromFile;
            return;
        }
    }
    bitmap = BuiltinBitmap(id);
}

QString CLanguageManager::BuiltinString(int id)
{
    return IniFile::ReadString(kBuiltinStrings, QStringLiteral("STRING"), QString::number(id));
}

QImage CLanguageManager::BuiltinBitmap(int id)
{
    const QString path = BuiltinBitmapPath(id);
    return QFileInfo::exists(path) ? QImage(path) : QImage();
}
