// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>

namespace Settings {

class SettingsStore;

/*
 * The general keys of the store in one typed structure, read by both
 * programs with the same defaults. Members are named exactly as their keys;
 * "Hotkeynum<d>" and "grdWidth<d>" are the arrays indexed by the digit d.
 * Flags hold 0 (off) or 1 (on); an option is on when its value is non-zero.
 */
struct GeneralOptions
{
    qint16 accountno = 0;     // accounts are numbered 1 to accountno
    qint16 Option1value = 0;  // pop the window up when mail arrives
    qint16 Option2value = 0;  // play a sound when mail arrives
    qint16 Option3value = 1;  // show no error messages
    qint16 Option4value = 1;  // blink the Scroll Lock light when mail arrives
    qint16 Option5value = 0;  // check mail when the checker starts
    qint16 Option6value = 0;  // notify only when something changed since the last check
    qint16 Option7value = 0;  // no confirmation on exit
    qint16 Option8value = 0;  // the log button is enabled
    qint16 Option9value = 0;  // mail list ordered by account, newest first
    qint16 Checktimerval = 0; // minutes between checks; 0 never
    qint16 Closetimerval = 0; // seconds until the pop-up closes itself; 0 never
    qint16 Timeupval = 1;     // silent minutes before a check gives up on an account
    qint16 Lighttimerval = 5; // seconds the light blinks; 0 until the next event
    QString Mailerdir1;       // command line of the first mail program
    QString Mailerdir2;       // command line of the second mail program
    QString Wavdir;           // the common sound file
    // Hotkey codes of the six commands (see Hotkey.h); by default Ctrl+F2..F7.
    std::array<qint16, 6> Hotkeynum{113, 114, 115, 116, 117, 118};
    // Widths of the checker's six mail list columns, in twips.
    std::array<qint16, 6> grdWidth{260, 260, 130, 2740, 4770, 300};
    qint16 frmWidth = 8730;  // checker window width, twips
    qint16 frmHeight = 4710; // checker window height, twips
    // 1: account passwords live in the desktop keyring, not under "Passw<n>"
    qint16 Keyringvalue = 0;

    friend bool operator==(const GeneralOptions&, const GeneralOptions&) = default;
};

// Reads every general key. A key that is absent, or whose value does not
// convert to its number type, keeps the default of GeneralOptions.
GeneralOptions loadGeneralOptions(const SettingsStore& store);

// Writes what tavoprefs confirms with OK, through SaveValue and in this order:
// "accountno", "Option1value".."Option9value", the four timers, "Mailerdir1",
// "Mailerdir2", "Wavdir", "Hotkeynum0".."Hotkeynum5", "Keyringvalue"; then
// writes the file.
// The layout keys are left alone. False when the file could not be written.
bool saveGeneralOptions(SettingsStore& store, const GeneralOptions& options);

// Writes "grdWidth0".."grdWidth5" (tavoprefs' reset of the column widths
// passes GeneralOptions{}.grdWidth), then writes the file. False when the
// file could not be written.
bool saveColumnWidths(SettingsStore& store, const std::array<qint16, 6>& grdWidth);

// The checker's layout: the column widths, "frmWidth" and "frmHeight".
// Sizes measured by the window system go through clampToInteger first.
void saveWindowLayout(SettingsStore& store, const std::array<qint16, 6>& grdWidth, qint16 frmWidth,
                      qint16 frmHeight);

} // namespace Settings
