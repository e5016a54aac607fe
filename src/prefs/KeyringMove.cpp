// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "prefs/KeyringMove.h"

#include "keyring/PasswordKeyring.h"
#include "prefs/Prefs.h"
#include "settings/AccountRecord.h"
#include "settings/PasswordForm.h"
#include "settings/SettingsStore.h"
#include "settings/TextForms.h"

#include <QTimer>

#include <memory>

namespace {

QString keyOf(const Settings::AccountRecord& record)
{
    return Settings::keyringKey(record.Uname, record.Hname, record.Portno);
}

} // namespace

KeyringMove::KeyringMove(Settings::SettingsStore& store, QObject* parent)
    : QObject(parent), m_store(store), m_keyring(new PasswordKeyring(this))
{}

void KeyringMove::forEachAccount(
    qint16 accountno, const std::function<void(qint16, std::function<void(const QString&)>)>& step,
    std::function<void(const QString&)> whenAll)
{
    struct Tally
    {
        int waiting = 0;
        QString failure;
    };
    auto tally = std::make_shared<Tally>();
    tally->waiting = std::max<int>(0, accountno);
    if (tally->waiting == 0) {
        QTimer::singleShot(0, this, [whenAll] { whenAll(QString()); });
        return;
    }
    for (qint16 n = 1; n <= accountno; ++n) {
        step(n, [tally, whenAll](const QString& failure) {
            if (tally->failure.isEmpty())
                tally->failure = failure;
            if (--tally->waiting == 0)
                whenAll(tally->failure);
        });
    }
}

void KeyringMove::prepare(bool intoKeyring, qint16 accountno,
                          std::function<void(const QString&)> done)
{
    m_movedOut.clear();
    if (intoKeyring) {
        forEachAccount(
            accountno,
            [this](qint16 n, std::function<void(const QString&)> answered) {
                Settings::AccountRecord record;
                Settings::LoadAccount(m_store, n, record);
                m_keyring->write(keyOf(record), record.Passw,
                                 [answered](const PasswordKeyring::Reply& reply) {
                                     answered(reply.ok ? QString() : reply.error);
                                 });
            },
            [this, accountno, done](const QString& failure) {
                if (failure.isEmpty()) {
                    for (qint16 n = 1; n <= accountno; ++n)
                        m_store.remove(Settings::accountKey(u"Passw", n));
                }
                done(failure.isEmpty() ? QString() : Prefs::keyringFailedText(failure));
            });
        return;
    }
    auto passwords = std::make_shared<QList<QString>>(std::max<int>(0, accountno));
    forEachAccount(
        accountno,
        [this, passwords](qint16 n, std::function<void(const QString&)> answered) {
            Settings::AccountRecord record;
            Settings::LoadAccount(m_store, n, record);
            const QString key = keyOf(record);
            m_keyring->read(
                key, [this, passwords, n, key, answered](const PasswordKeyring::Reply& reply) {
                    // An account without an entry has the empty password.
                    (*passwords)[n - 1] = reply.password;
                    if (reply.ok && !m_movedOut.contains(key))
                        m_movedOut.append(key);
                    answered(reply.ok || reply.notFound ? QString() : reply.error);
                });
        },
        [this, passwords, done](const QString& failure) {
            if (!failure.isEmpty()) {
                m_movedOut.clear();
                done(QStringLiteral("パスワードをキーリングから読めません。\n%1").arg(failure));
                return;
            }
            for (qsizetype i = 0; i < passwords->size(); ++i)
                Settings::SaveValue(m_store, Settings::accountKey(u"Passw", qint16(i + 1)), 0,
                                    Settings::EncodePassword(passwords->at(i)));
            done(QString());
        });
}

void KeyringMove::finish(std::function<void()> done)
{
    const QStringList keys = std::exchange(m_movedOut, {});
    if (keys.isEmpty()) {
        done();
        return;
    }
    auto waiting = std::make_shared<qsizetype>(keys.size());
    for (const QString& key : keys) {
        // A removal that fails leaves a spare copy in the keyring; the
        // password is safe in the file by now.
        m_keyring->remove(key, [waiting, done](const PasswordKeyring::Reply&) {
            if (--*waiting == 0)
                done();
        });
    }
}
