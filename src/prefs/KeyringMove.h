// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class PasswordKeyring;
namespace Settings {
class SettingsStore;
}

/*
 * Moves the stored passwords of accounts 1 to accountno between the
 * settings file and the desktop keyring, when the user switches
 * "パスワードをキーリングに保存" and confirms with OK. Two steps, so that no
 * password is ever in neither place:
 *
 * prepare: into the keyring, every password is written there first and,
 * only once every write succeeded, "Passw<n>" is removed; out of it, every
 * password is read and saved as "Passw<n>". Either way nothing is synced
 * here: the caller writes the file together with "Keyringvalue". A keyring
 * that refuses any of them leaves the store untouched.
 *
 * finish: after the file was written, the keyring entries of a move out are
 * removed. done runs once every removal has answered.
 */
class KeyringMove : public QObject
{
    Q_OBJECT

public:
    KeyringMove(Settings::SettingsStore& store, QObject* parent = nullptr);

    // done gets the user's words for a failure, or the empty text.
    void prepare(bool intoKeyring, qint16 accountno, std::function<void(const QString&)> done);
    void finish(std::function<void()> done);

    PasswordKeyring& keyring() { return *m_keyring; }

private:
    // Runs step(n, reply handler) for accounts 1..accountno, then whenAll
    // with the first failure's words (empty when none).
    void
    forEachAccount(qint16 accountno,
                   const std::function<void(qint16, std::function<void(const QString&)>)>& step,
                   std::function<void(const QString&)> whenAll);

    Settings::SettingsStore& m_store;
    PasswordKeyring* m_keyring;
    QStringList m_movedOut;
};
