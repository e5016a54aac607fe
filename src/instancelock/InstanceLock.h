// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>
#include <QString>

/*
 * Tells whether another instance of a program (the checker, the settings
 * program) of the same user is running: a QLockFile
 * held for the whole run. The lock records the holder's process id and is
 * also locked with flock(), so a lock left behind by a checker that was
 * killed is taken over at once, while a running holder keeps refusing for
 * as long as it runs (its age is never held against it).
 */
class InstanceLock
{
public:
    // "<program>.lock" in a folder only the user can write: the runtime
    // folder ($XDG_RUNTIME_DIR) when it exists, is the user's and is not
    // writable by group or others; else the folder of the settings file,
    // made 0700. Never the shared temporary folder.
    static QString defaultPath(const QString& program = QStringLiteral("tavowatchl"));

    explicit InstanceLock(const QString& path = defaultPath());
    // Releases the lock if held.
    ~InstanceLock() = default;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this object now holds the lock (also when it already did);
    // false while another live process or object holds it. Never waits.
    bool tryLock();
    void unlock();
    bool isLocked() const;
    QString path() const;

private:
    QString m_path;
    QLockFile m_lock;
};
