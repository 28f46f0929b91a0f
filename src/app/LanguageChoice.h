#pragma once

#include "services/files/Outcome.h"
#include "services/language/InterfaceLanguage.h"

// The interface language the person chose in the help menu, kept in "config.ini" (section
// "常规", key "language": "zh_CN", "en" or "system"). The key is written only when the person
// chooses; without it the language follows the locale.
class LanguageChoice
{
public:
    static InterfaceLanguage::Choice load();
    // Fails with the reason when config.ini cannot be written.
    static Outcome store(InterfaceLanguage::Choice choice);
    // The language of this start: the stored choice, else the locale.
    static InterfaceLanguage::Language resolvedLanguage();
    // Installs the translations of resolvedLanguage(); a missing translation is reported on the
    // standard error and leaves its texts untranslated.
    static InterfaceLanguage::Language apply();
};
