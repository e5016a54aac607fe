// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Hotkey.h"

namespace Settings {

namespace {

QString virtualKeyName(int virtualKey)
{
    if ((virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9'))
        return QString(QChar(char16_t(virtualKey)));
    if (virtualKey >= 112 && virtualKey <= 135)
        return u'F' + QString::number(virtualKey - 111);
    return QStringLiteral("0x") + QString::number(virtualKey, 16).toUpper().rightJustified(2, u'0');
}

} // namespace

Hotkey decodeHotkey(qint16 code)
{
    if (code <= 0)
        return {};
    if (code < 200)
        return {Hotkey::Modifier::Ctrl, code};
    return {Hotkey::Modifier::Shift, code - 100};
}

QString hotkeyText(qint16 code)
{
    const Hotkey key = decodeHotkey(code);
    switch (key.modifier) {
    case Hotkey::Modifier::None:
        return QString();
    case Hotkey::Modifier::Ctrl:
        return QStringLiteral("Ctrl+") + virtualKeyName(key.virtualKey);
    case Hotkey::Modifier::Shift:
        return QStringLiteral("Shift+") + virtualKeyName(key.virtualKey);
    }
    return QString();
}

QString hotkeyCommandName(int digit)
{
    switch (digit) {
    case 0:
        return QStringLiteral("設定");
    case 1:
        return QStringLiteral("メールチェック");
    case 2:
        return QStringLiteral("ポップアップ");
    case 3:
        return QStringLiteral("メーラー1");
    case 4:
        return QStringLiteral("メーラー2");
    case 5:
        return QStringLiteral("終了");
    default:
        return QString();
    }
}

} // namespace Settings
