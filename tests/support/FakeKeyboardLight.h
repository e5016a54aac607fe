// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hotkeys/KeyboardLight.h"

#include <QList>

/*
 * A keyboard light in memory. writes logs every setOn() argument; changes
 * logs only the writes that changed the state, which is what a user sees.
 */
class FakeKeyboardLight : public KeyboardLight
{
public:
    bool on = false;
    QList<bool> writes;
    QList<bool> changes;

    bool isOn() override { return on; }

    void setOn(bool value) override
    {
        writes.append(value);
        if (value != on)
            changes.append(value);
        on = value;
    }
};
