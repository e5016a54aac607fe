// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "instancelock/InstanceLock.h"

#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// True when only the user can create files in folder: a folder owned by the
// user that group and others cannot write. In a folder another local user
// can write, that user could create the lock first and keep the programs
// from starting.
bool isPrivateFolder(const QString& folder)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

QString InstanceLock::defaultPath(const QString& program)
{
    const QString lockName = program + QStringLiteral(".lock");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime))
        return QDir(runtime).filePath(lockName);
    // Never the shared temporary folder: the settings folder is the user's
    // own. Should it not be made private, the lock stays there all the same:
    // a lock that cannot be taken is better than one others can take.
    QString folder = Settings::SettingsStore::privateFolder();
    if (folder.isEmpty())
        folder = QFileInfo(Settings::SettingsStore::defaultPath()).absolutePath();
    return QDir(folder).filePath(lockName);
}

InstanceLock::InstanceLock(const QString& path) : m_path(path), m_lock(path)
{
    // The checker holds the lock for days: only a dead holder makes it stale.
    m_lock.setStaleLockTime(0);
}

bool InstanceLock::tryLock()
{
    return m_lock.isLocked() || m_lock.tryLock(0);
}

void InstanceLock::unlock()
{
    m_lock.unlock();
}

bool InstanceLock::isLocked() const
{
    return m_lock.isLocked();
}

QString InstanceLock::path() const
{
    return m_path;
}
