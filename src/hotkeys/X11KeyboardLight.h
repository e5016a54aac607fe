// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hotkeys/KeyboardLight.h"

struct xcb_connection_t;

/*
 * The Scroll Lock light as X11 keyboard LED 3, written with the core
 * ChangeKeyboardControl request (led 3, led mode) and read back from the
 * led mask of GetKeyboardControl. A synthetic Scroll_Lock key press would
 * not change anything readable, so the LED is set directly.
 *
 * Without an X11 connection (another platform, the offscreen platform, or a
 * connection that has failed) the light reads as off and writing it does
 * nothing. Each call is one round trip to the X server.
 */
class X11KeyboardLight : public KeyboardLight
{
public:
    // Uses the connection of the running QGuiApplication, if it has one.
    X11KeyboardLight();
    // Uses connection, which the caller owns and keeps open; nullptr is
    // allowed and gives the inert light.
    explicit X11KeyboardLight(xcb_connection_t* connection);

    bool isOn() override;
    void setOn(bool on) override;

private:
    bool usable() const;

    xcb_connection_t* m_connection = nullptr;
};
