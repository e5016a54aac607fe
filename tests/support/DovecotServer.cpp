// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/DovecotServer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr char dovecotBinary[] = "/usr/sbin/dovecot";

// A port below 32768 that nothing listens on right now.
quint16 freePort()
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        const auto port = quint16(QRandomGenerator::global()->bounded(20000, 32000));
        QTcpServer probe;
        if (probe.listen(QHostAddress::LocalHost, port))
            return port;
    }
    return 0;
}

} // namespace

DovecotServer::DovecotServer()
    : m_script(QStringLiteral(TAVOWATCH_SOURCE_DIR "/scripts/dovecot-test-server"))
{}

DovecotServer::~DovecotServer()
{
    stop();
}

bool DovecotServer::isInstalled()
{
    return QFileInfo(QString::fromLatin1(dovecotBinary)).isExecutable();
}

QString DovecotServer::path() const
{
    return m_dir ? m_dir->path() : QString();
}

bool DovecotServer::start(const QList<User>& users)
{
    stop();
    // Unix socket paths inside the folder must fit 108 bytes.
    m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/tvdXXXXXX"));
    if (!m_dir->isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    QStringList userArgs;
    for (const User& user : users)
        userArgs << user.name + QLatin1Char(':') + user.password;

    // Another program may take the chosen port in between: try again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = freePort();
        QProcess script;
        script.setProcessChannelMode(QProcess::MergedChannels);
        script.start(
            QStringLiteral("/bin/bash"),
            QStringList{m_script, QStringLiteral("start"), m_dir->path(), QString::number(m_port)} +
                userArgs);
        if (!script.waitForFinished(30000)) {
            script.kill();
            m_error = QStringLiteral("dovecot-test-server did not finish");
            return false;
        }
        m_error = QString::fromLocal8Bit(script.readAll());
        if (script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0) {
            m_running = true;
            return true;
        }
    }
    return false;
}

void DovecotServer::stop()
{
    if (!m_running || !m_dir)
        return;
    QProcess::execute(QStringLiteral("/bin/bash"),
                      {m_script, QStringLiteral("stop"), m_dir->path()});
    m_running = false;
}

bool DovecotServer::deliver(const QString& user, const QByteArray& message)
{
    return deliverMany(user, {message});
}

bool DovecotServer::deliverMany(const QString& user, const QList<QByteArray>& messages)
{
    if (!m_dir)
        return false;
    const QString folder =
        m_dir->path() + QStringLiteral("/home/") + user + QStringLiteral("/Maildir");
    for (const QByteArray& message : messages) {
        // Written to tmp/ and renamed into new/ as a delivery agent does;
        // names sort in delivery order, which is the POP3 order.
        const QString name = QStringLiteral("%1.M%2.tavowatch")
                                 .arg(1700000000 + m_delivered)
                                 .arg(m_delivered, 8, 10, QLatin1Char('0'));
        ++m_delivered;
        QFile file(folder + QStringLiteral("/tmp/") + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(message) != message.size())
            return false;
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                            QFile::ReadOther);
        if (!QFile::rename(folder + QStringLiteral("/tmp/") + name,
                           folder + QStringLiteral("/new/") + name))
            return false;
    }
    return true;
}

QList<QByteArray> DovecotServer::commandsSeen() const
{
    if (!m_dir)
        return {};
    // Lines "<seconds>.<microseconds> <line>" in the *.in files of the
    // login processes (before login) and the mail processes (after).
    std::vector<std::pair<QByteArray, QByteArray>> stamped;
    for (const QString& folder : {m_dir->path() + QStringLiteral("/run/login/rawlogs"),
                                  m_dir->path() + QStringLiteral("/rawlog")}) {
        QDirIterator it(folder, {QStringLiteral("*.in")}, QDir::Files);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            for (QByteArray line : file.readAll().split('\n')) {
                if (line.endsWith('\r'))
                    line.chop(1);
                const qsizetype blank = line.indexOf(' ');
                if (blank <= 0)
                    continue;
                QByteArray stamp = line.left(blank);
                // Same width for every stamp, so that text order is time order.
                const qsizetype dot = stamp.indexOf('.');
                stamp =
                    stamp.left(dot).rightJustified(12, '0') + stamp.mid(dot).leftJustified(8, '0');
                stamped.emplace_back(stamp, line.mid(blank + 1));
            }
        }
    }
    std::stable_sort(stamped.begin(), stamped.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<QByteArray> lines;
    for (const auto& entry : stamped)
        lines.append(entry.second);
    return lines;
}

QList<QByteArray> DovecotServer::demoMessages(const QString& user)
{
    const QString folder = QStringLiteral(TAVOWATCH_SOURCE_DIR "/demo/") + user;
    QList<QByteArray> messages;
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        QFile file(folder + QLatin1Char('/') + name);
        if (file.open(QIODevice::ReadOnly))
            messages.append(file.readAll());
    }
    return messages;
}

QList<QByteArray> DovecotServer::commandLines(std::initializer_list<const char*> lines)
{
    QList<QByteArray> result;
    for (const char* line : lines)
        result.append(QByteArray(line));
    return result;
}
