// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hotkeys/HotkeyBackend.h"

#include <QList>
#include <QMap>

/*
 * System-wide hotkeys in memory, with the rules of a real desktop: a
 * combination held by another program (heldElsewhere) or by another
 * identifier cannot be registered. press() plays the user pressing a key.
 */
class FakeHotkeyBackend : public HotkeyBackend
{
public:
    bool isAvailable = true;
    QList<Settings::Hotkey> heldElsewhere;
    // Every registration asked for, in order, successful or not.
    QList<Settings::Hotkey> attempts;
    // The keys held now, by identifier.
    QMap<int, Settings::Hotkey> registered;
    std::function<void(int id)> pressed;

    bool available() const override { return isAvailable; }
    void hook(std::function<void(int id)> function) override { pressed = std::move(function); }
    void unhook() override { pressed = nullptr; }

    bool registerHotKey(int id, Settings::Hotkey key) override
    {
        attempts.append(key);
        if (!isAvailable || heldElsewhere.contains(key) || registered.values().contains(key) ||
            registered.contains(id))
            return false;
        registered.insert(id, key);
        return true;
    }

    void unregisterHotKey(int id) override { registered.remove(id); }

    // False when no identifier holds key or nothing is hooked.
    bool press(Settings::Hotkey key)
    {
        const int id = registered.key(key, 0);
        if (id == 0 || !pressed)
            return false;
        pressed(id);
        return true;
    }
};
