// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/platform/InstanceLock.h"

#include <QDir>
#include <QStandardPaths>

QString InstanceLock::defaultPath(const QString& program)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(program + QStringLiteral(".lock"));
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
