// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

/*
 * Plays sound files and the system beep without ever blocking the event
 * loop. The real implementation is CanberraSoundPlayer (libcanberra).
 */
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;

    // Starts playing file. finished runs on the user-interface thread, from
    // the event loop (never from inside play), once the sound has ended or
    // could not be played; it may be empty for a sound started without
    // waiting. A file that cannot be played is skipped silently.
    virtual void play(const QString& file, std::function<void()> finished) = 0;

    // The system beep.
    virtual void beep() = 0;
};
