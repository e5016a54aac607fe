// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pop3/RetrieveSession.h"

#include "decode/Decode.h"
#include "decode/WholeMessage.h"
#include "pop3/Pop3.h"
#include "pop3/Pop3Connection.h"
#include "pop3/RetrieveHost.h"
#include "settings/CurrentAccountReader.h"
#include "settings/GeneralOptions.h"

#include <QLocale>

using Pop3::SessionMode;
using Pop3::SockPhase;

namespace {

// How much of a retrieved message the transcript keeps.
constexpr qsizetype maxLoggedMessage = 64 * 1024;

// The first max characters of text, a surrogate pair never split.
QString cutText(const QString& text, qsizetype max)
{
    if (text.size() <= max)
        return text;
    return text.first(text.at(max - 1).isHighSurrogate() ? max - 1 : max);
}

} // namespace

RetrieveSession::RetrieveSession(Pop3Connection& connection, RetrieveHost& host, QObject* parent)
    : QObject(parent), m_connection(connection), m_host(host)
{
    m_retrtimer.setSingleShot(true);
    m_retrtimer.setInterval(retrtimerInterval);
    connect(&m_retrtimer, &QTimer::timeout, this, &RetrieveSession::retrtimer_Timer);
    m_connection.setHandler(SessionMode::Retrieve, this);
}

RetrieveSession::~RetrieveSession()
{
    m_connection.setHandler(SessionMode::Retrieve, nullptr);
}

void RetrieveSession::setRetrtimerInterval(std::chrono::milliseconds interval)
{
    m_retrtimer.setInterval(interval);
}

void RetrieveSession::retrtimer_Timer()
{
    m_retrtimer.stop();
    retrNextAccount();
}

int RetrieveSession::nextDue(int from) const
{
    const int account = m_host.curAccount();
    for (int message = from; message <= m_host.messageSlots(account); ++message) {
        if (m_host.isMarked(account, message) && !m_host.hasBody(account, message))
            return message;
    }
    return 0;
}

void RetrieveSession::retrNextAccount()
{
    m_retrtimer.stop();
    ++m_driverRuns;
    for (;;) {
        m_connection.stopTimeup();
        if (m_host.curAccount() >= m_host.options().accountno) {
            m_host.endOfRetrieval();
            return;
        }
        const int account = m_host.curAccount() + 1;
        m_host.setCurAccount(account);
        // Only accounts with something to fetch are contacted, whether or
        // not they take part in checks.
        if (nextDue(1) == 0)
            continue;
        m_host.setCaption(Pop3::captionTitle() + QStringLiteral(" -メール取得中:") +
                          m_host.accountName(account) + QLatin1Char('-'));
        m_host.disableMailList();
        m_connection.startTimeup();
        const Settings::CurrentAccount& current = m_host.loadadata(account);
        m_Uname = current.Uname;
        m_password = current.password;
        m_msgIndex = 0;
        m_connection.logon(SessionMode::Retrieve, current);
        return;
    }
}

void RetrieveSession::handleSockIn(const QByteArray& chunk)
{
    // While a RETR is outstanding a chunk is part of the message, whatever
    // it starts with; only the response's status line can refuse it. A
    // message line "-ERR ..." that happens to begin a read is text.
    const bool retrOutstanding = m_connection.pendingCmd() == "RETR";
    if (!retrOutstanding && Pop3::isPositive(chunk)) {
        positiveReply();
        return;
    }
    const bool statusLine = !retrOutstanding || m_connection.beginsReply();
    if (statusLine && Pop3::isNegative(chunk)) {
        errorExit(m_connection.refusalText(chunk));
        return;
    }
    if (m_connection.popStep() == int(RetrieveStep::RetrOutstanding))
        collectRetr();
}

void RetrieveSession::positiveReply()
{
    m_connection.setSockPhase(SockPhase::Sent);
    // popStep holds only RetrieveStep values while a retrieve session runs:
    // logon sets 0, subDisConn and the time-out 6, everything else is set here.
    switch (RetrieveStep(m_connection.popStep())) {
    case RetrieveStep::Greeting:
        m_msgIndex = nextDue(1);
        m_connection.setPopStep(int(RetrieveStep::UserSent));
        send(QStringLiteral("USER ") + m_Uname);
        break;
    case RetrieveStep::UserSent:
        m_connection.setPopStep(int(RetrieveStep::PassSent));
        send(QStringLiteral("PASS ") + m_password);
        break;
    case RetrieveStep::PassSent:
        if (m_msgIndex != 0)
            sendRetr();
        else
            quit();
        break;
    case RetrieveStep::RetrOutstanding:
        // Not reached: a RETR outstanding has "RETR" pending, and its "+OK"
        // belongs to the response.
        send(QStringLiteral("NOOP"));
        break;
    case RetrieveStep::QuitSent:
        // The account is done; the connection is closed and stays idle.
        m_connection.endSession();
        pauseAfterBoxes();
        return;
    }
    // Unless the send failed and closed the connection.
    if (m_connection.sockPhase() == SockPhase::Sent)
        m_connection.setSockPhase(SockPhase::Reading);
}

void RetrieveSession::sendRetr()
{
    m_connection.setPopStep(int(RetrieveStep::RetrOutstanding));
    m_connection.replyBuf().resize(0); // keeps the allocation for the next message
    m_connection.setPendingCmd(QByteArrayLiteral("RETR"));
    send(QStringLiteral("RETR ") + QString::number(m_msgIndex));
}

void RetrieveSession::collectRetr()
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
    if (!Pop3::isListedMessage(Pop3::topOfRetr(replyBuf, Pop3::summaryLines),
                               m_host.listedFrom(account, m_msgIndex),
                               m_host.listedSubject(account, m_msgIndex))) {
        // The number stands for another message now, and so may every later
        // one: store nothing more for this account.
        m_connection.queueShowMsg(
            QStringLiteral("「%1」のメールボックスの内容が一覧を作ったときから変わっているため、"
                           "メールの取得を中止しました。\r\n"
                           "メールチェックで一覧を更新してください。")
                .arg(m_host.accountName(account)));
        quit();
        return;
    }
    Decode::WholeMessage whole = Decode::parseRetrResponse(Decode::fromCp932(replyBuf));
    replyBuf = QByteArray(); // may be megabytes: not kept beside the body
    const qint64 size = m_connection.responseSize();
    const QString sizeText = QLocale(QLocale::English).toString(size);
    // A body with attachments is cut at 5000 characters already; any other
    // is shown up to maxBodyText, and says so when the viewer does not get
    // all of it.
    if (whole.Body.size() > Pop3::maxBodyText || (size > Pop3::retrKeptBytes && !whole.Attached)) {
        whole.Body = cutText(whole.Body, Pop3::maxBodyText) +
                     QStringLiteral("\r\n(メールが大きいため、最初の部分だけを表示しています。"
                                    "メール全体の大きさ: %1 バイト)\r\n")
                         .arg(sizeText);
    }
    m_host.subListSet2(account, m_msgIndex, whole);
    if (m_host.options().Option8value != 0) {
        // The start of the message and its size are enough to tell what
        // the server sent.
        QString& logText = m_host.logText();
        Pop3::appendToLog(logText, cutText(whole.keptText, maxLoggedMessage));
        if (whole.keptText.size() > maxLoggedMessage || size > Pop3::retrKeptBytes) {
            Pop3::appendToLog(logText,
                              QStringLiteral("\r\n(以下略: 全体 %1 バイト)").arg(sizeText));
        }
        Pop3::appendToLog(logText, u"\r\n");
    }

    m_msgIndex = nextDue(m_msgIndex + 1);
    if (m_msgIndex != 0)
        sendRetr();
    else
        quit();
}

void RetrieveSession::quit()
{
    m_connection.replyBuf() = QByteArray(); // may hold a large message
    m_connection.setPendingCmd(QByteArray());
    m_connection.setPopStep(int(RetrieveStep::QuitSent));
    send(QStringLiteral("QUIT"));
}

void RetrieveSession::errorExit(const QString& text)
{
    // An empty text ("-ERR" and nothing else) reports nothing and leaves the
    // session to the time-out.
    if (text.isEmpty())
        return;
    if (markGone()) {
        endQuietly();
        return;
    }
    // After a negative reply the connection is open and QUIT goes out; after
    // a receive error it is closed already and nothing is sent. Messages
    // fetched before keep their bodies; the rest of the account stays due.
    // The next account waits until the user has closed the box.
    m_connection.queueShowMsg(text);
    m_connection.subDisConn();
    pauseAfterBoxes();
    m_host.setCaption(Pop3::captionTitle());
}

void RetrieveSession::quietExit()
{
    m_host.setCaption(Pop3::captionTitle());
    pauseAfterBoxes();
}

void RetrieveSession::timedOut()
{
    const int mailTotal = m_host.mailTotal();
    m_host.setCaption(mailTotal != 0
                          ? QString::number(mailTotal) + QStringLiteral("通のメールが届いています!")
                          : Pop3::captionTitle());
    pauseAfterBoxes();
}

void RetrieveSession::pauseAfterBoxes()
{
    m_connection.afterMessages(Pop3Connection::driverPause(m_retrtimer, m_driverRuns));
}

bool RetrieveSession::markGone() const
{
    return m_msgIndex != 0 && !m_host.isMarked(m_host.curAccount(), m_msgIndex);
}

void RetrieveSession::endQuietly()
{
    m_connection.replyBuf() = QByteArray();
    m_connection.subDisConn();
    pauseAfterBoxes();
}

void RetrieveSession::send(const QString& command)
{
    m_connection.subSend(command + QLatin1String("\r\n"));
}
