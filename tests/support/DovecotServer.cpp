// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/DovecotServer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QRandomGenerator>
#include <QSslCertificate>
#include <QTcpServer>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr char dovecotBinary[] = "/usr/sbin/dovecot";

// A port below 32768 that nothing listens on right now.
quint16 freePort(const QString& address, quint16 other = 0)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        const auto port = quint16(QRandomGenerator::global()->bounded(20000, 32000));
        QTcpServer probe;
        if (port != other && probe.listen(QHostAddress(address), port))
            return port;
    }
    return 0;
}

bool servesCertificate(DovecotServer::Tls tls)
{
    switch (tls) {
    case DovecotServer::Tls::Off:
    case DovecotServer::Tls::OffRemote:
        return false;
    case DovecotServer::Tls::CaSigned:
    case DovecotServer::Tls::SelfSigned:
    case DovecotServer::Tls::OtherName:
        return true;
    }
    return false;
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

quint16 DovecotServer::tlsPort() const
{
    return servesCertificate(m_tls) ? m_tlsPort : 0;
}

QString DovecotServer::caCertificatePath() const
{
    return m_dir && QFile::exists(m_dir->filePath(QStringLiteral("ca.pem")))
               ? m_dir->filePath(QStringLiteral("ca.pem"))
               : QString();
}

QString DovecotServer::certificatePath() const
{
    return servesCertificate(m_tls)
               ? m_dir->filePath(QStringLiteral("server%1.pem").arg(m_certificates))
               : QString();
}

bool DovecotServer::start(const QList<User>& users, Tls tls)
{
    stop();
    // Unix socket paths inside the folder must fit 108 bytes.
    m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/tvdXXXXXX"));
    if (!m_dir->isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    m_users = users;
    m_tls = tls;
    m_certificates = 0;
    m_delivered = 0;
    m_address = tls == Tls::Off ? QStringLiteral("127.0.0.1") : QStringLiteral("127.0.0.2");
    if (!makeCertificate(tls))
        return false;
    // Another program may take the chosen ports in between: try again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = freePort(m_address);
        m_tlsPort = tls == Tls::Off ? 0 : freePort(m_address, m_port);
        if (launch())
            return true;
    }
    return false;
}

bool DovecotServer::restart(Tls tls)
{
    if (!m_dir || (tls == Tls::Off) != (m_tls == Tls::Off)) {
        m_error = QStringLiteral("restart: no server, or another address");
        return false;
    }
    stop();
    m_tls = tls;
    return makeCertificate(tls) && launch();
}

bool DovecotServer::runScript(const QStringList& arguments)
{
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(QStringLiteral("/bin/bash"), QStringList{m_script} + arguments);
    if (!script.waitForFinished(30000)) {
        script.kill();
        script.waitForFinished();
        m_error = QStringLiteral("dovecot-test-server did not finish");
        return false;
    }
    m_error = QString::fromLocal8Bit(script.readAll());
    return script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
}

bool DovecotServer::makeCertificate(Tls tls)
{
    m_sha256.clear();
    if (!servesCertificate(tls))
        return true;
    const QString ca = m_dir->filePath(QStringLiteral("ca"));
    if (caCertificatePath().isEmpty() && !runScript({QStringLiteral("ca"), ca}))
        return false;
    ++m_certificates;
    const QString out = m_dir->filePath(QStringLiteral("server%1").arg(m_certificates));
    const QString names = tls == Tls::OtherName ? QStringLiteral("DNS:mail.example.jp")
                                                : QStringLiteral("IP:127.0.0.2,DNS:localhost");
    QStringList arguments{QStringLiteral("cert"), out, names};
    if (tls != Tls::SelfSigned)
        arguments << ca;
    if (!runScript(arguments))
        return false;
    const QList<QSslCertificate> served = QSslCertificate::fromPath(out + QStringLiteral(".pem"));
    if (served.size() != 1) {
        m_error = QStringLiteral("the new certificate does not load");
        return false;
    }
    m_sha256 = served.first().digest(QCryptographicHash::Sha256).toHex();
    return true;
}

bool DovecotServer::launch()
{
    QStringList arguments{QStringLiteral("start"), QStringLiteral("--listen"), m_address};
    if (servesCertificate(m_tls)) {
        const QString served = m_dir->filePath(QStringLiteral("server%1").arg(m_certificates));
        arguments << QStringLiteral("--ssl") << QStringLiteral("required")
                  << QStringLiteral("--cert") << served + QStringLiteral(".pem")
                  << QStringLiteral("--key") << served + QStringLiteral(".key")
                  << QStringLiteral("--pop3s-port") << QString::number(m_tlsPort);
    }
    if (!m_transcripts)
        arguments << QStringLiteral("--transcripts") << QStringLiteral("no");
    arguments << m_dir->path() << QString::number(m_port);
    for (const User& user : std::as_const(m_users))
        arguments << user.name + QLatin1Char(':') + user.password;
    m_running = runScript(arguments);
    return m_running;
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
                // A TLS record of type handshake (22) opens the client's
                // side of TLS; no POP3 command starts with a control
                // character. The rest of this session's transcript before
                // login is encrypted.
                if (line.size() > blank + 1 && line.at(blank + 1) == '\x16') {
                    stamped.emplace_back(stamp, QByteArrayLiteral("[TLS]"));
                    break;
                }
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

QList<DovecotServer::Login> DovecotServer::logins() const
{
    QList<Login> result;
    if (!m_dir)
        return result;
    QFile log(m_dir->filePath(QStringLiteral("dovecot.log")));
    if (!log.open(QIODevice::ReadOnly))
        return result;
    // "<date> pop3-login: Info: Login: user=<tanaka>, method=PLAIN,
    // rip=127.0.0.1, lip=127.0.0.2, mpid=1234, TLS, session=<...>", or
    // "Disconnected: ... (auth failed, 1 attempts in 0 secs): user=<tanaka>,
    // ..." for a session that never logged in; "user=<>" when USER never
    // came.
    static const QByteArray info = "pop3-login: Info: ";
    static const QByteArray userField = "user=<";
    for (const QByteArray& line : log.readAll().split('\n')) {
        const qsizetype at = line.indexOf(info);
        if (at < 0)
            continue;
        const qsizetype user = line.indexOf(userField, at);
        const qsizetype end = user < 0 ? -1 : line.indexOf('>', user);
        if (end < 0 || end == user + userField.size())
            continue;
        const QByteArray message = line.mid(at + info.size());
        const QList<QByteArray> fields = line.mid(end).split(',');
        result.append(
            {QString::fromUtf8(line.mid(user + userField.size(), end - user - userField.size())),
             message.startsWith("Login: "), fields.contains(" TLS")});
    }
    return result;
}

bool DovecotServer::userSent(const QString& user) const
{
    const QList<Login> attempts = logins();
    return std::any_of(attempts.begin(), attempts.end(),
                       [&](const Login& login) { return login.user == user; }) ||
           commandsSeen().contains("USER " + user.toUtf8());
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
