#pragma once

#include <QString>

// The language of the desktop program's interface. The interface is written in Chinese;
// English comes from a translation. Unless the person chose a language (help menu, kept in
// config.ini), the locale decides as gettext reads it: the first of LANGUAGE, LC_ALL,
// LC_MESSAGES and LANG that is set and not empty; English when it names English ("en",
// "en_US.UTF-8", "en_GB@euro"), Chinese for everything else ("zh_CN.UTF-8", "C", "POSIX",
// "de_DE"). LANGUAGE may list several languages ("fr:en_GB:zh"): the first of them that is
// English or Chinese counts, as gettext takes the first one it has a translation for.
class InterfaceLanguage
{
public:
    enum Language
    {
        Chinese,
        English
    };
    // What the person chose; FollowSystem also when nothing was chosen.
    enum Choice
    {
        FollowSystem,
        ChooseChinese,
        ChooseEnglish
    };

    // The language the environment of this process asks for.
    static Language fromEnvironment();
    // The language one locale variable's value asks for; `list` for LANGUAGE's colon list.
    static Language fromLocaleValue(const QString& value, bool list = false);
    static Language resolve(Choice choice);

    // The value a choice is stored as ("system", "zh_CN", "en"), and back: anything else
    // follows the system.
    static QString choiceValue(Choice choice);
    static Choice choiceFromValue(const QString& value);

    // Installs the translations of the language into the application (a QCoreApplication
    // must exist), in place of those an earlier call installed. Chinese: Qt's own Chinese
    // (standard buttons, file, colour and font dialogs) and the Chinese of the engine's
    // failure reasons. English: the English of the interface; Qt and the failure reasons are
    // English already. The default locale (dates, sizes and file types in Qt's dialogs) follows
    // the language. False, with the missing file in `missing`, when a translation could not be
    // loaded (the texts it covers stay untranslated).
    static bool install(Language language, QString* missing = nullptr);
    // The language last installed (Chinese before any call).
    static Language installed();
    // Removes every translator install() installed; the default locale is the system's again.
    static void uninstall();
};
