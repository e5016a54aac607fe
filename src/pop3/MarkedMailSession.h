// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pop3/Pop3.h"
#include "pop3/SessionHandler.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <vector>

class MarkedMailHost;
class Pop3Connection;

/*
 * What the retrieve and delete cycles share: the driver that walks the
 * accounts 1 to "accountno" (their "Check" plays no part) and runs one
 * session for every account holding a message due, the logon, the walk
 * over the due messages in ascending number, QUIT, and the error exits.
 * A pause timer paces the driver: one second after an account's session
 * ends (or fails, or times out) the next one starts. After the last account
 * the driver runs the kind's end of cycle, exactly once per cycle.
 *
 * Never a message the user did not mark. POP3 numbers messages afresh in
 * every session (RFC 1939), and another mail program may have removed
 * messages since the list was built:
 * - where the server offers UIDL and the list holds the messages' unique
 *   ids, "UIDL" after PASS tells each marked message's number in this
 *   session; a marked message no longer on the server is skipped and the
 *   user told once, and the commands for the others go out ahead of their
 *   replies where the server offers PIPELINING;
 * - otherwise the message at the listed number must show the sender and
 *   subject that the list shows; at the first that does not, nothing more
 *   is done on that account, the user is told once and QUIT ends the
 *   session (the kind says how it compares: the delete kind asks for the
 *   summary before DELE, the retrieve kind reads the RETR response).
 *
 * The handler runs from the connection's readyRead; the driver runs from
 * the user's command and from the pause timer, never nested in a socket
 * handler.
 */
class MarkedMailSession : public QObject, private SessionHandler
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds pauseInterval{1000};

    ~MarkedMailSession() override;

protected:
    MarkedMailSession(Pop3Connection& connection, MarkedMailHost& host, Pop3::SessionMode mode,
                      QObject* parent);

    // The cycle driver: called by the user's command (after resetCycle) to
    // begin a cycle, and by the pause timer to go on. A call while the pause
    // runs cancels the pending tick.
    void nextAccount();
    QTimer& pauseTimer() { return m_pause; }

    // What the kind does.
    // Whether the message is due: marked, and for retrieval not retrieved.
    virtual bool isDue(int account, int message) const = 0;
    // The caption's words while an account is served, " -メール取得中:".
    virtual QString busyWords() const = 0;
    // The word for what the kind does, "取得", for the user's messages.
    virtual QString actionWord() const = 0;
    // "RETR" or "DELE".
    virtual QByteArray actionVerb() const = 0;
    // The kind asks for the summary before its command on a message it
    // cannot tell by its id.
    virtual bool confirmsBySummary() const = 0;
    // The complete reply to the kind's command for the listed message;
    // byId: the message was found by its id, or else the reply is yet to
    // be compared with the list. False when the message is not the one the
    // list shows (nothing is stored then).
    virtual bool acted(int message, bool byId, QByteArray& reply) = 0;
    // The user's words when a number stands for another message now.
    virtual QString mismatchText(const QString& accountName) const = 0;
    virtual void endOfCycle() = 0;

    Pop3Connection& m_connection;
    MarkedMailHost& m_host;

private:
    // `popStep` while the session runs.
    enum class Step {
        Greeting = 0,          // connected, greeting awaited
        UserSent = 1,          //
        UidlSent = 2,          // `pendingCmd` is "UIDL"; the id list is collected
        PassSent = 3,          //
        ActionOutstanding = 4, // the kind's command for the next message is answered next
        TopOutstanding = 5,    // the summary before the command is collected
        QuitSent = 6,          // also set by subDisConn and the time-out
    };

    void handleSockIn(const QByteArray& chunk) override;
    void errorExit(const QString& text) override;
    void timedOut() override;
    void quietExit() override;

    void positiveReply();
    // After PASS: by id where the server and the list allow, else by number.
    void startWalk();
    void collectUidl(bool refused);
    void walkByNumber();
    // Sends what the walk needs next, or QUIT when it is done.
    void sendNext();
    void sendActions();
    void collectTop();
    void collectAction();
    void actionDone();
    void quit();
    void send(const QString& command);
    void pauseAfterBoxes();
    // The mail list was emptied under the session (the settings changed
    // the accounts): the message it acts on is no longer marked. The
    // session ends without a word, as a check of a removed account does.
    bool markGone() const;
    void endQuietly();

    Pop3::SessionMode m_mode;
    QTimer m_pause;
    QString m_Uname;
    QString m_password;
    // The walk: the listed message and its number in this session.
    struct Target
    {
        int message;
        int number;
    };
    std::vector<Target> m_targets;
    std::size_t m_sent = 0;
    std::size_t m_answered = 0;
    bool m_byId = false;
    // Counts the driver's runs, so that a box closed late does not drive
    // a cycle that has been begun anew.
    quint64 m_driverRuns = 0;
};
