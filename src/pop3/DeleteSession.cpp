// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pop3/DeleteSession.h"

#include "pop3/DeleteHost.h"
#include "pop3/Pop3.h"
#include "pop3/Pop3Connection.h"
#include "settings/CurrentAccountReader.h"
#include "settings/GeneralOptions.h"

using Pop3::SessionMode;
using Pop3::SockPhase;

DeleteSession::DeleteSession(Pop3Connection& connection, DeleteHost& host, QObject* parent)
    : QObject(parent), m_connection(connection), m_host(host)
{
    m_deltimer.setSingleShot(true);
    m_deltimer.setInterval(deltimerInterval);
    connect(&m_deltimer, &QTimer::timeout, this, &DeleteSession::deltimer_Timer);
    m_connection.setHandler(SessionMode::Delete, this);
}

DeleteSession::~DeleteSession()
{
    m_connection.setHandler(SessionMode::Delete, nullptr);
}

void DeleteSession::setDeltimerInterval(std::chrono::milliseconds interval)
{
    m_deltimer.setInterval(interval);
}

void DeleteSession::deltimer_Timer()
{
    m_deltimer.stop();
    deleNextAccount();
}

int DeleteSession::nextMarked(int from) const
{
    const int account = m_host.curAccount();
    for (int message = from; message <= m_host.messageSlots(account); ++message) {
        if (m_host.isMarked(account, message))
            return message;
    }
    return 0;
}

void DeleteSession::deleNextAccount()
{
    m_deltimer.stop();
    ++m_driverRuns;
    for (;;) {
        m_connection.stopTimeup();
        if (m_host.curAccount() >= m_host.options().accountno) {
            m_host.endOfDeletion();
            return;
        }
        const int account = m_host.curAccount() + 1;
        m_host.setCurAccount(account);
        if (nextMarked(1) == 0)
            continue;
        m_host.setCaption(Pop3::captionTitle() + QStringLiteral(" -メール削除中:") +
                          m_host.accountName(account) + QLatin1Char('-'));
        m_host.disableMailList();
        m_connection.startTimeup();
        const Settings::CurrentAccount& current = m_host.loadadata(account);
        m_Uname = current.Uname;
        m_password = current.password;
        m_msgIndex = 0;
        m_connection.logon(SessionMode::Delete, current);
        return;
    }
}

void DeleteSession::handleSockIn(const QByteArray& chunk)
{
    // While the summary is outstanding a chunk is part of it, whatever it
    // starts with; only the response's status line can refuse it.
    const bool topOutstanding = m_connection.pendingCmd() == "TOP";
    if (!topOutstanding && Pop3::isPositive(chunk)) {
        positiveReply();
        return;
    }
    const bool statusLine = !topOutstanding || m_connection.beginsReply();
    if (statusLine && Pop3::isNegative(chunk)) {
        errorExit(m_connection.refusalText(chunk));
        return;
    }
    if (m_connection.popStep() == int(DeleteStep::TopOutstanding))
        collectTop();
}

void DeleteSession::positiveReply()
{
    m_connection.setSockPhase(SockPhase::Sent);
    // popStep holds only DeleteStep values while a delete session runs:
    // logon sets 0, subDisConn and the time-out 6, everything else is set here.
    switch (DeleteStep(m_connection.popStep())) {
    case DeleteStep::Greeting:
        m_connection.setPopStep(int(DeleteStep::UserSent));
        send(QStringLiteral("USER ") + m_Uname);
        break;
    case DeleteStep::UserSent:
        m_msgIndex = nextMarked(1);
        m_connection.setPopStep(int(DeleteStep::PassSent));
        send(QStringLiteral("PASS ") + m_password);
        break;
    case DeleteStep::PassSent:
        confirmNext();
        break;
    case DeleteStep::DeleSent:
        m_msgIndex = nextMarked(m_msgIndex + 1);
        confirmNext();
        break;
    case DeleteStep::TopOutstanding:
        // Not reached: a TOP outstanding has "TOP" pending, and its "+OK"
        // belongs to the response.
        send(QStringLiteral("NOOP"));
        break;
    case DeleteStep::QuitSent:
        // The server has carried the deletions out; the account is done.
        m_connection.endSession();
        pauseAfterBoxes();
        return;
    }
    // Unless the send failed and closed the connection.
    if (m_connection.sockPhase() == SockPhase::Sent)
        m_connection.setSockPhase(SockPhase::Reading);
}

void DeleteSession::confirmNext()
{
    if (m_msgIndex == 0) {
        quit();
        return;
    }
    // The summary the list was built from, so that both sides are decoded
    // from the same text.
    m_connection.setPopStep(int(DeleteStep::TopOutstanding));
    m_connection.replyBuf().resize(0);
    m_connection.setPendingCmd(QByteArrayLiteral("TOP"));
    send(QStringLiteral("TOP ") + QString::number(m_msgIndex) + QLatin1Char(' ') +
         QString::number(Pop3::summaryLines));
}

void DeleteSession::collectTop()
{
    // NUL characters have become CR LF on the way in.
    if (!m_connection.responseComplete())
        return;
    QByteArray& replyBuf = m_connection.replyBuf();
    m_connection.setPendingCmd(QByteArray());

    const int account = m_host.curAccount();
    if (markGone()) {
        endQuietly();
        return;
    }
    if (!Pop3::isListedMessage(replyBuf, m_host.listedFrom(account, m_msgIndex),
                               m_host.listedSubject(account, m_msgIndex))) {
        m_connection.queueShowMsg(
            QStringLiteral("「%1」のメールボックスの内容が一覧を作ったときから変わっているため、"
                           "削除を中止しました。\r\n一覧を更新します。")
                .arg(m_host.accountName(account)));
        quit();
        return;
    }
    m_connection.setPopStep(int(DeleteStep::DeleSent));
    send(QStringLiteral("DELE ") + QString::number(m_msgIndex));
}

void DeleteSession::quit()
{
    m_connection.setPendingCmd(QByteArray());
    m_connection.setPopStep(int(DeleteStep::QuitSent));
    send(QStringLiteral("QUIT"));
}

void DeleteSession::errorExit(const QString& text)
{
    // An empty text ("-ERR" and nothing else) reports nothing and leaves the
    // session to the time-out.
    if (text.isEmpty())
        return;
    if (markGone()) {
        endQuietly();
        return;
    }
    // After a negative reply (a message gone, a refused login) QUIT goes
    // out, and the deletions acknowledged before take effect. After a
    // receive error the connection is closed without QUIT: the server
    // carries out none of this session's deletions. The next account (or
    // the closing check) waits until the user has closed the box.
    m_connection.queueShowMsg(text);
    m_connection.subDisConn();
    pauseAfterBoxes();
    m_host.setCaption(Pop3::captionTitle());
}

void DeleteSession::quietExit()
{
    m_host.setCaption(Pop3::captionTitle());
    pauseAfterBoxes();
}

void DeleteSession::timedOut()
{
    const int mailTotal = m_host.mailTotal();
    m_host.setCaption(mailTotal != 0
                          ? QString::number(mailTotal) + QStringLiteral("通のメールが届いています!")
                          : Pop3::captionTitle());
    pauseAfterBoxes();
}

void DeleteSession::pauseAfterBoxes()
{
    m_connection.afterMessages(Pop3Connection::driverPause(m_deltimer, m_driverRuns));
}

bool DeleteSession::markGone() const
{
    return m_msgIndex != 0 && !m_host.isMarked(m_host.curAccount(), m_msgIndex);
}

void DeleteSession::endQuietly()
{
    m_connection.subDisConn();
    pauseAfterBoxes();
}

void DeleteSession::send(const QString& command)
{
    m_connection.subSend(command + QLatin1String("\r\n"));
}
