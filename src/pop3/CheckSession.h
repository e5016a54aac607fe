// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pop3/SessionHandler.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <vector>

class CheckHost;
class Pop3Connection;

/*
 * The check cycle: its driver `checkNextAccount` walks the accounts 1 to
 * "accountno" and, for every account whose "Check" is non-zero, runs one
 * check session on the connection: USER, PASS, STAT and "TOP n 5" for every
 * message (RFC 1939), then QUIT. Where the server offers UIDL, "UIDL" follows
 * STAT, and only the messages whose ids the list does not hold yet are asked
 * for; where it offers PIPELINING, the TOP commands go out ahead of their
 * replies, at most Pop3::pipelineWindow at a time. Every complete TOP response goes to the
 * host's `subListSet` when the session ends (answered QUIT, failure, time-out
 * ), in message order: the server answers the next TOP while
 * nothing is decoded, and the list is built only at the end of the cycle
 * anyway. `logontimer` paces the driver: one second after
 * an account's session ends (or fails, or times out) the next one starts.
 * After the last account the driver runs the host's end-of-check steps,
 * exactly once per cycle.
 *
 * New mail: with Option6value 0 every account that holds mail is flagged;
 * with it on, only an account whose count or size differs from its last
 * STAT, and none while `afterDelete` is set. With Option6value on and
 * nothing changed the session sends QUIT right after STAT and the account's
 * entries from the last check stay in the mail table.
 *
 * The check session's handler runs from the connection's readyRead; the
 * driver runs from `checkmail` and from `logontimer`, never nested in a
 * socket handler.
 */
class CheckSession : public QObject, private SessionHandler
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds logontimerInterval{1000};

    CheckSession(Pop3Connection& connection, CheckHost& host, QObject* parent = nullptr);
    ~CheckSession() override;

    // The cycle driver: called by `checkmail` (after resetCycle and
    // newMailFlg_Clear) to begin a cycle, and by `logontimer` to go on.
    // A call while the pause runs cancels the pending tick.
    void checkNextAccount();
    // A new cycle of any kind begins: cancels a pending tick and drops what
    // a session given up has fetched, which no list will show.
    void cancelCycle();

    // Shorter pauses for tests; production keeps logontimerInterval.
    void setLogontimerInterval(std::chrono::milliseconds interval);
    bool isLogontimerActive() const { return m_logontimer.isActive(); }

private:
    // `popStep` while a check session runs.
    enum class CheckStep {
        Greeting = 0,       // connected, greeting awaited
        UserSent = 1,       //
        UidlSent = 2,       // `pendingCmd` is "UIDL"; the id list is collected
        PassSent = 3,       //
        StatSent = 4,       //
        TopOutstanding = 5, // `pendingCmd` is "TOP"; the response is collected
        QuitSent = 6,       // also set by subDisConn and the time-out
    };

    // txtSockIn_KeyDown: the reply handling of one chunk.
    void handleSockIn(const QByteArray& chunk) override;
    void errorExit(const QString& text) override;
    void timedOut() override;
    void quietExit() override;

    void logontimer_Timer();
    // The account being served is beyond the account count that the
    // settings now give.
    bool accountGone() const;
    // Gives the session up without a word: QUIT, then the driver's pause.
    void endQuietly();
    void positiveReply(const QByteArray& chunk);
    void statStep(const QByteArray& chunk);
    void collectUidl(bool refused);
    // Asks for the summaries the list does not have, pipelined where the
    // server allows it; QUIT when there are none.
    void requestSummaries(std::vector<bool> known);
    void collectTop();
    // Sends TOP commands ahead up to the window; false when the write
    // failed and ended the session.
    bool fillWindow();
    void quit();
    void send(const QString& command);
    // Hands the TOP responses collected so far to the host's subListSet.
    void storePending();
    void dropPending();
    // Starts the pause before the next account, unless the driver has run
    // since (a new cycle): for when the user closes an error box.
    std::function<void()> pauseAfterBox();

    Pop3Connection& m_connection;
    CheckHost& m_host;
    QTimer m_logontimer;
    // The login of the account being served, taken when its session starts.
    QString m_Uname;
    QString m_password;
    int m_msgCount = 0;
    qint64 m_mboxSize = 0;
    // The messages whose summaries this session asks for, in order, how
    // many of them have been asked for and how many answered.
    std::vector<int> m_topMessages;
    // The session's unique ids, ids[n - 1] for message n; empty without.
    std::vector<QByteArray> m_ids;
    std::size_t m_topsSent = 0;
    std::size_t m_topsAnswered = 0;
    // How many TOP commands may wait for their replies.
    std::size_t m_window = 1;
    // Complete TOP responses whose summaries are not stored yet: a session
    // decodes them when it ends, or whenever they pass maxPendingBytes.
    struct PendingSummary
    {
        int account;
        int message;
        QByteArray replyBuf;
        QByteArray id;
    };
    static constexpr qsizetype maxPendingBytes = qsizetype(4) * 1024 * 1024;
    std::vector<PendingSummary> m_pending;
    qsizetype m_pendingBytes = 0;
    // Counts the driver's runs, so that a box closed late does not drive
    // a cycle that has been begun anew.
    quint64 m_driverRuns = 0;
};
