// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prefs/Autostart.h"

#include <QDialog>

#include <array>

class AccountPage;
class Dialogs;
class KeyringMove;
class PageTabButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QStackedWidget;
namespace Settings {
class SettingsStore;
}

/*
 * `optionform` ("OPTION"), the whole of tavoprefs: the page "全般" with the
 * timers, the notification options, the mail programs, the sound file and
 * the six hotkeys, and the page "ｱｶｳﾝﾄ" (AccountPage). OK writes the general
 * settings and ends the program; "ｷｬﾝｾﾙ", Esc and the close box end it
 * without writing them. Account changes are written by the account page as
 * they are made.
 *
 * Enter on a focused button presses that button; anywhere else it presses
 * OK. Esc is "ｷｬﾝｾﾙ".
 *
 * "パスワードをキーリングに保存" can be ticked only where a keyring service
 * answers; OK then moves the stored passwords into the keyring (or back)
 * before it writes the rest, and closes once the keyring has answered.
 *
 * OK is enabled exactly while every timer box holds a whole count from 0 to
 * 32767. A write that does not reach the settings file, or the autostart
 * entry ("ログイン時に起動する"), is reported and keeps the dialog open with
 * the user's entries.
 */
class OptionForm : public QDialog
{
    Q_OBJECT

public:
    OptionForm(Settings::SettingsStore& store, Dialogs& dialogs, QWidget* parent = nullptr);

    // The start-up steps after the single-instance test: the list's column
    // widths, the hotkey items, LoadOptions; with the wait cursor meanwhile.
    void Form_Load();
    void LoadOptions();
    // False when the settings file could not be written.
    bool SaveOptions();
    void CheckTimerBox(int n);

    void OkBt_Click();
    void CancelBt_Click();
    void Command3_Click();
    void Command2_Click();
    void RefBt_Click(int index);
    void Tab1_Click(int index);
    void Option1_Click();
    void option2_Click();
    void option4_Click();

    AccountPage* accountPage() const { return m_accountPage; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* createGeneralPage();
    void keyringBox_Toggled(bool checked);
    void saveAndClose();
    QCheckBox* checkBox(const QString& name, const QString& caption, const QString& toolTip,
                        QWidget* parent);
    QLineEdit* timerBox(int n, const QString& text, const QString& toolTip, QWidget* parent);

    Settings::SettingsStore& m_store;
    Dialogs& m_dialogs;

    std::array<PageTabButton*, 2> m_Tab1{};
    QStackedWidget* m_pages = nullptr;
    std::array<QWidget*, 2> m_frm_Opt{};
    AccountPage* m_accountPage = nullptr;

    // timerbox1..timerbox4 at indexes 1..4; index 0 unused.
    std::array<QLineEdit*, 5> m_timerbox{};
    std::array<bool, 5> m_timerBoxInvalid{};
    QCheckBox* m_Option1 = nullptr;
    QCheckBox* m_option2 = nullptr;
    QCheckBox* m_option3 = nullptr;
    QCheckBox* m_option4 = nullptr;
    QCheckBox* m_option5 = nullptr;
    QCheckBox* m_option6 = nullptr;
    QCheckBox* m_option7 = nullptr;
    QCheckBox* m_option8 = nullptr;
    QCheckBox* m_option9 = nullptr;
    QCheckBox* m_keyringBox = nullptr;
    KeyringMove* m_keyringMove = nullptr;
    QCheckBox* m_autostartBox = nullptr;
    Autostart m_autostart;
    QLineEdit* m_Wavbox = nullptr;
    QPushButton* m_Command2 = nullptr;
    // Mailerbox 1 and 2, RefBt 1 and 2 at indexes 1 and 2.
    std::array<QLineEdit*, 3> m_Mailerbox{};
    std::array<QPushButton*, 3> m_RefBt{};
    std::array<QComboBox*, 6> m_cmb_Key{};

    QPushButton* m_Command3 = nullptr;
    QPushButton* m_OkBt = nullptr;
    QPushButton* m_CancelBt = nullptr;
    bool m_centred = false;
};
