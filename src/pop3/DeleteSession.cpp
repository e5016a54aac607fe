// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pop3/DeleteSession.h"

#include "pop3/DeleteHost.h"

DeleteSession::DeleteSession(Pop3Connection& connection, DeleteHost& host, QObject* parent)
    : MarkedMailSession(connection, host, Pop3::SessionMode::Delete, parent), m_deleteHost(host)
{}

bool DeleteSession::isDue(int account, int message) const
{
    return m_deleteHost.isMarked(account, message);
}

QString DeleteSession::busyWords() const
{
    return QStringLiteral(" -メール削除中:");
}

QString DeleteSession::actionWord() const
{
    return QStringLiteral("削除");
}

QByteArray DeleteSession::actionVerb() const
{
    return QByteArrayLiteral("DELE");
}

bool DeleteSession::acted(int, bool, QByteArray&)
{
    // "+OK" to DELE is all there is; the summary was compared before.
    return true;
}

QString DeleteSession::mismatchText(const QString& accountName) const
{
    return QStringLiteral("「%1」のメールボックスの内容が一覧を作ったときから変わっているため、"
                          "削除を中止しました。\r\n一覧を更新します。")
        .arg(accountName);
}

void DeleteSession::endOfCycle()
{
    m_deleteHost.endOfDeletion();
}
