// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hotkeys/HotkeyBackend.h"

#include <QAbstractNativeEventFilter>
#include <QList>
#include <QObject>

#include <cstdint>
#include <map>

struct xcb_connection_t;

/*
 * Hotkeys as passive key grabs on the root windows of the X display,
 * through the QGuiApplication's own xcb connection, so that the presses
 * arrive in Qt's event stream and a native event filter can pick them out.
 *
 * A hotkey is a Windows virtual-key code (65..90 letters, 48..57 digits,
 * 112..135 F1..F24) with Ctrl or Shift. It is grabbed four times, plain and
 * with CapsLock, NumLock and both, since X compares the lock modifiers like
 * any other; the NumLock modifier is looked up in the modifier map. Grabs
 * are checked requests: a combination another client holds fails at once
 * (BadAccess), and so does a key this keyboard does not have. When the
 * keyboard mapping changes, every key is grabbed again at its new keycode.
 *
 * Without an X11 connection (Wayland, the offscreen platform) the backend
 * is unavailable and every registration fails. Destruction releases every
 * grab; the backend must go before the QGuiApplication, whose connection
 * it uses.
 */
class X11HotkeyBackend : public QObject, public HotkeyBackend, private QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    // Uses the connection of the running QGuiApplication, if it has one.
    X11HotkeyBackend();
    ~X11HotkeyBackend() override;

    bool available() const override;
    void hook(std::function<void(int id)> pressed) override;
    void unhook() override;
    bool registerHotKey(int id, Settings::Hotkey key) override;
    void unregisterHotKey(int id) override;

private:
    struct Grab
    {
        Settings::Hotkey key;
        std::uint8_t keycode = 0; // 0 while not grabbed
        std::uint16_t modifiers = 0;
        // The NumLock mask the grab was made with, to release the same four.
        std::uint16_t numLockMask = 0;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    bool grabKey(Grab& grab);
    void ungrabKey(Grab& grab);
    void queueRegrab();
    void regrabAll();

    xcb_connection_t* m_connection = nullptr;
    QList<std::uint32_t> m_roots;
    // First event code of the XKEYBOARD extension (0 without it): Qt's
    // connection selects XKB's map events, which then replace the core
    // MappingNotify.
    std::uint8_t m_xkbFirstEvent = 0;
    std::map<int, Grab> m_grabs;
    std::function<void(int id)> m_pressed;
    bool m_hooked = false;
    bool m_regrabQueued = false;
};
