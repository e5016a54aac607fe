// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <functional>
#include <optional>

class AccountGrid;
class PasswordKeyring;
class Dialogs;
class QPushButton;
namespace Settings {
struct AccountRecord;
class SettingsStore;
} // namespace Settings

/*
 * The page "ｱｶｳﾝﾄ" of the option dialog (`frm_Opt` 1): the stored accounts
 * in `accountList`, one row per account in account order, and the buttons
 * "追加", "編集" and "削除". Adding and editing go through the account editor
 * (AccountForm); deleting renumbers the accounts behind the deleted one.
 *
 * Every change reaches the settings file at once, the account count
 * included, so that the stored count always matches the stored records
 * whichever way the dialog is closed. A change that cannot be written is
 * reported and leaves the list as it was.
 *
 * While the stored settings keep passwords in the desktop keyring
 * ("Keyringvalue"), an account's password goes to the keyring before its
 * record reaches the file, and the record is written without one; a login
 * that no account uses any more is removed from the keyring.
 */
class AccountPage : public QWidget
{
    Q_OBJECT

public:
    AccountPage(Settings::SettingsStore& store, Dialogs& dialogs, QWidget* parent = nullptr);

    // Column widths in twips: 4700 for the name when storedAccounts is 20 or
    // more (room for the scroll bar), else 4960; 320 for the check mark.
    void setColumnWidths(int storedAccounts);
    // Loads accounts 1 to count and lists them; count becomes `accountno`.
    void fill(qint16 count);

    qint16 accountno() const { return m_accountno; }
    int selectedRow() const { return m_selectedRow; }
    bool editMode() const { return m_editMode; }

    // The editor's OK: writes record as the selected account (editing) or as
    // a new last account (adding), then shows it in the list, and calls
    // done(true); with the keyring, once its write succeeded. done(false),
    // after telling the user, when the keyring or the settings file could
    // not be written; the list and the count are then unchanged. done is
    // not called once context is gone.
    void storeAccount(const Settings::AccountRecord& record, QObject* context,
                      std::function<void(bool stored)> done);

    bool passwordsInKeyring() const;
    // The keyring's password of record's login for the editor: found gets
    // it (empty when the keyring holds none), unless context is gone. A
    // keyring that cannot be read is reported, and found gets nothing.
    void readPassword(const Settings::AccountRecord& record, QObject* context,
                      std::function<void(std::optional<QString>)> found);

    void addbutton_Click();
    void editbutton_Click();
    void delbutton_Click();
    void accountList_MouseDown();
    void accountList_DblClick();

private:
    void showRow(int row, const Settings::AccountRecord& record);
    void makeCurrent(int row);
    void handleSelectionChanged();
    // Overwrites every stored password of an account number above count
    // with the empty password; saved, not yet written.
    void clearPasswordsAbove(qint16 count);
    bool saveAccountCount();
    bool ensureWritable();
    void reportSaveFailure();
    void setEditButtonsEnabled(bool enabled);
    bool storeRecord(const Settings::AccountRecord& record);
    // Removes key from the keyring unless one of the stored accounts logs
    // in with it.
    void forgetUnlessShared(const QString& key);

    Settings::SettingsStore& m_store;
    Dialogs& m_dialogs;
    AccountGrid* m_accountList;
    QPushButton* m_addbutton;
    QPushButton* m_editbutton;
    QPushButton* m_delbutton;
    qint16 m_accountno = 0;
    // Account number of the row chosen by the last mouse press; 0 for none.
    int m_selectedRow = 0;
    bool m_editMode = false;
    PasswordKeyring* m_keyring;
};
