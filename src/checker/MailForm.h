// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "checker/CheckerContext.h"
#include "maillist/AccountTables.h"
#include "maillist/CheckListing.h"
#include "maillist/MailTable.h"
#include "settings/GeneralOptions.h"

#include <QWidget>

#include <array>
#include <memory>

class CheckScheduler;
class HotkeyHooks;
class MailListView;
class Notifier;
class QPushButton;
class QToolButton;
class SessionDrivers;
class SoundSequence;
class ViewForm;

/*
 * `mailform`, the checker's one main window, and the owner of the whole run:
 * the copies of the general settings, the mail table and the per-account
 * tables, the cycle counters, the clocks (CheckScheduler, Notifier) and the
 * new-mail sounds (SoundSequence). It starts hidden and is shown only by new
 * mail or the pop-up hotkey; it has no close button, and every close request
 * runs the exit sequence, which may be answered with "keep running".
 *
 * Sizes: the window's own width and height are kept in twips (1/1440 inch,
 * "frmWidth"/"frmHeight") as the widget size times twipsX/twipsY; child
 * controls are placed in pixels; grid column widths are in twips.
 *
 * Re-entrancy: the wait for tavoprefs, the exit wait and every prompt run
 * nested event loops, so timer ticks, hotkeys and socket events can run any
 * public operation inside them. The exit sequence refuses to run twice at
 * once; everything else is safe to enter again.
 */
class MailForm : public QWidget
{
    Q_OBJECT

public:
    // Caption and title of every message box of the checker.
    static QString appTitle();

    explicit MailForm(const CheckerContext& context, QWidget* parent = nullptr);
    ~MailForm() override;

    // Optional collaborators; both may be nullptr (the default).
    void setSessionDrivers(SessionDrivers* drivers) { m_drivers = drivers; }
    // Makes the window own its drivers, so that they live exactly as long.
    void adoptSessionDrivers(std::unique_ptr<SessionDrivers> drivers);
    void setHotkeyHooks(HotkeyHooks* hooks) { m_hotkeys = hooks; }

    // Start-up: settings, first configuration, caption, grid, light, first
    // check. The window stays hidden. False when the checker must end: the
    // settings program could not be started while no account exists (after
    // telling the user), or the exit sequence ran meanwhile.
    bool Form_Load();
    // Lays the grid and the buttons out for the window's current size.
    void Form_Resize();
    // The exit sequence; true means cancelled (the checker keeps running).
    bool Form_QueryUnload();
    // The exit sequence has run to its end; the checker is ending.
    bool hasEnded() const { return m_ended; }

    // Commands of the window's controls.
    void OkBt_Click();
    void MailBt_Click(int index);
    void LogBt_Click();
    void RetrBt_Click();
    void DelBt_Click();

    // Public operations, also run by the hotkeys.
    void loadoption();
    void turnoff();
    void mnu_opt();
    void mnu_pop();
    void mnu_end();
    void Endfun();
    // The exit sequence without its question: the user has already chosen
    // to end elsewhere (the exit key's "No").
    void endWithoutAsking();
    void OpenOption();
    void ExecMailapp(int index);
    void saveLayout();
    void resetCycle();

    // Check cycles and notification.
    void checkmail();
    void newMailFlg_Clear();
    bool newMailFlg_Check() const;
    void Lightbrink();
    void ShowMsg(const QString& text);
    // Whether to trust a server certificate: asked whatever Option3value
    // says, since it is the user's decision, not an error message.
    bool askTrust(const QString& question);
    void showMessage(int account, int message);
    // The end steps of the three cycles, run by their drivers after the last
    // account (and at once without drivers).
    void endOfCheck();
    void endOfRetrieval();
    void endOfDeletion();
    // `RetrBt`, `DelBt` and `lvwMailBox` disabled while a retrieval or a
    // deletion serves an account, so that the marks cannot change meanwhile.
    void disableMailList();

    // State shared with the session drivers.
    const Settings::GeneralOptions& options() const { return m_options; }
    int accountno() const { return m_options.accountno; }
    MailTable& mailTable() { return m_mailTable; }
    // What the running check has found, shown with the grid at its end.
    CheckListing& checkListing() { return m_checkListing; }
    AccountTables& accounts() { return m_accounts; }
    const AccountTables& accounts() const { return m_accounts; }
    int mailTotal() const { return m_mailTotal; }
    void setMailTotal(int total) { m_mailTotal = total; }
    bool afterDelete() const { return m_afterDelete; }
    void setAfterDelete(bool on) { m_afterDelete = on; }
    int curAccount() const { return m_curAccount; }
    void setCurAccount(int account) { m_curAccount = account; }
    QString& logText() { return m_logText; }
    int twipsX() const { return m_twipsX; }
    int twipsY() const { return m_twipsY; }
    // Window size in twips, as stored in "frmWidth" and "frmHeight".
    int widthTwips() const;
    int heightTwips() const;

    CheckScheduler& scheduler() { return *m_scheduler; }
    Notifier& notifier() { return *m_notifier; }
    MailListView* lvwMailBox() const { return m_lvwMailBox; }
    ViewForm* viewform() const { return m_viewform.get(); }

signals:
    // loadoption has read the settings anew.
    void optionsLoaded();
    // The exit sequence has run to its end: the program should quit now.
    void checkerEnded();
    // The end of a check has listed the mail (mailTotal, newMailFlg).
    void mailListed();
    // New mail has popped the window up ("Option1value").
    void newMailPoppedUp();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createControls();
    void popUp();
    void hideWindow();
    ViewForm& ensureViewForm();
    void setListHeads();
    // Column widths 0..5 in twips as the user set them: what the grid shows,
    // column 4 without the room it gives a vertical scroll bar.
    std::array<qint16, 6> shownWidths() const;
    // Sets the window's size from twips; each dimension runs Form_Resize.
    void setWidthTwips(int twips);
    void setHeightTwips(int twips);
    void checkNextAccount();
    // Empties the mail table (sized for the current account count), the
    // per-account counts that describe it, `mailTotal` and the grid.
    void discardMailTable();

    CheckerContext m_context;
    SessionDrivers* m_drivers = nullptr;
    HotkeyHooks* m_hotkeys = nullptr;

    Settings::GeneralOptions m_options;
    int m_twipsX = 15;
    int m_twipsY = 15;
    MailTable m_mailTable;
    CheckListing m_checkListing;
    AccountTables m_accounts;
    // Widened from 16 bits: a cycle listing more than 32767 messages must
    // neither wrap the count nor crash.
    int m_mailTotal = 0;
    bool m_afterDelete = false;
    int m_curAccount = 0;
    QString m_logText;
    QString m_savedCaption;
    bool m_exiting = false;
    bool m_skipExitQuestion = false;
    bool m_ended = false;

    CheckScheduler* m_scheduler;
    Notifier* m_notifier;
    SoundSequence* m_sounds;

    std::array<QToolButton*, 2> m_MailBt{};
    QToolButton* m_RetrBt = nullptr;
    QToolButton* m_DelBt = nullptr;
    QPushButton* m_LogBt = nullptr;
    QPushButton* m_OkBt = nullptr;
    MailListView* m_lvwMailBox = nullptr;
    std::unique_ptr<ViewForm> m_viewform;

    // Declared last so that the drivers, which call back into the window,
    // are destroyed first.
    std::unique_ptr<SessionDrivers> m_ownedDrivers;
};
