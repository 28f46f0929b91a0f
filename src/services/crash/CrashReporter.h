#pragma once

#include <QString>

#include <csignal>

// Crash reporting: when the process receives SIGSEGV, SIGBUS, SIGFPE, SIGILL or SIGABRT, or
// std::terminate is called, on any thread, a report ("crash.txt", UTF-16LE with CR LF line ends
// and one terminating NUL, at most 8000 characters) and a dump ("crash.dmp", see CrashDump.h)
// replace the previous ones in "<data folder>/crashLog"; the process then ends with the
// original signal (SIGABRT for std::terminate).
//
// Crashes are written one at a time: a crash on another thread while a report is being written
// waits for it, then writes its own report over it, and the last writer ends the process.

// Installs the handlers, gathers what the report names (system, executable, version), creates
// the crash folder and gives the calling thread an alternate signal stack. Call it once at
// start, on the main thread; calling it again only changes the data folder. False when the
// crash folder paths are too long or a handler cannot be installed.
bool InstallCrashReporter(const QString& dataFolder);

// Gives the calling thread its own alternate signal stack, so that a stack overflow on it can
// still be reported. Every long-lived thread should call it once when it starts; the stack is
// released when the thread ends. Threads that do not call it are still reported, on their own
// stack. Returns false when the stack cannot be allocated.
bool installCrashStackForThread();

// The signal handler: writes report and dump, then ends the process with the signal.
void CrashFilter(int signal, siginfo_t* info, void* context);

// The crash folder and the two files, for the data folder given at installation (empty before).
QString crashFolder();
QString crashReportPath();
QString crashDumpPath();
