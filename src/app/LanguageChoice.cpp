#include "app/LanguageChoice.h"

#include "model/DataFiles.h"
#include "services/ini/IniFile.h"

#include <cstdio>

namespace {
const QString kLanguageKey = QStringLiteral("language");
} // namespace

InterfaceLanguage::Choice LanguageChoice::Load()
{
    return InterfaceLanguage::choiceFromValue(
        IniFile::ReadString(configIniPath(), profileSectionName(), kLanguageKey, QString()));
}

Outcome LanguageChoice::Store(InterfaceLanguage::Choice choice)
{
    return IniFile::writeString(configIniPath(), profileSectionName(), kLanguageKey,
                                InterfaceLanguage::choiceValue(choice));
}

InterfaceLanguage::Language LanguageChoice::Language()
{
    return InterfaceLanguage::Resolve(Load());
}

InterfaceLanguage::Language LanguageChoice::Apply()
{
    const InterfaceLanguage::Language language = Language();
    QString missing;
    if (!InterfaceLanguage::Install(language, &missing))
        std::fprintf(stderr, "lumora-plenum: the translation %s cannot be loaded\n", qPrintable(missing));
    return language;
}
