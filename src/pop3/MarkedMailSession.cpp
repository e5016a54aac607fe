// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pop3/MarkedMailSession.h"

#include "pop3/MarkedMailHost.h"
#include "pop3/Pop3Connection.h"
#include "settings/CurrentAccountReader.h"
#include "settings/GeneralOptions.h"

#include <QHash>
#include <QStringBuilder>

using Pop3::SessionMode;
using Pop3::SockPhase;

MarkedMailSession::MarkedMailSession(Pop3Connection& connection, MarkedMailHost& host,
                                     SessionMode mode, QObject* parent)
    : QObject(parent), m_connection(connection), m_host(host), m_mode(mode)
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(pauseInterval);
    connect(&m_pause, &QTimer::timeout, this, [this] {
        m_pause.stop();
        nextAccount();
    });
    m_connection.setHandler(mode, this);
}

MarkedMailSession::~MarkedMailSession()
{
    m_connection.setHandler(m_mode, nullptr);
}

void MarkedMailSession::nextAccount()
{
    m_pause.stop();
    ++m_driverRuns;
    for (;;) {
        m_connection.stopTimeup();
        if (m_host.curAccount() >= m_host.options().accountno) {
            endOfCycle();
            return;
        }
        const int account = m_host.curAccount() + 1;
        m_host.setCurAccount(account);
        // Only accounts with something to do are contacted, whether or not
        // they take part in checks.
        bool due = false;
        for (int message = 1; message <= m_host.messageSlots(account) && !due; ++message)
            due = isDue(account, message);
        if (!due)
            continue;
        m_host.setCaption(Pop3::captionTitle() + busyWords() + m_host.accountName(account) +
                          QLatin1Char('-'));
        m_host.disableMailList();
        m_connection.startTimeup();
        const Settings::CurrentAccount& current = m_host.loadadata(account);
        m_Uname = current.Uname;
        m_password = current.password;
        m_targets.clear();
        m_sent = 0;
        m_answered = 0;
        m_byId = false;
        m_connection.logon(m_mode, current);
        return;
    }
}

void MarkedMailSession::handleSockIn(const QByteArray& chunk)
{
    // While a multi-line response is outstanding a chunk is part of it,
    // whatever it starts with; only the response's status line can refuse
    // it. A message line "-ERR ..." that happens to begin a read is text.
    const bool multiLine = Pop3::hasMultiLineResponse(m_connection.pendingCmd());
    if (!multiLine && Pop3::isPositive(chunk)) {
        positiveReply();
        return;
    }
    const bool statusLine = !multiLine || m_connection.beginsReply();
    if (m_connection.popStep() == int(Step::UidlSent)) {
        collectUidl(statusLine && Pop3::isNegative(chunk));
        return;
    }
    if (statusLine && Pop3::isNegative(chunk)) {
        errorExit(m_connection.refusalText(chunk));
        return;
    }
    if (m_connection.popStep() == int(Step::TopOutstanding))
        collectTop();
    else if (m_connection.popStep() == int(Step::ActionOutstanding))
        collectAction();
}

void MarkedMailSession::positiveReply()
{
    m_connection.setSockPhase(SockPhase::Sent);
    // popStep holds only Step values while the session runs: logon sets 0,
    // subDisConn and the time-out 6, everything else is set here.
    switch (Step(m_connection.popStep())) {
    case Step::Greeting:
        m_connection.setPopStep(int(Step::UserSent));
        send(QStringLiteral("USER ") + m_Uname);
        break;
    case Step::UserSent:
        m_connection.setPopStep(int(Step::PassSent));
        send(QStringLiteral("PASS ") + m_password);
        break;
    case Step::PassSent:
        startWalk();
        break;
    case Step::ActionOutstanding:
        // The answer to DELE: the command went through.
        if (markGone()) {
            endQuietly();
            return;
        }
        actionDone();
        break;
    case Step::UidlSent:
    case Step::TopOutstanding:
        // Not reached: a multi-line response outstanding is pending, and
        // its "+OK" belongs to the response.
        send(QStringLiteral("NOOP"));
        break;
    case Step::QuitSent:
        // The account is done (the server carries deletions out now); the
        // connection is closed and stays idle.
        m_connection.endSession();
        pauseAfterBoxes();
        return;
    }
    // Unless the send failed and closed the connection.
    if (m_connection.sockPhase() == SockPhase::Sent)
        m_connection.setSockPhase(SockPhase::Reading);
}

void MarkedMailSession::startWalk()
{
    const int account = m_host.curAccount();
    // By id only when every due message has one: the list was built from
    // this server's UIDL.
    bool byId = m_connection.capabilities().uidl;
    bool any = false;
    for (int message = 1; message <= m_host.messageSlots(account); ++message) {
        if (!isDue(account, message))
            continue;
        any = true;
        byId = byId && !m_host.listedId(account, message).isEmpty();
    }
    if (!any || !byId) {
        walkByNumber();
        return;
    }
    m_connection.sendForResponse(int(Step::UidlSent), QByteArrayLiteral("UIDL"),
                                 QStringLiteral("UIDL"));
}

void MarkedMailSession::collectUidl(bool refused)
{
    if (!refused && !m_connection.responseComplete())
        return;
    QByteArray& replyBuf = m_connection.replyBuf();
    std::vector<QByteArray> ids;
    if (!refused) {
        // One line a message between the status line and the final ".".
        const auto listed = int(qMin<qsizetype>(replyBuf.count('\n') - 2, Pop3::maxMessageCount));
        ids = Pop3::parseUidList(replyBuf, listed);
    }
    replyBuf = QByteArray();
    m_connection.setPendingCmd(QByteArray());
    if (ids.empty()) {
        // A list that does not name every message tells nothing for sure.
        walkByNumber();
        return;
    }
    QHash<QByteArray, int> numbers;
    numbers.reserve(qsizetype(ids.size()));
    for (std::size_t i = 0; i < ids.size(); ++i)
        numbers.insert(ids[i], int(i + 1));
    const int account = m_host.curAccount();
    int gone = 0;
    for (int message = 1; message <= m_host.messageSlots(account); ++message) {
        if (!isDue(account, message))
            continue;
        const int number = numbers.value(m_host.listedId(account, message));
        if (number == 0)
            ++gone;
        else
            m_targets.push_back({message, number});
    }
    if (gone != 0) {
        m_connection.queueShowMsg(
            QStringLiteral(
                "「%1」のメールボックスには、印を付けたメールのうち %2 通がもうありません"
                "（ほかのメールソフトで削除された可能性があります）。\r\n"
                "残りのメールだけを%3しました。")
                .arg(m_host.accountName(account))
                .arg(gone)
                .arg(actionWord()));
    }
    m_byId = true;
    sendNext();
}

void MarkedMailSession::walkByNumber()
{
    const int account = m_host.curAccount();
    m_byId = false;
    for (int message = 1; message <= m_host.messageSlots(account); ++message) {
        if (isDue(account, message))
            m_targets.push_back({message, message});
    }
    sendNext();
}

void MarkedMailSession::sendNext()
{
    if (m_answered >= m_targets.size()) {
        quit();
        return;
    }
    if (m_byId || !confirmsBySummary()) {
        sendActions();
        return;
    }
    // The summary the list was built from, so that both sides are decoded
    // from the same text.
    m_connection.sendForResponse(
        int(Step::TopOutstanding), QByteArrayLiteral("TOP"),
        QStringLiteral("TOP %1 %2").arg(m_targets[m_answered].number).arg(Pop3::summaryLines));
}

void MarkedMailSession::sendActions()
{
    // Ahead of their replies only for messages found by id: by number each
    // must first prove to be the one listed.
    const QString verb = QString::fromLatin1(actionVerb());
    const std::size_t window =
        m_byId && m_connection.capabilities().pipelining
            ? Pop3::pipelineWindow(verb.size() + QString::number(Pop3::maxMessageCount).size() + 3)
            : 1;
    // Refilled once half of the window has been answered, in one write.
    if (m_sent < m_targets.size() && m_sent - m_answered <= window / 2) {
        QStringList commands;
        while (m_sent < m_targets.size() && m_sent - m_answered < window) {
            commands.append(verb % QLatin1Char(' ') % QString::number(m_targets[m_sent++].number) %
                            u"\r\n");
        }
        m_connection.sendAhead(commands);
        if (m_connection.sockPhase() == SockPhase::Idle)
            return; // the write failed, and the session with it
    }
    m_connection.setPopStep(int(Step::ActionOutstanding));
    m_connection.replyBuf().resize(0); // keeps the allocation for the next message
    m_connection.nextReply(actionVerb());
}

void MarkedMailSession::collectTop()
{
    // NUL characters have become CR LF on the way in.
    if (!m_connection.responseComplete())
        return;
    QByteArray& replyBuf = m_connection.replyBuf();
    m_connection.setPendingCmd(QByteArray());
    if (markGone()) {
        endQuietly();
        return;
    }
    const int account = m_host.curAccount();
    const int message = m_targets[m_answered].message;
    if (!Pop3::isListedMessage(replyBuf, m_host.listedFrom(account, message),
                               m_host.listedSubject(account, message))) {
        m_connection.queueShowMsg(mismatchText(m_host.accountName(account)));
        quit();
        return;
    }
    sendActions();
}

void MarkedMailSession::collectAction()
{
    if (!m_connection.responseComplete())
        return;
    if (markGone()) {
        endQuietly();
        return;
    }
    const int account = m_host.curAccount();
    if (!acted(m_targets[m_answered].message, m_byId, m_connection.replyBuf())) {
        // The number stands for another message now, and so may every later
        // one: nothing more is done on this account.
        m_connection.queueShowMsg(mismatchText(m_host.accountName(account)));
        quit();
        return;
    }
    actionDone();
}

void MarkedMailSession::actionDone()
{
    ++m_answered;
    sendNext();
}

void MarkedMailSession::quit()
{
    m_connection.replyBuf() = QByteArray(); // may hold a large message
    m_connection.setPendingCmd(QByteArray());
    m_connection.setPopStep(int(Step::QuitSent));
    send(QStringLiteral("QUIT"));
}

void MarkedMailSession::errorExit(const QString& text)
{
    // An empty text ("-ERR" and nothing else) reports nothing and leaves the
    // session to the time-out.
    if (text.isEmpty())
        return;
    if (markGone()) {
        endQuietly();
        return;
    }
    // After a negative reply (a message gone, a refused login) the
    // connection is open and QUIT goes out: what was done before stays
    // done. After a receive error it is closed already and nothing is sent;
    // the server then carries out none of the session's deletions. The next
    // account waits until the user has closed the box.
    m_connection.queueShowMsg(text);
    m_connection.subDisConn();
    pauseAfterBoxes();
    m_host.setCaption(Pop3::captionTitle());
}

void MarkedMailSession::quietExit()
{
    m_host.setCaption(Pop3::captionTitle());
    pauseAfterBoxes();
}

void MarkedMailSession::timedOut()
{
    const int mailTotal = m_host.mailTotal();
    m_host.setCaption(mailTotal != 0
                          ? QString::number(mailTotal) + QStringLiteral("通のメールが届いています!")
                          : Pop3::captionTitle());
    pauseAfterBoxes();
}

void MarkedMailSession::pauseAfterBoxes()
{
    m_connection.afterMessages(Pop3Connection::driverPause(m_pause, m_driverRuns));
}

bool MarkedMailSession::markGone() const
{
    return m_answered < m_targets.size() &&
           !m_host.isMarked(m_host.curAccount(), m_targets[m_answered].message);
}

void MarkedMailSession::endQuietly()
{
    m_connection.replyBuf() = QByteArray();
    m_connection.subDisConn();
    pauseAfterBoxes();
}

void MarkedMailSession::send(const QString& command)
{
    m_connection.subSend(command + QLatin1String("\r\n"));
}
