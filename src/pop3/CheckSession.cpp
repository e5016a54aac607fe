// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pop3/CheckSession.h"

#include "decode/Decode.h"
#include "pop3/CheckHost.h"
#include "pop3/Pop3.h"
#include "pop3/Pop3Connection.h"
#include "settings/CurrentAccountReader.h"
#include "settings/GeneralOptions.h"

#include <QStringBuilder>

#include <limits>
#include <utility>

using Pop3::SessionMode;
using Pop3::SockPhase;

namespace {

// The decimal number at the start of text, saturated at max; 0 when text
// does not start with a digit (a sign, a blank or anything else).
qint64 leadingNumber(QByteArrayView text, qint64 max)
{
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            break;
        const int digit = c - '0';
        if (value > (max - digit) / 10)
            return max;
        value = value * 10 + digit;
    }
    return value;
}

// a + b, held at the largest int: thousands of accounts of the largest
// mailbox must not wrap the cycle's total.
int addSaturated(int a, int b)
{
    return int(qMin<qint64>(qint64(a) + b, std::numeric_limits<int>::max()));
}

} // namespace

CheckSession::CheckSession(Pop3Connection& connection, CheckHost& host, QObject* parent)
    : QObject(parent), m_connection(connection), m_host(host)
{
    m_logontimer.setSingleShot(true);
    m_logontimer.setInterval(logontimerInterval);
    connect(&m_logontimer, &QTimer::timeout, this, &CheckSession::logontimer_Timer);
    m_connection.setHandler(SessionMode::Check, this);
}

CheckSession::~CheckSession()
{
    m_connection.setHandler(SessionMode::Check, nullptr);
}

void CheckSession::setLogontimerInterval(std::chrono::milliseconds interval)
{
    m_logontimer.setInterval(interval);
}

void CheckSession::logontimer_Timer()
{
    m_logontimer.stop();
    checkNextAccount();
}

void CheckSession::checkNextAccount()
{
    // A cycle begun anew while the pause runs (or while a box holds it
    // back) must not be driven twice.
    m_logontimer.stop();
    ++m_driverRuns;
    // A cycle begun anew (resetCycle set curAccount to 0) lists nothing of
    // a session that it gave up.
    if (m_host.curAccount() == 0)
        dropPending();
    for (;;) {
        m_connection.stopTimeup();
        // "At or past the last": the settings may have shrunk the account
        // list while the cycle ran.
        if (m_host.curAccount() >= m_host.options().accountno) {
            m_host.endOfCheck();
            return;
        }
        const int account = m_host.curAccount() + 1;
        m_host.setCurAccount(account);
        const Settings::CurrentAccount& current = m_host.loadadata(account);
        m_host.setCaption(Pop3::captionTitle() + QStringLiteral(" -チェック中:") + current.Aname +
                          QLatin1Char('-'));
        // An account left out of checks still shows its name in passing.
        if (current.Check == 0)
            continue;
        m_Uname = current.Uname;
        m_password = current.password;
        m_connection.startTimeup();
        m_connection.logon(SessionMode::Check, current);
        return;
    }
}

bool CheckSession::accountGone() const
{
    return m_host.curAccount() > m_host.options().accountno;
}

void CheckSession::endQuietly()
{
    storePending();
    m_connection.subDisConn();
    m_logontimer.start();
}

void CheckSession::handleSockIn(const QByteArray& chunk)
{
    // The settings program may have removed the account while its session
    // ran (a check goes on while tavoprefs is open): its tables are gone,
    // so nothing more is counted or stored for it.
    if (accountGone()) {
        endQuietly();
        return;
    }
    // While a TOP is outstanding a chunk is part of the response, whatever
    // it starts with (a read may begin anywhere in it); only the response's
    // status line can refuse it. A message line "-ERR ..." that happens to
    // begin a read is text.
    const bool topOutstanding = Pop3::hasMultiLineResponse(m_connection.pendingCmd());
    if (Pop3::isPositive(chunk) && !topOutstanding) {
        positiveReply(chunk);
        return;
    }
    const bool statusLine = !topOutstanding || m_connection.beginsReply();
    if (m_connection.popStep() == int(CheckStep::UidlSent)) {
        // A server that offers UIDL and then refuses it is asked for every
        // summary, as one without UIDL.
        collectUidl(statusLine && Pop3::isNegative(chunk));
        return;
    }
    if (statusLine && Pop3::isNegative(chunk)) {
        // The server's own words, leading blank and line end included.
        errorExit(m_connection.refusalText(chunk));
        return;
    }
    if (m_connection.popStep() == int(CheckStep::TopOutstanding))
        collectTop();
}

void CheckSession::positiveReply(const QByteArray& chunk)
{
    m_connection.setSockPhase(SockPhase::Sent);
    // popStep holds only CheckStep values while a check session runs: logon
    // sets 0, subDisConn and the time-out 6, everything else is set here.
    switch (CheckStep(m_connection.popStep())) {
    case CheckStep::Greeting:
        m_connection.setPopStep(int(CheckStep::UserSent));
        send(QStringLiteral("USER ") + m_Uname);
        break;
    case CheckStep::UserSent:
        m_connection.setPopStep(int(CheckStep::PassSent));
        send(QStringLiteral("PASS ") + m_password);
        break;
    case CheckStep::PassSent:
        m_connection.setPopStep(int(CheckStep::StatSent));
        send(QStringLiteral("STAT"));
        break;
    case CheckStep::StatSent:
        statStep(chunk);
        break;
    case CheckStep::UidlSent:
    case CheckStep::TopOutstanding:
        // Not reached: a TOP or UIDL outstanding is pending, and its "+OK"
        // belongs to the response.
        send(QStringLiteral("NOOP"));
        break;
    case CheckStep::QuitSent:
        // The account is done; the connection is closed and stays idle.
        m_connection.endSession();
        storePending();
        m_logontimer.start();
        return;
    }
    // Unless the send failed and closed the connection.
    if (m_connection.sockPhase() == SockPhase::Sent)
        m_connection.setSockPhase(SockPhase::Reading);
}

void CheckSession::statStep(const QByteArray& chunk)
{
    // "+OK count size": R is the text after the first blank; the count is
    // the number before R's first blank, the size the number after it.
    // Anything that is not a number counts as 0.
    const qsizetype blank = chunk.indexOf(' ');
    const QByteArrayView r = blank < 0 ? QByteArrayView() : QByteArrayView(chunk).sliced(blank + 1);
    const qsizetype rBlank = r.indexOf(' ');
    const auto count =
        int(leadingNumber(rBlank < 0 ? r : r.first(rBlank), std::numeric_limits<int>::max()));
    const qint64 size =
        rBlank < 0 ? 0 : leadingNumber(r.sliced(rBlank + 1), std::numeric_limits<qint64>::max());
    m_mboxSize = size;
    m_msgCount = count;

    const int account = m_host.curAccount();
    const Settings::GeneralOptions& options = m_host.options();
    if (count == 0) {
        // Nothing flagged or counted; the size is not kept.
        m_host.setMailCount(account, 0);
        quit();
        return;
    }
    if (count > Pop3::maxMessageCount) {
        // A count no mailbox of a LAN mail server reaches: the table would
        // need a record per message and account.
        errorExit(Pop3::wsaErrText(Pop3::responseTooLargeCode));
        return;
    }
    if (options.Option6value != 0 && count == m_host.mailCount(account) &&
        size == m_host.lastSize(account)) {
        // Nothing changed: the entries of the last check stay and still count.
        m_host.setMailTotal(addSaturated(m_host.mailTotal(), count));
        quit();
        return;
    }
    if (options.Option6value == 0 || !m_host.afterDelete())
        m_host.setNewMailFlg(account);
    m_host.setMailTotal(addSaturated(m_host.mailTotal(), count));
    m_host.setMailCount(account, count);
    m_host.setLastSize(account, size);
    m_host.growMailTable(account, count);
    m_ids.clear();
    if (!m_connection.capabilities().uidl) {
        requestSummaries(m_host.adoptIds(account, {}));
        return;
    }
    m_connection.sendForResponse(int(CheckStep::UidlSent), QByteArrayLiteral("UIDL"),
                                 QStringLiteral("UIDL"));
}

void CheckSession::collectUidl(bool refused)
{
    if (!refused && !m_connection.responseComplete())
        return;
    QByteArray& replyBuf = m_connection.replyBuf();
    std::vector<QByteArray> ids;
    if (!refused) {
        if (m_host.options().Option8value != 0) {
            QString& logText = m_host.logText();
            Pop3::appendToLog(logText, QByteArrayView(replyBuf));
            Pop3::appendToLog(logText, u"\r\n\r\n");
        }
        ids = Pop3::parseUidList(replyBuf, m_msgCount);
    }
    replyBuf = QByteArray();
    // A list that does not name every message is no use: every summary is
    // asked for, as without UIDL.
    m_ids = std::move(ids);
    requestSummaries(m_host.adoptIds(m_host.curAccount(), m_ids));
}

void CheckSession::requestSummaries(std::vector<bool> known)
{
    m_topMessages.clear();
    for (int message = 1; message <= m_msgCount; ++message) {
        if (std::size_t(message - 1) >= known.size() || !known[std::size_t(message - 1)])
            m_topMessages.push_back(message);
    }
    m_topsSent = 0;
    m_topsAnswered = 0;
    if (m_topMessages.empty()) {
        quit();
        return;
    }
    const std::size_t window =
        m_connection.capabilities().pipelining
            ? Pop3::pipelineWindow(QStringLiteral("TOP %1 5\r\n").arg(m_msgCount).size())
            : 1;
    m_window = window;
    m_connection.replyBuf().clear();
    if (!fillWindow())
        return; // the write failed, and the session with it
    m_connection.setPopStep(int(CheckStep::TopOutstanding));
    m_connection.nextReply(QByteArrayLiteral("TOP"));
}

void CheckSession::collectTop()
{
    // NUL characters have become CR LF on the way in.
    if (!m_connection.responseComplete())
        return;
    QByteArray& replyBuf = m_connection.replyBuf();

    if (m_host.options().Option8value != 0) {
        QString& logText = m_host.logText();
        Pop3::appendToLog(logText, QByteArrayView(replyBuf));
        Pop3::appendToLog(logText, u"\r\n\r\n");
    }
    // Decoded once the session has ended: the server is not kept waiting
    // for the decoding of every message, as many as it holds.
    m_pendingBytes += replyBuf.size();
    const int message = m_topMessages[m_topsAnswered++];
    m_pending.push_back(
        {m_host.curAccount(), message, std::exchange(replyBuf, QByteArray()),
         std::size_t(message) <= m_ids.size() ? m_ids[std::size_t(message - 1)] : QByteArray()});
    if (m_pendingBytes > maxPendingBytes)
        storePending();

    if (!fillWindow())
        return;
    if (m_topsAnswered < m_topMessages.size())
        m_connection.nextReply(QByteArrayLiteral("TOP"));
    else
        quit();
}

bool CheckSession::fillWindow()
{
    // Refilled once half of it has been answered, in one write: a write
    // per reply would cost a system call and a packet each.
    if (m_topsSent >= m_topMessages.size() || m_topsSent - m_topsAnswered > m_window / 2)
        return true;
    QStringList commands;
    while (m_topsSent < m_topMessages.size() && m_topsSent - m_topsAnswered < m_window)
        commands.append(u"TOP " % QString::number(m_topMessages[m_topsSent++]) % u" 5\r\n");
    m_connection.sendAhead(commands);
    return m_connection.sockPhase() != SockPhase::Idle;
}

void CheckSession::quit()
{
    m_connection.setPendingCmd(QByteArray());
    m_connection.setPopStep(int(CheckStep::QuitSent));
    send(QStringLiteral("QUIT"));
}

void CheckSession::cancelCycle()
{
    m_logontimer.stop();
    dropPending();
}

void CheckSession::dropPending()
{
    m_pending.clear();
    m_pendingBytes = 0;
}

void CheckSession::storePending()
{
    for (const PendingSummary& response : m_pending)
        m_host.subListSet(response.account, response.message, response.replyBuf, response.id);
    m_pending.clear();
    m_pendingBytes = 0;
}

void CheckSession::errorExit(const QString& text)
{
    // What the session fetched before it failed is listed all the same.
    storePending();
    // An empty text ("-ERR" and nothing else) reports nothing and leaves the
    // session to the time-out.
    if (text.isEmpty())
        return;
    if (accountGone()) {
        endQuietly();
        return;
    }
    // After a negative reply the connection is open and QUIT goes out; after
    // a receive error it is closed already and nothing is sent.
    m_connection.subDisConn();
    // The next account follows whether or not QUIT is answered, but only a
    // pause after the user has closed the box: with several unreachable
    // accounts the boxes would otherwise pile up while the cycle runs on.
    m_connection.queueShowMsg(text, pauseAfterBox());
}

void CheckSession::quietExit()
{
    storePending();
    m_connection.afterMessages(pauseAfterBox());
}

void CheckSession::timedOut()
{
    storePending();
    // A check session keeps its caption. The pause starts once the user
    // has closed the box that a failed QUIT may have raised.
    m_connection.afterMessages(pauseAfterBox());
}

std::function<void()> CheckSession::pauseAfterBox()
{
    return Pop3Connection::driverPause(m_logontimer, m_driverRuns);
}

void CheckSession::send(const QString& command)
{
    m_connection.subSend(command % u"\r\n");
}
