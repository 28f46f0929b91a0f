#pragma once

#include "services/update/VersionTriple.h"

#include <QObject>
#include <QString>

// The update check: downloads the version file, compares its version with the program's and
// posts the outcome to the target window as a private window message:
//   NewVersionMessage (5140)         a newer version exists
//   LatestVersionMessage (5141)      no newer version; only when the check is not quiet
//   UpdateCheckFailedMessage (5142)  the download failed
// The first two carry the server's version (see VersionWParam and VersionLParam). Nothing is
// posted while no target window is set.
//
// A check runs on a short-lived worker thread. At most one runs at a time: a check requested
// while another runs is joined to it, and the running check answers the request too (a
// request that clears the quiet flag makes the running check report the latest version).

// The window that receives the messages; nullptr clears it. The window is forgotten when it
// is destroyed. Safe from any thread.
void setUpdateTargetWindow(QObject* window);
QObject* UpdateTargetWindow();

// While true (the initial value) the latest-version message is not posted.
void setUpdateCheckQuiet(bool quiet);
bool UpdateCheckQuiet();

// Starts a check on a worker thread; false when a check is already running and the request was
// joined to it.
bool StartUpdateCheck(const VersionTriple& program);

// The check itself, on the calling thread: makes the cache folder, downloads the version file
// to updateVersionFilePath(), reads and compares the version and posts the outcome. Returns 0.
// Must not run while a started check runs (both would write the local copy).
int RunUpdateCheck(const VersionTriple& program);

// The automatic check at start: when the program's major version is above 0 and the network is
// reachable, the window becomes the target and a quiet check starts. Returns true when a check
// was started or joined.
bool startAutomaticUpdateCheck(QObject* mainWindow, const VersionTriple& program, bool networkReachable);

// The "check for updates" command: clears the quiet flag, makes the window the target and
// starts (or joins) a check.
void startManualUpdateCheck(QObject* mainWindow, const VersionTriple& program);

// Waits until no check is running; false on timeout.
bool waitForUpdateCheck(int timeoutMs);

// The version named by a local version file; 0 for every missing number.
VersionTriple readVersionFile(const QString& path);
