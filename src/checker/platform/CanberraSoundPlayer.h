// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "checker/SoundPlayer.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <map>

struct ca_context;

/*
 * SoundPlayer over libcanberra: each file is streamed to the sound server
 * (PulseAudio, else ALSA) by libcanberra's own threads, so play() returns
 * at once and the event loop keeps running while the sound plays.
 *
 * libcanberra reports the end of a sound on one of its threads; the report
 * is handed to the user-interface thread as a queued call, and finished
 * runs from the event loop there. A sound that cannot be started (no sound
 * server, a missing or unreadable file) ends at once the same way, through
 * a queued call, never inside play().
 *
 * The libcanberra context is opened on the first play(). Destroying the
 * player stops every sound still playing and drops their finished calls.
 */
class CanberraSoundPlayer : public SoundPlayer
{
public:
    CanberraSoundPlayer();
    ~CanberraSoundPlayer() override;
    CanberraSoundPlayer(const CanberraSoundPlayer&) = delete;
    CanberraSoundPlayer& operator=(const CanberraSoundPlayer&) = delete;

    void play(const QString& file, std::function<void()> finished) override;
    // QApplication::beep(): the X11 bell.
    void beep() override;

private:
    // Runs on a libcanberra thread (or inside ca_context_destroy).
    static void handleCanberraFinished(ca_context* context, std::uint32_t id, int error,
                                       void* userdata);
    void finishLater(std::uint32_t id);
    void finish(std::uint32_t id);
    void handleWatchdog();
    bool openContext();

    ca_context* m_context = nullptr;
    std::uint32_t m_lastId = 0;
    // Sounds whose finished has not run yet, by libcanberra id.
    std::map<std::uint32_t, std::function<void()>> m_pending;
    // libcanberra does not report a sound that ends before
    // ca_context_play_full() returns (possible for a very short one); the
    // watchdog asks it which sounds still play and ends the others.
    QTimer m_watchdog;
    // Receives the queued calls; its destruction drops those not yet run.
    QObject m_receiver;
};
