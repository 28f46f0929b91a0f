#pragma once

#include <QCoreApplication>
#include <QLockFile>
#include <QString>

// One desktop program per data folder. Two programs on the same folder would each load, change
// and save the template list, the layer files and the settings: the writes are atomic, so no
// file is torn, but one program's changes would silently undo the other's, and one program
// would remove the preview cache under the other. The first program holds a lock file in the
// data folder while it runs; a second one finds it held and refuses to start. The lock of a
// program that ended without releasing it (a crash, a kill) is taken over.
class InstanceLock
{
    Q_DECLARE_TR_FUNCTIONS(InstanceLock)

public:
    explicit InstanceLock(const QString& dataFolder);
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this program now holds the lock; false when a running program holds it (or
    // the lock file cannot be made, for example in a read-only folder).
    bool tryAcquire();

    // The sentence shown when the lock is refused, naming the holder when known.
    QString refusalText() const;

    // data folder + "/lumora-plenum.lock"
    static QString lockPath(const QString& dataFolder);

private:
    QLockFile m_lock;
    QString m_dataFolder;
};
