// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/Hotkey.h"

#include <functional>

/*
 * System-wide hotkeys as the desktop offers them. Each key is registered
 * under an identifier the caller chooses; a press of it is reported with
 * that identifier through the function given to hook(), on the
 * user-interface thread and from the event loop, never from inside the
 * delivery of the platform's event. The real implementation is
 * X11HotkeyBackend.
 */
class HotkeyBackend
{
public:
    virtual ~HotkeyBackend() = default;

    // False when this desktop has no system-wide hotkeys at all (no X11
    // connection): every registration then fails, whatever the key.
    virtual bool available() const = 0;
    // Starts and stops reporting presses; nothing is reported while unhooked.
    virtual void hook(std::function<void(int id)> pressed) = 0;
    virtual void unhook() = 0;
    // Claims key for id. False when it cannot be had: another program or
    // another identifier holds it, or the keyboard has no such key.
    virtual bool registerHotKey(int id, Settings::Hotkey key) = 0;
    // Releases id's key; an identifier that holds nothing is ignored.
    virtual void unregisterHotKey(int id) = 0;
};
