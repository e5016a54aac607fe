// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/*
 * The entry that starts the checker with the desktop session, by the XDG
 * autostart convention: "tavowatchl.desktop" in $XDG_CONFIG_HOME/autostart
 * (default ~/.config/autostart), a desktop entry whose Exec names the
 * checker by its absolute path. It is the one file outside the settings
 * store that tavoprefs writes, and only when the user presses OK.
 *
 * The folder is looked up on every call, so that a changed XDG_CONFIG_HOME
 * is followed. An entry naming another checker (another installation's) is
 * never taken for ours, and is left alone unless the user asks for ours.
 */
class Autostart
{
public:
    // checkerPath: the absolute path of the tavowatchl that the entry starts.
    explicit Autostart(QString checkerPath);

    QString filePath() const;
    // True when the entry exists, is not hidden (Hidden=true is how the
    // autostart convention turns an entry off) and its Exec starts our
    // checker.
    bool isEnabled() const;
    // Writes the entry (atomically: a session that starts meanwhile reads
    // the old one or the new one) or removes ours; false when the file
    // system refused.
    bool apply(bool enabled) const;

private:
    QString m_checkerPath;
};
