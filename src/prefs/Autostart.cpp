// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "prefs/Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

namespace {

// A desktop entry is a few hundred bytes; whatever else sits under the name
// is read no further than this.
constexpr qint64 maxEntryBytes = 64 * 1024;

// Characters that make quoting an Exec argument of a desktop entry
// necessary, and those that must be escaped inside the quotes.
const QString reservedInExec = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
const QString escapedInQuotes = QStringLiteral("\"`$\\");

QString quotedArgument(const QString& argument)
{
    QString out;
    const bool quote = std::any_of(argument.begin(), argument.end(),
                                   [](QChar c) { return reservedInExec.contains(c); });
    for (QChar c : argument) {
        if (quote && escapedInQuotes.contains(c))
            out += u'\\';
        // A literal percent sign would otherwise read as a field code (%f).
        if (c == u'%')
            out += u'%';
        out += c;
    }
    return quote ? u'"' + out + u'"' : out;
}

// The value escapes of every desktop entry string, applied after the
// Exec quoting.
QString escapedValue(const QString& value)
{
    QString out;
    for (QChar c : value) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

QString unescapedValue(const QString& value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        if (next == u's')
            out += u' ';
        else if (next == u'n')
            out += u'\n';
        else if (next == u't')
            out += u'\t';
        else if (next == u'r')
            out += u'\r';
        else
            out += next;
    }
    return out;
}

// The program an unescaped Exec value starts: its first argument, quoted
// or not.
QString execProgram(const QString& exec)
{
    QString program;
    if (exec.startsWith(u'"')) {
        for (qsizetype i = 1; i < exec.size(); ++i) {
            if (exec[i] == u'"')
                break;
            if (exec[i] == u'\\' && i + 1 < exec.size())
                ++i;
            program += exec[i];
        }
    } else {
        program = exec.section(u' ', 0, 0);
    }
    return program.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

} // namespace

Autostart::Autostart(QString checkerPath) : m_checkerPath(std::move(checkerPath)) {}

QString Autostart::filePath() const
{
    // XDG_CONFIG_HOME when set to an absolute path, else ~/.config.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/tavowatchl.desktop");
}

bool Autostart::isEnabled() const
{
    QFile file(filePath());
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    bool inEntry = false;
    bool hidden = false;
    QString program;
    const QStringList lines = QString::fromUtf8(file.read(maxEntryBytes)).split(u'\n');
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            inEntry = line == u"[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inEntry || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = unescapedValue(line.mid(equals + 1).trimmed());
        if (key == u"Exec")
            program = execProgram(value);
        else if (key == u"Hidden")
            hidden = value == u"true";
    }
    return !hidden && program == m_checkerPath;
}

bool Autostart::apply(bool enabled) const
{
    const QString path = filePath();
    if (!enabled)
        return !isEnabled() || QFile::remove(path);
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Tavoメールチェッカー LAN\n"
                                         "Comment=LAN内のPOP3メールボックスを監視します\n"
                                         "Exec=%1\n"
                                         "Icon=tavowatchl\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(escapedValue(quotedArgument(m_checkerPath)));
    file.write(entry.toUtf8());
    return file.commit();
}
