// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pop3/RetrieveSession.h"

#include "decode/Decode.h"
#include "decode/WholeMessage.h"
#include "pop3/Pop3.h"
#include "pop3/Pop3Connection.h"
#include "pop3/RetrieveHost.h"
#include "settings/GeneralOptions.h"

#include <QLocale>

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
    : MarkedMailSession(connection, host, Pop3::SessionMode::Retrieve, parent), m_retrieveHost(host)
{}

bool RetrieveSession::isDue(int account, int message) const
{
    return m_retrieveHost.isMarked(account, message) && !m_retrieveHost.hasBody(account, message);
}

QString RetrieveSession::busyWords() const
{
    return QStringLiteral(" -メール取得中:");
}

QString RetrieveSession::actionWord() const
{
    return QStringLiteral("取得");
}

QByteArray RetrieveSession::actionVerb() const
{
    return QByteArrayLiteral("RETR");
}

QString RetrieveSession::mismatchText(const QString& accountName) const
{
    return QStringLiteral("「%1」のメールボックスの内容が一覧を作ったときから変わっているため、"
                          "メールの取得を中止しました。\r\n"
                          "メールチェックで一覧を更新してください。")
        .arg(accountName);
}

void RetrieveSession::endOfCycle()
{
    m_retrieveHost.endOfRetrieval();
}

bool RetrieveSession::acted(int message, bool byId, QByteArray& replyBuf)
{
    // NUL characters have become CR LF on the way in.
    const int account = m_retrieveHost.curAccount();
    if (!byId && !Pop3::isListedMessage(Pop3::topOfRetr(replyBuf, Pop3::summaryLines),
                                        m_retrieveHost.listedFrom(account, message),
                                        m_retrieveHost.listedSubject(account, message)))
        return false;
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
    m_retrieveHost.subListSet2(account, message, whole);
    if (m_retrieveHost.options().Option8value != 0) {
        // The start of the message and its size are enough to tell what
        // the server sent.
        QString& logText = m_retrieveHost.logText();
        Pop3::appendToLog(logText, cutText(whole.keptText, maxLoggedMessage));
        if (whole.keptText.size() > maxLoggedMessage || size > Pop3::retrKeptBytes) {
            Pop3::appendToLog(logText,
                              QStringLiteral("\r\n(以下略: 全体 %1 バイト)").arg(sizeText));
        }
        Pop3::appendToLog(logText, u"\r\n");
    }
    return true;
}
