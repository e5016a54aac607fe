// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <array>

class AccountPage;
class Dialogs;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
namespace Settings {
struct AccountRecord;
class SettingsStore;
} // namespace Settings

/*
 * `accountform`, the modal account editor: name, server and port, the
 * encryption and the trusted certificate, user, password, whether the account
 * is checked, the two colours of its rows in the checker's list, and its
 * sound. Opened empty by "追加" and filled by intoform for "編集". Its OK
 * writes the account at once through the account page, which also updates
 * the list; its cancel writes nothing.
 *
 * Enter on a focused button presses that button; the editor has no default
 * button, so Enter in a field does nothing. Esc is "ｷｬﾝｾﾙ".
 *
 * OK is available only while the server name is not empty and the port is
 * a number from 1 to 65535.
 *
 * The certificate pin is only shown and forgotten here; the checker sets it
 * when the user trusts a certificate. Forgetting reaches the store with OK.
 */
class AccountForm : public QDialog
{
    Q_OBJECT

public:
    AccountForm(Settings::SettingsStore& store, Dialogs& dialogs, AccountPage& page,
                QWidget* parent = nullptr);

    // Fills the controls from account n, for editing.
    void intoform(qint16 n);
    // The account as the controls describe it (after OK's naming rule).
    Settings::AccountRecord record() const;

    void Hostname_Change();
    void Colorbox_Click();
    void Colorbox2_Click();
    void Command3_Click();
    void Command1_Click();
    void Command2_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    void setSwatch(QPushButton* swatch, qint32& field, qint32 bgr);
    bool portValid() const;
    void handleTlsChanged(int tls);
    void handleForgetPin();
    void showPin(const QString& pin);

    Settings::SettingsStore& m_store;
    Dialogs& m_dialogs;
    AccountPage& m_page;

    QLineEdit* m_Accountname;
    QLineEdit* m_Hostname;
    QLineEdit* m_Portbox;
    QComboBox* m_cmbTls;
    QLabel* m_lblTlsPin;
    QPushButton* m_btnForgetPin;
    QLineEdit* m_UserName;
    QLineEdit* m_MailPassWord;
    QPushButton* m_Colorbox;
    QPushButton* m_Colorbox2;
    std::array<QRadioButton*, 3> m_Option1{};
    QLineEdit* m_Wavbox;
    QPushButton* m_Command3;
    QCheckBox* m_Check1;
    QPushButton* m_Command1;
    QPushButton* m_Command2;
    qint32 m_Scolor1 = 0;
    qint32 m_Scolor2 = 16777088;
    QString m_TlsPin; // the pin OK stores; empty for none
};
