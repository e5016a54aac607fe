// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace Settings {
struct CurrentAccount;
struct GeneralOptions;
} // namespace Settings

/*
 * What every POP3 session needs from the checker's main window: the general
 * options, the accounts, the error message box and the cycle's transcript.
 * `mailform` implements it together with the interfaces of the session kinds
 * (CheckHost, RetrieveHost, DeleteHost), which share it as a virtual base;
 * the sessions never see a widget. Accounts are numbered from 1.
 */
class SessionHost
{
public:
    virtual ~SessionHost() = default;

    // The general settings as last loaded: Option8value (keep a transcript)
    // and Timeupval (silent minutes before a session is given up) are read
    // here, at the moment they matter.
    virtual const Settings::GeneralOptions& options() const = 0;

    // `loadadata`: reads account n from the settings into the current
    // account and into entry n of the per-account tables (colours, sound),
    // and returns the current account. The reference stays valid until the
    // next call.
    virtual const Settings::CurrentAccount& loadadata(int account) = 0;

    // `ShowMsg`: the error message box, which the host suppresses when
    // Option3value is set. It may run a nested event loop (a modal box): the
    // sessions call it only from the event loop, after their state is
    // settled, never from inside a socket handler.
    virtual void ShowMsg(const QString& text) = 0;

    // Asks whether to trust a server certificate that could not be
    // verified, with question as the box's text (Yes and No). A decision,
    // not an error message: asked whatever Option3value says. Called only
    // from the event loop, like ShowMsg. True for Yes.
    virtual bool askTrust(const QString& question) = 0;
    // Stores the certificate the user trusts for account: the SHA-256 of
    // its DER form as 64 lower-case hexadecimal digits ("TlsPin<n>").
    virtual void storeTlsPin(int account, const QString& sha256Hex) = 0;

    // `logText`: the transcript of the current cycle, shown by the log
    // button and emptied by `resetCycle`. Appended to only while
    // Option8value is non-zero.
    virtual QString& logText() = 0;

    // The window's caption.
    virtual void setCaption(const QString& caption) = 0;

    // The mouse pointer back to the default, as after the hourglass of a
    // retrieval or a deletion.
    virtual void setDefaultPointer() = 0;

    // `curAccount`: the account a cycle driver is serving, 1-based, 0 before
    // the first; `resetCycle` sets 0.
    virtual int curAccount() const = 0;
    virtual void setCurAccount(int account) = 0;

    // `mailTotal`: messages counted in this cycle over all accounts;
    // `resetCycle` sets 0.
    virtual int mailTotal() const = 0;
    virtual void setMailTotal(int total) = 0;
};
