#include "app/LanguageChoice.h"

#include "model/DataFiles.h"
#include "services/ini/IniFile.h"

#include <cstdio>

namespace {
const QString kLanguageKey = QStringLiteral("language");
} // namespace

InterfaceLanguage::Choice LanguageChoice::Load()
{
    return InterfaceLanguage::ChoiceFromValue(
        IniFile::ReadString(ConfigIniPath(), ProfileSectionName(), kLanguageKey, QString()));
}

bool LanguageChoice::Store(InterfaceLanguage::Choice choice)
{
    return IniFile::WriteString(ConfigIniPath(), ProfileSectionName(), kLanguageKey,
                                InterfaceLanguage::ChoiceValue(choice));
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
