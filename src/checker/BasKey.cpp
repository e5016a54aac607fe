// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/BasKey.h"

#include "checker/MailForm.h"
#include "checker/Prompter.h"
#include "hotkeys/HotkeyBackend.h"
#include "settings/Hotkey.h"

#include <QStringList>

#include <limits>

namespace {

constexpr int exitKey = 5;

} // namespace

BasKey::BasKey(MailForm& form, Prompter& prompter, HotkeyBackend& backend)
    : QObject(&form), m_form(form), m_prompter(prompter), m_backend(backend)
{}

BasKey::~BasKey()
{
    // The end of the program without the exit sequence: no combination may
    // stay held for other programs.
    for (int i = 0; i < keyCount; ++i)
        unregisterKey(i);
    unhookWindow();
}

void BasKey::hookWindow()
{
    m_backend.hook([this](int atom) { hotkeyProc(atom); });
    m_hooked = true;
}

void BasKey::unhookWindow()
{
    if (!m_hooked)
        return;
    m_backend.unhook();
    m_hooked = false;
}

void BasKey::setHotKeys(int mode)
{
    if (mode == 0) {
        for (int i = 0; i < keyCount; ++i)
            unregisterKey(i);
        return;
    }
    m_hotkeyCode = m_form.options().Hotkeynum;
    if (!m_backend.available()) {
        if (m_unavailableTold)
            return;
        m_unavailableTold = true;
        QStringList failures;
        for (int i = 0; i < keyCount; ++i) {
            if (!Settings::hotkeyText(m_hotkeyCode[i]).isEmpty())
                failures << failureText(i);
        }
        if (!failures.isEmpty())
            m_prompter.ask(failures.join(QStringLiteral("\r\n")), QString(), Prompter::Icon::NoIcon,
                           Prompter::Buttons::Ok);
        return;
    }
    for (int i = 0; i < keyCount; ++i) {
        const qint16 code = m_hotkeyCode[i];
        if (Settings::hotkeyText(code).isEmpty())
            continue; // no key for this action
        if (registerKey(i, Settings::decodeHotkey(code)))
            continue;
        // No title of its own: the box shows the program's name.
        m_prompter.ask(failureText(i), QString(), Prompter::Icon::NoIcon, Prompter::Buttons::Ok);
        if (i == exitKey) {
            failExitKey();
            return;
        }
    }
}

void BasKey::failExitKey()
{
    // Without the exit key the checker could not be ended: set the keys
    // again, or end now.
    const Prompter::Answer answer =
        m_prompter.ask(QStringLiteral("起動キーを設定し直してください\r\n「いいえ」で終了します。"),
                       QString(), Prompter::Icon::Information, Prompter::Buttons::YesNo);
    if (answer == Prompter::Answer::Yes) {
        m_form.OpenOption();
        return;
    }
    m_form.Endfun();
    // The user has already chosen to end: the exit question's No does not
    // keep the checker running.
    if (!m_form.hasEnded())
        m_form.endWithoutAsking();
}

QString BasKey::failureText(int index) const
{
    return Settings::hotkeyCommandName(index) + QStringLiteral("の起動キー") +
           Settings::hotkeyText(m_hotkeyCode[index]) + QStringLiteral("の設定に失敗しました");
}

bool BasKey::registerKey(int index, Settings::Hotkey key)
{
    if (m_hotkeyAtom[index] != 0)
        unregisterKey(index);
    m_lastAtom = m_lastAtom == std::numeric_limits<int>::max() ? 1 : m_lastAtom + 1;
    // Kept on failure too, and released at the next unregistration.
    m_hotkeyAtom[index] = m_lastAtom;
    return m_backend.registerHotKey(m_hotkeyAtom[index], key);
}

void BasKey::unregisterKey(int index)
{
    if (m_hotkeyAtom[index] == 0)
        return;
    m_backend.unregisterHotKey(m_hotkeyAtom[index]);
    m_hotkeyAtom[index] = 0;
}

void BasKey::hotkeyProc(int atom)
{
    if (atom == 0)
        return;
    for (int i = 0; i < keyCount; ++i) {
        if (m_hotkeyAtom[i] == atom) {
            runAction(m_form, i);
            return;
        }
    }
}

void BasKey::runAction(MailForm& form, int index)
{
    switch (index) {
    case 0:
        form.mnu_opt();
        break;
    case 1:
        form.checkmail();
        break;
    case 2:
        form.mnu_pop();
        break;
    case 3:
        form.ExecMailapp(1);
        break;
    case 4:
        form.ExecMailapp(2);
        break;
    case exitKey:
        form.mnu_end();
        break;
    }
}
