#pragma once

#include "services/imaging/ImagingStatus.h"

#include <QByteArray>
#include <QString>

// Writes a file under a temporary name in the target's folder and renames it over the target
// when everything is written. The temporary name has a fixed form
// (".lumora-<hash of the target name>-<process id>-<random>.part") so that leftovers of a
// write that was cut short (the process died) can be recognised and are removed by the next
// write of the same target; a folder is searched for them once per run (see
// forgetSweptFolders()). The temporary file is registered with TemporaryFileRegistry, so that
// a signal ending the program removes it. Errors carry a reason naming the file (disk full,
// permission denied, folder missing...). The destructor discards an uncommitted temporary file.
class AtomicFileWriter
{
public:
    explicit AtomicFileWriter(const QString& targetPath);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Removes leftovers of interrupted writes of the same target, then creates the
    // temporary file.
    ImagingStatus open();

    // The temporary file's descriptor, -1 when not open.
    int handle() const { return m_fd; }
    QString temporaryPath() const { return m_tempPath; }

    // Appends bytes; on failure the reason is kept and every later call fails too.
    bool write(const char* data, qint64 size);
    ImagingStatus status() const { return m_status; }
    // Records a failure found by someone writing through handle() directly (errno value).
    void fail(int errorNumber);

    // Closes the temporary file (after an optional flush to the disk) and renames it over the
    // target. Fails, discarding the temporary file, if any write failed.
    ImagingStatus commit(bool syncToDisk = false);
    // Closes and removes the temporary file.
    void discard();

    // The fixed start of temporary names for a target (".lumora-<hash>-"), and their end.
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
    QString m_targetPath;
    QString m_tempPath;
    QByteArray m_tempNative;
    int m_fd = -1;
    int m_slot = -1; // in TemporaryFileRegistry
    ImagingStatus m_status;
};
