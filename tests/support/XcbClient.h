// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>

/*
 * A test's own client of an X server (usually an XvfbServer): it sees the
 * keyboard LEDs and windows as every other program on that display does,
 * independently of the connection of the code under test.
 */
namespace XcbClient {

struct ConnectionCloser
{
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, ConnectionCloser>;

// A new connection to display, or nullptr when it cannot be opened.
inline Connection connectTo(const QString& display)
{
    Connection connection(xcb_connect(display.toLatin1().constData(), nullptr));
    if (connection && xcb_connection_has_error(connection.get()))
        connection.reset();
    return connection;
}

// The keyboard's LED mask (bit n - 1 is LED n), or nothing when the server
// did not answer.
inline std::optional<quint32> ledMask(xcb_connection_t* connection)
{
    xcb_get_keyboard_control_reply_t* reply =
        xcb_get_keyboard_control_reply(connection, xcb_get_keyboard_control(connection), nullptr);
    if (!reply)
        return std::nullopt;
    const quint32 mask = reply->led_mask;
    std::free(reply);
    return mask;
}

} // namespace XcbClient
