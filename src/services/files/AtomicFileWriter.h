#pragma once

#include "services/files/Outcome.h"

#include <QByteArray>
#include <QString>

// Every file the program writes goes through this class: the bytes go into a temporary file in
// the target's folder, which is renamed over the target once everything is written, so the
// target holds its old or its complete new content at any moment. Before the temporary file is
// made, leftovers of writes of the same target that were cut short (the process died) are
// removed. The temporary file is registered with TemporaryFileRegistry, so that a signal ending
// the program removes it. Errors carry a reason naming the file (disk full, permission denied,
// folder missing...). The destructor discards an uncommitted temporary file.
//
// Temporary names have one of two forms, chosen by the writer; each has its rule for leftovers:
// - Naming::Hidden, for photos written by a batch and for downloads:
//   ".lumora-<hash of the target name>-<process id>-<random>.part". A leftover is such a file
//   whose process no longer runs. A folder is searched for them once per run (see
//   forgetSweptFolders()): output folders may hold many files.
// - Naming::BesideTarget, for the settings files (XML and INI): the target's name, a dot and
//   six random letters ("preference.xml.AbCdEf"), the form QSaveFile gave them, so that the
//   files left by a killed save say whose they are, now as before. A leftover is such a file
//   at least SaveLeftovers::kStaleAge old (see SaveLeftovers). As a QSaveFile did, this form
//   writes through a link to the file it points to and keeps the permissions of the file it
//   replaces.
class AtomicFileWriter
{
public:
    enum class Naming
    {
        Hidden,
        BesideTarget,
    };

    explicit AtomicFileWriter(const QString& targetPath, Naming naming = Naming::Hidden);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Removes leftovers of interrupted writes of the same target, then creates the
    // temporary file.
    Outcome open();

    // The temporary file's descriptor, -1 when not open.
    int handle() const { return m_fd; }
    QString temporaryPath() const { return m_tempPath; }

    // Appends bytes; on failure the reason is kept and every later call fails too.
    bool write(const char* data, qint64 size);
    Outcome status() const { return m_status; }
    // Records a failure found by someone writing through handle() directly (errno value).
    void fail(int errorNumber);

    // Closes the temporary file (after an optional flush to the disk) and renames it over the
    // target. Fails, discarding the temporary file, if any write failed.
    Outcome commit(bool syncToDisk = false);
    // Closes and removes the temporary file.
    void discard();

    // Off: commit() never replaces a file that took the target name after open() (nor one that
    // was there): it fails instead, and the other file stays. On by default.
    void setReplaceExisting(bool replace) { m_replaceExisting = replace; }

    // The fixed start of hidden temporary names for a target (".lumora-<hash>-"), and their end.
    static QString temporaryPrefix(const QString& targetPath);
    static QString temporarySuffix();
    // Removes temporary files of the target left by processes that no longer run. Only
    // regular files are removed; links are left alone. The target's folder is listed at the
    // first call for it in a run; later calls remove what that listing found.
    static void removeStrayTemporaries(const QString& targetPath);
    // Starts a new run: the next write into any folder lists it again. A program that runs
    // several batches (the desktop program) calls this at the start of each.
    static void forgetSweptFolders();

    // A sentence for a failed file operation on path.
    static QString describeError(int errorNumber, const QString& path);

private:
    // Renames the temporary file to the target only when the target name is free.
    void renameKeepingExisting();
    // A new temporary name for the target, in the form of m_naming.
    QString nextCandidate() const;

    QString m_targetPath;
    Naming m_naming;
    int m_keptMode = -1; // BesideTarget: the permissions of the file replaced
    bool m_replaceExisting = true;
    QString m_tempPath;
    QByteArray m_tempNative;
    int m_fd = -1;
    int m_slot = -1; // in TemporaryFileRegistry
    Outcome m_status;
};
