// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>

class QSettings;

namespace Settings {

/*
 * The one persistent store both programs share: a flat map from key name to
 * text in group "setting" of an INI file. tavoprefs writes the accounts and
 * the general options, tavowatchl reads them and writes only its layout.
 * Keys are case-sensitive; values are UTF-8 text.
 *
 * The file holds a password, so it is created with mode 0600 inside a 0700
 * folder before the first write; a file or folder that came from elsewhere
 * with access for group or others loses it before each write and again after
 * it (a save is refused when that cannot be done). Every write replaces the
 * file atomically (QSettings writes through QSaveFile, which copies the old
 * file's mode to the new one).
 *
 * A file that cannot be read or parsed never stops a reader: what cannot be
 * read reads as absent keys. It is never lost either: a file that cannot be
 * opened is never written over, and a file with lines QSettings cannot parse
 * (which its rewrite would drop) is first copied, byte for byte and with mode
 * 0600, to "<file>.broken" (or "<file>.broken.1", ... when that exists).
 */
class SettingsStore
{
public:
    // What the store found when it last read the file.
    enum class FileState {
        Missing,    // no file yet; the first save creates it
        Readable,   // parsed cleanly
        Malformed,  // partly unparsable; copied aside before the first save
        Unreadable, // cannot be opened (permissions, a folder in its place); never written
    };

    // The XDG location: $XDG_CONFIG_HOME/tavowatch/tavowatch.ini, by default
    // ~/.config/tavowatch/tavowatch.ini.
    static QString defaultPath();
    // The folder of defaultPath(), created with mode 0700 when missing and
    // with group's and others' access taken away when it exists: a place
    // only the user can write. Empty when it cannot be made so.
    static QString privateFolder();

    explicit SettingsStore(const QString& filePath = defaultPath());
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    QString filePath() const;
    FileState fileState() const;
    // The copy made of a malformed file before its first rewrite; empty when
    // none was made.
    QString backupPath() const;

    // The stored text of key, or defaultText when the key is absent. A value
    // written by hand as an unquoted comma-separated list reads as its items
    // joined by ", ".
    QString get(const QString& key, const QString& defaultText) const;
    // Creates or overwrites key. A failed write leaves the previous value;
    // the next sync() reports it.
    void save(const QString& key, const QString& text);
    // Removes key, so that it reads as absent; like save, written by the
    // next sync().
    void remove(const QString& key);
    // Writes pending saves to disk now (saves are also written on destruction).
    // False when a save since the last sync was refused or the file could not
    // be written: nothing may then be reported to the user as saved.
    bool sync();
    // True when a save would reach the file now: the file (or, while there is
    // none, the folder that will hold it) can be written, and so can the
    // folder in which its replacement is prepared. Writes nothing.
    bool isWritable() const;
    // Drops what is in memory and reads the file again, as the checker must
    // after tavoprefs has exited.
    void reload();

private:
    void open();
    bool prepareWrite();
    bool createPrivateFile() const;
    // Whether the file on disk ends whole and holds every key saved.
    bool fileHoldsEveryKey() const;

    QString m_filePath;
    FileState m_fileState = FileState::Missing;
    QString m_backupPath;
    bool m_refused = false; // a save was refused since the last sync
    bool m_pending = false; // saves not yet synced
    std::unique_ptr<QSettings> m_settings;
};

} // namespace Settings
