// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsStore.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringDecoder>

#include <algorithm>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace Settings {

namespace {

constexpr QFile::Permissions privateFile = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions privateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

// True when every line would survive a QSettings rewrite unchanged in
// meaning: valid UTF-8 without NUL bytes, and each line blank, a ";" comment,
// a "[section]" header or a "key=value" line. Errs on the strict side: a
// false alarm costs only a spare copy of the file.
bool survivesRewrite(const QByteArray& data)
{
    if (data.contains('\0'))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(data);
    if (utf8.hasError())
        return false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') ? !line.contains(u']') : !line.contains(u'='))
            return false;
    }
    return true;
}

SettingsStore::FileState inspectFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return info.isSymLink() ? SettingsStore::FileState::Unreadable
                                : SettingsStore::FileState::Missing;
    if (!info.isFile())
        return SettingsStore::FileState::Unreadable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return SettingsStore::FileState::Unreadable;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return SettingsStore::FileState::Unreadable;
    return survivesRewrite(data) ? SettingsStore::FileState::Readable
                                 : SettingsStore::FileState::Malformed;
}

// Creates every missing folder of path with mode 0700, as the XDG base
// directory rules ask for folders made on a user's behalf.
bool makePrivatePath(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    if (info.exists() || info.isSymLink())
        return false;
    const QString parent = info.absolutePath();
    if (parent != path && !makePrivatePath(parent))
        return false;
    return QDir().mkdir(path, privateFolder) || QFileInfo(path).isDir();
}

// Takes every access of group and others away from path (a file or a
// folder), leaving the owner's as they are: a file copied from another
// machine or restored from a backup may come with 0644 and its folder with
// 0755, and the file holds passwords. False when that could not be done.
bool makePrivate(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st = {};
    if (::stat(name.constData(), &st) != 0)
        return false;
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) == 0)
        return true;
    return ::chmod(name.constData(), st.st_mode & S_IRWXU) == 0;
}

// Copies the file at path, byte for byte, to a new file with mode 0600 beside
// it. Returns the copy's path, or an empty text when no copy could be made.
QString copyAside(const QString& path)
{
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray data = source.readAll();
    if (source.error() != QFileDevice::NoError)
        return QString();

    const QString base = path + QStringLiteral(".broken");
    for (int n = 0; n < 1000; ++n) {
        const QString candidate = n == 0 ? base : base + u'.' + QString::number(n);
        QFile copy(candidate);
        if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly, privateFile)) {
            const QFileInfo taken(candidate);
            if (taken.exists() || taken.isSymLink())
                continue;
            return QString();
        }
        const bool written =
            copy.write(data) == data.size() && copy.flush() && ::fsync(copy.handle()) == 0;
        copy.close();
        if (written && copy.error() == QFileDevice::NoError)
            return candidate;
        copy.remove();
        return QString();
    }
    return QString();
}

// QSettings writes pending changes on its own from the event loop, and
// before each write reads the file again if it changed. Such a write is
// reported to no one, and a read made while the file is out of reach (a
// folder in its place) empties what QSettings holds, so that the next write
// would drop every other key. The store writes only when asked.
class NoAutomaticSync : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::UpdateRequest)
            return true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

QString SettingsStore::defaultPath()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tavowatch"),
                     QStringLiteral("tavowatch"))
        .fileName();
}

QString SettingsStore::privateFolder()
{
    const QString folder = QFileInfo(defaultPath()).absolutePath();
    return makePrivatePath(folder) && makePrivate(folder) ? folder : QString();
}

SettingsStore::SettingsStore(const QString& filePath) : m_filePath(filePath)
{
    open();
}

SettingsStore::~SettingsStore()
{
    // QSettings would write them on its own, but without making a file
    // removed meanwhile private again.
    if (m_pending)
        sync();
}

QString SettingsStore::filePath() const
{
    return m_filePath;
}

SettingsStore::FileState SettingsStore::fileState() const
{
    return m_fileState;
}

QString SettingsStore::backupPath() const
{
    return m_backupPath;
}

QString SettingsStore::get(const QString& key, const QString& defaultText) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid())
        return defaultText;
    const int type = value.typeId();
    if (type == QMetaType::QStringList || type == QMetaType::QVariantList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void SettingsStore::save(const QString& key, const QString& text)
{
    if (!prepareWrite()) {
        m_refused = true;
        return;
    }
    // A null QString would be stored as an invalid value, not as empty text.
    m_settings->setValue(key, text.isNull() ? QStringLiteral("") : text);
    m_pending = true;
}

void SettingsStore::remove(const QString& key)
{
    if (!m_settings->contains(key))
        return;
    if (!prepareWrite()) {
        m_refused = true;
        return;
    }
    m_settings->remove(key);
    m_pending = true;
}

bool SettingsStore::sync()
{
    m_settings->sync();
    // The rewrite keeps the mode the file had, and a file removed since the
    // save was made anew with the umask's: make it private again.
    const bool failed =
        m_settings->status() != QSettings::NoError || (m_pending && !makePrivate(m_filePath));
    // A file system that takes only part of the rewrite (a full disk, a
    // file size limit) leaves QSettings reporting success while the file
    // that replaced the old one is cut short: it must read back whole.
    const bool cutShort = !failed && m_pending && !fileHoldsEveryKey();
    const bool written = !m_refused && !failed && !cutShort;
    m_refused = false;
    m_pending = false;
    if (cutShort) {
        // Everything saved stays in memory and goes out again with the
        // next write, once there is room.
        QList<std::pair<QString, QVariant>> kept;
        for (const QString& key : m_settings->allKeys())
            kept.append({key, m_settings->value(key)});
        reload();
        for (const auto& [key, value] : kept)
            m_settings->setValue(key, value);
        m_pending = true;
    } else if (failed) {
        // QSettings goes on reporting its first error for good: start afresh,
        // so that a later write, once the cause is gone, is judged on its own.
        reload();
    }
    return written;
}

bool SettingsStore::fileHoldsEveryKey() const
{
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = file.readAll();
    // QSettings ends every line, the last one too.
    if (!text.isEmpty() && !text.endsWith('\n'))
        return false;
    for (const QString& key : m_settings->allKeys()) {
        // Only keys that the file holds as written; others are escaped.
        const bool plain = std::all_of(key.begin(), key.end(), [](QChar c) {
            return c.unicode() < 0x80 && (c.isLetterOrNumber() || c == u'_');
        });
        if (!plain)
            continue;
        const QByteArray line = key.toLatin1() + '=';
        if (!text.startsWith(line) && !text.contains('\n' + line))
            return false;
    }
    return true;
}

bool SettingsStore::isWritable() const
{
    const QFileInfo info(m_filePath);
    if (info.exists() || info.isSymLink()) {
        // The replacement file is created beside the old one and renamed
        // over it, so both the file and its folder must be writable.
        return info.isFile() && ::access(QFile::encodeName(m_filePath).constData(), W_OK) == 0 &&
               ::access(QFile::encodeName(info.absolutePath()).constData(), W_OK) == 0;
    }
    // No file yet: the nearest existing folder must let the rest be made.
    QFileInfo folder(info.absolutePath());
    while (!folder.exists() && !folder.isSymLink() && !folder.isRoot())
        folder = QFileInfo(folder.absolutePath());
    return folder.isDir() &&
           ::access(QFile::encodeName(folder.absoluteFilePath()).constData(), W_OK) == 0;
}

void SettingsStore::reload()
{
    m_settings.reset();
    open();
}

void SettingsStore::open()
{
    // The file is judged by reading it here, not only by QSettings::status():
    // QSettings keeps parsed files in a per-process cache, and a second
    // QSettings on the same unchanged file reports no error at all.
    m_fileState = inspectFile(m_filePath);
    m_settings = std::make_unique<QSettings>(m_filePath, QSettings::IniFormat);
    m_settings->installEventFilter(new NoAutomaticSync(m_settings.get()));
    // QSettings parses sections lazily; parse them all now so that its own
    // verdict is known before anything is written.
    m_settings->allKeys();
    if (m_settings->status() == QSettings::AccessError)
        m_fileState = FileState::Unreadable;
    else if (m_settings->status() == QSettings::FormatError && m_fileState == FileState::Readable)
        m_fileState = FileState::Malformed;
    m_settings->beginGroup(QStringLiteral("setting"));
}

bool SettingsStore::prepareWrite()
{
    // QSettings keeps the first error it met for good, also one met by its
    // own reading or writing in the background while the file was out of
    // reach: judge each batch of saves on its own.
    if (!m_pending && m_settings->status() != QSettings::NoError)
        reload();
    if (m_fileState == FileState::Unreadable) {
        // The user may have mended the cause meanwhile (removed a folder in
        // the file's place, given back the permission). Only then is the file
        // read afresh: nothing was saved in between that could be lost.
        if (inspectFile(m_filePath) == FileState::Unreadable)
            return false;
        reload();
        if (m_fileState == FileState::Unreadable)
            return false;
    }
    // Checked at every save, not only at open: a file removed meanwhile would
    // otherwise be recreated by QSettings with the umask's mode.
    if (!QFileInfo::exists(m_filePath)) {
        if (createPrivateFile()) {
            m_fileState = FileState::Readable;
        } else {
            // Someone else may have created it meanwhile: judge what is there now.
            m_fileState = inspectFile(m_filePath);
        }
    }
    // Before anything is written into it, whoever made the file: a file that
    // others could go on reading is no place for a password.
    if (m_fileState == FileState::Readable || m_fileState == FileState::Malformed) {
        if (!makePrivate(QFileInfo(m_filePath).absolutePath()) || !makePrivate(m_filePath))
            return false;
    }
    switch (m_fileState) {
    case FileState::Readable:
        return true;
    case FileState::Missing:
    case FileState::Unreadable:
        return false;
    case FileState::Malformed:
        if (m_backupPath.isEmpty())
            m_backupPath = copyAside(m_filePath);
        return !m_backupPath.isEmpty();
    }
    return false;
}

bool SettingsStore::createPrivateFile() const
{
    if (!makePrivatePath(QFileInfo(m_filePath).absolutePath()))
        return false;
    QFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, privateFile))
        return false;
    // The mode given to open() passes through the umask; make it exact.
    return file.setPermissions(privateFile);
}

} // namespace Settings
