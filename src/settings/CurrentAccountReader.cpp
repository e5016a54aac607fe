// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/CurrentAccountReader.h"

#include "settings/AccountRecord.h"
#include "settings/PasswordForm.h"
#include "settings/SettingsStore.h"
#include "settings/TextForms.h"

namespace Settings {

void loadadata(const SettingsStore& store, qint16 n, CurrentAccount& current, AccountEntry& entry)
{
    const auto read = [&](QStringView base, const QString& defaultText) {
        return store.get(accountKey(base, n), defaultText);
    };

    current.Aname = read(u"Aname", QString());
    current.Hname = read(u"Hname", QString());
    if (const auto port = toPort(read(u"Portno", QStringLiteral("110"))))
        current.Portno = *port;
    current.Uname = read(u"Uname", QString());

    const QString stored = read(u"Passw", QString());
    current.password = stored.isEmpty() ? QString() : DecodePassword(stored);

    if (const auto check = toInteger(read(u"Check", QStringLiteral("1"))))
        current.Check = *check;
    current.Tls = toTls(read(u"Tls", QString()));
    current.TlsPin = toTlsPin(read(u"TlsPin", QString()));

    if (const auto colour = toLong(read(u"Scolor1", QStringLiteral("0"))))
        entry.Scolor1 = *colour;
    if (const auto colour = toLong(read(u"Scolor2", QStringLiteral("16777088"))))
        entry.Scolor2 = *colour;
    if (const auto mode = toInteger(read(u"Wavmode", QStringLiteral("0"))))
        entry.Wavmode = *mode;
    entry.Wavdir2_ = read(u"Wavdir2_", QString());
}

} // namespace Settings
