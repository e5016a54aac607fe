// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class PasswordKeyring;
namespace Settings {
class SettingsStore;
}

/*
 * The checker's copy, for one run, of the account passwords that the
 * settings keep in the desktop keyring ("Keyringvalue"). refresh() reads
 * every account's password when the settings have been loaded and keeps them
 * in memory; it runs again each time they are loaded anew, so that a password
 * changed in tavoprefs is never sent stale. A session waits for the reads
 * with whenReady. A login whose read failed, or that the keyring does not
 * hold, has no password here: it is never replaced by an empty or older one.
 */
class KeyringPasswords : public QObject
{
    Q_OBJECT

public:
    explicit KeyringPasswords(Settings::SettingsStore& store, QObject* parent = nullptr);
    ~KeyringPasswords() override;

    // Drops every password and, with the keyring in use, reads them anew.
    void refresh();
    bool inUse() const { return m_inUse; }
    // Runs then from the event loop once no read is outstanding; at once
    // when none is. A later call replaces a then still waiting.
    void whenReady(std::function<void()> then);
    // Forgets a then still waiting: a new cycle has begun.
    void cancelWaiting();

    // The password of a login (Settings::keyringKey), if the keyring gave it.
    std::optional<QString> password(const QString& key) const;
    // The keyring's words for why key has no password.
    QString failure(const QString& key) const;

private:
    Settings::SettingsStore& m_store;
    PasswordKeyring* m_keyring;
    bool m_inUse = false;
    int m_outstanding = 0;
    // Counts refreshes, so that a reply to an older one is dropped.
    quint64 m_generation = 0;
    QHash<QString, QString> m_passwords;
    QHash<QString, QString> m_failures;
    std::function<void()> m_then;
};
