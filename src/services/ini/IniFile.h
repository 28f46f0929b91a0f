#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "services/files/Outcome.h"

// A private-profile (INI) file in UTF-8: "[section]" lines followed by "key=value" lines.
// A file that starts with a UTF-16 or UTF-32 byte-order mark is read too (and saved in UTF-8).
// Section and key names match without regard to ASCII case, blanks around names and values
// are ignored, a value in matching quotes loses them, and lines starting with ";" are
// comments. The first occurrence of a section or key counts. Writing changes only the line
// of the key (or adds it at the end of its section, or adds the section at the end) and keeps
// every other line byte for byte, so other sections and keys survive. Saving is atomic.
class IniFile
{
public:
    // Files above this size are not read, and not overwritten either.
    static constexpr qint64 kMaxFileSize = 1 << 20;

    explicit IniFile(const QString& path);

    // Reads the file. A missing file gives an empty document; a file that cannot be read or
    // is too large gives an empty document, a failure saying why, and a document that
    // refuses to be saved (with the same reason).
    Outcome load();
    // Writes the document to the path atomically; fails with the reason when it could not be
    // written. Temporary files that killed saves of the same path left behind are removed first.
    Outcome save();

    bool contains(const QString& section, const QString& key) const;
    // The value's text; `defaultValue` when the section or key is missing.
    QString value(const QString& section, const QString& key, const QString& defaultValue = QString()) const;
    // The value read as a decimal integer (see ParseProfileInt); `defaultValue` when missing.
    int intValue(const QString& section, const QString& key, int defaultValue) const;
    // Sets a value, adding the key or section when missing. False (nothing changed) when a
    // name or the value contains a line break or NUL, a name is empty, or a key contains
    // "=" or starts with "[" or ";", since such a text would not read back as written.
    bool setValue(const QString& section, const QString& key, const QString& value);
    bool setValue(const QString& section, const QString& key, int value);

    // One-call forms: a missing file or key gives the default.
    static QString readString(const QString& path, const QString& section, const QString& key,
                              const QString& defaultValue = QString());
    static int readInt(const QString& path, const QString& section, const QString& key, int defaultValue);
    // Loads the file (when present), sets the value and saves it.
    static Outcome writeString(const QString& path, const QString& section, const QString& key,
                               const QString& value);
    static Outcome writeInt(const QString& path, const QString& section, const QString& key, int value);

    // Integer rule of profile files: leading blanks, an optional sign and the leading decimal
    // digits; no digits give 0. Values beyond 32 bits wrap as the platform's reader does.
    static int parseProfileInt(const QString& text);

private:
    struct Entry
    {
        qsizetype sectionLine = -1; // line of "[section]"
        qsizetype sectionEnd = -1;  // first line after the section
        qsizetype keyLine = -1;     // line of "key=value", -1 when missing
    };
    Entry find(const QString& section, const QString& key) const;

    QString m_path;
    QList<QByteArray> m_lines;
    Outcome m_loaded; // a failure when the file could not be read: it is not overwritten
};
