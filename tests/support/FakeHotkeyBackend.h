// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hotkeys/HotkeyBackend.h"

#include <QList>
#include <QMap>

/*
 * System-wide hotkeys in memory, with a desktop's rules: a combination held
 * by another program (heldElsewhere) or by another identifier cannot be
 * registered.
 */
class FakeHotkeyBackend : public HotkeyBackend
{
public:
    QList<Settings::Hotkey> heldElsewhere;
    // The keys held now, by identifier (identifiers grow with each registration).
    QMap<int, Settings::Hotkey> registered;
    std::function<void(int id)> pressed;

    bool available() const override { return true; }
    void hook(std::function<void(int id)> function) override { pressed = std::move(function); }
    void unhook() override { pressed = nullptr; }
    void unregisterHotKey(int id) override { registered.remove(id); }

    bool registerHotKey(int id, Settings::Hotkey key) override
    {
        if (heldElsewhere.contains(key) || registered.values().contains(key))
            return false;
        registered.insert(id, key);
        return true;
    }
};
