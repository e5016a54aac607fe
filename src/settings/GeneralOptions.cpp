// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/GeneralOptions.h"

#include "settings/SettingsStore.h"
#include "settings/TextForms.h"

namespace Settings {

namespace {

QString indexedKey(QStringView base, std::size_t digit)
{
    return base.toString() + QString::number(digit);
}

void readInteger(const SettingsStore& store, const QString& key, qint16& field)
{
    if (const auto value = toInteger(store.get(key, QString::number(field))))
        field = *value;
}

void saveNumber(SettingsStore& store, const QString& key, qint16 number)
{
    SaveValue(store, key, number, QString());
}

void saveWidths(SettingsStore& store, const std::array<qint16, 6>& grdWidth)
{
    for (std::size_t i = 0; i < grdWidth.size(); ++i)
        saveNumber(store, indexedKey(u"grdWidth", i), grdWidth[i]);
}

} // namespace

GeneralOptions loadGeneralOptions(const SettingsStore& store)
{
    GeneralOptions o;
    readInteger(store, QStringLiteral("accountno"), o.accountno);
    readInteger(store, QStringLiteral("Option1value"), o.Option1value);
    readInteger(store, QStringLiteral("Option2value"), o.Option2value);
    readInteger(store, QStringLiteral("Option3value"), o.Option3value);
    readInteger(store, QStringLiteral("Option4value"), o.Option4value);
    readInteger(store, QStringLiteral("Option5value"), o.Option5value);
    readInteger(store, QStringLiteral("Option6value"), o.Option6value);
    readInteger(store, QStringLiteral("Option7value"), o.Option7value);
    readInteger(store, QStringLiteral("Option8value"), o.Option8value);
    readInteger(store, QStringLiteral("Option9value"), o.Option9value);
    readInteger(store, QStringLiteral("Checktimerval"), o.Checktimerval);
    readInteger(store, QStringLiteral("Closetimerval"), o.Closetimerval);
    readInteger(store, QStringLiteral("Timeupval"), o.Timeupval);
    readInteger(store, QStringLiteral("Lighttimerval"), o.Lighttimerval);
    o.Mailerdir1 = store.get(QStringLiteral("Mailerdir1"), QString());
    o.Mailerdir2 = store.get(QStringLiteral("Mailerdir2"), QString());
    o.Wavdir = store.get(QStringLiteral("Wavdir"), QString());
    for (std::size_t i = 0; i < o.Hotkeynum.size(); ++i)
        readInteger(store, indexedKey(u"Hotkeynum", i), o.Hotkeynum[i]);
    for (std::size_t i = 0; i < o.grdWidth.size(); ++i)
        readInteger(store, indexedKey(u"grdWidth", i), o.grdWidth[i]);
    readInteger(store, QStringLiteral("frmWidth"), o.frmWidth);
    readInteger(store, QStringLiteral("frmHeight"), o.frmHeight);
    readInteger(store, QStringLiteral("Keyringvalue"), o.Keyringvalue);
    return o;
}

bool saveGeneralOptions(SettingsStore& store, const GeneralOptions& o)
{
    saveNumber(store, QStringLiteral("accountno"), o.accountno);
    saveNumber(store, QStringLiteral("Option1value"), o.Option1value);
    saveNumber(store, QStringLiteral("Option2value"), o.Option2value);
    saveNumber(store, QStringLiteral("Option3value"), o.Option3value);
    saveNumber(store, QStringLiteral("Option4value"), o.Option4value);
    saveNumber(store, QStringLiteral("Option5value"), o.Option5value);
    saveNumber(store, QStringLiteral("Option6value"), o.Option6value);
    saveNumber(store, QStringLiteral("Option7value"), o.Option7value);
    saveNumber(store, QStringLiteral("Option8value"), o.Option8value);
    saveNumber(store, QStringLiteral("Option9value"), o.Option9value);
    saveNumber(store, QStringLiteral("Checktimerval"), o.Checktimerval);
    saveNumber(store, QStringLiteral("Closetimerval"), o.Closetimerval);
    saveNumber(store, QStringLiteral("Timeupval"), o.Timeupval);
    saveNumber(store, QStringLiteral("Lighttimerval"), o.Lighttimerval);
    SaveValue(store, QStringLiteral("Mailerdir1"), 0, o.Mailerdir1);
    SaveValue(store, QStringLiteral("Mailerdir2"), 0, o.Mailerdir2);
    SaveValue(store, QStringLiteral("Wavdir"), 0, o.Wavdir);
    for (std::size_t i = 0; i < o.Hotkeynum.size(); ++i)
        saveNumber(store, indexedKey(u"Hotkeynum", i), o.Hotkeynum[i]);
    saveNumber(store, QStringLiteral("Keyringvalue"), o.Keyringvalue);
    return store.sync();
}

bool saveColumnWidths(SettingsStore& store, const std::array<qint16, 6>& grdWidth)
{
    saveWidths(store, grdWidth);
    return store.sync();
}

void saveWindowLayout(SettingsStore& store, const std::array<qint16, 6>& grdWidth, qint16 frmWidth,
                      qint16 frmHeight)
{
    saveWidths(store, grdWidth);
    saveNumber(store, QStringLiteral("frmWidth"), frmWidth);
    saveNumber(store, QStringLiteral("frmHeight"), frmHeight);
    store.sync();
}

} // namespace Settings
