// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pop3/MarkedMailSession.h"

class RetrieveHost;

/*
 * The retrieve cycle: its driver `retrNextAccount` runs, for every account
 * holding a due message (marked, `Body` still empty), one retrieve session:
 * USER, PASS, then "RETR n" for each due message in ascending number
 * (RFC 1939), each complete response handed to the host's `subListSet2`,
 * then QUIT. `retrtimer` paces the driver. The walk, the identity of the
 * messages and the error exits are MarkedMailSession's.
 */
class RetrieveSession : public MarkedMailSession
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds retrtimerInterval = pauseInterval;

    RetrieveSession(Pop3Connection& connection, RetrieveHost& host, QObject* parent = nullptr);

    void retrNextAccount() { nextAccount(); }
    // Cancels a pending tick: a new cycle of any kind begins.
    void stopRetrtimer() { pauseTimer().stop(); }
    // Shorter pauses for tests; production keeps retrtimerInterval.
    void setRetrtimerInterval(std::chrono::milliseconds interval)
    {
        pauseTimer().setInterval(interval);
    }
    bool isRetrtimerActive() { return pauseTimer().isActive(); }

private:
    bool isDue(int account, int message) const override;
    QString busyWords() const override;
    QString actionWord() const override;
    QByteArray actionVerb() const override;
    bool confirmsBySummary() const override { return false; }
    bool acted(int message, bool byId, QByteArray& reply) override;
    QString mismatchText(const QString& accountName) const override;
    void endOfCycle() override;

    RetrieveHost& m_retrieveHost;
};
