// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeys/X11KeyboardLight.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>

namespace {

// The core protocol numbers keyboard LEDs from 1; the third is Scroll Lock.
constexpr std::uint32_t scrollLockLed = 3;
constexpr std::uint32_t scrollLockMask = 1u << (scrollLockLed - 1);

xcb_connection_t* applicationConnection()
{
    if (!qGuiApp)
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    // The offscreen platform answers with an interface whose connection is null.
    return x11 ? x11->connection() : nullptr;
}

} // namespace

X11KeyboardLight::X11KeyboardLight() : m_connection(applicationConnection()) {}

X11KeyboardLight::X11KeyboardLight(xcb_connection_t* connection) : m_connection(connection) {}

bool X11KeyboardLight::usable() const
{
    return m_connection && !xcb_connection_has_error(m_connection);
}

bool X11KeyboardLight::isOn()
{
    if (!usable())
        return false;
    xcb_generic_error_t* error = nullptr;
    xcb_get_keyboard_control_reply_t* reply = xcb_get_keyboard_control_reply(
        m_connection, xcb_get_keyboard_control(m_connection), &error);
    std::free(error);
    if (!reply)
        return false;
    const bool on = (reply->led_mask & scrollLockMask) != 0;
    std::free(reply);
    return on;
}

void X11KeyboardLight::setOn(bool on)
{
    if (!usable())
        return;
    // Values follow the order of the mask bits: LED (16) before LED mode (32).
    const std::uint32_t values[] = {scrollLockLed, on ? std::uint32_t(XCB_LED_MODE_ON)
                                                      : std::uint32_t(XCB_LED_MODE_OFF)};
    // Checked, so that a refusal is dropped here instead of reaching Qt's
    // event queue as an error event of its connection.
    std::free(xcb_request_check(
        m_connection,
        xcb_change_keyboard_control_checked(m_connection, XCB_KB_LED | XCB_KB_LED_MODE, values)));
}
