// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "checker/SoundPlayer.h"

#include <QByteArray>
#include <QList>
#include <QObject>

#include <functional>
#include <utility>

/*
 * Records plays and beeps in order. A play ends either when the test says
 * (finishNext(), finishAll(): finished runs right there, as if the event
 * loop delivered the end of the sound) or, with completeAtOnce, by a queued
 * call from the event loop right after play() returns. Destroying the fake
 * drops the queued ends.
 */
class FakeSoundPlayer : public SoundPlayer
{
public:
    struct Call
    {
        enum class Kind { Play, Beep };
        Kind kind = Kind::Beep;
        QString file;
        // play() was given a finished callback: the caller waits for the end.
        bool waited = false;

        static Call play(const QString& file, bool waited) { return {Kind::Play, file, waited}; }
        static Call beep() { return {Kind::Beep, QString(), false}; }
        friend bool operator==(const Call&, const Call&) = default;
    };

    QList<Call> calls;
    bool completeAtOnce = false;

    void play(const QString& file, std::function<void()> finished) override
    {
        calls.append(Call::play(file, bool(finished)));
        if (completeAtOnce) {
            QMetaObject::invokeMethod(
                &m_receiver,
                [finished = std::move(finished)] {
                    if (finished)
                        finished();
                },
                Qt::QueuedConnection);
            return;
        }
        m_playing.append(std::move(finished));
    }

    void beep() override { calls.append(Call::beep()); }

    // Sounds started and not yet ended (manual mode).
    qsizetype playingCount() const { return m_playing.size(); }

    // Ends the oldest sound still playing. False when none is.
    bool finishNext()
    {
        if (m_playing.isEmpty())
            return false;
        const std::function<void()> finished = m_playing.takeFirst();
        if (finished)
            finished();
        return true;
    }

    void finishAll()
    {
        while (finishNext()) {
        }
    }

private:
    QList<std::function<void()>> m_playing;
    QObject m_receiver;
};

inline char* toString(const FakeSoundPlayer::Call& call)
{
    const QByteArray text =
        call.kind == FakeSoundPlayer::Call::Kind::Beep
            ? QByteArray("beep")
            : "play(\"" + call.file.toUtf8() + "\"" + (call.waited ? ", waited)" : ", not waited)");
    return qstrdup(text.constData());
}
