// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace Settings {

/*
 * The stored hotkey code ("Hotkeynum<d>") decoded into a modifier and a
 * Windows virtual-key code (65..90 the letters A..Z, 112..127 F1..F16), by
 * ranges: 0 and negative codes are no hotkey; 1 to 199 is Ctrl with the code
 * as virtual key; 200 and above is Shift with the code minus 100. The option
 * dialog offers only 0, 65..90, 112..127 and 212..227, but any stored value
 * decodes.
 */
struct Hotkey
{
    enum class Modifier { None, Ctrl, Shift };
    Modifier modifier = Modifier::None;
    int virtualKey = 0; // 0 with Modifier::None

    friend bool operator==(const Hotkey&, const Hotkey&) = default;
};

Hotkey decodeHotkey(qint16 code);

// "Ctrl+A", "Ctrl+F2", "Shift+F1"; empty for no hotkey. Virtual keys without
// a key name here (anything but the letters, the digits 48..57 and F1..F24 at
// 112..135) are written as hexadecimal: "Ctrl+0x2D".
QString hotkeyText(qint16 code);

// The command of "Hotkeynum<digit>": 0 "設定", 1 "メールチェック",
// 2 "ポップアップ", 3 "メーラー1", 4 "メーラー2", 5 "終了"; empty otherwise.
QString hotkeyCommandName(int digit);

} // namespace Settings
