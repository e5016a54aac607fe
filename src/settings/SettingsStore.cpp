// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringDecoder>

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

} // namespace

QString SettingsStore::defaultPath()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tavowatch"),
                     QStringLiteral("tavowatch"))
        .fileName();
}

SettingsStore::SettingsStore(const QString& filePath) : m_filePath(filePath)
{
    open();
}

SettingsStore::~SettingsStore() = default;

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
    if (!prepareWrite())
        return;
    // A null QString would be stored as an invalid value, not as empty text.
    m_settings->setValue(key, text.isNull() ? QStringLiteral("") : text);
}

void SettingsStore::sync()
{
    m_settings->sync();
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
    if (m_fileState == FileState::Unreadable)
        return false;
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
