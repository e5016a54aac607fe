// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pop3/SessionHandler.h"

#include <QObject>
#include <QTimer>

#include <chrono>

class DeleteHost;
class Pop3Connection;

/*
 * The delete cycle: its driver `deleNextAccount` walks the accounts 1 to
 * "accountno" (their "Check" plays no part) and, for every account holding a
 * marked message, runs one delete session on the connection: USER, PASS,
 * then for each marked message in ascending number "TOP n 5" and, when that
 * summary is the one the list shows, "DELE n"; then QUIT, which makes the
 * server carry the deletions out (RFC 1939: a session that ends without
 * QUIT deletes nothing). `deltimer` paces the driver: one second after an
 * account's session ends (or fails, or times out) the next one starts.
 * After the last account the driver runs the host's endOfDeletion, which
 * starts a check cycle, exactly once per cycle.
 *
 * Never a message the user did not mark: message numbers are valid only
 * within one session, and another mail program may have removed messages
 * since the list was built. A summary that differs from the list's entry
 * deletes nothing more on that account, tells the user once and ends with
 * QUIT, so that the deletions confirmed before take effect; the check at
 * the end then shows the mailbox as it is.
 *
 * The handler runs from the connection's readyRead; the driver runs from
 * `DelBt_Click` and from `deltimer`, never nested in a socket handler.
 */
class DeleteSession : public QObject, private SessionHandler
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds deltimerInterval{1000};

    DeleteSession(Pop3Connection& connection, DeleteHost& host, QObject* parent = nullptr);
    ~DeleteSession() override;

    // The cycle driver: called by `DelBt_Click` (after resetCycle) to begin
    // a cycle, and by `deltimer` to go on. A call while the pause runs
    // cancels the pending tick.
    void deleNextAccount();
    // Cancels a pending tick: a new cycle of any kind begins.
    void stopDeltimer() { m_deltimer.stop(); }

    // Shorter pauses for tests; production keeps deltimerInterval.
    void setDeltimerInterval(std::chrono::milliseconds interval);
    bool isDeltimerActive() const { return m_deltimer.isActive(); }

private:
    // `popStep` while a delete session runs.
    enum class DeleteStep {
        Greeting = 0,       // connected, greeting awaited
        UserSent = 1,       //
        PassSent = 3,       //
        DeleSent = 4,       // its "+OK" leads to the next marked message
        TopOutstanding = 5, // `pendingCmd` is "TOP": the summary is collected
        QuitSent = 6,       // also set by subDisConn and the time-out
    };

    // txtSockIn3_KeyDown: the reply handling of one chunk.
    void handleSockIn(const QByteArray& chunk) override;
    void errorExit(const QString& text) override;
    void timedOut() override;
    void quietExit() override;

    void deltimer_Timer();
    void positiveReply();
    void confirmNext();
    void collectTop();
    void quit();
    // The first marked message of the account numbered from `from` on; 0
    // when none is left.
    int nextMarked(int from) const;
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
    DeleteHost& m_host;
    QTimer m_deltimer;
    QString m_Uname;
    QString m_password;
    int m_msgIndex = 0;
    // Counts the driver's runs, so that a box closed late does not drive
    // a cycle that has been begun anew.
    quint64 m_driverRuns = 0;
};
