// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/*
 * The system-wide hotkeys as `mailform` drives them: the dispatcher is
 * hooked into the window once at start-up (before the settings are read)
 * and unhooked once at exit; all six keys are registered after every
 * reading of the settings (mode 1) and unregistered before every
 * re-registration and at exit (mode 0).
 */
class HotkeyHooks
{
public:
    virtual ~HotkeyHooks() = default;
    virtual void hookWindow() = 0;
    virtual void unhookWindow() = 0;
    virtual void setHotKeys(int mode) = 0;
};
