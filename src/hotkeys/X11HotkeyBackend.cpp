// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeys/X11HotkeyBackend.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Settings::Hotkey;

constexpr xcb_keysym_t numLockKeysym = 0xff7f;
// F1 to F35 are consecutive keysyms.
constexpr xcb_keysym_t f1Keysym = 0xffbe;
// XKB event types that announce a new keymap.
constexpr std::uint8_t xkbNewKeyboardNotify = 0;
constexpr std::uint8_t xkbMapNotify = 1;

xcb_connection_t* applicationConnection()
{
    if (!qGuiApp)
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    // The offscreen platform answers with an interface whose connection is null.
    return x11 ? x11->connection() : nullptr;
}

// Letters as their lower-case keysym, found on a key in either case.
xcb_keysym_t keysymOf(int virtualKey)
{
    if (virtualKey >= 'A' && virtualKey <= 'Z')
        return xcb_keysym_t(virtualKey - 'A' + 'a');
    if (virtualKey >= '0' && virtualKey <= '9')
        return xcb_keysym_t(virtualKey);
    if (virtualKey >= 112 && virtualKey <= 135)
        return f1Keysym + xcb_keysym_t(virtualKey - 112);
    return 0;
}

std::uint16_t modifierMask(Hotkey::Modifier modifier)
{
    switch (modifier) {
    case Hotkey::Modifier::None:
        return 0;
    case Hotkey::Modifier::Ctrl:
        return XCB_MOD_MASK_CONTROL;
    case Hotkey::Modifier::Shift:
        return XCB_MOD_MASK_SHIFT;
    }
    return 0;
}

// The keyboard as the server maps it now: keysyms per keycode and the
// modifier that NumLock sets. Read afresh for every use, so that a stale
// copy can never grab the wrong key.
class KeyboardMapping
{
public:
    explicit KeyboardMapping(xcb_connection_t* connection)
    {
        const xcb_setup_t* setup = xcb_get_setup(connection);
        m_minKeycode = setup->min_keycode;
        const int count = setup->max_keycode - setup->min_keycode + 1;
        const auto mappingCookie = xcb_get_keyboard_mapping(connection, m_minKeycode, count);
        const auto modifierCookie = xcb_get_modifier_mapping(connection);
        if (auto* reply = xcb_get_keyboard_mapping_reply(connection, mappingCookie, nullptr)) {
            m_perKeycode = reply->keysyms_per_keycode;
            const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply);
            m_keysyms.assign(keysyms, keysyms + xcb_get_keyboard_mapping_keysyms_length(reply));
            std::free(reply);
        }
        if (auto* reply = xcb_get_modifier_mapping_reply(connection, modifierCookie, nullptr)) {
            const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(reply);
            for (int modifier = 0; modifier < 8 && !m_numLockMask; ++modifier) {
                for (int i = 0; i < reply->keycodes_per_modifier; ++i) {
                    const xcb_keycode_t keycode =
                        keycodes[modifier * reply->keycodes_per_modifier + i];
                    if (keycode && carries(keycode, numLockKeysym)) {
                        m_numLockMask = std::uint16_t(1u << modifier);
                        break;
                    }
                }
            }
            std::free(reply);
        }
    }

    // The first keycode that carries keysym on any level; 0 when none does.
    xcb_keycode_t keycodeOf(xcb_keysym_t keysym) const
    {
        if (!keysym || !m_perKeycode)
            return 0;
        for (std::size_t i = 0; i < m_keysyms.size() / m_perKeycode; ++i) {
            const auto keycode = xcb_keycode_t(m_minKeycode + i);
            if (carries(keycode, keysym))
                return keycode;
        }
        return 0;
    }

    std::uint16_t numLockMask() const { return m_numLockMask; }

private:
    bool carries(xcb_keycode_t keycode, xcb_keysym_t keysym) const
    {
        if (keycode < m_minKeycode)
            return false;
        const std::size_t first = std::size_t(keycode - m_minKeycode) * m_perKeycode;
        // A letter key lists its lower-case keysym, its upper-case one, or both.
        const xcb_keysym_t upper = keysym >= 'a' && keysym <= 'z' ? keysym - 32 : keysym;
        for (std::size_t i = first; i < first + m_perKeycode && i < m_keysyms.size(); ++i) {
            if (m_keysyms[i] == keysym || m_keysyms[i] == upper)
                return true;
        }
        return false;
    }

    xcb_keycode_t m_minKeycode = 0;
    std::size_t m_perKeycode = 0;
    std::vector<xcb_keysym_t> m_keysyms;
    std::uint16_t m_numLockMask = 0;
};

// The lock states a grab must cover: none, CapsLock, NumLock, both.
std::vector<std::uint16_t> lockVariants(std::uint16_t numLockMask)
{
    std::vector<std::uint16_t> variants{0, XCB_MOD_MASK_LOCK};
    if (numLockMask) {
        variants.push_back(numLockMask);
        variants.push_back(std::uint16_t(numLockMask | XCB_MOD_MASK_LOCK));
    }
    return variants;
}

// Waits for the answers to checked requests; true when none failed.
bool allSucceeded(xcb_connection_t* connection, const std::vector<xcb_void_cookie_t>& cookies)
{
    bool ok = true;
    for (const xcb_void_cookie_t cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            ok = false;
            std::free(error);
        }
    }
    return ok;
}

} // namespace

X11HotkeyBackend::X11HotkeyBackend() : m_connection(applicationConnection())
{
    if (!available())
        return;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(m_connection)); it.rem;
         xcb_screen_next(&it))
        m_roots.append(it.data->root);
    const char name[] = "XKEYBOARD";
    if (auto* reply = xcb_query_extension_reply(
            m_connection, xcb_query_extension(m_connection, std::strlen(name), name), nullptr)) {
        if (reply->present)
            m_xkbFirstEvent = reply->first_event;
        std::free(reply);
    }
}

X11HotkeyBackend::~X11HotkeyBackend()
{
    unhook();
    for (auto& [id, held] : m_grabs)
        ungrabKey(held);
}

bool X11HotkeyBackend::available() const
{
    return m_connection && !xcb_connection_has_error(m_connection);
}

void X11HotkeyBackend::hook(std::function<void(int id)> pressed)
{
    m_pressed = std::move(pressed);
    if (!available() || m_hooked)
        return;
    QCoreApplication::instance()->installNativeEventFilter(this);
    m_hooked = true;
}

void X11HotkeyBackend::unhook()
{
    m_pressed = nullptr;
    if (!m_hooked)
        return;
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
    m_hooked = false;
}

bool X11HotkeyBackend::registerHotKey(int id, Settings::Hotkey key)
{
    if (!available() || m_grabs.count(id))
        return false;
    Grab candidate{key};
    if (!grabKey(candidate))
        return false;
    m_grabs.emplace(id, candidate);
    return true;
}

void X11HotkeyBackend::unregisterHotKey(int id)
{
    const auto it = m_grabs.find(id);
    if (it == m_grabs.end())
        return;
    ungrabKey(it->second);
    m_grabs.erase(it);
}

bool X11HotkeyBackend::grabKey(Grab& grab)
{
    const KeyboardMapping mapping(m_connection);
    const xcb_keycode_t keycode = mapping.keycodeOf(keysymOf(grab.key.virtualKey));
    const std::uint16_t modifiers = modifierMask(grab.key.modifier);
    if (!keycode || !modifiers)
        return false;
    // The server lets a client grab its own combination twice, the second
    // silently replacing the first: refuse it here, as another client's
    // grab is refused.
    for (const auto& [id, other] : m_grabs) {
        if (&other != &grab && other.keycode == keycode && other.modifiers == modifiers)
            return false;
    }
    grab.keycode = keycode;
    grab.modifiers = modifiers;
    grab.numLockMask = mapping.numLockMask();
    std::vector<xcb_void_cookie_t> cookies;
    for (const std::uint32_t root : m_roots) {
        for (const std::uint16_t locks : lockVariants(grab.numLockMask)) {
            // Not owner_events: a press while one of the checker's own windows
            // has the focus must reach the root window's grab too.
            cookies.push_back(xcb_grab_key_checked(m_connection, 0, root, modifiers | locks,
                                                   keycode, XCB_GRAB_MODE_ASYNC,
                                                   XCB_GRAB_MODE_ASYNC));
        }
    }
    if (allSucceeded(m_connection, cookies))
        return true;
    // Ungrabbing touches only this client's grabs, never the other holder's.
    ungrabKey(grab);
    return false;
}

void X11HotkeyBackend::ungrabKey(Grab& grab)
{
    if (!grab.keycode || !available())
        return;
    std::vector<xcb_void_cookie_t> cookies;
    for (const std::uint32_t root : m_roots) {
        for (const std::uint16_t locks : lockVariants(grab.numLockMask))
            cookies.push_back(
                xcb_ungrab_key_checked(m_connection, grab.keycode, root, grab.modifiers | locks));
    }
    allSucceeded(m_connection, cookies);
    grab.keycode = 0;
}

bool X11HotkeyBackend::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_KEY_PRESS) {
        const auto* press = static_cast<const xcb_key_press_event_t*>(message);
        if (!m_roots.contains(press->event))
            return false;
        // Keyboard modifiers only (not the mouse buttons), locks aside.
        const std::uint16_t modifiers = press->state & 0xff & ~XCB_MOD_MASK_LOCK;
        for (const auto& [id, held] : m_grabs) {
            if (!held.keycode || held.keycode != press->detail ||
                (modifiers & ~held.numLockMask) != held.modifiers)
                continue;
            // Queued: the action may open a message box or wait for the
            // settings program, which must not run inside Qt's event delivery.
            QMetaObject::invokeMethod(
                this,
                [this, id = id] {
                    if (m_pressed)
                        m_pressed(id);
                },
                Qt::QueuedConnection);
            return true;
        }
        return false;
    }
    if (type == XCB_MAPPING_NOTIFY) {
        const auto* mapping = static_cast<const xcb_mapping_notify_event_t*>(message);
        if (mapping->request != XCB_MAPPING_POINTER)
            queueRegrab();
    } else if (m_xkbFirstEvent && type == m_xkbFirstEvent) {
        // The second byte of every XKB event is its XKB event type.
        const std::uint8_t xkbType = static_cast<const std::uint8_t*>(message)[1];
        if (xkbType == xkbNewKeyboardNotify || xkbType == xkbMapNotify)
            queueRegrab();
    }
    return false;
}

void X11HotkeyBackend::queueRegrab()
{
    // A new keymap comes as a burst of events: grab once after the burst.
    if (m_regrabQueued || m_grabs.empty())
        return;
    m_regrabQueued = true;
    QMetaObject::invokeMethod(this, &X11HotkeyBackend::regrabAll, Qt::QueuedConnection);
}

void X11HotkeyBackend::regrabAll()
{
    m_regrabQueued = false;
    for (auto& [id, held] : m_grabs)
        ungrabKey(held);
    // A key that is gone from the new keymap stays registered but dead
    // until the mapping brings it back.
    for (auto& [id, held] : m_grabs)
        grabKey(held);
}
