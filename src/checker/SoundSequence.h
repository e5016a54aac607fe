// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <vector>

class AccountTables;
class SoundPlayer;

/*
 * The new-mail sounds of one check cycle. Every flagged account, in account
 * order, plays its own file to its end before the next account's turn
 * ("Wavmode" 1; an empty file gives one beep); accounts with "Wavmode" 0
 * ask for the common file ("Wavdir"), which is started once after all of
 * them without waiting for its end (an empty name gives one beep). Other
 * modes are silent.
 *
 * Playing never blocks the event loop: the sequence goes on from the
 * player's end-of-sound callback. A new sequence abandons the steps that an
 * older one has not reached yet (a sound already playing runs out).
 */
class SoundSequence : public QObject
{
    Q_OBJECT

public:
    explicit SoundSequence(SoundPlayer& player, QObject* parent = nullptr);

    // Takes the flagged accounts 1..accountCount of accounts and the common
    // file as they are now, and starts playing.
    void play(const AccountTables& accounts, int accountCount, const QString& Wavdir);

private:
    void playNext();

    SoundPlayer& m_player;
    std::vector<QString> m_ownSounds; // each flagged "Wavmode" 1 file, empty for a beep
    std::size_t m_next = 0;
    bool m_commonAsked = false;
    QString m_Wavdir;
    quint64 m_generation = 0;
};
