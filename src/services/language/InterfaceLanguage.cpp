#include "services/language/InterfaceLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>
#include <vector>

namespace {

// The program's own catalogues, compiled from translations/*.ts into the desktop program's
// resources.
const QString kInterfaceEnglish = QStringLiteral(":/translations/lumora_en.qm");
const QString kReasonsChinese = QStringLiteral(":/translations/lumora_zh_CN.qm");

// Texts of Qt's file dialog that Qt's own Chinese catalogue lacks (it has them only under the
// context of an older Qt); the program's Chinese catalogue carries them.
[[maybe_unused]] const char* const kQtTextsMissingInChinese[] = {
    QT_TRANSLATE_NOOP("QAbstractFileIconProvider", "Drive"),
    QT_TRANSLATE_NOOP("QAbstractFileIconProvider", "Folder"),
    QT_TRANSLATE_NOOP("QAbstractFileIconProvider", "Unknown"),
};

std::vector<std::unique_ptr<QTranslator>>& installedTranslators()
{
    static std::vector<std::unique_ptr<QTranslator>> translators;
    return translators;
}

InterfaceLanguage::Language& installedLanguage()
{
    static InterfaceLanguage::Language language = InterfaceLanguage::Chinese;
    return language;
}

// "en", "en_US.UTF-8", "en@boldquot": the language part before "_", "." and "@".
QString languagePart(const QString& locale)
{
    qsizetype end = locale.size();
    for (const QChar stop : {QLatin1Char('_'), QLatin1Char('.'), QLatin1Char('@')}) {
        const qsizetype at = locale.indexOf(stop);
        if (at >= 0 && at < end)
            end = at;
    }
    return locale.left(end).trimmed().toLower();
}

bool loadInto(std::vector<std::unique_ptr<QTranslator>>& translators, const QString& file,
              const QString& folder, QString* missing)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(file, folder)) {
        if (missing)
            *missing = folder.isEmpty() ? file : folder + QLatin1Char('/') + file;
        return false;
    }
    QCoreApplication::installTranslator(translator.get());
    translators.push_back(std::move(translator));
    return true;
}

} // namespace

InterfaceLanguage::Language InterfaceLanguage::fromLocaleValue(const QString& value, bool list)
{
    const QStringList entries = list ? value.split(QLatin1Char(':'), Qt::SkipEmptyParts) : QStringList{value};
    for (const QString& entry : entries) {
        const QString language = languagePart(entry);
        if (language == QLatin1String("en"))
            return English;
        if (language == QLatin1String("zh"))
            return Chinese;
    }
    return Chinese;
}

InterfaceLanguage::Language InterfaceLanguage::fromEnvironment()
{
    const char* const variables[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    for (const char* variable : variables) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return fromLocaleValue(value, qstrcmp(variable, "LANGUAGE") == 0);
    }
    return Chinese;
}

InterfaceLanguage::Language InterfaceLanguage::resolve(Choice choice)
{
    switch (choice) {
    case ChooseChinese:
        return Chinese;
    case ChooseEnglish:
        return English;
    case FollowSystem:
        break;
    }
    return fromEnvironment();
}

QString InterfaceLanguage::choiceValue(Choice choice)
{
    switch (choice) {
    case ChooseChinese:
        return QStringLiteral("zh_CN");
    case ChooseEnglish:
        return QStringLiteral("en");
    case FollowSystem:
        break;
    }
    return QStringLiteral("system");
}

InterfaceLanguage::Choice InterfaceLanguage::choiceFromValue(const QString& value)
{
    const QString trimmed = value.trimmed();
    if (trimmed.compare(choiceValue(ChooseChinese), Qt::CaseInsensitive) == 0)
        return ChooseChinese;
    if (trimmed.compare(choiceValue(ChooseEnglish), Qt::CaseInsensitive) == 0)
        return ChooseEnglish;
    return FollowSystem;
}

bool InterfaceLanguage::install(Language language, QString* missing)
{
    uninstall();
    installedLanguage() = language;
    // Qt's dialogs write dates, sizes and file types in the default locale's language: the
    // system's when it speaks the interface's language, else the language's main locale.
    const QLocale system = QLocale::system();
    if (language == English)
        QLocale::setDefault(system.language() == QLocale::English
                                ? system
                                : QLocale(QLocale::English, QLocale::UnitedStates));
    else
        QLocale::setDefault(
            system.language() == QLocale::Chinese ? system : QLocale(QLocale::Chinese, QLocale::China));
    std::vector<std::unique_ptr<QTranslator>>& translators = installedTranslators();
    if (language == English)
        return loadInto(translators, kInterfaceEnglish, QString(), missing);
    // Both are tried even when the first is missing.
    const bool qt = loadInto(translators, QStringLiteral("qtbase_zh_CN.qm"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath), missing);
    const bool reasons = loadInto(translators, kReasonsChinese, QString(), missing);
    return qt && reasons;
}

InterfaceLanguage::Language InterfaceLanguage::installed()
{
    return installedLanguage();
}

void InterfaceLanguage::uninstall()
{
    for (const std::unique_ptr<QTranslator>& translator : installedTranslators())
        QCoreApplication::removeTranslator(translator.get());
    installedTranslators().clear();
    installedLanguage() = Chinese;
    QLocale::setDefault(QLocale::system());
}
