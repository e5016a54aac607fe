// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/Pop3Drivers.h"

#include "checker/MailForm.h"
#include "decode/Decode.h"
#include "decode/Summary.h"
#include "settings/TextForms.h"

Pop3Drivers::Pop3Drivers(MailForm& form, Settings::SettingsStore& store)
    : m_form(form), m_store(store)
{}

void Pop3Drivers::retrNextAccount()
{
    m_form.endOfRetrieval();
}
void Pop3Drivers::deleNextAccount()
{
    m_form.endOfDeletion();
}

const Settings::GeneralOptions& Pop3Drivers::options() const
{
    return m_form.options();
}
void Pop3Drivers::ShowMsg(const QString& text)
{
    m_form.ShowMsg(text);
}
QString& Pop3Drivers::logText()
{
    return m_form.logText();
}
void Pop3Drivers::setCaption(const QString& caption)
{
    m_form.setWindowTitle(caption);
}
void Pop3Drivers::setDefaultPointer()
{
    m_form.unsetCursor();
}
int Pop3Drivers::curAccount() const
{
    return m_form.curAccount();
}
void Pop3Drivers::setCurAccount(int account)
{
    m_form.setCurAccount(account);
}
int Pop3Drivers::mailTotal() const
{
    return m_form.mailTotal();
}
void Pop3Drivers::setMailTotal(int total)
{
    m_form.setMailTotal(total);
}

const Settings::CurrentAccount& Pop3Drivers::loadadata(int account)
{
    AccountState& state = m_form.accounts()[account];
    Settings::AccountEntry entry{state.Scolor1, state.Scolor2, state.Wavmode, state.Wavdir2_};
    Settings::loadadata(m_store, qint16(account), m_current, entry);
    // tavoprefs stores an empty name or path as "0": an account without a
    // host must not reach the local machine, nor one without its own sound
    // play a file named "0" instead of the beep.
    m_current.Aname = Settings::zeroAsEmpty(m_current.Aname);
    m_current.Hname = Settings::zeroAsEmpty(m_current.Hname);
    state.Scolor1 = entry.Scolor1;
    state.Scolor2 = entry.Scolor2;
    state.Wavmode = entry.Wavmode;
    state.Wavdir2_ = Settings::zeroAsEmpty(entry.Wavdir2_);
    return m_current;
}

bool Pop3Drivers::afterDelete() const
{
    return m_form.afterDelete();
}
// The settings program may shrink the account list while a session runs:
// an account beyond the tables reads as empty and takes nothing.
int Pop3Drivers::mailCount(int account) const
{
    return m_form.accounts().contains(account) ? m_form.accounts()[account].mailCount : 0;
}
void Pop3Drivers::setMailCount(int account, int count)
{
    if (m_form.accounts().contains(account))
        m_form.accounts()[account].mailCount = count;
}
qint64 Pop3Drivers::lastSize(int account) const
{
    return m_form.accounts().contains(account) ? m_form.accounts()[account].lastSize : 0;
}
void Pop3Drivers::setLastSize(int account, qint64 size)
{
    if (m_form.accounts().contains(account))
        m_form.accounts()[account].lastSize = size;
}
void Pop3Drivers::setNewMailFlg(int account)
{
    if (m_form.accounts().contains(account))
        m_form.accounts()[account].newMailFlg = true;
}
void Pop3Drivers::growMailTable(int messages)
{
    m_form.mailTable().growMessages(messages);
}
void Pop3Drivers::subListSet(int account, int message, const QByteArray& replyBuf)
{
    const Decode::Summary summary = Decode::parseTopResponse(Decode::fromCp932(replyBuf));
    m_form.mailTable().storeSummary(account, message, summary.From, summary.Subject,
                                    summary.Attached);
}
void Pop3Drivers::endOfCheck()
{
    m_form.endOfCheck();
}
