#include "services/language/CLanguageManager.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

#include "services/folders/Folders.h"
#include "services/ini/IniFile.h"

namespace {

const QString kBuiltinStrings = QStringLiteral(":/language/strings.ini");

// The texts of strings.ini, listed for the translation catalogue: a built-in text is shown
// translated into the interface's language; a text from the language file is shown as written.
[[maybe_unused]] const char* const kBuiltinTexts[] = {
    QT_TRANSLATE_NOOP("CLanguageManager", "单击此处操作层"), QT_TRANSLATE_NOOP("CLanguageManager", "左上角"),
    QT_TRANSLATE_NOOP("CLanguageManager", "顶部居中"),       QT_TRANSLATE_NOOP("CLanguageManager", "右上角"),
    QT_TRANSLATE_NOOP("CLanguageManager", "中心左侧"),       QT_TRANSLATE_NOOP("CLanguageManager", "中心"),
    QT_TRANSLATE_NOOP("CLanguageManager", "中心右侧"),       QT_TRANSLATE_NOOP("CLanguageManager", "左下角"),
    QT_TRANSLATE_NOOP("CLanguageManager", "底部居中"),       QT_TRANSLATE_NOOP("CLanguageManager", "右下角"),
};

QString builtinBitmapPath(int id)
{
    return QStringLiteral(":/language/%1.png").arg(id);
}

// The key's value in the language file, cut to the length of the lookup buffer.
QString readLanguageValue(const QString& section, const QString& key)
{
    return IniFile::readString(CLanguageManager::GetLanguageFilePath(), section, key)
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
    return QStringLiteral("%1/Lang/lang_%2.ini").arg(getProgramDataFolder(), GetLanguageCode());
}

QString CLanguageManager::GetLanguageString(const QString& section, const QString& key)
{
    QString value = readLanguageValue(section, key);
    if (value.isEmpty())
        return QString();
    value.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    value.replace(QStringLiteral("\\t"), QStringLiteral("\t"));
    return value;
}

QString CLanguageManager::LoadLanguageString(int id)
{
    const QString text = GetLanguageString(QStringLiteral("STRING"), QString::number(id));
    if (!text.isEmpty())
        return text;
    const QString builtin = builtinString(id);
    return builtin.isEmpty() ? builtin
                             : QCoreApplication::translate("CLanguageManager", builtin.toUtf8().constData());
}

void CLanguageManager::LoadLanguageBitmap(QImage& bitmap, int id, bool twiceOnScaledScreens)
{
    const QString name = readLanguageValue(QStringLiteral("BITMAP"), QString::number(id));
    if (!name.isEmpty()) {
        QImage fromFile(QStringLiteral("%1/%2").arg(getProgramDataFolder(), name));
        if (!fromFile.isNull()) {
            bitmap = fromFile;
            return;
        }
    }
    if (twiceOnScaledScreens && qGuiApp && qGuiApp->devicePixelRatio() > 1.0) {
        const QString twice = QStringLiteral(":/language/%1@2x.png").arg(id);
        if (QFileInfo::exists(twice) && bitmap.load(twice)) {
            bitmap.setDevicePixelRatio(2.0);
            return;
        }
    }
    bitmap = builtinBitmap(id);
}

QString CLanguageManager::builtinString(int id)
{
    return IniFile::readString(kBuiltinStrings, QStringLiteral("STRING"), QString::number(id));
}

QImage CLanguageManager::builtinBitmap(int id)
{
    const QString path = builtinBitmapPath(id);
    return QFileInfo::exists(path) ? QImage(path) : QImage();
}
