#include "app/LanguageChoice.h"

#include "model/DataFiles.h"
#include "services/ini/IniFile.h"

#include <cstdio>

namespace {
const QString kLanguageKey = QStringLiteral("language");
} // namespace

InterfaceLanguage::Choice LanguageChoice::load()
{
    return InterfaceLanguage::choiceFromValue(
        IniFile::readString(configIniPath(), profileSectionName(), kLanguageKey, QString()));
}

Outcome LanguageChoice::store(InterfaceLanguage::Choice choice)
{
    return IniFile::writeString(configIniPath(), profileSectionName(), kLanguageKey,
                                InterfaceLanguage::choiceValue(choice));
}

InterfaceLanguage::Language LanguageChoice::resolvedLanguage()
{
    return InterfaceLanguage::resolve(load());
}

InterfaceLanguage::Language LanguageChoice::apply()
{
    const InterfaceLanguage::Language language = resolvedLanguage();
    QString missing;
    if (!InterfaceLanguage::install(language, &missing))
        std::fprintf(stderr, "lumora-plenum: the translation %s cannot be loaded\n", qPrintable(missing));
    return language;
}
