// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "checker/HotkeyHooks.h"

#include <QObject>

#include <array>

class HotkeyBackend;
class MailForm;
class Prompter;
namespace Settings {
struct Hotkey;
}

/*
 * `basKey`'s hotkey half: the checker's six system-wide keys (settings,
 * mail check, pop-up, mail program 1, mail program 2, exit), taken from the
 * "Hotkeynum" codes that `loadoption` has just read, registered through a
 * HotkeyBackend, and their presses turned into the window's operations.
 *
 * `hotkeyAtom` holds the identifier each key is registered under, fresh for
 * every registration, so that a press reported for a key that has since
 * been registered anew matches nothing. A key that cannot be registered is
 * reported with its action and key text; failing the exit key asks whether
 * to set the keys again (Yes: the settings program) or end (No). Without
 * any system-wide hotkeys on this desktop the keys are reported once, in
 * one message, and never asked about: setting them again could not help.
 *
 * Lives as a child of the window it drives. Re-entrancy: prompts and the
 * settings program process events, so a press can run an action (even the
 * settings again, which registers every key anew) in the middle of a
 * registration pass; each step reads its code and identifier afresh.
 */
class BasKey : public QObject, public HotkeyHooks
{
    Q_OBJECT

public:
    static constexpr int keyCount = 6;

    BasKey(MailForm& form, Prompter& prompter, HotkeyBackend& backend);
    ~BasKey() override;

    void hookWindow() override;
    void unhookWindow() override;
    // Non-zero: register all six keys in action order; 0: unregister them.
    void setHotKeys(int mode) override;
    bool registerKey(int index, Settings::Hotkey key);
    void unregisterKey(int index);
    // The dispatch of one press: runs the action registered under atom; an
    // identifier no key holds does nothing.
    void hotkeyProc(int atom);
    // The operation of action index on form: what its key runs, and what
    // the tray menu's entry of the same name runs.
    static void runAction(MailForm& form, int index);

private:
    QString failureText(int index) const;
    void failExitKey();

    MailForm& m_form;
    Prompter& m_prompter;
    HotkeyBackend& m_backend;
    std::array<qint16, keyCount> m_hotkeyCode{};
    std::array<int, keyCount> m_hotkeyAtom{};
    int m_lastAtom = 0;
    bool m_hooked = false;
    bool m_unavailableTold = false;
};
