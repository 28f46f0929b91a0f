#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The photos of a stamping run, gathered in order from the names of the command line, a list
// file (--files-from) and, with `recursive`, the folders among them.
//
// A name whose bytes are not UTF-8 (in the list or in a folder) becomes an unreadable name
// (AnswerStream::unreadableName), which fails in its place in the batch. A folder is walked
// depth first, the names of each folder in byte order, links followed; the files taken are
// those with a photo extension (any case). Folders that cannot be read and links that lead
// back to a folder being walked are problems: they are answered like failed photos, and the
// walk goes on with the rest.
class PhotoList
{
public:
    struct Problem
    {
        QString path;
        QString reason;
    };

    // The extensions a folder walk takes, lower-case, without the dot.
    static const QStringList& photoExtensions();

    // Adds the names given on the command line (each may be an unreadable name).
    void addNames(const QStringList& names, bool recursive);

    // Adds the names of a list file ("-": standard input): one per line, or ending with NUL
    // characters when `nullSeparated`. Empty names are left out; in a list of lines a
    // carriage return before the line end is dropped. A name at the system's path limit
    // (PATH_MAX bytes) or longer becomes a problem of its own, its first bytes shown. False,
    // with error() set, when the list cannot be read, holds NUL characters without
    // `nullSeparated` (found as soon as they are read), or is longer than 64 MiB or a million
    // names (a list without an end); nothing is added then.
    bool addListFile(const QString& file, bool nullSeparated, bool recursive);

    const QStringList& photos() const { return m_photos; }
    const QList<Problem>& problems() const { return m_problems; }
    // Why the list file could not be used, a sentence naming it.
    QString error() const { return m_error; }

private:
    struct FolderId
    {
        quint64 device = 0;
        quint64 inode = 0;
        QByteArray path;
    };

    void addName(const QString& name, bool recursive);
    void addBytes(const QByteArray& bytes, bool recursive);
    void walk(const QByteArray& folder, QList<FolderId>& around);
    void addPhoto(const QByteArray& bytes);
    void addProblem(const QByteArray& bytes, const QString& reason);

    QStringList m_photos;
    QList<Problem> m_problems;
    QString m_error;
};
