// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/SoundSequence.h"

#include "checker/SoundPlayer.h"
#include "maillist/AccountTables.h"

#include <QPointer>

SoundSequence::SoundSequence(SoundPlayer& player, QObject* parent)
    : QObject(parent), m_player(player)
{}

void SoundSequence::play(const AccountTables& accounts, int accountCount, const QString& Wavdir)
{
    ++m_generation;
    m_ownSounds.clear();
    m_next = 0;
    m_commonAsked = false;
    m_Wavdir = Wavdir;
    const int last = std::min(accountCount, accounts.count());
    for (int i = 1; i <= last; ++i) {
        const AccountState& account = accounts[i];
        if (!account.newMailFlg)
            continue;
        if (account.Wavmode == 1)
            m_ownSounds.push_back(account.Wavdir2_);
        else if (account.Wavmode == 0)
            m_commonAsked = true;
    }
    playNext();
}

void SoundSequence::playNext()
{
    while (m_next < m_ownSounds.size()) {
        const QString file = m_ownSounds[m_next++];
        if (file.isEmpty()) {
            m_player.beep();
            continue;
        }
        // The next account's sound waits for this one's end; a sequence
        // started meanwhile makes this continuation a no-op.
        const quint64 generation = m_generation;
        QPointer<SoundSequence> self(this);
        m_player.play(file, [self, generation] {
            if (self && self->m_generation == generation)
                self->playNext();
        });
        return;
    }
    if (m_commonAsked) {
        m_commonAsked = false;
        if (m_Wavdir.isEmpty())
            m_player.beep();
        else
            m_player.play(m_Wavdir, {});
    }
}
