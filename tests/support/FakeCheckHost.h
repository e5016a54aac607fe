// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decode/Decode.h"
#include "decode/Summary.h"
#include "maillist/MailTable.h"
#include "pop3/CheckHost.h"
#include "settings/CurrentAccountReader.h"
#include "settings/GeneralOptions.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

/*
 * The main window as the check session sees it, recording what the session
 * does to it: captions, messages, the end of the cycle, in one event list
 * for order. The mail table is the real one, filled through the real
 * summary parser, so a test reads what the list would show.
 */
class FakeCheckHost : public CheckHost
{
public:
    struct Figures
    {
        int mailCount = 0;
        qint64 lastSize = 0;
        bool newMailFlg = false;
    };

    Settings::GeneralOptions generalOptions;
    std::vector<Settings::CurrentAccount> accounts; // [0] is account 1
    std::vector<Figures> figures;                   // [0] is account 1
    MailTable table;
    int cur = 0;
    int total = 0;
    bool afterDel = false;
    QString log;
    QStringList captions;
    QStringList messages;
    QStringList questions;
    QList<bool> trustAnswers;
    QStringList events; // "ShowMsg:<text>", "endOfCheck", "loadadata:<n>", "subListSet:<a>,<m>"
    int endOfCheckCount = 0;
    int pointerResets = 0;
    int subListSetCount = 0;
    // Runs while the message box is open, as a modal box's event loop would.
    std::function<void(const QString&)> whileShown;
    // Runs when loadadata has read account n, before the session starts.
    std::function<void(int n)> whenLoaded;

    // Accounts 1..n on the given hosts; the mail table at its first size.
    void setAccounts(const std::vector<Settings::CurrentAccount>& list)
    {
        accounts = list;
        generalOptions.accountno = qint16(list.size());
        figures.assign(list.size(), Figures());
        table.redim(int(list.size()));
    }

    static Settings::CurrentAccount account(const QString& name, const QString& host, quint16 port,
                                            const QString& user, const QString& password)
    {
        Settings::CurrentAccount a;
        a.Aname = name;
        a.Hname = host;
        a.Portno = qint16(port);
        a.Uname = user;
        a.password = password;
        return a;
    }

    Figures& figure(int account) { return figures.at(std::size_t(account - 1)); }
    bool flagged(int account) const { return figures.at(std::size_t(account - 1)).newMailFlg; }

    // What checkmail does around the driver: resetCycle's counters and the
    // new-mail flags cleared (the caller ends the open session).
    void startCycle()
    {
        total = 0;
        cur = 0;
        log.clear();
        for (Figures& f : figures)
            f.newMailFlg = false;
    }

    const Settings::GeneralOptions& options() const override { return generalOptions; }
    void ShowMsg(const QString& text) override
    {
        messages.append(text);
        events.append(QStringLiteral("ShowMsg:") + text);
        if (whileShown)
            whileShown(text);
        events.append(QStringLiteral("closed:") + text);
    }
    // The trust question: answered from trustAnswers (No when empty); Yes
    // stores the pin in the account as the settings would.
    bool askTrust(const QString& question) override
    {
        questions.append(question);
        events.append(QStringLiteral("askTrust"));
        return !trustAnswers.isEmpty() && trustAnswers.takeFirst();
    }
    void storeTlsPin(int account, const QString& sha256Hex) override
    {
        accounts.at(std::size_t(account - 1)).TlsPin = sha256Hex;
    }
    QString& logText() override { return log; }
    void setCaption(const QString& caption) override { captions.append(caption); }
    void setDefaultPointer() override { ++pointerResets; }
    int curAccount() const override { return cur; }
    void setCurAccount(int account) override { cur = account; }
    int mailTotal() const override { return total; }
    void setMailTotal(int value) override { total = value; }

    const Settings::CurrentAccount& loadadata(int n) override
    {
        events.append(QStringLiteral("loadadata:%1").arg(n));
        const Settings::CurrentAccount& account = accounts.at(std::size_t(n - 1));
        if (whenLoaded)
            whenLoaded(n);
        return account;
    }
    bool afterDelete() const override { return afterDel; }
    int mailCount(int account) const override
    {
        return figures.at(std::size_t(account - 1)).mailCount;
    }
    void setMailCount(int account, int count) override { figure(account).mailCount = count; }
    qint64 lastSize(int account) const override
    {
        return figures.at(std::size_t(account - 1)).lastSize;
    }
    void setLastSize(int account, qint64 size) override { figure(account).lastSize = size; }
    void setNewMailFlg(int account) override { figure(account).newMailFlg = true; }
    void growMailTable(int account, int count) override { table.growMessages(account, count); }
    std::vector<bool> adoptIds(int account, const std::vector<QByteArray>& ids) override
    {
        std::vector<MailRecord> entries = table.messages(account);
        const std::vector<bool> known = MailTable::adoptIds(entries, table.messages(account), ids);
        table.setMessages(account, std::move(entries));
        return known;
    }
    void subListSet(int account, int message, const QByteArray& replyBuf,
                    const QByteArray& id) override
    {
        ++subListSetCount;
        events.append(QStringLiteral("subListSet:%1,%2").arg(account).arg(message));
        const Decode::Summary summary = Decode::parseTopResponse(Decode::fromCp932(replyBuf));
        table.storeSummary(account, message, summary.From, summary.Subject, summary.Attached);
        if (table.contains(account, message))
            table.entry(account, message).Uid = id;
    }
    void endOfCheck() override
    {
        ++endOfCheckCount;
        events.append(QStringLiteral("endOfCheck"));
    }
};
