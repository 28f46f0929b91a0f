#pragma once

#include <QImage>
#include <QString>

// Texts and pictures that are built into the program and can be replaced from the language
// file "Lang/lang_<code>.ini" beside the executable: section "STRING" maps a decimal string
// id to a text, section "BITMAP" maps a decimal picture id to a file name relative to the
// program folder. Every lookup reads the file anew; without a file the built-in texts and
// pictures are used.
class CLanguageManager
{
public:
    // Longest value read from the language file, in UTF-16 units: the lookup buffer holds
    // 10200 units including its terminator.
    static constexpr int kMaxValueLength = 10200 - 1;

    virtual ~CLanguageManager() = default;

    static QString GetLanguageCode();
    // The folder of the running executable, "." when it cannot be told.
    static QString GetProgramFolder();
    static QString GetLanguageFilePath();

    // The value of the key in the section with "\n" turned into a line feed and "\t" into a
    // tab; empty when the file, section or key is missing.
    static QString GetLanguageString(const QString& section, const QString& key);
    // The language file's text for the id, else the built-in text in the interface's language
    // (empty when neither).
    static QString LoadLanguageString(int id);
    // Fills `bitmap` with the picture named for the id in the language file when it loads,
    // else with the built-in picture (a null image when the id has none). With
    // `twiceOnScaledScreens`, on screens scaled by more than one the built-in picture is the
    // twice as large one where there is one, marked with device pixel ratio 2 (the caller
    // then draws it at its device-independent size).
    static void LoadLanguageBitmap(QImage& bitmap, int id, bool twiceOnScaledScreens = false);

    // The built-in text and picture of an id, without looking at the language file.
    static QString builtinString(int id);
    static QImage builtinBitmap(int id);
};
