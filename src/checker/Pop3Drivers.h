// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "checker/KeyringPasswords.h"
#include "checker/SessionDrivers.h"
#include "pop3/CheckHost.h"
#include "pop3/CheckSession.h"
#include "pop3/DeleteHost.h"
#include "pop3/DeleteSession.h"
#include "pop3/Pop3Connection.h"
#include "pop3/RetrieveHost.h"
#include "pop3/RetrieveSession.h"
#include "settings/CurrentAccountReader.h"

#include <QSet>

class MailForm;
namespace Settings {
class SettingsStore;
}

/*
 * The POP3 sessions as `mailform` drives them: the session drivers, and the
 * window as the sessions' host. Owned by whoever owns the window, created
 * before Form_Load.
 *
 * With the passwords in the desktop keyring, each cycle starts only once
 * the keyring has answered for every account (KeyringPasswords). An
 * account whose password it could not give is left out of checks, and of
 * retrievals and deletions, and the user is told once per run; it is never
 * tried with an empty or an older password.
 */
class Pop3Drivers : public SessionDrivers, public CheckHost, public RetrieveHost, public DeleteHost
{
public:
    Pop3Drivers(MailForm& form, Settings::SettingsStore& store);

    // SessionDrivers
    void checkNextAccount() override;
    void retrNextAccount() override;
    void deleNextAccount() override;
    void subDisConn() override;

    // SessionHost
    const Settings::GeneralOptions& options() const override;
    const Settings::CurrentAccount& loadadata(int account) override;
    void ShowMsg(const QString& text) override;
    bool askTrust(const QString& question) override;
    void storeTlsPin(int account, const QString& sha256Hex) override;
    QString& logText() override;
    void setCaption(const QString& caption) override;
    void setDefaultPointer() override;
    int curAccount() const override;
    void setCurAccount(int account) override;
    int mailTotal() const override;
    void setMailTotal(int total) override;

    // CheckHost
    bool afterDelete() const override;
    int mailCount(int account) const override;
    void setMailCount(int account, int count) override;
    qint64 lastSize(int account) const override;
    void setLastSize(int account, qint64 size) override;
    void setNewMailFlg(int account) override;
    void growMailTable(int account, int messages) override;
    std::vector<bool> adoptIds(int account, const std::vector<QByteArray>& ids) override;
    void subListSet(int account, int message, const QByteArray& replyBuf,
                    const QByteArray& id) override;
    void endOfCheck() override;

    // MarkedMailHost
    QString accountName(int account) const override;
    int messageSlots(int account) const override;
    bool isMarked(int account, int message) const override;
    QString listedFrom(int account, int message) const override;
    QString listedSubject(int account, int message) const override;
    QByteArray listedId(int account, int message) const override;
    void disableMailList() override;

    // RetrieveHost
    bool hasBody(int account, int message) const override;
    void subListSet2(int account, int message, const Decode::WholeMessage& whole) override;
    void endOfRetrieval() override;

    // DeleteHost
    void endOfDeletion() override;

    // The sessions, for tests that shorten their pauses.
    CheckSession& checkSession() { return m_check; }
    RetrieveSession& retrieveSession() { return m_retrieve; }
    DeleteSession& deleteSession() { return m_delete; }

private:
    // Whether account's password should come from the keyring but has not.
    bool passwordMissing(int account) const;

    MailForm& m_form;
    Settings::SettingsStore& m_store;
    Settings::CurrentAccount m_current;
    KeyringPasswords m_passwords{m_store};
    // Logins already reported as unreadable in this run.
    QSet<QString> m_reported;
    Pop3Connection m_connection{*this};
    CheckSession m_check{m_connection, *this};
    RetrieveSession m_retrieve{m_connection, *this};
    DeleteSession m_delete{m_connection, *this};
};
