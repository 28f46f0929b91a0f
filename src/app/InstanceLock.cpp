#include "app/InstanceLock.h"

#include <QDir>

#include "services/folders/Folders.h"

InstanceLock::InstanceLock(const QString& dataFolder) : m_lock(lockPath(dataFolder)), m_dataFolder(dataFolder)
{
    // Never stale by age: a program may run for days. A lock whose process is gone is stale.
    m_lock.setStaleLockTime(0);
}

QString InstanceLock::lockPath(const QString& dataFolder)
{
    return joinPath(dataFolder, QStringLiteral("lumora-plenum.lock"));
}

bool InstanceLock::tryAcquire()
{
    return m_lock.isLocked() || m_lock.tryLock(0);
}

QString InstanceLock::refusalText() const
{
    qint64 pid = 0;
    QString host;
    QString application;
    const QString folder = QDir::toNativeSeparators(m_dataFolder);
    if (m_lock.error() == QLockFile::LockFailedError && m_lock.getLockInfo(&pid, &host, &application))
        return tr("Lumora Plenum 已在运行（进程 %1），它正在使用数据文件夹 %2。请使用已打开的窗口。")
            .arg(pid)
            .arg(folder);
    return tr("Lumora Plenum 无法锁定数据文件夹 %1，因此不能启动。").arg(folder);
}
