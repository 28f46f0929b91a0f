#include "services/update/UpdateCheck.h"

#include "services/folders/Folders.h"
#include "services/ini/IniFile.h"
#include "services/messages/WindowMessage.h"
#include "services/update/DownloadUrlToFile.h"
#include "services/update/UpdateSettings.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QThread>
#include <QWaitCondition>

namespace {

struct UpdateCheckState
{
    QMutex mutex;
    QWaitCondition idle;
    QPointer<QObject> target;
    QMetaObject::Connection targetWatch;
    bool quiet = true;
    bool running = false;
};

UpdateCheckState& checkState()
{
    static UpdateCheckState state;
    return state;
}

enum class CheckResult
{
    Failed,
    Newer,
    NotNewer
};

// Posts the outcome and, for a started check, marks it finished, in one step: a request
// joined before this point is answered by this outcome, one after it starts a new check.
// The post happens under the lock that SetUpdateTargetWindow takes, so the window cannot be
// destroyed in between (its destruction clears the target under the same lock).
void finish(CheckResult outcome, const VersionTriple& server, bool startedCheck)
{
    UpdateCheckState& state = checkState();
    QMutexLocker lock(&state.mutex);
    QObject* target = state.target.data();
    switch (outcome) {
    case CheckResult::Failed:
        postWindowMessage(target, UpdateCheckFailedMessage, 0, 0);
        break;
    case CheckResult::Newer:
        postWindowMessage(target, NewVersionMessage, versionWParam(server), versionLParam(server));
        break;
    case CheckResult::NotNewer:
        if (!state.quiet)
            postWindowMessage(target, LatestVersionMessage, versionWParam(server), versionLParam(server));
        break;
    }
    if (startedCheck) {
        state.running = false;
        state.idle.wakeAll();
    }
}

void check(const VersionTriple& program, bool startedCheck)
{
    const QString folder = PreviewCacheFolder();
    QDir().mkpath(folder);
    const QString localPath = updateVersionFilePath();
    if (!DownloadUrlToFile(updateVersionFileUrl(), localPath)) {
        finish(CheckResult::Failed, VersionTriple(), startedCheck);
        return;
    }
    const VersionTriple server = readVersionFile(localPath);
    finish(isNewerVersion(server, program) ? CheckResult::Newer : CheckResult::NotNewer, server,
           startedCheck);
}

} // namespace

void setUpdateTargetWindow(QObject* window)
{
    UpdateCheckState& state = checkState();
    QMutexLocker lock(&state.mutex);
    if (state.target == window)
        return;
    QObject::disconnect(state.targetWatch);
    state.target = window;
    if (window) {
        // Runs on the destroying thread before the window's posted events are discarded.
        state.targetWatch = QObject::connect(
            window, &QObject::destroyed, window,
            [window] {
                UpdateCheckState& s = checkState();
                QMutexLocker destroyedLock(&s.mutex);
                if (s.target.data() == window || s.target.isNull())
                    s.target.clear();
            },
            Qt::DirectConnection);
    }
}

QObject* UpdateTargetWindow()
{
    UpdateCheckState& state = checkState();
    QMutexLocker lock(&state.mutex);
    return state.target.data();
}

void setUpdateCheckQuiet(bool quiet)
{
    UpdateCheckState& state = checkState();
    QMutexLocker lock(&state.mutex);
    state.quiet = quiet;
}

bool UpdateCheckQuiet()
{
    UpdateCheckState& state = checkState();
    QMutexLocker lock(&state.mutex);
    return state.quiet;
}

bool StartUpdateCheck(const VersionTriple& program)
{
    UpdateCheckState& state = checkState();
    QMutexLocker lock(&state.mutex);
    if (state.running)
        return false;
    state.running = true;
    QThread* worker = QThread::create([program] { check(program, true); });
    worker->setObjectName(QStringLiteral("update check"));
    QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
    return true;
}

int RunUpdateCheck(const VersionTriple& program)
{
    check(program, false);
    return 0;
}

bool startAutomaticUpdateCheck(QObject* mainWindow, const VersionTriple& program, bool networkReachable)
{
    if (program.major <= 0 || !networkReachable)
        return false;
    setUpdateTargetWindow(mainWindow);
    StartUpdateCheck(program);
    return true;
}

void startManualUpdateCheck(QObject* mainWindow, const VersionTriple& program)
{
    {
        UpdateCheckState& state = checkState();
        QMutexLocker lock(&state.mutex);
        state.quiet = false;
    }
    if (mainWindow)
        setUpdateTargetWindow(mainWindow);
    StartUpdateCheck(program);
}

bool waitForUpdateCheck(int timeoutMs)
{
    UpdateCheckState& state = checkState();
    QMutexLocker lock(&state.mutex);
    QDeadlineTimer deadline(timeoutMs);
    while (state.running) {
        if (!state.idle.wait(&state.mutex, deadline))
            return !state.running;
    }
    return true;
}

VersionTriple readVersionFile(const QString& path)
{
    IniFile file(path);
    file.load();
    const QString section = QString::fromLatin1(kVersionFileSection);
    return VersionTriple{file.intValue(section, QString::fromLatin1(kMajorVersionKey), 0),
                         file.intValue(section, QString::fromLatin1(kMinorVersionKey), 0),
                         file.intValue(section, QString::fromLatin1(kBuildKey), 0)};
}
