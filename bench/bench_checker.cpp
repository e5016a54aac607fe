// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The first check of the real tavowatchl, started under a private Xvfb
// against a local Dovecot, next to the floor any client can reach: a
// minimal client on a blocking socket that sends the same commands (USER,
// PASS, STAT, "TOP n 5" for every message, QUIT) one after another.
//
// Both sessions are timed by the server's own transcript, from the
// greeting to the answer to QUIT, so that the start-up of the program and
// the end of the check (the list, the pop-up) count only as far as they
// slow the session down. Server, X server, raw client and program run on
// one CPU: on two cores every round trip would pay a cross-core wake-up,
// which makes the times vary by a factor of three from run to run.
// Prints, for mailboxes of 200, 1,000 and 5,000 messages, the median time
// of each over several pairs of runs and the median of the pairs' ratios;
// the goal is at most 1.1. Then the same check of 1,000 messages over TLS
// (POP3 over TLS) against clear text, on two Dovecots that differ only in
// TLS; the goal is at most 1.3.

#include "settings/PasswordForm.h"
#include "settings/SettingsStore.h"
#include "support/DovecotServer.h"
#include "support/XvfbServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double goal = 1.1;
// A check over TLS against the same check in clear text.
constexpr double tlsGoal = 1.3;
constexpr int tlsMessages = 1000;
// TAVOWATCH_BENCH_RUNS overrides the number of runs of each.
const int repetitions = qEnvironmentVariableIntValue("TAVOWATCH_BENCH_RUNS") > 0
                            ? qEnvironmentVariableIntValue("TAVOWATCH_BENCH_RUNS")
                            : 15;

// A message as a Japanese mail program sends it: encoded sender and
// subject, an ISO-2022-JP body of a dozen lines.
QByteArray sampleMessage(int n)
{
    QByteArray body;
    for (int line = 0; line < 12; ++line)
        body += "\x1b$B$3$l$OK\\J8$N9T$G$9!#\x1b(B " + QByteArray::number(line) + '\n';
    const QByteArray number = QByteArray::number(n);
    return "Return-Path: <sender" + number +
           "@example.co.jp>\n"
           "Received: from mail.example.co.jp by pop.example.jp; Wed, 01 Apr 2026 09:00:00 +0900\n"
           "Date: Wed, 01 Apr 2026 09:00:00 +0900\n"
           "From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <sender" +
           number +
           "@example.co.jp>\n"
           "To: you@example.jp\n"
           "Subject: =?ISO-2022-JP?B?GyRCMnE1RCRONURCahsoQg==?= No." +
           number +
           "\n"
           "Message-ID: <" +
           number +
           ".bench@example.co.jp>\n"
           "MIME-Version: 1.0\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\n"
           "Content-Transfer-Encoding: 7bit\n\n" +
           body;
}

// Runs this process (and what it starts from now on) on one CPU, as
// "taskset -c" would.
void pinTo(int cpu)
{
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    sched_setaffinity(0, sizeof set, &set);
}

// The server's transcripts: before login (login processes) and after.
QStringList transcriptFolders(const DovecotServer& server)
{
    return {server.path() + QStringLiteral("/run/login/rawlogs"),
            server.path() + QStringLiteral("/rawlog")};
}

void clearTranscripts(const DovecotServer& server)
{
    for (const QString& folder : transcriptFolders(server)) {
        QDirIterator it(folder, QDir::Files);
        while (it.hasNext())
            QFile::remove(it.next());
    }
}

// Whether the server has answered QUIT after login.
bool sessionEnded(const DovecotServer& server)
{
    QDirIterator it(server.path() + QStringLiteral("/rawlog"), {QStringLiteral("*.out")},
                    QDir::Files);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        file.seek(std::max<qint64>(0, file.size() - 64));
        if (file.readAll().contains("Logging out"))
            return true;
    }
    return false;
}

// Seconds from the first to the last line of the transcripts: the greeting
// to the answer to QUIT. Lines are "<seconds>.<microseconds> <text>".
double sessionSeconds(const DovecotServer& server)
{
    double first = 0;
    double last = 0;
    for (const QString& folder : transcriptFolders(server)) {
        QDirIterator it(folder, QDir::Files);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray& line : file.readAll().split('\n')) {
                const qsizetype blank = line.indexOf(' ');
                if (blank <= 0)
                    continue;
                bool ok = false;
                const double stamp = line.left(blank).toDouble(&ok);
                if (!ok)
                    continue;
                first = first == 0 ? stamp : std::min(first, stamp);
                last = std::max(last, stamp);
            }
        }
    }
    return last - first;
}

// The minimal client: one blocking socket, each command written when the
// previous reply is complete.
class RawClient
{
public:
    explicit RawClient(quint16 port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~RawClient()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;
    bool ok() const { return m_fd >= 0; }

    void command(const std::string& line) const
    {
        [[maybe_unused]] const ssize_t sent = ::send(m_fd, line.data(), line.size(), 0);
    }
    // Reads until terminator; returns the reply.
    std::string reply(const char* terminator)
    {
        const std::size_t length = std::char_traits<char>::length(terminator);
        std::size_t scanned = 0;
        for (;;) {
            const std::size_t found =
                m_buffer.find(terminator, scanned > length ? scanned - length : 0);
            if (found != std::string::npos) {
                std::string reply = m_buffer.substr(0, found + length);
                m_buffer.erase(0, found + length);
                return reply;
            }
            scanned = m_buffer.size();
            char chunk[65536];
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                return m_buffer;
            m_buffer.append(chunk, std::size_t(n));
        }
    }

private:
    int m_fd = -1;
    std::string m_buffer;
};

bool rawRun(quint16 port, const std::string& user, const std::string& password, int expected)
{
    RawClient client(port);
    if (!client.ok())
        return false;
    client.reply("\r\n");
    client.command("USER " + user + "\r\n");
    client.reply("\r\n");
    client.command("PASS " + password + "\r\n");
    client.reply("\r\n");
    client.command("STAT\r\n");
    const std::string stat = client.reply("\r\n");
    const int count = std::atoi(stat.c_str() + 4);
    for (int n = 1; n <= count; ++n) {
        client.command("TOP " + std::to_string(n) + " 5\r\n");
        client.reply("\r\n.\r\n");
    }
    client.command("QUIT\r\n");
    client.reply("\r\n");
    return count == expected;
}

// The checker with a settings file of one account that checks at start-up.
class CheckerRun
{
public:
    // tls and pin: the account's "Tls" and "TlsPin"; host: its server.
    CheckerRun(const QString& display, quint16 port, const QString& user, const QString& password,
               const QString& host = QStringLiteral("127.0.0.1"), int tls = 0,
               const QString& pin = QString())
    {
        QDir(m_home.path()).mkpath(QStringLiteral("config/tavowatch"));
        QDir(m_home.path()).mkpath(QStringLiteral("run"));
        QFile::setPermissions(m_home.filePath(QStringLiteral("run")), QFileDevice::ReadOwner |
                                                                          QFileDevice::WriteOwner |
                                                                          QFileDevice::ExeOwner);
        Settings::SettingsStore store(
            m_home.filePath(QStringLiteral("config/tavowatch/tavowatch.ini")));
        const std::initializer_list<std::pair<const char*, QString>> values{
            {"accountno", QStringLiteral("1")},
            {"Option1value", QStringLiteral("1")},
            {"Option4value", QStringLiteral("0")},
            {"Option5value", QStringLiteral("1")},
            {"Option7value", QStringLiteral("1")},
            {"Aname1", QStringLiteral("ベンチ")},
            {"Hname1", host},
            {"Tls1", QString::number(tls)},
            {"TlsPin1", pin},
            {"Portno1", QString::number(port)},
            {"Uname1", user},
            {"Passw1", Settings::EncodePassword(password)},
        };
        for (const auto& [key, value] : values)
            store.save(QString::fromLatin1(key), value);
        store.sync();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.filePath(QStringLiteral("run")));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        m_process.setProcessEnvironment(env);
        // TAVOWATCH_BENCH_WRAPPER runs the checker under a tool, for example
        // "strace -f -o /tmp/checker.strace".
        QStringList command = QProcessEnvironment::systemEnvironment()
                                  .value(QStringLiteral("TAVOWATCH_BENCH_WRAPPER"))
                                  .split(QLatin1Char(' '), Qt::SkipEmptyParts);
        command.append(QStringLiteral(TAVOWATCHL_PATH));
        m_process.setProgram(command.takeFirst());
        m_process.setArguments(command);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    ~CheckerRun()
    {
        // A tool around the checker needs the time to write its results.
        if (m_process.program() != QStringLiteral(TAVOWATCHL_PATH)) {
            m_process.terminate();
            m_process.waitForFinished(10000);
        }
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    CheckerRun(const CheckerRun&) = delete;
    CheckerRun& operator=(const CheckerRun&) = delete;

    bool start()
    {
        m_process.start();
        return m_process.waitForStarted();
    }
    bool running() const { return m_process.state() == QProcess::Running; }

private:
    QTemporaryDir m_home;
    QProcess m_process;
};

// TAVOWATCH_BENCH_TRANSCRIPTS names a folder that keeps each run's server
// transcripts, to see where the time of a session goes.
void keepTranscripts(const DovecotServer& server, const QString& name)
{
    const QString folder = QProcessEnvironment::systemEnvironment().value(
        QStringLiteral("TAVOWATCH_BENCH_TRANSCRIPTS"));
    if (folder.isEmpty())
        return;
    QDir(folder).mkpath(name);
    for (const QString& source : transcriptFolders(server)) {
        QDirIterator it(source, QDir::Files);
        while (it.hasNext()) {
            const QString file = it.next();
            QFile::copy(file, folder + QLatin1Char('/') + name + QLatin1Char('/') +
                                  QFileInfo(file).fileName());
        }
    }
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (!DovecotServer::isInstalled() || !XvfbServer::isInstalled()) {
        std::printf("bench_checker: Dovecot or Xvfb is not installed; skipped\n");
        return 0;
    }
    // Everything started from here inherits the CPU.
    pinTo(0);

    XvfbServer xvfb;
    if (!xvfb.start()) {
        std::fprintf(stderr, "bench_checker: %s\n", qPrintable(xvfb.errorString()));
        return 1;
    }
    // Mailbox sizes may be given on the command line: bench_checker 5000
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::max(1, std::atoi(argv[i])));
    if (sizes.empty())
        sizes = {200, 1000, 5000};
    DovecotServer server;
    QList<DovecotServer::User> users;
    for (int size : sizes)
        users.append({QStringLiteral("u%1").arg(size), QStringLiteral("pw%1").arg(size)});
    const DovecotServer::User tlsUser{QStringLiteral("tls"), QStringLiteral("pwtls")};
    users.append(tlsUser);
    if (!server.start(users)) {
        std::fprintf(stderr, "bench_checker: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    for (int size : sizes) {
        QList<QByteArray> messages;
        for (int n = 1; n <= size; ++n)
            messages.append(sampleMessage(n));
        server.deliverMany(QStringLiteral("u%1").arg(size), messages);
    }

    bool met = true;
    std::printf("%-10s %12s %12s %8s\n", "messages", "raw client", "tavowatchl", "ratio");
    for (int size : sizes) {
        const QString user = QStringLiteral("u%1").arg(size);
        const QString password = QStringLiteral("pw%1").arg(size);
        // The first session makes Dovecot index the mailbox.
        rawRun(server.port(), user.toStdString(), password.toStdString(), size);
        std::vector<double> raw;
        std::vector<double> checker;
        const auto runRaw = [&](int i) {
            // The end of the previous run (a process gone, its X client and
            // server sessions cleaned up) must not fall into this one.
            QThread::msleep(300);
            clearTranscripts(server);
            if (!rawRun(server.port(), user.toStdString(), password.toStdString(), size)) {
                std::fprintf(stderr, "bench_checker: the raw client failed\n");
                return false;
            }
            QThread::msleep(100); // the transcript is written as the server reads
            raw.push_back(sessionSeconds(server));
            keepTranscripts(server, QStringLiteral("raw-%1-%2").arg(size).arg(i));
            return true;
        };
        const auto runChecker = [&](int i) {
            QThread::msleep(300);
            clearTranscripts(server);
            CheckerRun run(xvfb.display(), server.port(), user, password);
            if (!run.start()) {
                std::fprintf(stderr, "bench_checker: tavowatchl did not start\n");
                return false;
            }
            // Each look for the end reads the server's transcripts on the
            // checker's CPU (a few hundred microseconds), so it looks seldom;
            // when it sees the end does not change the time measured.
            // Waiting on the other CPU made the runs vary more.
            QDeadlineTimer deadline(120000);
            while (!sessionEnded(server) && run.running() && !deadline.hasExpired())
                QThread::msleep(100);
            if (!sessionEnded(server)) {
                std::fprintf(stderr, "bench_checker: tavowatchl did not end its session\n");
                return false;
            }
            checker.push_back(sessionSeconds(server));
            keepTranscripts(server, QStringLiteral("checker-%1-%2").arg(size).arg(i));
            return true;
        };
        // Runs in pairs, the order turned every other time, so that neither
        // side always follows the other.
        for (int i = 0; i < repetitions; ++i) {
            const bool ok = i % 2 == 0 ? runRaw(i) && runChecker(i) : runChecker(i) && runRaw(i);
            if (!ok)
                return 1;
        }
        const double rawTime = median(raw);
        const double checkerTime = median(checker);
        // Each run of the checker is set against the raw run of its pair:
        // the speed of a shared machine drifts over seconds, and a pair
        // taken moments apart sees the same speed.
        std::vector<double> ratios;
        for (std::size_t i = 0; i < raw.size(); ++i)
            ratios.push_back(checker[i] / raw[i]);
        const double ratio = median(ratios);
        met = met && ratio <= goal;
        std::printf("%-10d %10.4f s %10.4f s %8.2f\n", size, rawTime, checkerTime, ratio);
        std::fflush(stdout);
    }
    std::printf("goal: tavowatchl / raw client <= %.1f (median of %d, one CPU): %s\n", goal,
                repetitions, met ? "met" : "MISSED");

    // The same check over TLS (POP3 over TLS, its certificate trusted by
    // its pin) against clear text, each on a Dovecot of its own that differs
    // only in TLS, with the same mailbox.
    DovecotServer tlsServer;
    if (!tlsServer.start({tlsUser}, DovecotServer::Tls::CaSigned)) {
        std::fprintf(stderr, "bench_checker: %s\n", qPrintable(tlsServer.errorString()));
        return 1;
    }
    QList<QByteArray> messages;
    for (int n = 1; n <= tlsMessages; ++n)
        messages.append(sampleMessage(n));
    server.deliverMany(tlsUser.name, messages);
    tlsServer.deliverMany(tlsUser.name, messages);
    const auto runOn = [&](DovecotServer& on, bool tls, std::vector<double>& times) {
        QThread::msleep(300);
        clearTranscripts(on);
        CheckerRun run(xvfb.display(), tls ? on.tlsPort() : on.port(), tlsUser.name,
                       tlsUser.password, on.address(), tls ? 2 : 0,
                       QString::fromLatin1(on.certificateSha256()));
        if (!run.start())
            return false;
        QDeadlineTimer deadline(120000);
        while (!sessionEnded(on) && run.running() && !deadline.hasExpired())
            QThread::msleep(100);
        if (!sessionEnded(on))
            return false;
        times.push_back(sessionSeconds(on));
        return true;
    };
    std::vector<double> plain;
    std::vector<double> encrypted;
    // The first sessions make each Dovecot index the mailbox.
    if (!runOn(server, false, plain) || !runOn(tlsServer, true, encrypted)) {
        std::fprintf(stderr, "bench_checker: the TLS comparison did not run\n");
        return 1;
    }
    plain.clear();
    encrypted.clear();
    for (int i = 0; i < repetitions; ++i) {
        const bool ok = i % 2 == 0
                            ? runOn(server, false, plain) && runOn(tlsServer, true, encrypted)
                            : runOn(tlsServer, true, encrypted) && runOn(server, false, plain);
        if (!ok) {
            std::fprintf(stderr, "bench_checker: the TLS comparison did not run\n");
            return 1;
        }
    }
    std::vector<double> tlsRatios;
    for (std::size_t i = 0; i < plain.size(); ++i)
        tlsRatios.push_back(encrypted[i] / plain[i]);
    const double tlsRatio = median(tlsRatios);
    std::printf("%-10d %10.4f s %10.4f s %8.2f  (clear text, POP3 over TLS)\n", tlsMessages,
                median(plain), median(encrypted), tlsRatio);
    std::printf("goal: TLS / clear text <= %.1f (median of %d, one CPU): %s\n", tlsGoal,
                repetitions, tlsRatio <= tlsGoal ? "met" : "MISSED");
    return 0;
}
