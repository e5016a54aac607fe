// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pop3/MarkedMailSession.h"

class DeleteHost;

/*
 * The delete cycle: its driver `deleNextAccount` runs, for every account
 * holding a marked message, one delete session: USER, PASS, then "DELE n"
 * for each marked message in ascending number, then QUIT, which makes the
 * server carry the deletions out (RFC 1939: a session that ends without
 * QUIT deletes nothing). A message that cannot be told by its id is first
 * asked for with "TOP n 5", and deleted only when that summary is the one
 * the list shows. A mismatch deletes nothing more on that account and ends
 * with QUIT, so that the deletions confirmed before take effect; the check
 * at the end of the cycle then shows the mailbox as it is. `deltimer` paces
 * the driver; after the last account the host's endOfDeletion starts a
 * check cycle.
 */
class DeleteSession : public MarkedMailSession
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds deltimerInterval = pauseInterval;

    DeleteSession(Pop3Connection& connection, DeleteHost& host, QObject* parent = nullptr);

    void deleNextAccount() { nextAccount(); }
    // Cancels a pending tick: a new cycle of any kind begins.
    void stopDeltimer() { pauseTimer().stop(); }
    // Shorter pauses for tests; production keeps deltimerInterval.
    void setDeltimerInterval(std::chrono::milliseconds interval)
    {
        pauseTimer().setInterval(interval);
    }
    bool isDeltimerActive() { return pauseTimer().isActive(); }

private:
    bool isDue(int account, int message) const override;
    QString busyWords() const override;
    QString actionWord() const override;
    QByteArray actionVerb() const override;
    bool confirmsBySummary() const override { return true; }
    bool acted(int message, bool byId, QByteArray& reply) override;
    QString mismatchText(const QString& accountName) const override;
    void endOfCycle() override;

    DeleteHost& m_deleteHost;
};
