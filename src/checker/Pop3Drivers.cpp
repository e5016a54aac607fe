// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/Pop3Drivers.h"

#include "checker/MailForm.h"
#include "decode/Decode.h"
#include "decode/Summary.h"
#include "decode/WholeMessage.h"
#include "settings/AccountRecord.h"
#include "settings/SettingsStore.h"
#include "settings/TextForms.h"

namespace {

QString storedKeyringKey(const Settings::SettingsStore& store, int account)
{
    Settings::AccountRecord record;
    Settings::LoadAccount(store, qint16(account), record);
    return Settings::keyringKey(record.Uname, record.Hname, record.Portno);
}

} // namespace

Pop3Drivers::Pop3Drivers(MailForm& form, Settings::SettingsStore& store)
    : m_form(form), m_store(store)
{
    QObject::connect(&form, &MailForm::optionsLoaded, &m_passwords, &KeyringPasswords::refresh);
}

void Pop3Drivers::checkNextAccount()
{
    m_passwords.whenReady([this] { m_check.checkNextAccount(); });
}

void Pop3Drivers::retrNextAccount()
{
    m_passwords.whenReady([this] { m_retrieve.retrNextAccount(); });
}

void Pop3Drivers::deleNextAccount()
{
    m_passwords.whenReady([this] { m_delete.deleNextAccount(); });
}

bool Pop3Drivers::passwordMissing(int account) const
{
    return m_passwords.inUse() && !m_passwords.password(storedKeyringKey(m_store, account));
}

void Pop3Drivers::subDisConn()
{
    m_passwords.cancelWaiting();
    // A new cycle begins: no pause of another cycle may tick into it and
    // drive that cycle on with the new cycle's counters.
    m_check.cancelCycle();
    m_retrieve.stopRetrtimer();
    m_delete.stopDeltimer();
    m_connection.subDisConn();
}

const Settings::GeneralOptions& Pop3Drivers::options() const
{
    return m_form.options();
}
void Pop3Drivers::ShowMsg(const QString& text)
{
    m_form.ShowMsg(text);
}
bool Pop3Drivers::askTrust(const QString& question)
{
    return m_form.askTrust(question);
}
void Pop3Drivers::storeTlsPin(int account, const QString& sha256Hex)
{
    if (!Settings::saveTlsPin(m_store, qint16(account), sha256Hex))
        m_form.ShowMsg(
            QStringLiteral("設定を保存できませんでした。\r\n%1").arg(m_store.filePath()));
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
    if (m_passwords.inUse()) {
        // The key as tavoprefs made it, from the texts as stored.
        const QString key =
            Settings::keyringKey(m_current.Uname, m_current.Hname, m_current.Portno);
        if (const std::optional<QString> password = m_passwords.password(key)) {
            m_current.password = *password;
        } else {
            m_current.password.clear();
            if (m_current.Check != 0 && !m_reported.contains(key)) {
                m_reported.insert(key);
                m_connection.queueShowMsg(
                    QStringLiteral("%1 のパスワードをキーリングから読めないため、チェックしません。"
                                   "\r\n%2")
                        .arg(Settings::zeroAsEmpty(m_current.Aname), m_passwords.failure(key)));
            }
            m_current.Check = 0;
        }
    }
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
// an account beyond the tables reads as empty. What a check finds goes to
// the window's check listing, which the end of the check commits together
// with the grid.
int Pop3Drivers::mailCount(int account) const
{
    return m_form.accounts().contains(account) ? m_form.accounts()[account].mailCount : 0;
}
void Pop3Drivers::setMailCount(int account, int count)
{
    m_form.checkListing().setMailCount(account, count);
}
qint64 Pop3Drivers::lastSize(int account) const
{
    return m_form.accounts().contains(account) ? m_form.accounts()[account].lastSize : 0;
}
void Pop3Drivers::setLastSize(int account, qint64 size)
{
    m_form.checkListing().setLastSize(account, size);
}
void Pop3Drivers::setNewMailFlg(int account)
{
    if (m_form.accounts().contains(account))
        m_form.accounts()[account].newMailFlg = true;
}
void Pop3Drivers::growMailTable(int account, int messages)
{
    m_form.checkListing().growMessages(m_form.mailTable(), account, messages);
}
std::vector<bool> Pop3Drivers::adoptIds(int account, const std::vector<QByteArray>& ids)
{
    return m_form.checkListing().adoptIds(m_form.mailTable(), account, ids);
}
void Pop3Drivers::subListSet(int account, int message, const QByteArray& replyBuf,
                             const QByteArray& id)
{
    const Decode::Summary summary = Decode::parseTopResponse(Decode::fromCp932(replyBuf));
    m_form.checkListing().storeSummary(account, message, summary.From, summary.Subject,
                                       summary.Attached, id);
}
void Pop3Drivers::endOfCheck()
{
    m_form.endOfCheck();
}

QString Pop3Drivers::accountName(int account) const
{
    // Straight from the store, as the caption of a retrieval or deletion
    // has always read it; tavoprefs stores an empty name as "0", which the
    // check's caption shows as empty too.
    return Settings::zeroAsEmpty(
        m_store.get(Settings::accountKey(u"Aname", qint16(account)), QString()));
}
int Pop3Drivers::messageSlots(int account) const
{
    return m_form.mailTable().messageSlots(account);
}
bool Pop3Drivers::isMarked(int account, int message) const
{
    // Nothing is fetched or deleted where the login cannot be made.
    if (passwordMissing(account))
        return false;
    const MailTable& table = m_form.mailTable();
    return table.contains(account, message) && table.entry(account, message).Mark != 0;
}
QString Pop3Drivers::listedFrom(int account, int message) const
{
    const MailTable& table = m_form.mailTable();
    return table.contains(account, message) ? table.entry(account, message).From : QString();
}
QString Pop3Drivers::listedSubject(int account, int message) const
{
    const MailTable& table = m_form.mailTable();
    return table.contains(account, message) ? table.entry(account, message).Subject : QString();
}
QByteArray Pop3Drivers::listedId(int account, int message) const
{
    const MailTable& table = m_form.mailTable();
    return table.contains(account, message) ? table.entry(account, message).Uid : QByteArray();
}
void Pop3Drivers::disableMailList()
{
    m_form.disableMailList();
}
bool Pop3Drivers::hasBody(int account, int message) const
{
    const MailTable& table = m_form.mailTable();
    return table.contains(account, message) && !table.entry(account, message).Body.isEmpty();
}
void Pop3Drivers::subListSet2(int account, int message, const Decode::WholeMessage& whole)
{
    m_form.mailTable().storeWholeMessage(account, message, whole);
}
void Pop3Drivers::endOfRetrieval()
{
    m_form.endOfRetrieval();
}
void Pop3Drivers::endOfDeletion()
{
    m_form.endOfDeletion();
}
