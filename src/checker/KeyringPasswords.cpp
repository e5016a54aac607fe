// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/KeyringPasswords.h"

#include "keyring/PasswordKeyring.h"
#include "settings/AccountRecord.h"
#include "settings/GeneralOptions.h"
#include "settings/SettingsStore.h"

#include <utility>

KeyringPasswords::KeyringPasswords(Settings::SettingsStore& store, QObject* parent)
    : QObject(parent), m_store(store), m_keyring(new PasswordKeyring(this))
{}

KeyringPasswords::~KeyringPasswords() = default;

void KeyringPasswords::refresh()
{
    ++m_generation;
    m_outstanding = 0;
    m_passwords.clear();
    m_failures.clear();
    m_inUse = Settings::passwordPlace(m_store) == Settings::PasswordPlace::Keyring;
    if (m_inUse) {
        const qint16 accountno = Settings::loadGeneralOptions(m_store).accountno;
        Settings::AccountRecord record;
        for (qint16 n = 1; n <= accountno; ++n) {
            Settings::LoadAccount(m_store, n, record);
            const QString key = Settings::keyringKey(record.Uname, record.Hname, record.Portno);
            if (m_passwords.contains(key) || m_failures.contains(key))
                continue;
            // Until the reply comes, the login has no password.
            m_failures.insert(key, QString());
            ++m_outstanding;
            m_keyring->read(
                key, [this, key, generation = m_generation](const PasswordKeyring::Reply& reply) {
                    if (generation != m_generation)
                        return;
                    if (reply.ok) {
                        m_failures.remove(key);
                        m_passwords.insert(key, reply.password);
                    } else {
                        m_failures.insert(key, reply.notFound
                                                   ? QStringLiteral("キーリングにありません。")
                                                   : reply.error);
                    }
                    if (--m_outstanding == 0 && m_then)
                        std::exchange(m_then, {})();
                });
        }
    }
    if (m_outstanding == 0 && m_then)
        std::exchange(m_then, {})();
}

void KeyringPasswords::whenReady(std::function<void()> then)
{
    if (m_outstanding == 0) {
        m_then = {};
        then();
        return;
    }
    m_then = std::move(then);
}

void KeyringPasswords::cancelWaiting()
{
    m_then = {};
}

std::optional<QString> KeyringPasswords::password(const QString& key) const
{
    const auto found = m_passwords.constFind(key);
    if (found == m_passwords.constEnd())
        return std::nullopt;
    return *found;
}

QString KeyringPasswords::failure(const QString& key) const
{
    return m_failures.value(key);
}
