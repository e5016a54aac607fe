// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/AccountRecord.h"

#include "settings/PasswordForm.h"
#include "settings/SettingsStore.h"
#include "settings/TextForms.h"

namespace Settings {

QString accountKey(QStringView base, qint16 n)
{
    return base.toString() + QString::number(n);
}

PasswordPlace passwordPlace(const SettingsStore& store)
{
    const auto value = toInteger(store.get(QStringLiteral("Keyringvalue"), QStringLiteral("0")));
    return value.value_or(0) != 0 ? PasswordPlace::Keyring : PasswordPlace::File;
}

QString keyringKey(const QString& Uname, const QString& Hname, int Portno)
{
    return Uname + u'@' + Hname + u':' + QString::number(Portno);
}

void ResetAccountRecord(AccountRecord& record)
{
    record = AccountRecord{};
}

void LoadAccount(const SettingsStore& store, qint16 n, AccountRecord& record)
{
    ResetAccountRecord(record);
    const auto read = [&](QStringView base, const QString& defaultText) {
        return store.get(accountKey(base, n), defaultText);
    };

    record.Aname = read(u"Aname", QString());
    record.Hname = read(u"Hname", QString());
    if (const auto port = toPort(read(u"Portno", QStringLiteral("110"))))
        record.Portno = *port;
    record.Uname = read(u"Uname", QString());
    if (const auto check = toInteger(read(u"Check", QStringLiteral("1"))))
        record.Check = *check;
    if (const auto colour = toLong(read(u"Scolor1", QStringLiteral("0"))))
        record.Scolor1 = *colour;
    if (const auto colour = toLong(read(u"Scolor2", QStringLiteral("16777088"))))
        record.Scolor2 = *colour;
    if (const auto mode = toInteger(read(u"Wavmode", QStringLiteral("0"))))
        record.Wavmode = *mode;
    record.Wavdir2_ = read(u"Wavdir2_", QString());
    record.Tls = toTls(read(u"Tls", QString()));
    record.TlsPin = toTlsPin(read(u"TlsPin", QString()));

    const QString stored = read(u"Passw", QString());
    if (!stored.isEmpty())
        record.Passw = DecodePassword(stored);
}

bool SaveAccount(SettingsStore& store, qint16 n, const AccountRecord& record, PasswordPlace place)
{
    SaveValue(store, accountKey(u"Aname", n), 0, record.Aname);
    SaveValue(store, accountKey(u"Hname", n), 0, record.Hname);
    // Written as text: a port above 32767 does not fit SaveValue's number.
    store.save(accountKey(u"Portno", n), QString::number(record.Portno));
    SaveValue(store, accountKey(u"Uname", n), 0, record.Uname);
    if (place == PasswordPlace::File)
        SaveValue(store, accountKey(u"Passw", n), 0, EncodePassword(record.Passw));
    else
        store.remove(accountKey(u"Passw", n));
    SaveValue(store, accountKey(u"Check", n), record.Check, QString());
    store.save(accountKey(u"Scolor1", n), QString::number(record.Scolor1));
    store.save(accountKey(u"Scolor2", n), QString::number(record.Scolor2));
    SaveValue(store, accountKey(u"Wavmode", n), record.Wavmode, QString());
    SaveValue(store, accountKey(u"Wavdir2_", n), 0, record.Wavdir2_);
    SaveValue(store, accountKey(u"Tls", n), record.Tls, QString());
    // Past SaveValue: its "0" for an empty text would read back as a pin.
    store.save(accountKey(u"TlsPin", n), toTlsPin(record.TlsPin));
    return store.sync();
}

bool saveTlsPin(SettingsStore& store, qint16 n, const QString& sha256Hex)
{
    const QString pin = toTlsPin(sha256Hex);
    if (pin.isEmpty() && !sha256Hex.isEmpty())
        return false;
    store.save(accountKey(u"TlsPin", n), pin);
    return store.sync();
}

} // namespace Settings
