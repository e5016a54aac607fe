// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pop3/SessionHandler.h"

#include <QObject>
#include <QTimer>

#include <chrono>

class Pop3Connection;
class RetrieveHost;

/*
 * The retrieve cycle: its driver `retrNextAccount` walks the accounts 1 to
 * "accountno" (their "Check" plays no part) and, for every account holding a
 * due message (marked, `Body` still empty), runs one retrieve session on the
 * connection: USER, PASS, then "RETR n" for each due message in ascending
 * number (RFC 1939), each complete response handed to the host's
 * `subListSet2`, then QUIT. `retrtimer` paces the driver: one second after
 * an account's session ends (or fails, or times out) the next one starts.
 * After the last account the driver runs the host's endOfRetrieval, exactly
 * once per cycle.
 *
 * A message is stored only when its headers name the sender and subject
 * that the list shows for its number: another mail program may have removed
 * messages since the list was built, and the number may now stand for
 * another message. At the first mismatch the session stores nothing more
 * for that account, tells the user once and ends with QUIT.
 *
 * The handler runs from the connection's readyRead; the driver runs from
 * `RetrBt_Click` and from `retrtimer`, never nested in a socket handler.
 */
class RetrieveSession : public QObject, private SessionHandler
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds retrtimerInterval{1000};

    RetrieveSession(Pop3Connection& connection, RetrieveHost& host, QObject* parent = nullptr);
    ~RetrieveSession() override;

    // The cycle driver: called by `RetrBt_Click` (after resetCycle) to begin
    // a cycle, and by `retrtimer` to go on. A call while the pause runs
    // cancels the pending tick.
    void retrNextAccount();
    // Cancels a pending tick: a new cycle of any kind begins.
    void stopRetrtimer() { m_retrtimer.stop(); }

    // Shorter pauses for tests; production keeps retrtimerInterval.
    void setRetrtimerInterval(std::chrono::milliseconds interval);
    bool isRetrtimerActive() const { return m_retrtimer.isActive(); }

private:
    // `popStep` while a retrieve session runs.
    enum class RetrieveStep {
        Greeting = 0,        // connected, greeting awaited
        UserSent = 1,        //
        PassSent = 3,        //
        RetrOutstanding = 5, // `pendingCmd` is "RETR"; the response is collected
        QuitSent = 6,        // also set by subDisConn and the time-out
    };

    // txtSockIn2_KeyDown: the reply handling of one chunk.
    void handleSockIn(const QByteArray& chunk) override;
    void errorExit(const QString& text) override;
    void timedOut() override;
    void quietExit() override;

    void retrtimer_Timer();
    void positiveReply();
    void collectRetr();
    void sendRetr();
    void quit();
    // The first due message of the account numbered from `from` on; 0 when
    // none is left.
    int nextDue(int from) const;
    void send(const QString& command);
    // Starts the pause before the next account once every box raised so
    // far has been closed, unless the driver has run since (a new cycle).
    void pauseAfterBoxes();
    // The mail list was emptied under the session (the settings changed
    // the accounts): the message it acts on is no longer marked. The
    // session ends without a word, as a check of a removed account does.
    bool markGone() const;
    void endQuietly();

    Pop3Connection& m_connection;
    RetrieveHost& m_host;
    QTimer m_retrtimer;
    QString m_Uname;
    QString m_password;
    int m_msgIndex = 0;
    // Counts the driver's runs, so that a box closed late does not drive
    // a cycle that has been begun anew.
    quint64 m_driverRuns = 0;
};
