// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/*
 * The Scroll Lock light of the keyboard. The real implementation is
 * X11KeyboardLight (X11 keyboard LED 3); without an X11 display the light
 * reads as off and writing it does nothing.
 */
class KeyboardLight
{
public:
    virtual ~KeyboardLight() = default;
    virtual bool isOn() = 0;
    virtual void setOn(bool on) = 0;
};
