#pragma once

#include <QByteArray>

// The temporary files this process is writing, kept where a signal handler can reach them:
// when SIGINT, SIGTERM, SIGHUP or SIGPIPE ends the program, the handler removes them and then
// lets the signal end the process as it would have (the shell still sees "killed by SIGINT").
//
// The table has a fixed number of slots holding native paths; writers claim and release slots
// with atomic operations only, and the handler makes async-signal-safe calls only (unlink,
// sigaction, raise, nanosleep). A writer announces a file before creating it, so that a signal
// arriving while another thread creates the file still finds it (the handler waits for the
// creation to finish), and a writer that announces a file after the handler started is told
// not to create it.
class TemporaryFileRegistry
{
public:
    // What claim() answers besides a slot number.
    static constexpr int kUntracked = -1; // no free slot (or the path is too long): create untracked
    static constexpr int kEnding = -2;    // the process is ending on a signal: do not create the file

    // Installs the clean-up for SIGINT, SIGTERM, SIGHUP and SIGPIPE, except for a signal the
    // process was started with ignored (nohup, background jobs), which stays ignored. Call
    // once at start-up, before other threads run.
    static void installSignalCleanup();

    // Announces that the file at `nativePath` is about to be created. Returns a slot to pass to
    // created() (or release() when the creation failed), or kUntracked / kEnding.
    static int claim(const QByteArray& nativePath);
    // The file of the slot now exists (or may exist): the handler removes it.
    static void created(int slot);
    // The file of the slot was renamed, removed or never created: forget it.
    static void release(int slot);
};
