// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decode/WholeMessage.h"
#include "pop3/DeleteHost.h"
#include "pop3/RetrieveHost.h"
#include "support/FakeCheckHost.h"

/*
 * The main window as all three sessions see it: FakeCheckHost, plus the
 * marks, the retrieved bodies and the ends of the retrieve and delete
 * cycles, recorded in the same event list. The mail table is the real one.
 */
class FakeMailHost : public FakeCheckHost, public RetrieveHost, public DeleteHost
{
public:
    int endOfRetrievalCount = 0;
    int endOfDeletionCount = 0;
    int disableCount = 0;

    // Marks message of account, as a click on its row does.
    void mark(int account, int message, const QByteArray& listedFrom,
              const QByteArray& listedSubject)
    {
        MailRecord& record = table.entry(account, message);
        record.From = QString::fromLatin1(listedFrom);
        record.Subject = QString::fromLatin1(listedSubject);
        record.Mark = -1;
    }

    QString accountName(int account) const override
    {
        return accounts.at(std::size_t(account - 1)).Aname;
    }
    int messageSlots(int account) const override { return table.messageSlots(account); }
    bool isMarked(int account, int message) const override
    {
        return table.contains(account, message) && table.entry(account, message).Mark != 0;
    }
    QString listedFrom(int account, int message) const override
    {
        return table.entry(account, message).From;
    }
    QString listedSubject(int account, int message) const override
    {
        return table.entry(account, message).Subject;
    }
    QByteArray listedId(int account, int message) const override
    {
        return table.entry(account, message).Uid;
    }
    void disableMailList() override { ++disableCount; }
    bool hasBody(int account, int message) const override
    {
        return !table.entry(account, message).Body.isEmpty();
    }
    void subListSet2(int account, int message, const Decode::WholeMessage& whole) override
    {
        events.append(QStringLiteral("subListSet2:%1,%2").arg(account).arg(message));
        table.storeWholeMessage(account, message, whole);
    }
    void endOfRetrieval() override
    {
        ++endOfRetrievalCount;
        events.append(QStringLiteral("endOfRetrieval"));
    }
    void endOfDeletion() override
    {
        ++endOfDeletionCount;
        events.append(QStringLiteral("endOfDeletion"));
    }
};
